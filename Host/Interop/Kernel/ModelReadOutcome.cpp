#include "ModelReadOutcome.h"

#include "Common/Core/Logger.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

namespace orvkit {

ModelReadOutcome::ModelReadOutcome(LoadFailure failure, std::string logLine)
    : myFailure(std::move(failure))
{
    if (!logLine.empty()) {
        myLogLines.push_back(std::move(logLine));
    }
}

ModelReadOutcome ModelReadOutcome::Explained(const std::string& detail, std::string logLine) const
{
    ModelReadOutcome explained = *this;
    explained.myFailure.detail = detail;
    explained.myLogLines.push_back(std::move(logLine));
    return explained;
}

bool ModelReadOutcome::Record(XdeDocumentImpl& impl) const
{
    impl.failure = myFailure;
    if (!myFailure) {
        return true;
    }
    LoadFailure::Record(myFailure);
    for (const std::string& line : myLogLines) {
        Logger::Instance().Message(4, line);
    }
    return false;
}

} // namespace orvkit
