#include "KernelProgress.h"

#include <utility>

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

    Standard_Boolean UserBreak() override { return myHandler.IsCancelled(); }

private:
    ProgressHandler& myHandler;
    std::string myStep;
};

} // namespace

KernelProgress::KernelProgress(const char* format, std::shared_ptr<ProgressHandler> handler)
    : myHandler(std::move(handler)), myFormat(format)
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

} // namespace orvkit
