#pragma once

#include "Common/Core/LoadFailure.h"

#include <string>
#include <vector>

namespace orvkit {

struct XdeDocumentImpl;

// What one read of a model file came to: success, or why it failed and the lines the log gets
// for it. Readers return it and record nothing themselves; Record is the one place a failed read
// reaches the document, the thread's last failure and the log, so that the three cannot differ.
class ModelReadOutcome {
public:
    // A read that succeeded.
    ModelReadOutcome() = default;
    // A failed read whose `logLine` is logged at level 4 when recorded; none when empty (the
    // shape reader has logged its own words, or the caller stays silent about other files).
    ModelReadOutcome(LoadFailure failure, std::string logLine);

    // The same failure with `detail` for its words and `logLine` logged after the first: what a
    // later step of the read found out about why nothing was read.
    ModelReadOutcome Explained(const std::string& detail, std::string logLine) const;

    // Puts the failure (none on success) in impl.failure and, for a failure, records it as the
    // thread's last and logs its lines. True when the read succeeded.
    bool Record(XdeDocumentImpl& impl) const;

    const LoadFailure& GetFailure() const { return myFailure; }
    // True when the read succeeded.
    explicit operator bool() const { return !myFailure; }

private:
    LoadFailure myFailure;
    std::vector<std::string> myLogLines;
};

} // namespace orvkit
