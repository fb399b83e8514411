#pragma once

#include <string>

namespace orvkit {

class Document;

// How UndoTransaction::Commit records a transaction. This host knows one way: as an undo step
// of its own, which Undo reverts as a whole.
enum EnumTransactionAction { TransactionActionRecord = 0 };

// A scoped document transaction: Start opens it, Commit records it as one undo step; one that
// was started but not committed is rolled back when the object goes away.
class UndoTransaction {
public:
    explicit UndoTransaction(Document* document) : myDocument(document) {}
    ~UndoTransaction();
    UndoTransaction(const UndoTransaction&) = delete;
    UndoTransaction& operator=(const UndoTransaction&) = delete;

    // False when the document records no transactions or another one is open.
    bool Start(const std::string& name);
    // Records the transaction as EnumTransactionAction says; false when none is open.
    bool Commit(int action);

private:
    Document* myDocument;
    bool myOpen = false;
};

} // namespace orvkit
