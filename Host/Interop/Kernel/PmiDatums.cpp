#include "PmiDatums.h"

#include <TDF_LabelSequence.hxx>
#include <XCAFDoc_Datum.hxx>

#include <set>
#include <string>
#include <utility>

namespace orvkit {

std::vector<DocumentDatum> DistinctDatums(const XCAFDoc_DimTolTool& tool)
{
    TDF_LabelSequence labels;
    tool.GetDatumLabels(labels);
    std::vector<DocumentDatum> datums;
    std::set<std::pair<std::string, int>> seen;
    for (const TDF_Label& label : labels) {
        Handle(XCAFDoc_Datum) attribute;
        if (!label.FindAttribute(XCAFDoc_Datum::GetID(), attribute) ||
            attribute->GetObject().IsNull() || attribute->GetObject()->GetName().IsNull()) {
            continue;
        }
        const Handle(XCAFDimTolObjects_DatumObject) datum = attribute->GetObject();
        if (seen.emplace(datum->GetName()->ToCString(), datum->GetDatumTargetNumber()).second) {
            datums.push_back({label, datum});
        }
    }
    return datums;
}

} // namespace orvkit
