#include "XdeValidationProps.h"

#include "Interop/Kernel/XdeDocumentImpl.h"
#include "Interop/Kernel/XdeModelEdit.h"

#include <BRepGProp.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_MapOfShape.hxx>
#include <TopoDS.hxx>
#include <XCAFDoc_Area.hxx>
#include <XCAFDoc_Centroid.hxx>
#include <XCAFDoc_Volume.hxx>

namespace orvkit {

namespace {

// The relative accuracy the integrals are taken to. OpenCASCADE's default integration takes
// a fixed number of points per knot span: on B-spline faces of high degree its volume can be
// off by more than 1 %, and off differently for two faces that differ by a micrometre in
// their trims, which made equal shapes measure different.
const double kAccuracy = 1e-6;

// Faces read from a mesh have triangles and no surface; those are measured on the triangles
// by the fixed integration, which the adaptive one does not do.
bool AllFacesHaveSurfaces(const TopoDS_Shape& shape)
{
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
        TopLoc_Location location;
        if (BRep_Tool::Surface(TopoDS::Face(it.Current()), location).IsNull()) {
            return false;
        }
    }
    return true;
}

} // namespace

XdeValidationProps XdeValidationProps::Compute(const TopoDS_Shape& shape, bool withVolume)
{
    XdeValidationProps props;
    if (shape.IsNull() || !TopExp_Explorer(shape, TopAbs_FACE).More()) {
        return props;
    }
    const bool adaptive = AllFacesHaveSurfaces(shape);
    GProp_GProps surface;
    if (adaptive) {
        BRepGProp::SurfaceProperties(shape, surface, kAccuracy, Standard_True);
    } else {
        BRepGProp::SurfaceProperties(shape, surface, Standard_True);
    }
    props.area = surface.Mass();
    props.hasArea = true;
    props.centroid = surface.CentreOfMass();
    props.hasCentroid = props.area > 0.0;
    if (withVolume && TopExp_Explorer(shape, TopAbs_SOLID).More()) {
        GProp_GProps volume;
        if (adaptive) {
            BRepGProp::VolumeProperties(shape, volume, kAccuracy, Standard_True, Standard_True);
        } else {
            // Faces of triangles alone are measured by their triangles. Without edges to show
            // a shell closed, a shell of them counts when it says it is closed, as the shell of
            // a tessellated solid does.
            TopTools_MapOfShape seen;
            for (TopExp_Explorer it(shape, TopAbs_SHELL); it.More(); it.Next()) {
                const TopoDS_Shape& shell = it.Current();
                const bool closed = BRep_Tool::IsClosed(shell) ||
                                    (shell.Closed() && !TopExp_Explorer(shell, TopAbs_EDGE).More());
                if (closed && seen.Add(shell)) {
                    GProp_GProps part;
                    BRepGProp::VolumeProperties(shell, part, Standard_False, Standard_True,
                                                Standard_True);
                    volume.Add(part);
                }
            }
        }
        if (volume.Mass() > 0.0) {
            props.volume = volume.Mass();
            props.hasVolume = true;
            props.centroid = volume.CentreOfMass();
            props.hasCentroid = true;
        }
    }
    return props;
}

XdeValidationProps XdeValidationProps::Declared(const TDF_Label& label)
{
    XdeValidationProps props;
    Handle(XCAFDoc_Volume) volume;
    if (label.FindAttribute(XCAFDoc_Volume::GetID(), volume)) {
        props.volume = volume->Get();
        props.hasVolume = true;
    }
    Handle(XCAFDoc_Area) area;
    if (label.FindAttribute(XCAFDoc_Area::GetID(), area)) {
        props.area = area->Get();
        props.hasArea = true;
    }
    Handle(XCAFDoc_Centroid) centroid;
    if (label.FindAttribute(XCAFDoc_Centroid::GetID(), centroid)) {
        props.centroid = centroid->Get();
        props.hasCentroid = true;
    }
    return props;
}

void XdeValidationProps::StoreForParts(XdeDocumentImpl& impl)
{
    for (const TDF_Label& label : XdeModelEdit::Parts(impl)) {
        const XdeValidationProps props = Compute(XCAFDoc_ShapeTool::GetShape(label));
        if (props.hasVolume) {
            XCAFDoc_Volume::Set(label, props.volume);
        }
        if (props.hasArea) {
            XCAFDoc_Area::Set(label, props.area);
        }
        if (props.hasCentroid) {
            XCAFDoc_Centroid::Set(label, props.centroid);
        }
    }
}

} // namespace orvkit
