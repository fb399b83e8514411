#pragma once

#include "Common/Core/ObjectId.h"
#include "Geometry/Document/AReferenceTargets.h"

#include <TDF_Label.hxx>
#include <XCAFDoc_DimTolTool.hxx>

#include <memory>

class XCAFDimTolObjects_DimensionObject;

namespace orvkit {

class AnnotationModel;
class Document;
class DrawableElement;

// Turns the dimensions of a kernel document into annotation elements whose targets point at
// faces, edges or vertices of the parts already written, through ReferenceShape elements.
// It is built from the map the shape pass returns, so it cannot run before that pass.
class ADimensionBuilder {
public:
    using PartElements = AReferenceTargets::PartElements;

    // `parts` must outlive the builder.
    ADimensionBuilder(Document* document, const Handle(XCAFDoc_DimTolTool)& dimTolTool,
                      const PartElements& parts);

    // The annotation for one dimension label: an AnnotationElement for the four kinds it has,
    // a PmiElement of kind Dimension for another semantic type; null when the label holds no
    // dimension or only presentation. The targets' ReferenceShape elements are made in either
    // case.
    DrawableElement* CreateDimension(const TDF_Label& label);

private:
    // A model whose element Create has made, with that element's id.
    struct BuiltModel {
        std::unique_ptr<AnnotationModel> model;
        ObjectId id;
    };

    // The first label of the first list, and the first of the second list, else the second
    // of the first; null labels where there are none.
    void FindTargets(const TDF_Label& label, TDF_Label& target1, TDF_Label& target2) const;
    // The model for the dimension's type; no model for a type that makes no annotation.
    BuiltModel CreateModel(const XCAFDimTolObjects_DimensionObject& object);

    Document* myDocument;
    Handle(XCAFDoc_DimTolTool) myDimTolTool;
    AReferenceTargets myTargets;
};

} // namespace orvkit
