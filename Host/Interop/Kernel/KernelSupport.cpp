#include "KernelSupport.h"

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

std::string DescribeTranslatorFailure(const Standard_Failure& failure)
{
    const std::string type = failure.DynamicType()->Name();
    if (OcctFaultScope::IsFault(failure)) {
        return "it crashed (" + (type == "Standard_Failure" ? std::string("memory fault") : type) +
               ")";
    }
    const std::string message = failure.GetMessageString();
    return message.empty() ? type : type + ": " + message;
}

bool FailLoad(XdeDocumentImpl& impl, const LoadFailure& failure, const std::string& logText)
{
    impl.failure = failure;
    LoadFailure::Record(failure);
    Logger::Instance().Message(4, logText);
    return false;
}

bool RefuseExtension(XdeDocumentImpl& impl, const std::string& extension)
{
    impl.failure = {LoadFailureUnknownExtension,
                    {},
                    "'" + extension + "' (expected .step, .stp, .iges or .igs, in lower case)"};
    LoadFailure::Record(impl.failure);
    return false;
}

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

} // namespace orvkit
