#include "KernelSupport.h"


#include <cstdio>
#include <unistd.h>

namespace orvkit {

namespace {

// Passes the translator's position on to the host's handler.
class HandlerIndicator : public Message_ProgressIndicator {
public:
    HandlerIndicator(ProgressHandler& handler, std::string step)
        : myHandler(handler), myStep(std::move(step))
    {
    }

protected:
    void Show(const Message_ProgressScope&, const Standard_Boolean) override
    {
        myHandler.Update(myStep, GetPosition());
    }

private:
    ProgressHandler& myHandler;
    std::string myStep;
};

} // namespace

KernelProgress::KernelProgress(const char* format)
    : myHandler(Progress::Instance().GetHandler()), myFormat(format)
{
    if (myHandler) {
        myIndicator = new HandlerIndicator(*myHandler, std::string("Translating ") + format);
    }
}

KernelProgress::~KernelProgress()
{
    if (myHandler) {
        myHandler->Finish();
    }
}

void KernelProgress::Parsing() const
{
    if (myHandler) {
        myHandler->Update("Reading " + myFormat + " file", 0.0);
    }
}

Message_ProgressRange KernelProgress::Start()
{
    return Message_ProgressIndicator::Start(myIndicator);
}

std::string TemporaryPathFor(const std::string& path)
{
    // Same folder as the target, so the final rename stays on one file system.
    return path + ".tmp-" + std::to_string(::getpid());
}

bool CommitTemporary(const std::string& temporary, const std::string& path, bool written,
                     const char* format)
{
    if (!written) {
        std::remove(temporary.c_str());
        Logger::Instance().Message(3, "%s writer: cannot write %s", format, path.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        Logger::Instance().Message(3, "%s writer: cannot replace %s", format, path.c_str());
        return false;
    }
    return true;
}

} // namespace orvkit
