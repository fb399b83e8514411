#include "AImportCommand.h"

#include "Common/Core/Logger.h"
#include "Common/Core/PathUtil.h"
#include "Common/Core/StringUtil.h"
#include "Common/Core/SystemUnits.h"
#include "Data/App/DocumentManager.h"
#include "Data/Kernel/CategoryNames.h"
#include "Data/Kernel/DbViewBase.h"
#include "Data/Kernel/Document.h"
#include "Data/Kernel/ExternalDocument.h"
#include "Data/Kernel/GroupElement.h"
#include "Data/Kernel/ShapeElement.h"
#include "Data/Kernel/UndoTransaction.h"
#include "Data/Kernel/WireElement.h"
#include "Data/View/DialogFactory.h"
#include "Data/View/DialogUtil.h"
#include "Geometry/Document/AElementBuilder.h"
#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/ShapeExchangeManager.h"
#include "Geometry/IO/ShapeIO.h"
#include "Geometry/Kernel/TopoExplor.h"
#include "InteropKeys.h"
#include "Xde2Doc.h"

#include <fmt/format.h>

#include <set>
#include <unordered_map>
#include <vector>

using namespace orvkit;

namespace {

const char* const kDocumentIsNull = "Document is null!";
const char* const kOpenModelTitle = "打开模型";
const char* const kOpenFailed = "打开失败";
const char* const kOpeningFile = "打开文件: {}";
const char* const kSettingsDialog = "ImportSettingsDlg";
const char* const kSettingsCancelled = "Cannot open file: %s (the import settings were cancelled)";
const char* const kDefaultDocType = "ORVX";
const float kZoomFactor = 1.2f;

// The file types of the XDE route.
const std::vector<std::string>& CadFilters()
{
    static const std::vector<std::string> filters{"CAD Files (.igs .iges .stp .step)",
                                                  "*.igs *.iges *.stp *.step", "All Files", "*"};
    return filters;
}

// Whether the context's document shows a 3D view; logs a missing document when asked to.
bool HasActive3DView(CommandContext* context, bool logMissingDocument)
{
    Document* document = context != nullptr ? context->GetDocument() : nullptr;
    if (document == nullptr) {
        if (logMissingDocument) {
            ORVKIT_LOG_ERROR(kDocumentIsNull);
        }
        return false;
    }
    const auto* view = document->FindElementAs<DbViewBase>(document->GetActiveDbViewId());
    return view != nullptr && view->GetViewType() == DbViewType3D;
}

// The document of the context, or null with the error logged.
Document* RequireDocument(CommandContext* context)
{
    Document* document = context != nullptr ? context->GetDocument() : nullptr;
    if (document == nullptr) {
        ORVKIT_LOG_ERROR(kDocumentIsNull);
    }
    return document;
}

// The context's document, after a STEP or IGES file picked in the open-file dialog has been
// loaded into `converter`; `path` is the file. Null when there is no document (logged), when
// the dialog was cancelled or when the file cannot be loaded.
Document* ChooseAndLoad(CommandContext* context, Xde2Doc& converter, Path& path)
{
    Document* document = RequireDocument(context);
    if (document == nullptr) {
        return nullptr;
    }
    path = DialogUtil::OpenFileDialog(kOpenModelTitle, CadFilters());
    if (!path || !converter.Load(path)) {
        return nullptr;
    }
    return document;
}

void ZoomToExtent(CommandContext* context)
{
    if (Viewer* viewer = context->GetViewer()) {
        viewer->ZoomToExtend(kZoomFactor);
    }
}

// The reader formats as the open-file dialog takes them, with "All Files" last. Asterisks
// are blanked out of the descriptions so that they read as extensions, not patterns.
std::vector<std::string> ReaderFilters()
{
    std::unordered_map<std::string, std::string> formats;
    ShapeExchangeManager::Instance().ListReaderFormats(formats);
    std::vector<std::string> filters;
    filters.reserve(formats.size() * 2 + 2);
    for (const auto& [name, patterns] : formats) {
        filters.push_back(name + "(" + StringUtil::Replace(patterns, "*", " ") + ")");
        filters.push_back(patterns);
    }
    filters.emplace_back("All Files");
    filters.emplace_back("*");
    return filters;
}

// The settings of a read that a batch run may give as its parameters: the repairs.
const char* const kRepairKeys[] = {
    ImportSettingsModel::FixEdgesKey, ImportSettingsModel::EdgeLengthKey,
    ImportSettingsModel::FixSolidKey, ImportSettingsModel::MakeSolidTolKey};

// Reads the file through the generic shape reader with the application's length unit. An
// interactive read first shows its settings in their dialog when they ask for it, as they do
// unless the user turned it off; a cancel ends the read. A batch read shows nothing and takes
// the repairs its parameters give.
std::shared_ptr<TopoShape> ReadShape(const Path& path, CommandContext* context, bool batch)
{
    ParameterDict settings;
    ImportSettingsModel model(&settings);
    model.SetModelUnit(SystemUnits::Instance().GetSystemLengthUnit());
    if (batch) {
        model.SetShowDialogFlag(false);
        if (const ParameterDict* parameters = context->GetParameters()) {
            for (const char* key : kRepairKeys) {
                if (const ParameterValue* value = parameters->Find(key)) {
                    settings.Add(key, value->Clone());
                }
            }
        }
    } else if (model.GetShowDialogFlag()) {
        // The dialog shows every setting, so it is given them all.
        model.SpellOut();
        if (!DialogFactory::Instance().Show(kSettingsDialog, context->GetDocument(), &settings)) {
            Logger::Instance().Message(4, kSettingsCancelled, path.GetString().c_str());
            return nullptr;
        }
    }
    return ShapeIO::Open(path, &settings);
}

// A group holding one element per sub-shape, named "file:1", "file:2", ...
void CreateImportGroup(Document* document, const std::vector<std::shared_ptr<TopoShape>>& subShapes,
                       const std::string& name)
{
    auto* group = static_cast<GroupElement*>(
        document->NewElement(std::make_unique<GroupElement>(), ObjectId::NewId()));
    std::set<ObjectId> children;
    for (size_t i = 0; i < subShapes.size(); ++i) {
        Element* child = CreateImportElement(
            document, subShapes[i], name + ":" + std::to_string(i + 1), ObjectId::InvalidId);
        children.insert(child->GetId());
        child->SetParentId(group->GetId());
    }
    AElementBuilder::MarkImported(*group, name, false);
    group->SetChildren(children);
}

} // namespace

Element* CreateImportElement(Document* document, const std::shared_ptr<TopoShape>& shape,
                             const std::string& name, ObjectId id)
{
    const EnumTopoShapeType type = shape->GetShapeType();
    const bool curve = type == TopoShapeWire || type == TopoShapeEdge;
    std::unique_ptr<EntityElement> made;
    if (curve) {
        made = std::make_unique<WireElement>();
    } else {
        made = std::make_unique<ShapeElement>();
    }
    auto* element = static_cast<EntityElement*>(document->NewElement(std::move(made), id));
    if (element == nullptr) {
        ORVKIT_LOG_ERROR(fmt::format("An element with the id {} already exists", id.GetValue()));
        return nullptr;
    }
    element->SetName(name);
    if (curve) {
        static_cast<CurveElement*>(element)->SetShape(shape);
    } else {
        static_cast<ShapeElement*>(element)->SetShape(shape);
    }
    AElementBuilder::MarkImported(*element, name, false);
    return element;
}

ImportCommand::ImportCommand()
{
    SetName(InteropKeys::ImportCommand);
    SetCode(16);
    SetPath("/Shape/Import");
}

ImportCommand::~ImportCommand() = default;

void ImportCommand::QueryParamsSchema(CommandContext* context) const
{
    context->GetParameters()->Add(InteropKeys::FilePath, ParameterCreator::Create(""));
}

bool ImportCommand::IsVisible(CommandContext* context) const
{
    return Command::IsVisible(context) && HasActive3DView(context, true);
}

bool ImportCommand::Run(CommandContext* context)
{
    Document* document = RequireDocument(context);
    if (document == nullptr) {
        return false;
    }
    const Path path = DialogUtil::OpenFileDialog(kOpenModelTitle, ReaderFilters());
    if (!path) {
        return false;
    }
    const std::shared_ptr<TopoShape> shape = ReadShape(path, context, false);
    if (!shape) {
        DialogUtil::NotifyMessageU(kOpenFailed, path.GetString());
        return false;
    }
    const std::string name = PathUtil::GetFileName(path.GetString());
    UndoTransaction transaction(document);
    transaction.Start(GetName());
    const EnumTopoShapeType type = shape->GetShapeType();
    std::vector<std::shared_ptr<TopoShape>> subShapes;
    if (type == TopoShapeCompound || type == TopoShapeCompSolid) {
        subShapes = TopoExplor::GetSubShapes(shape);
    }
    if (subShapes.size() >= 2) {
        CreateImportGroup(document, subShapes, name);
    } else {
        // A compound of one shape or none stays whole.
        Element* element = CreateImportElement(document, shape, name, ObjectId::InvalidId);
        element->SetPartId(document->GetActivePartId());
    }
    transaction.Commit(TransactionActionRecord);
    ZoomToExtent(context);
    return true;
}

bool ImportCommand::BatchRun(CommandContext* context)
{
    Document* document = context->GetDocument();
    const ObjectId objectId = context->GetObjectId();
    ParameterDict* parameters = context->GetParameters();
    const std::string path =
        ParameterCast::Cast(parameters->Find(InteropKeys::FilePath), std::string(""));
    Logger::Instance().Message(2, fmt::format(kOpeningFile, path));
    const std::shared_ptr<TopoShape> shape = ReadShape(path, context, true);
    if (!shape) {
        ORVKIT_LOG_ERROR_AT(4, kOpenFailed);
        return false;
    }
    UndoTransaction transaction(document);
    transaction.Start(GetName());
    const Element* element =
        CreateImportElement(document, shape, PathUtil::GetFileName(path), objectId);
    transaction.Commit(TransactionActionRecord);
    return element != nullptr;
}

AdvImportCommand::AdvImportCommand()
{
    SetName(InteropKeys::AdvImportCommand);
}

AdvImportCommand::~AdvImportCommand() = default;

bool AdvImportCommand::IsVisible(CommandContext* context) const
{
    return Command::IsVisible(context) && HasActive3DView(context, true);
}

bool AdvImportCommand::Run(CommandContext* context)
{
    const ParameterDict* parameters = context != nullptr ? context->GetParameters() : nullptr;
    Xde2Doc converter;
    converter.SetCreateAssembly(
        parameters != nullptr &&
        ParameterCast::Cast(parameters->Find(InteropKeys::CreateAssembly), false));
    Path path;
    Document* document = ChooseAndLoad(context, converter, path);
    if (document == nullptr) {
        return false;
    }
    UndoTransaction transaction(document);
    transaction.Start(GetName());
    converter.Transfer(document);
    transaction.Commit(TransactionActionRecord);
    ZoomToExtent(context);
    return true;
}

ImportAsPartCommand::ImportAsPartCommand()
{
    SetName(InteropKeys::ImportAsPartCommand);
}

ImportAsPartCommand::~ImportAsPartCommand() = default;

bool ImportAsPartCommand::IsVisible(CommandContext* context) const
{
    return Command::IsVisible(context) && HasActive3DView(context, false);
}

bool ImportAsPartCommand::Run(CommandContext* context)
{
    Xde2Doc converter;
    Path path;
    Document* document = ChooseAndLoad(context, converter, path);
    if (document == nullptr) {
        return false;
    }
    std::string docType = kDefaultDocType;
    if (const ParameterDict* parameters = context->GetParameters()) {
        docType = parameters->GetString(InteropKeys::DocType, docType);
    }
    std::string name = PathUtil::GetFileName(path.GetString());
    if (document->GetTextEncoding() == TextEncodingLocal) {
        name = StringUtil::UTF82AStr(name);
    }
    const std::shared_ptr<Document> subDocument =
        DocumentManager::Instance().CreateDocument(name, docType);
    {
        UndoTransaction transaction(subDocument.get());
        transaction.Start(GetName());
        converter.Transfer(subDocument.get());
        transaction.Commit(TransactionActionRecord);
    }
    UndoTransaction transaction(document);
    transaction.Start(GetName());
    ExternalDocument* external = ExternalDocument::Create(document);
    external->SetName(name);
    external->SetDocumentId(name);
    external->SetSubDocument(subDocument);
    external->SetCategory(CategoryNames::SubDocument());
    transaction.Commit(TransactionActionRecord);
    ZoomToExtent(context);
    return true;
}
