#pragma once

#include "Annotation/PmiElement.h"
#include "Geometry/Document/AReferenceTargets.h"
#include "Interop/Kernel/PmiFrame.h"

#include <TDF_Label.hxx>
#include <XCAFDoc_DimTolTool.hxx>

#include <string>
#include <unordered_map>
#include <vector>

namespace orvkit {

class Document;
class DrawableElement;

// Turns the geometric tolerances and datums of a kernel document into PmiElements whose
// targets point at faces, edges or vertices of the parts already written, through
// ReferenceShape elements. Like ADimensionBuilder it runs after the shape pass.
class APmiBuilder {
public:
    using PartElements = AReferenceTargets::PartElements;

    // `parts` must outlive the builder.
    APmiBuilder(Document* document, const Handle(XCAFDoc_DimTolTool)& dimTolTool,
                const PartElements& parts);

    // The element of a datum label: a Datum, or a DatumTarget for one target of a datum. A
    // datum asked for again, through the same label or another with its letter (a datum met
    // through a tolerance, then in the datum list), gives the element made the first time.
    // Null when the label holds no datum.
    DrawableElement* CreateDatum(const TDF_Label& label);
    // A GeometricTolerance element with its datum reference frame; the datums it refers to are
    // made through CreateDatum. Null when the label holds no tolerance.
    DrawableElement* CreateTolerance(const TDF_Label& label);

private:
    // ReferenceShape elements for every shape the label refers to, in the kernel's order;
    // shapes outside the written parts are left out.
    std::vector<ObjectId> CreateTargets(const TDF_Label& label);
    // The frame's datums with the elements CreateDatum makes for them.
    std::vector<PmiDatumReference> FrameDatums(const std::vector<PmiFrameDatum>& frame);

    Document* myDocument;
    Handle(XCAFDoc_DimTolTool) myDimTolTool;
    AReferenceTargets myTargets;
    // Kind and label ("6A", "7A1"; a label's entry when the datum has no letter) -> element.
    std::unordered_map<std::string, ObjectId> myDatums;
};

} // namespace orvkit
