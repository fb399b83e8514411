#include "KernelSupport.h"

#include <Interface_Static.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_Printer.hxx>
#include <Message_PrinterOStream.hxx>
#include <OSD.hxx>

#include <csignal>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace orvkit {

namespace {

// Hands OpenCASCADE's messages to the host logger.
class LoggerPrinter : public Message_Printer {
protected:
    void send(const TCollection_AsciiString& text, const Message_Gravity gravity) const override
    {
        int level = 1;
        switch (gravity) {
        case Message_Trace:
            level = 0;
            break;
        case Message_Info:
            level = 1;
            break;
        case Message_Warning:
        case Message_Alarm:
            level = 2;
            break;
        case Message_Fail:
            level = 3;
            break;
        }
        std::string line(text.ToCString());
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        if (!line.empty()) {
            Logger::Instance().Message(level, "OCCT: " + line);
        }
    }
};

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

void InstallKernelServices()
{
    static const bool installed = [] {
        const Handle(Message_Messenger)& messenger = Message::DefaultMessenger();
        messenger->RemovePrinters(STANDARD_TYPE(Message_PrinterOStream));
        messenger->AddPrinter(new LoggerPrinter());
        // Floating-point traps stay off: the translators compute with infinities on purpose.
        OSD::SetSignal(OSD_SignalMode_Set, Standard_False);
        // Only faults are ours to convert; an interrupt still ends the process as usual.
        for (int interrupt : {SIGINT, SIGHUP, SIGQUIT, SIGTERM}) {
            std::signal(interrupt, SIG_DFL);
        }
        return true;
    }();
    (void)installed;
}

StaticSettingsScope::~StaticSettingsScope()
{
    for (auto it = mySaved.rbegin(); it != mySaved.rend(); ++it) {
        Interface_Static::SetCVal(it->first.c_str(), it->second.c_str());
    }
}

void StaticSettingsScope::SetInteger(const char* name, int value)
{
    SetText(name, std::to_string(value).c_str());
}

void StaticSettingsScope::SetText(const char* name, const char* value)
{
    const Standard_CString previous = Interface_Static::CVal(name);
    if (previous == nullptr || !Interface_Static::IsPresent(name)) {
        return;
    }
    mySaved.emplace_back(name, previous);
    Interface_Static::SetCVal(name, value);
}

bool CheckReadableFile(const std::string& path)
{
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        Logger::Instance().Message(4, "Cannot open file: %s (no such file)", path.c_str());
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        Logger::Instance().Message(4, "Cannot open file: %s (not a regular file)", path.c_str());
        return false;
    }
    if (info.st_size == 0) {
        Logger::Instance().Message(4, "Cannot open file: %s (empty file)", path.c_str());
        return false;
    }
    if (::access(path.c_str(), R_OK) != 0) {
        Logger::Instance().Message(4, "Cannot open file: %s (not readable)", path.c_str());
        return false;
    }
    return true;
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
