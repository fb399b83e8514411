#include "StepTessellatedParts.h"

#include "Geometry/IO/StepFileParse.h"
#include "Interop/Kernel/KernelSupport.h"

#include <StepBasic_Product.hxx>
#include <StepBasic_ProductDefinition.hxx>
#include <StepBasic_ProductDefinitionFormation.hxx>
#include <StepData_UndefinedEntity.hxx>
#include <StepRepr_PropertyDefinition.hxx>
#include <StepShape_ShapeDefinitionRepresentation.hxx>

#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_set>
#include <utility>

namespace orvkit {

namespace {

// The tessellated items that are shapes: solids, shells, faces, edges and points. Tessellated
// curve and geometric sets, which OCCT knows, draw annotations; coordinate lists hold points of
// any of them, and of saved views.
const char* const kGeometryTypes[] = {
    "TESSELLATED_SOLID",
    "TESSELLATED_SHELL",
    "TESSELLATED_WIRE",
    "TESSELLATED_FACE",
    "TRIANGULATED_FACE",
    "COMPLEX_TRIANGULATED_FACE",
    "CUBIC_BEZIER_TRIANGULATED_FACE",
    "TRIANGULATED_SURFACE_SET",
    "COMPLEX_TRIANGULATED_SURFACE_SET",
    "TESSELLATED_EDGE",
    "TESSELLATED_CONNECTING_EDGE",
    "CUBIC_BEZIER_TESSELLATED_EDGE",
    "TESSELLATED_VERTEX",
    "TESSELLATED_POINT_SET",
};

// The representation type and its subtypes (..._WITH_ACCURACY_PARAMETERS).
const char* const kTessellatedRepresentationType = "TESSELLATED_SHAPE_REPRESENTATION";
// Shape representations of other types end so; OCCT 7.7 and later list tessellated items
// straight among their items.
const char* const kShapeRepresentation = "SHAPE_REPRESENTATION";

bool IsGeometryType(const char* type)
{
    for (const char* geometry : kGeometryTypes) {
        if (type != nullptr && std::strcmp(type, geometry) == 0) {
            return true;
        }
    }
    return false;
}

bool IsRepresentationType(const char* type)
{
    if (type == nullptr) {
        return false;
    }
    const size_t length = std::strlen(type);
    const size_t suffix = std::strlen(kShapeRepresentation);
    return std::strncmp(type, kTessellatedRepresentationType,
                        std::strlen(kTessellatedRepresentationType)) == 0 ||
           (length >= suffix && std::strcmp(type + length - suffix, kShapeRepresentation) == 0 &&
            std::strcmp(type, "CONTEXT_DEPENDENT_SHAPE_REPRESENTATION") != 0);
}

// Whether OCCT kept `entity` as an undefined entity of a tessellated shape type.
bool IsTessellatedGeometry(const Handle(Standard_Transient)& entity)
{
    for (Handle(StepData_UndefinedEntity) part = Handle(StepData_UndefinedEntity)::DownCast(entity);
         !part.IsNull(); part = part->IsComplex() ? part->Next() : nullptr) {
        if (IsGeometryType(part->StepType())) {
            return true;
        }
    }
    return false;
}

// The entity number of a reference parameter ("#12"); 0 for any other parameter.
int ReferenceOf(const StepFileParse::Param& param)
{
    return param.kind == Interface_ParamIdent && param.text[0] == '#' ? std::atoi(param.text + 1)
                                                                      : 0;
}

// What one pass over the records finds.
struct FileLinks {
    std::unordered_set<int> geometry; // tessellated shape items
    // Shape representations, tessellated or not, with every entity they refer to.
    std::vector<std::pair<int, std::vector<int>>> representations;
    std::vector<std::pair<int, int>> definitions;   // shape definition, its representation
    std::vector<std::pair<int, int>> relationships; // the two representations of a plain one

    void Read(const StepFileParse& parse);
};

void FileLinks::Read(const StepFileParse& parse)
{
    int skipped = parse.GetHeaderCount();
    for (const StepFileParse::Chunk& chunk : parse.GetChunks()) {
        // The entity being read: its number, its references so far (its sub-lists, "$1" and
        // on, come before it, and the parts of a complex one follow it as "#0"), and whether
        // one of its types is a shape representation.
        int entity = 0;
        std::vector<int> references;
        std::vector<int> pending; // of the sub-lists read since the last entity record
        bool isRepresentation = false;
        const auto finish = [&] {
            if (isRepresentation) {
                representations.emplace_back(entity, std::move(references));
            }
            references.clear();
            isRepresentation = false;
        };
        for (const StepFileParse::Record& record : chunk.records) {
            if (skipped > 0) {
                --skipped;
                continue;
            }
            const StepFileParse::Param* params = chunk.params.data() + record.firstParam;
            const bool isEntity = record.ident[0] == '#';
            std::vector<int>& into = isEntity ? references : pending;
            const int number = isEntity ? std::atoi(record.ident + 1) : 0;
            if (number != 0) {
                finish();
                entity = number;
            }
            for (std::uint32_t i = 0; i < record.paramCount; ++i) {
                if (const int reference = ReferenceOf(params[i]); reference != 0) {
                    into.push_back(reference);
                }
            }
            if (!isEntity) {
                continue;
            }
            references.insert(references.end(), pending.begin(), pending.end());
            pending.clear();
            isRepresentation = isRepresentation || IsRepresentationType(record.type);
            if (IsGeometryType(record.type)) {
                geometry.insert(entity);
            }
            if (number != 0 && record.paramCount == 2 &&
                std::strcmp(record.type, "SHAPE_DEFINITION_REPRESENTATION") == 0) {
                definitions.emplace_back(number, ReferenceOf(params[1]));
            } else if (number != 0 && record.paramCount == 4 &&
                       std::strcmp(record.type, "SHAPE_REPRESENTATION_RELATIONSHIP") == 0) {
                relationships.emplace_back(ReferenceOf(params[2]), ReferenceOf(params[3]));
            }
        }
        finish();
    }
}

// The shape definitions of the file whose representation is a tessellated shape representation
// that holds tessellated shapes (others hold annotations or saved views) or a shape
// representation of another type that lists some among its items, or one tied to such a
// representation by a plain shape representation relationship; by entity number. A
// relationship with a placement is an assembly's and is not followed: it would make the
// assembly a tessellated part.
std::unordered_set<int> TessellatedDefinitions(const StepFileParse& parse)
{
    FileLinks links;
    links.Read(parse);
    std::unordered_set<int> tessellated;
    for (const auto& [representation, references] : links.representations) {
        if (std::any_of(references.begin(), references.end(),
                        [&links](int item) { return links.geometry.count(item) != 0; })) {
            tessellated.insert(representation);
        }
    }
    std::unordered_set<int> reaching = tessellated;
    for (const auto& [first, second] : links.relationships) {
        if (tessellated.count(first) != 0) {
            reaching.insert(second);
        }
        if (tessellated.count(second) != 0) {
            reaching.insert(first);
        }
    }
    std::unordered_set<int> found;
    for (const auto& [definition, representation] : links.definitions) {
        if (reaching.count(representation) != 0) {
            found.insert(definition);
        }
    }
    return found;
}

std::string ProductName(const Handle(StepBasic_ProductDefinition)& definition, int number)
{
    const Handle(StepBasic_ProductDefinitionFormation) formation = definition->Formation();
    const Handle(StepBasic_Product) product =
        formation.IsNull() ? Handle(StepBasic_Product)() : formation->OfProduct();
    if (!product.IsNull()) {
        for (const Handle(TCollection_HAsciiString)& text : {product->Name(), product->Id()}) {
            if (!text.IsNull() && !text->IsEmpty()) {
                return text->ToCString();
            }
        }
    }
    return "#" + std::to_string(number);
}

} // namespace

std::unordered_set<int> StepTessellatedParts::ReadDefinitions(const StepFileParse& parse)
{
    // Most files hold no tessellated shape: one look at the types spares them the links.
    for (const StepFileParse::Chunk& chunk : parse.GetChunks()) {
        for (const StepFileParse::Record& record : chunk.records) {
            if (IsGeometryType(record.type)) {
                return TessellatedDefinitions(parse);
            }
        }
    }
    return {};
}

int StepTessellatedParts::CountItems(const Handle(StepData_StepModel)& model)
{
    int items = 0;
    for (int i = 1; !model.IsNull() && i <= model->NbEntities(); ++i) {
        items += IsTessellatedGeometry(model->Value(i)) ? 1 : 0;
    }
    return items;
}

StepTessellatedParts StepTessellatedParts::Find(const Handle(StepData_StepModel)& model,
                                                const std::unordered_set<int>& definitions)
{
    StepTessellatedParts parts;
    parts.items = CountItems(model);
    if (parts.items == 0) {
        return parts;
    }
    // The model keeps the number each entity has in the file.
    std::unordered_set<const Standard_Transient*> seen;
    for (int i = 1; i <= model->NbEntities() && !definitions.empty(); ++i) {
        const auto definition =
            Handle(StepShape_ShapeDefinitionRepresentation)::DownCast(model->Value(i));
        if (definition.IsNull() || definitions.count(model->IdentLabel(definition)) == 0) {
            continue;
        }
        const Handle(StepRepr_PropertyDefinition) shape =
            definition->Definition().PropertyDefinition();
        const Handle(StepBasic_ProductDefinition) product =
            shape.IsNull() ? Handle(StepBasic_ProductDefinition)()
                           : shape->Definition().ProductDefinition();
        if (!product.IsNull() && seen.insert(product.get()).second) {
            parts.products.push_back(ProductName(product, model->IdentLabel(product)));
        }
    }
    return parts;
}

std::string StepTessellatedParts::Describe() const
{
    if (items == 0) {
        return {};
    }
    if (products.empty()) {
        return fmt::format("its only shapes are tessellated ({} tessellated solid{}, shell{} or "
                           "face{}), which is not read",
                           items, items == 1 ? "" : "s", items == 1 ? "" : "s",
                           items == 1 ? "" : "s");
    }
    return fmt::format("{} part{} only tessellated geometry, which is not read: {}",
                       products.size(), products.size() == 1 ? " holds" : "s hold",
                       ListNames(products));
}

} // namespace orvkit
