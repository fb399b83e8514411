#include "ShapeIO.h"

#include "Common/Core/FileUtil.h"
#include "Common/Core/Logger.h"
#include "Common/Core/PathUtil.h"
#include "Geometry/IO/CaughtFailure.h"
#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/OcctFaultScope.h"
#include "Geometry/IO/OcctServices.h"
#include "Geometry/IO/ReplacingWrite.h"
#include "Geometry/IO/ShapeExchangeManager.h"
#include "Geometry/IO/TranslatorLock.h"

#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_Printer.hxx>
#include <TCollection_AsciiString.hxx>
#include <TopoDS_Iterator.hxx>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace orvkit {

namespace {

const char* const kNoReader =
    "Cannot open file: %s (no reader takes the extension '%s'; readable: %s)";
const char* const kNoExtension = "Cannot open file: %s (the name has no extension; readable: %s)";
const char* const kReadFailed = "Cannot read file: %s (the %s reader failed: %s%s%s)";
const char* const kRepairFailed =
    "Repair after reading %s failed (%s%s%s); the shape is kept as read";
const char* const kRepairGaveNothing =
    "Repair after reading %s gave no shape; the shape is kept as read";
const char* const kNullShape = "Cannot write file: %s (there is no shape to write)";
const char* const kEmptyShape = "Cannot write file: %s (the shape is empty)";
const char* const kNoWriter =
    "Cannot write file: %s (no writer takes the extension '%s'; writable: %s)";
const char* const kNoWriterExtension =
    "Cannot write file: %s (the name has no extension; writable: %s)";

// Keeps OpenCASCADE's messages back while a reader or writer runs. A failed read or write has
// one reason, our own; the translator's complaints about the same file follow it as details,
// at warning level at most, so that none of them passes for the reason. After a read or write
// that worked they go out as they came. The messenger is process-wide, like the translators'
// parameters, so messages are only held under the TranslatorLock.
class HeldOcctMessages {
public:
    HeldOcctMessages()
        : myMessenger(Message::DefaultMessenger()), myPrinters(myMessenger->Printers()),
          myHold(new HoldPrinter())
    {
        myMessenger->ChangePrinters().Clear();
        myMessenger->AddPrinter(myHold);
    }
    ~HeldOcctMessages()
    {
        myMessenger->ChangePrinters() = myPrinters;
        for (const auto& [text, gravity] : myHold->messages) {
            const Message_Gravity sent = myFailed ? std::min(gravity, Message_Warning) : gravity;
            for (Message_SequenceOfPrinters::Iterator it(myPrinters); it.More(); it.Next()) {
                it.Value()->Send(text, sent);
            }
        }
    }
    HeldOcctMessages(const HeldOcctMessages&) = delete;
    HeldOcctMessages& operator=(const HeldOcctMessages&) = delete;

    void SetFailed(bool failed) { myFailed = failed; }

private:
    class HoldPrinter : public Message_Printer {
    public:
        mutable std::vector<std::pair<TCollection_AsciiString, Message_Gravity>> messages;

    protected:
        void send(const TCollection_AsciiString& text, const Message_Gravity gravity) const override
        {
            messages.emplace_back(text, gravity);
        }
    };

    Handle(Message_Messenger) myMessenger;
    Message_SequenceOfPrinters myPrinters;
    Handle(HoldPrinter) myHold;
    bool myFailed = false;
};

// Every pattern of the formats, ordered by format name so that the text does not change from
// run to run: "*.brep *.brp *.iges ...".
std::string JoinedPatterns(const std::unordered_map<std::string, std::string>& formats)
{
    std::vector<std::pair<std::string, std::string>> sorted(formats.begin(), formats.end());
    std::sort(sorted.begin(), sorted.end());
    std::string patterns;
    for (const auto& format : sorted) {
        patterns += (patterns.empty() ? "" : " ") + format.second;
    }
    return patterns;
}

// Every pattern the readers take.
std::string ReadablePatterns()
{
    std::unordered_map<std::string, std::string> formats;
    ShapeExchangeManager::Instance().ListReaderFormats(formats);
    return JoinedPatterns(formats);
}

// Every pattern the writers take.
std::string WritablePatterns()
{
    std::unordered_map<std::string, std::string> formats;
    ShapeExchangeManager::Instance().ListWriterFormats(formats);
    return JoinedPatterns(formats);
}

void LogReadFailure(const std::string& path, const ShapeReader& reader, const CaughtFailure& fault)
{
    const char* separator = fault.message.empty() ? "" : ": ";
    Logger::Instance().Message(4, kReadFailed, path.c_str(), reader.GetFormatName().c_str(),
                               fault.type.c_str(), separator, fault.message.c_str());
}

// Runs the reader. Faults and exceptions inside it end the read: a null shape, with the
// reason logged.
TopoDS_Shape ReadGuarded(const ShapeReader& reader, const std::string& path,
                         const ImportSettingsModel& settings)
{
    OcctFaultScope faults;
    TopoDS_Shape shape;
    const std::optional<CaughtFailure> caught =
        CaughtFailure::Guard([&] { shape = reader.Read(path, settings); });
    if (caught) {
        LogReadFailure(path, reader, *caught);
        return {};
    }
    return shape;
}

void LogRepairFailure(const std::string& path, const CaughtFailure& fault)
{
    const char* separator = fault.message.empty() ? "" : ": ";
    Logger::Instance().Message(3, kRepairFailed, path.c_str(), fault.type.c_str(), separator,
                               fault.message.c_str());
}

// Hands the shape to the post-process and returns what it gives; the shape as read when the
// post-process fails or gives nothing, since a read that succeeded should not be lost to a
// repair.
std::shared_ptr<TopoShape> Postprocess(ShapeReaderPostprocess& postprocess,
                                       const std::shared_ptr<TopoShape>& shape,
                                       ParameterDict* settings, const std::string& path)
{
    std::shared_ptr<TopoShape> processed;
    OcctFaultScope faults;
    const std::optional<CaughtFailure> caught =
        CaughtFailure::Guard([&] { processed = postprocess.Process(shape, settings); });
    if (caught) {
        LogRepairFailure(path, *caught);
        return shape;
    }
    if (!processed || processed->IsNull()) {
        Logger::Instance().Message(3, kRepairGaveNothing, path.c_str());
        return shape;
    }
    return processed;
}

// Whether the shape holds nothing but compounds: an empty compound, or compounds of them.
bool HoldsNothing(const TopoDS_Shape& shape)
{
    if (shape.ShapeType() != TopAbs_COMPOUND) {
        return false;
    }
    for (TopoDS_Iterator it(shape); it.More(); it.Next()) {
        if (!HoldsNothing(it.Value())) {
            return false;
        }
    }
    return true;
}

} // namespace

std::shared_ptr<TopoShape> ShapeIO::Open(const Path& path, ParameterDict* settings)
{
    InstallOcctServices();
    const std::string& file = path.GetString();
    if (!CheckReadableFile(file)) {
        return nullptr;
    }
    const std::string extension = PathUtil::Extension(file);
    const ShapeReader* reader = ShapeExchangeManager::Instance().FindReader(extension);
    if (reader == nullptr) {
        if (extension.empty()) {
            Logger::Instance().Message(4, kNoExtension, file.c_str(), ReadablePatterns().c_str());
        } else {
            Logger::Instance().Message(4, kNoReader, file.c_str(), extension.c_str(),
                                       ReadablePatterns().c_str());
        }
        return nullptr;
    }
    TopoDS_Shape read;
    {
        // The repair below runs without the lock, since it touches none of OpenCASCADE's
        // process-wide tables.
        const TranslatorLock lock;
        HeldOcctMessages held;
        read = ReadGuarded(*reader, file, ImportSettingsModel(settings));
        held.SetFailed(read.IsNull());
    }
    if (read.IsNull()) {
        return nullptr;
    }
    std::shared_ptr<TopoShape> shape = TopoShape::Create(read);
    // Shared, so that another thread installing a new post-process does not destroy this one
    // while it runs.
    const std::shared_ptr<ShapeReaderPostprocess> postprocess =
        ShapeExchangeManager::Instance().GetSharedPostprocess();
    if (!postprocess) {
        return shape;
    }
    return Postprocess(*postprocess, shape, settings, file);
}

bool ShapeIO::Save(const std::shared_ptr<TopoShape>& shape, const Path& path,
                   ParameterDict* settings)
{
    InstallOcctServices();
    const std::string& file = path.GetString();
    if (!shape || shape->IsNull()) {
        Logger::Instance().Message(3, kNullShape, file.c_str());
        return false;
    }
    if (HoldsNothing(shape->GetImpl())) {
        Logger::Instance().Message(3, kEmptyShape, file.c_str());
        return false;
    }
    const std::string extension = PathUtil::Extension(file);
    const ShapeWriter* writer = ShapeExchangeManager::Instance().FindWriter(extension);
    if (writer == nullptr) {
        if (extension.empty()) {
            Logger::Instance().Message(3, kNoWriterExtension, file.c_str(),
                                       WritablePatterns().c_str());
        } else {
            Logger::Instance().Message(3, kNoWriter, file.c_str(), extension.c_str(),
                                       WritablePatterns().c_str());
        }
        return false;
    }
    const TopoDS_Shape& written = shape->GetImpl();
    const std::string format = writer->GetFormatName();
    const TranslatorLock lock;
    HeldOcctMessages held;
    const bool done = WriteReplacing(file, format.c_str(),
                                     [&](const std::string& temporary, std::string& reason) {
                                         return writer->Write(written, temporary, settings, reason);
                                     });
    held.SetFailed(!done);
    return done;
}

} // namespace orvkit
