#include "StepReadFixes.h"

#include <NCollection_DataMap.hxx>
#include <Quantity_ColorRGBA.hxx>
#include <STEPConstruct_UnitContext.hxx>
#include <StepGeom_GeomRepContextAndGlobUnitAssCtxAndGlobUncertaintyAssCtx.hxx>
#include <StepRepr_GlobalUncertaintyAssignedContext.hxx>
#include <StepRepr_GlobalUnitAssignedContext.hxx>
#include <TDF_LabelMap.hxx>
#include <TDF_LabelSequence.hxx>
#include <TopTools_ShapeMapHasher.hxx>
#include <TopoDS_Iterator.hxx>
#include <XCAFDimTolObjects_DatumObject.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_Datum.hxx>
#include <XCAFDoc_DimTolTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <algorithm>
#include <map>
#include <vector>

namespace orvkit {

namespace {

// The part's direct members' own labels, or none when a member is not a body (a solid or a
// shell) or has no label of its own.
std::vector<TDF_Label> BodyLabels(const TDF_Label& part, const TopoDS_Shape& shape)
{
    TDF_LabelSequence subLabels;
    XCAFDoc_ShapeTool::GetSubShapes(part, subLabels);
    NCollection_DataMap<TopoDS_Shape, TDF_Label, TopTools_ShapeMapHasher> labelOf;
    for (const TDF_Label& sub : subLabels) {
        const TopoDS_Shape subShape = XCAFDoc_ShapeTool::GetShape(sub);
        if (!subShape.IsNull() && !labelOf.IsBound(subShape)) {
            labelOf.Bind(subShape, sub);
        }
    }
    std::vector<TDF_Label> bodies;
    for (TopoDS_Iterator it(shape); it.More(); it.Next()) {
        // Faces, edges and points lying loose in the compound are a part's own sub-shapes,
        // whose colours are theirs; only a solid or a shell is written as a body of its own.
        const TopAbs_ShapeEnum type = it.Value().ShapeType();
        const TDF_Label* label = labelOf.Seek(it.Value());
        if ((type != TopAbs_SOLID && type != TopAbs_SHELL && type != TopAbs_COMPSOLID) ||
            label == nullptr) {
            return {};
        }
        bodies.push_back(*label);
    }
    return bodies;
}

// Whether `sequence` begins with all of `start`.
bool IsPrefix(const XCAFDimTolObjects_DatumModifiersSequence& start,
              const XCAFDimTolObjects_DatumModifiersSequence& sequence)
{
    if (start.Length() > sequence.Length()) {
        return false;
    }
    for (int i = 1; i <= start.Length(); ++i) {
        if (start.Value(i) != sequence.Value(i)) {
            return false;
        }
    }
    return true;
}

} // namespace

void StepReadFixes::LiftBodyColours(XdeDocumentImpl& impl)
{
    if (impl.shapeTool.IsNull() || impl.colorTool.IsNull()) {
        return;
    }
    TDF_LabelSequence labels;
    impl.shapeTool->GetShapes(labels);
    for (const TDF_Label& part : labels) {
        if (XCAFDoc_ShapeTool::IsAssembly(part) || !XCAFDoc_ShapeTool::IsSimpleShape(part)) {
            continue;
        }
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(part);
        if (shape.IsNull() || shape.ShapeType() != TopAbs_COMPOUND || shape.NbChildren() < 2) {
            continue;
        }
        const std::vector<TDF_Label> bodies = BodyLabels(part, shape);
        if (bodies.empty()) {
            continue;
        }
        for (const XCAFDoc_ColorType type :
             {XCAFDoc_ColorGen, XCAFDoc_ColorSurf, XCAFDoc_ColorCurv}) {
            Quantity_ColorRGBA colour;
            if (impl.colorTool->GetColor(part, type, colour) ||
                !impl.colorTool->GetColor(bodies.front(), type, colour)) {
                continue;
            }
            bool same = true;
            for (const TDF_Label& body : bodies) {
                Quantity_ColorRGBA other;
                same = same && impl.colorTool->GetColor(body, type, other) && other == colour;
            }
            if (!same) {
                continue;
            }
            impl.colorTool->SetColor(part, colour, type);
            for (const TDF_Label& body : bodies) {
                impl.colorTool->UnSetColor(body, type);
            }
        }
    }
}

void StepReadFixes::SeparateCommonDatumModifiers(XdeDocumentImpl& impl)
{
    if (impl.dimTolTool.IsNull()) {
        return;
    }
    TDF_LabelSequence tolerances;
    impl.dimTolTool->GetGeomToleranceLabels(tolerances);
    TDF_LabelMap separated;
    for (const TDF_Label& tolerance : tolerances) {
        TDF_LabelSequence datums;
        impl.dimTolTool->GetDatumWithObjectOfTolerLabels(tolerance, datums);
        // The modifiers the previous datum at each place of the frame was read with.
        std::map<int, XCAFDimTolObjects_DatumModifiersSequence> previous;
        for (const TDF_Label& label : datums) {
            Handle(XCAFDoc_Datum) attribute;
            if (!label.FindAttribute(XCAFDoc_Datum::GetID(), attribute) ||
                attribute->GetObject().IsNull() || !separated.Add(label)) {
                continue;
            }
            const Handle(XCAFDimTolObjects_DatumObject) datum = attribute->GetObject();
            const XCAFDimTolObjects_DatumModifiersSequence read = datum->GetModifiers();
            const auto before = previous.find(datum->GetPosition());
            if (before != previous.end() && IsPrefix(before->second, read)) {
                XCAFDimTolObjects_DatumModifiersSequence own;
                for (int i = before->second.Length() + 1; i <= read.Length(); ++i) {
                    own.Append(read.Value(i));
                }
                datum->SetModifiers(own);
                attribute->SetObject(datum);
            }
            previous[datum->GetPosition()] = read;
        }
    }
}

double StepReadFixes::DeclaredPrecision(const Handle(StepData_StepModel)& model)
{
    double greatest = 0.0;
    if (model.IsNull()) {
        return greatest;
    }
    for (Standard_Integer i = 1; i <= model->NbEntities(); ++i) {
        const auto context =
            Handle(StepGeom_GeomRepContextAndGlobUnitAssCtxAndGlobUncertaintyAssCtx)::DownCast(
                model->Value(i));
        if (context.IsNull()) {
            continue;
        }
        // The decoding checks for missing contexts, lists and units itself.
        STEPConstruct_UnitContext units;
        if (units.ComputeFactors(context->GlobalUnitAssignedContext()) != 0 ||
            units.ComputeTolerance(context->GlobalUncertaintyAssignedContext()) != 0 ||
            !units.HasUncertainty()) {
            continue;
        }
        greatest = std::max(greatest, units.Uncertainty() * units.LengthFactor());
    }
    return greatest;
}

} // namespace orvkit
