#include "UndoTransaction.h"

#include "Data/Kernel/Document.h"

namespace orvkit {

UndoTransaction::~UndoTransaction()
{
    if (myOpen && myDocument != nullptr) {
        myDocument->AbortTransaction();
    }
}

bool UndoTransaction::Start(const std::string& name)
{
    if (myOpen || myDocument == nullptr) {
        return false;
    }
    myOpen = myDocument->BeginTransaction(name);
    return myOpen;
}

bool UndoTransaction::Commit(int action)
{
    if (!myOpen) {
        return false;
    }
    myDocument->CommitTransaction(action);
    myOpen = false;
    return true;
}

} // namespace orvkit
