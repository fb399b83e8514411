#include "OcctServices.h"

#include "Common/Core/Logger.h"
#include "Geometry/IO/OcctMessageCapture.h"
#include "Geometry/IO/TranslatorLock.h"

#include <BRepLib.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_Printer.hxx>
#include <Message_PrinterOStream.hxx>

#include <sstream>

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
            if (gravity == Message_Fail) {
                OcctMessageCapture::Failure(line);
            }
            Logger::Instance().Message(level, "OCCT: " + line);
        }
    }
};

thread_local OcctMessageCapture* theCapture = nullptr;

} // namespace

OcctMessageCapture::OcctMessageCapture() : myOuter(theCapture)
{
    theCapture = this;
}

OcctMessageCapture::~OcctMessageCapture()
{
    theCapture = myOuter;
}

void OcctMessageCapture::Failure(const std::string& text)
{
    if (theCapture == nullptr || !theCapture->myFirstFailure.empty()) {
        return;
    }
    // One line of words: OpenCASCADE frames its errors in asterisks and dots, spreads some over
    // several lines and puts an exception's heap address before its text.
    std::string words;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        const bool frame = word.find_first_not_of("*.") == std::string::npos;
        const bool address =
            word.size() > 2 && word.compare(0, 2, "0x") == 0 &&
            word.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string::npos;
        if (frame || address || (word == ":" && (words.empty() || words.back() == ':'))) {
            continue;
        }
        words += (words.empty() ? "" : " ") + word;
    }
    theCapture->myFirstFailure = words;
}

void InstallOcctServices()
{
    static const bool installed = [] {
        // The messenger's printers change only under the lock, as HeldOcctMessages does too.
        const TranslatorLock lock;
        const Handle(Message_Messenger)& messenger = Message::DefaultMessenger();
        messenger->RemovePrinters(STANDARD_TYPE(Message_PrinterOStream));
        messenger->AddPrinter(new LoggerPrinter());
        // BRepLib makes its shared reference plane on first use without a guard. Translators
        // (under the lock) and repairs (outside it) both use it, so it is made here, once.
        BRepLib::Plane();
        return true;
    }();
    (void)installed;
}

} // namespace orvkit
