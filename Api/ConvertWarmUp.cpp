#include "ConvertWarmUp.h"

#include "orvex/Convert.h"
#include "orvex/Model.h"

#include "Common/Core/ScopedTempFolder.h"
#include "Common/Core/StringUtil.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

#include <BRepPrimAPI_MakeBox.hxx>
#include <Quantity_Color.hxx>
#include <TDataStd_Name.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <gp_Trsf.hxx>

#include <csignal>
#include <filesystem>
#include <memory>
#include <set>

namespace orvex::detail {

namespace {

namespace fs = std::filesystem;

// A handful of input formats at most: a list of files of every kind gains little from more.
constexpr size_t kWarmedFormats = 4;

// What real files hold, in small: a named part with a colour and a coloured face, placed twice
// in a named assembly.
Model SmallAssembly()
{
    auto document = std::make_unique<orvkit::XdeDocumentImpl>();
    const Handle(XCAFDoc_ShapeTool)& shapes = document->shapeTool;
    const TopoDS_Shape box = BRepPrimAPI_MakeBox(1, 2, 3).Shape();
    const TDF_Label part = shapes->AddShape(box, false);
    TDataStd_Name::Set(part, "box");
    document->colorTool->SetColor(part, Quantity_Color(0.8, 0.2, 0.2, Quantity_TOC_RGB),
                                  XCAFDoc_ColorSurf);
    const TDF_Label face = shapes->AddSubShape(part, TopExp_Explorer(box, TopAbs_FACE).Current());
    document->colorTool->SetColor(face, Quantity_Color(0.1, 0.3, 0.9, Quantity_TOC_RGB),
                                  XCAFDoc_ColorSurf);
    const TDF_Label assembly = shapes->NewShape();
    TDataStd_Name::Set(assembly, "boxes");
    gp_Trsf beside;
    beside.SetTranslation(gp_Vec(2, 0, 0));
    shapes->AddComponent(assembly, part, TopLoc_Location());
    shapes->AddComponent(assembly, part, TopLoc_Location(beside));
    shapes->UpdateAssemblies();
    document->RefreshTools();
    return Model::Adopt(std::move(document), "boxes");
}

size_t ThreadCount()
{
    std::error_code code;
    size_t count = 0;
    for (fs::directory_iterator it("/proc/self/task", code), end; !code && it != end;
         it.increment(code)) {
        ++count;
    }
    return code ? 0 : count;
}

} // namespace

bool WarmUpConversion(const std::vector<std::string>& inputs, const std::string& format,
                      const WriteOptions& options)
{
    const orvkit::ScopedTempFolder folder("orvex-convert-warm-up-");
    const size_t threads = ThreadCount();
    if (folder.GetPath().empty() || threads == 0) {
        return false;
    }
    // A limit on the size of files (ulimit -f) is for the children: the warm-up's write, which
    // may exceed it too, fails instead of ending this process.
    struct sigaction saved {};
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &saved);
    const Model model = SmallAssembly();
    const fs::path output = folder.GetPath() / ("boxes-out." + format);
    std::set<std::string> extensions;
    for (const std::string& file : inputs) {
        const std::string extension =
            orvkit::StringUtil::ToLower(fs::path(file).extension().string());
        if (extensions.size() < kWarmedFormats && extensions.insert(extension).second) {
            const fs::path input = folder.GetPath() / ("boxes" + extension);
            if (Write(model, input.string()).Ok()) {
                ConvertFile(input.string(), output.string(), options);
            }
        }
    }
    ::sigaction(SIGXFSZ, &saved, nullptr);
    return ThreadCount() == threads;
}

} // namespace orvex::detail
