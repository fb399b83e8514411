#include "OcctServices.h"

#include "Common/Core/Logger.h"
#include "Geometry/IO/TranslatorLock.h"

#include <BRepLib.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_Printer.hxx>
#include <Message_PrinterOStream.hxx>
#include <OSD.hxx>

#include <csignal>

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

} // namespace

void InstallOcctServices()
{
    static const bool installed = [] {
        // The messenger's printers change only under the lock, as HeldOcctMessages does too.
        const TranslatorLock lock;
        const Handle(Message_Messenger)& messenger = Message::DefaultMessenger();
        messenger->RemovePrinters(STANDARD_TYPE(Message_PrinterOStream));
        messenger->AddPrinter(new LoggerPrinter());
        // Floating-point traps stay off: the translators compute with infinities on purpose.
        OSD::SetSignal(OSD_SignalMode_Set, Standard_False);
        // Only faults are ours to convert; an interrupt still ends the process as usual.
        for (int interrupt : {SIGINT, SIGHUP, SIGQUIT, SIGTERM}) {
            std::signal(interrupt, SIG_DFL);
        }
        // BRepLib makes its shared reference plane on first use without a guard. Translators
        // (under the lock) and repairs (outside it) both use it, so it is made here, once.
        BRepLib::Plane();
        return true;
    }();
    (void)installed;
}

} // namespace orvkit
