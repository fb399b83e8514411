#include "PartFacts.h"

#include "Geometry/IO/LabelName.h"
#include "Geometry/IO/LabelProperties.h"

#include <TopExp_Explorer.hxx>
#include <XCAFDoc_ShapeTool.hxx>

namespace orvex::detail {

Properties PropertiesOf(const TDF_Label& label)
{
    Properties properties;
    for (const orvkit::LabelProperty& read : orvkit::ReadLabelProperties(label)) {
        Property& property = properties[read.name];
        property.type = static_cast<Property::Type>(read.type);
        property.text = read.text;
        property.number = read.number;
        property.unit = read.unit;
        property.boolean = read.boolean;
    }
    return properties;
}

std::optional<Material> MaterialOf(const TDF_Label& label)
{
    const std::optional<orvkit::LabelMaterial> read = orvkit::ReadLabelMaterial(label);
    if (!read) {
        return std::nullopt;
    }
    Material material{read->name, read->description, std::nullopt};
    if (read->density > 0.0) {
        material.density = read->density;
    }
    return material;
}

std::vector<Body> BodiesOf(const TDF_Label& part, const TopTools_IndexedMapOfShape& faces)
{
    std::vector<Body> bodies;
    for (const TDF_Label& sub : orvkit::BodyLabels(part)) {
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(sub);
        Body body;
        body.name = orvkit::LabelName(sub);
        body.kind = shape.ShapeType() == TopAbs_SOLID   ? "solid"
                    : shape.ShapeType() == TopAbs_SHELL ? "shell"
                                                        : "compound";
        for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
            if (const int index = faces.FindIndex(it.Current()); index > 0) {
                body.faces.push_back(index - 1);
            }
        }
        body.properties = PropertiesOf(sub);
        bodies.push_back(std::move(body));
    }
    return bodies;
}

} // namespace orvex::detail
