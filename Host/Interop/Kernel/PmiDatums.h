#pragma once

#include <TDF_Label.hxx>
#include <XCAFDimTolObjects_DatumObject.hxx>
#include <XCAFDoc_DimTolTool.hxx>

#include <vector>

namespace orvkit {

struct DocumentDatum {
    TDF_Label label;
    Handle(XCAFDimTolObjects_DatumObject) object;
};

// The document's named datums and datum targets, each once for its name and target number (a
// datum's number is 0), in the tool's order: what a STEP write makes of them. The kernel keeps a
// datum on each feature it is attached to; those copies are one datum of the drawing.
std::vector<DocumentDatum> DistinctDatums(const XCAFDoc_DimTolTool& tool);

} // namespace orvkit
