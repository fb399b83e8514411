#include "AExportCommand.h"

#include "Common/Core/Logger.h"
#include "Common/Core/PathUtil.h"
#include "Data/Kernel/AssemblyElement.h"
#include "Data/Kernel/DbViewBase.h"
#include "Data/Kernel/Document.h"
#include "Data/View/DialogFactory.h"
#include "Data/View/DialogUtil.h"
#include "Geometry/Builder/TransformTool.h"
#include "Geometry/IO/ShapeIO.h"
#include "Geometry/Kernel/AxisConvention.h"
#include "Geometry/Kernel/DefaultShapeCollector.h"
#include "InteropKeys.h"

#include <gp_Trsf.hxx>

#include <memory>
#include <string>
#include <vector>

using namespace orvkit;

namespace {

const char* const kOwnerDocumentIsNull = "Owner document is null!";
const char* const kViewIsNull = "DBView is null!";
const char* const kShapeIsNull = "Shape is null!";
const char* const kChildIsNull = "Child is null!";
const char* const kNoActiveAssembly = "没有找到活动的装配体。";
const char* const kExportTitle = "导出模型";
const char* const kFolderTitle = "保存文件夹";
const char* const kStepExtension = ".stp";
const int kStandardAxes = 2;

const std::vector<std::string>& ExportFilters()
{
    static const std::vector<std::string> filters{
        "STEP Files (.stp)", "*.stp", "IGES Files (igs)",   "*.igs",
        "STL Files (.stl)",  "*.stl", "BREP Files (.brep)", "*.brep"};
    return filters;
}

// What the element draws, placed as the viewer shows it; null when it draws nothing.
std::shared_ptr<TopoShape> CollectFrom(const DrawableElement& element)
{
    DefaultShapeCollector collector(LevelOfDetailExact);
    element.CollectShape(collector);
    return collector.GetShape();
}

} // namespace

ExportModelCommand::ExportModelCommand()
{
    SetName(InteropKeys::ExportModelCommand);
}

ExportModelCommand::~ExportModelCommand() = default;

gp_Ax3 ExportModelCommand::MakeAxisSystem(int code) const
{
    return AxisConvention::GetSystem(code);
}

bool ExportModelCommand::Run(CommandContext* context)
{
    Document* document = context != nullptr ? context->GetDocument() : nullptr;
    if (document == nullptr) {
        ORVKIT_LOG_ERROR(kOwnerDocumentIsNull);
        return false;
    }
    std::string defaultName = PathUtil::GetFileNameWithoutExt(document->GetName()) + kStepExtension;
    DefaultShapeCollector collector(LevelOfDetailExact);
    const std::vector<PickedId>& selection = document->GetSelection();
    if (!selection.empty()) {
        // A selection that names no drawable element collects nothing: "Shape is null!" below.
        const auto* element =
            dynamic_cast<const DrawableElement*>(document->FindElement(selection.front(), true));
        if (element != nullptr) {
            element->CollectShape(collector);
            defaultName = element->GetName() + kStepExtension;
        }
    } else {
        const auto* view = document->FindElementAs<DbViewBase>(document->GetActiveDbViewId());
        if (view == nullptr) {
            ORVKIT_LOG_ERROR(kViewIsNull);
            return false;
        }
        view->CollectShape(collector);
    }
    std::shared_ptr<TopoShape> shape = collector.GetShape();
    if (!shape) {
        ORVKIT_LOG_ERROR(kShapeIsNull);
        return false;
    }
    const Path path = DialogUtil::SaveFileDialog(kExportTitle, defaultName, ExportFilters());
    if (!path) {
        return false;
    }
    ParameterDict axes;
    axes.Add(InteropKeys::ModelAxisSource, ParameterCreator::Create(kStandardAxes));
    axes.Add(InteropKeys::ModelAxisTarget, ParameterCreator::Create(kStandardAxes));
    // A cancelled dialog leaves the codes as they stand.
    DialogFactory::Instance().Show(InteropKeys::ExportModelDialog, document, &axes);
    const int source = ParameterCast::Cast(axes.Find(InteropKeys::ModelAxisSource), 0);
    const int target = ParameterCast::Cast(axes.Find(InteropKeys::ModelAxisTarget), 0);
    if (source != target) {
        gp_Trsf transform;
        transform.SetTransformation(MakeAxisSystem(target), MakeAxisSystem(source));
        shape = TransformTool::Transform(shape, transform, false);
    }
    return ShapeIO::Save(shape, path, nullptr);
}

ExportAssemblyChildrenCommand::ExportAssemblyChildrenCommand()
{
    SetName(InteropKeys::ExportAssemblyChildrenCommand);
}

ExportAssemblyChildrenCommand::~ExportAssemblyChildrenCommand() = default;

bool ExportAssemblyChildrenCommand::Run(CommandContext* context)
{
    Document* document = context != nullptr ? context->GetDocument() : nullptr;
    if (document == nullptr) {
        ORVKIT_LOG_ERROR(kOwnerDocumentIsNull);
        return false;
    }
    const auto* assembly = dynamic_cast<const AssemblyElement*>(GetSelection(context, true));
    if (assembly == nullptr) {
        assembly = document->FindElementAs<AssemblyElement>(document->GetActiveAssemblyId());
    }
    if (assembly == nullptr) {
        Logger::Instance().Report(kNoActiveAssembly);
        Logger::Instance().Location(__LINE__, __FILE__);
        return false;
    }
    const Path folder = DialogUtil::OpenFolderDialog(kFolderTitle);
    if (folder.IsEmpty()) {
        return false;
    }
    for (ObjectId childId : assembly->GetChildren()) {
        const auto* child = document->FindElementAs<DrawableElement>(childId);
        if (child == nullptr) {
            ORVKIT_LOG_ERROR(kChildIsNull);
            continue;
        }
        const std::shared_ptr<TopoShape> shape = CollectFrom(*child);
        if (!shape) {
            ORVKIT_LOG_ERROR(kShapeIsNull);
            continue;
        }
        // A child that cannot be written is logged by the writer and does not stop the others.
        ShapeIO::Save(shape, folder + (child->GetName() + kStepExtension), nullptr);
    }
    return true;
}
