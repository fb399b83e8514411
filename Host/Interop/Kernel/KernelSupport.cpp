#include "KernelSupport.h"

#include "Interop/Kernel/ModelReadOutcome.h"

#include <BRep_Builder.hxx>
#include <TopoDS_Compound.hxx>

namespace orvkit {

std::string DescribeTranslatorFailure(const CaughtFailure& failure)
{
    const std::string& type = failure.type;
    if (failure.fault) {
        return "it crashed (" + (type == "Standard_Failure" ? std::string("memory fault") : type) +
               ")";
    }
    return failure.Describe();
}

ModelReadOutcome FailedReading(const char* format, const std::string& path,
                               const CaughtFailure& caught)
{
    const std::string why = DescribeTranslatorFailure(caught);
    return {{LoadFailureTranslatorFault, format, why},
            std::string(format) + " reader: reading " + path + " failed: " + why};
}

std::string ListNames(const std::vector<std::string>& names)
{
    // A file of thousands of parts would otherwise make one warning of pages.
    constexpr size_t kShown = 10;
    std::string list;
    for (size_t i = 0; i < names.size() && i < kShown; ++i) {
        list += (i == 0 ? "" : ", ") + names[i];
    }
    if (names.size() > kShown) {
        list += " and " + std::to_string(names.size() - kShown) + " more";
    }
    return list;
}

bool RefuseExtension(XdeDocumentImpl& impl, const std::string& extension, bool exactCase)
{
    return ModelReadOutcome({LoadFailureUnknownExtension,
                             {},
                             "'" + extension + "' (expected .step, .stp, .iges or .igs" +
                                 (exactCase ? ", in lower case)" : ")")},
                            {})
        .Record(impl);
}

TopoDS_Shape OneOrCompound(const std::vector<TopoDS_Shape>& shapes)
{
    if (shapes.size() <= 1) {
        return shapes.empty() ? TopoDS_Shape() : shapes.front();
    }
    BRep_Builder builder;
    TopoDS_Compound compound;
    builder.MakeCompound(compound);
    for (const TopoDS_Shape& shape : shapes) {
        builder.Add(compound, shape);
    }
    return compound;
}

} // namespace orvkit
