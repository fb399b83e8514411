#include "AssemblyChildren.h"

#include "ModelWriting.h"

#include "Common/Core/StringUtil.h"
#include "Interop/Kernel/XdeModelEdit.h"

#include <NCollection_DataMap.hxx>
#include <TDF_LabelMapHasher.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_Name.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <fmt/format.h>

namespace orvex::cli {

using namespace orvkit;

namespace {

const char* const kNotAssembly = "'{}' is not an assembly";
const char* const kNoAssembly = "the model has no assembly to split";

} // namespace

std::string NameOf(const TDF_Label& label)
{
    Handle(TDataStd_Name) name;
    return label.FindAttribute(TDataStd_Name::GetID(), name)
               ? StringUtil::ToA(name->Get().ToExtString())
               : std::string();
}

std::string FileStem(const std::string& name)
{
    std::string stem;
    for (const char c : name) {
        const bool bad = static_cast<unsigned char>(c) < 0x20 ||
                         std::string("/\\:*?\"<>|").find(c) != std::string::npos;
        stem += bad ? '_' : c;
    }
    if (stem.empty() || stem == "." || stem == "..") {
        stem = "part";
    }
    return stem;
}

nlohmann::ordered_json PlacementJson(const gp_Trsf& placement)
{
    const gp_XYZ translation = placement.TranslationPart();
    nlohmann::ordered_json rotation = nlohmann::ordered_json::array();
    for (int row = 1; row <= 3; ++row) {
        rotation.push_back(
            {placement.Value(row, 1), placement.Value(row, 2), placement.Value(row, 3)});
    }
    return {{"translation", {translation.X(), translation.Y(), translation.Z()}},
            {"rotation", rotation}};
}

TDF_Label FindAssembly(const XdeDocumentImpl& model, const std::string& name)
{
    if (!name.empty()) {
        const TDF_Label named = XdeModelEdit::FindNamed(model, name);
        if (named.IsNull()) {
            PrintWriteFailure(NoSuchElementText(name));
            return {};
        }
        TDF_Label referred = named;
        XCAFDoc_ShapeTool::GetReferredShape(named, referred);
        if (!XCAFDoc_ShapeTool::IsAssembly(referred)) {
            PrintWriteFailure(fmt::format(kNotAssembly, name));
            return {};
        }
        return referred;
    }
    for (const TDF_Label& root : model.freeShapes) {
        if (XCAFDoc_ShapeTool::IsAssembly(root)) {
            return root;
        }
    }
    PrintWriteFailure(kNoAssembly);
    return {};
}

std::vector<AssemblyChild> ChildrenOf(const TDF_Label& assembly)
{
    std::vector<AssemblyChild> children;
    NCollection_DataMap<TDF_Label, size_t, TDF_LabelMapHasher> byProduct;
    TDF_LabelSequence components;
    XCAFDoc_ShapeTool::GetComponents(assembly, components);
    for (const TDF_Label& component : components) {
        TDF_Label product;
        if (!XCAFDoc_ShapeTool::GetReferredShape(component, product)) {
            continue;
        }
        if (!byProduct.IsBound(product)) {
            byProduct.Bind(product, children.size());
            const std::string name = NameOf(product);
            children.push_back({product, name.empty() ? NameOf(component) : name, {}});
        }
        children[byProduct.Find(product)].placements.push_back(
            XdeModelEdit::GetPlacement(component));
    }
    return children;
}

} // namespace orvex::cli
