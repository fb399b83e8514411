#include "IgesEntityNames.h"

#include "Geometry/IO/LabelName.h"
#include "Interop/Kernel/XdeBodyLabels.h"

#include <IGESBasic_Group.hxx>
#include <IGESData_IGESEntity.hxx>
#include <IGESData_IGESModel.hxx>
#include <IGESData_NameEntity.hxx>
#include <IGESSolid_ManifoldSolid.hxx>
#include <IGESSolid_Shell.hxx>
#include <TDataStd_Name.hxx>
#include <TopoDS_Iterator.hxx>
#include <TransferBRep.hxx>
#include <Transfer_TransientProcess.hxx>
#include <XSControl_TransferReader.hxx>
#include <XSControl_WorkSession.hxx>

#include <string>
#include <vector>

namespace orvkit {

namespace {

// UTF-8 of an IGES string, whose bytes OCCT's reader takes as Latin-1; blanks around it
// dropped, as the fixed-width label field pads it. Empty for none: a damaged Name property
// has no value.
std::string Utf8(const Handle(TCollection_HAsciiString)& text)
{
    if (text.IsNull()) {
        return {};
    }
    TCollection_AsciiString trimmed = text->String();
    trimmed.LeftAdjust();
    trimmed.RightAdjust();
    return TCollection_AsciiString(TCollection_ExtendedString(trimmed)).ToCString();
}

bool HasNameProperty(const IGESData_IGESEntity& entity)
{
    return entity.NbTypedProperties(STANDARD_TYPE(IGESData_NameEntity)) > 0;
}

// The name the file gives the entity: its Name property, else its label, with the subscript
// when it is not 0. Empty for none.
std::string EntityName(const IGESData_IGESEntity& entity)
{
    if (HasNameProperty(entity)) {
        return Utf8(entity.NameValue());
    }
    if (!entity.HasShortLabel()) {
        return {};
    }
    // OCCT's own joining keeps the blanks the field pads a label with: "BRACKET (3)".
    const std::string label = Utf8(entity.ShortLabel());
    const int subscript = entity.SubScriptNumber();
    return subscript > 0 ? label + "(" + std::to_string(subscript) + ")" : label;
}

// A group whose members all became faces or shells: a body written as a group of trimmed
// surfaces. A group of solids or of groups is a part of several bodies, or an assembly.
bool IsBodyGroup(const TopoDS_Shape& shape)
{
    if (shape.ShapeType() != TopAbs_COMPOUND) {
        return false;
    }
    bool any = false;
    for (TopoDS_Iterator it(shape); it.More(); it.Next()) {
        if (it.Value().ShapeType() < TopAbs_SHELL || it.Value().ShapeType() > TopAbs_FACE) {
            return false;
        }
        any = true;
    }
    return any;
}

bool IsBody(const IGESData_IGESEntity& entity, const TopoDS_Shape& shape)
{
    if (entity.IsKind(STANDARD_TYPE(IGESSolid_ManifoldSolid)) ||
        entity.IsKind(STANDARD_TYPE(IGESSolid_Shell))) {
        return true;
    }
    return entity.IsKind(STANDARD_TYPE(IGESBasic_Group)) && IsBodyGroup(shape);
}

// Renames the part or instance label OCCT named "LABEL(0)" after the entity; false when OCCT
// gave the name to no label.
bool DropZeroSubscript(const XdeDocumentImpl& impl, const IGESData_IGESEntity& entity,
                       const TopoDS_Shape& shape, const std::string& name)
{
    TDF_Label label;
    // As OCCT's reader looks for it, so that no label is made here.
    if (!impl.shapeTool->SearchUsingMap(shape, label, Standard_False, Standard_False) ||
        LabelName(label) != Utf8(entity.NameValue())) {
        return false;
    }
    TDataStd_Name::Set(label, TCollection_ExtendedString(name.c_str(), Standard_True));
    return true;
}

} // namespace

int ReadIgesEntityNames(const IGESCAFControl_Reader& reader, XdeDocumentImpl& impl)
{
    const Handle(Transfer_TransientProcess) process =
        reader.WS()->TransferReader()->TransientProcess();
    if (process.IsNull() || process->Model().IsNull()) {
        return 0;
    }
    const Handle(Interface_InterfaceModel) model = process->Model();
    std::vector<NamedBody> bodies;
    int renamed = 0;
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const auto* entity = dynamic_cast<const IGESData_IGESEntity*>(model->Value(i).get());
        // Most entities of a file are curves and surfaces without a name: skipped first.
        if (entity == nullptr || (!entity->HasShortLabel() && !HasNameProperty(*entity))) {
            continue;
        }
        const Handle(Transfer_Binder) binder = process->Find(model->Value(i));
        const TopoDS_Shape shape =
            binder.IsNull() ? TopoDS_Shape() : TransferBRep::ShapeResult(process, binder);
        const std::string name = EntityName(*entity);
        if (shape.IsNull() || name.empty()) {
            continue;
        }
        if (IsBody(*entity, shape)) {
            bodies.push_back({name, shape});
        }
        if (!HasNameProperty(*entity) && entity->HasSubScriptNumber() &&
            entity->SubScriptNumber() == 0 && DropZeroSubscript(impl, *entity, shape, name)) {
            ++renamed;
        }
    }
    return renamed + LabelNamedBodies(impl, bodies);
}

} // namespace orvkit
