#include "XdeValidationProps.h"

#include "Interop/Kernel/XdeDocumentImpl.h"
#include "Interop/Kernel/XdeModelEdit.h"

#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>
#include <XCAFDoc_Area.hxx>
#include <XCAFDoc_Centroid.hxx>
#include <XCAFDoc_Volume.hxx>

namespace orvkit {

XdeValidationProps XdeValidationProps::Compute(const TopoDS_Shape& shape)
{
    XdeValidationProps props;
    if (shape.IsNull() || !TopExp_Explorer(shape, TopAbs_FACE).More()) {
        return props;
    }
    GProp_GProps surface;
    BRepGProp::SurfaceProperties(shape, surface, Standard_True);
    props.area = surface.Mass();
    props.hasArea = true;
    props.centroid = surface.CentreOfMass();
    props.hasCentroid = props.area > 0.0;
    if (TopExp_Explorer(shape, TopAbs_SOLID).More()) {
        GProp_GProps volume;
        BRepGProp::VolumeProperties(shape, volume, Standard_True, Standard_True);
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
