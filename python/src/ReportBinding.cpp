#include "ReportBinding.h"

#include "Errors.h"
#include "JsonValue.h"
#include "ModelArgument.h"
#include "Progress.h"
#include "Repr.h"
#include "WriteChoices.h"

#include "orvex/Check.h"
#include "orvex/Compare.h"
#include "orvex/Convert.h"
#include "orvex/Page.h"
#include "orvex/Split.h"
#include "orvex/Write.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvex::python {

namespace {

namespace fs = std::filesystem;

// One of a product's checked values as Python shows it: a volume or an area is one number, a
// centroid three.
struct CheckedValueObject {
    CheckedValue value;
    bool point = false;

    py::object Number(bool present, const std::array<double, 3>& number) const
    {
        if (!present) {
            return py::none();
        }
        if (point) {
            return py::make_tuple(number[0], number[1], number[2]);
        }
        return py::float_(number[0]);
    }
};

CompareReport CompareModels(const py::object& a, const py::object& b, double tolerance,
                            double propertyTolerance, double deflection)
{
    ModelArgument first(a, "a");
    ModelArgument second(b, "b");
    CompareOptions options;
    options.tolerance = tolerance;
    options.propertyTolerance = propertyTolerance;
    options.deflection = deflection;
    CompareReport report;
    bool firstRead = false, secondRead = false;
    {
        py::gil_scoped_release released;
        firstRead = first.Load();
        secondRead = firstRead && second.Load();
        if (secondRead) {
            report = Compare(first.Get(), second.Get(), options);
        }
    }
    if (!firstRead) {
        first.RaiseFailure();
    }
    if (!secondRead) {
        second.RaiseFailure();
    }
    return report;
}

CheckReport CheckModel(const py::object& model)
{
    ModelArgument argument(model, "model");
    CheckReport report;
    bool read = false;
    {
        py::gil_scoped_release released;
        read = argument.Load();
        if (read) {
            report = Check(argument.Get());
        }
    }
    if (!read) {
        argument.RaiseFailure();
    }
    return report;
}

ConvertReport ConvertFiles(const std::vector<fs::path>& files, const std::string& format,
                           const fs::path& out, std::optional<unsigned> jobs,
                           const std::optional<std::string>& shard, bool verify,
                           const std::optional<std::string>& up,
                           const std::optional<std::string>& fromUp, const std::string& unit,
                           std::optional<double> deflection, double angle,
                           std::optional<double> timeout, std::optional<double> maxMemory,
                           std::optional<unsigned> transferJobs,
                           const std::optional<std::string>& program, py::object progress)
{
    std::vector<std::string> inputs;
    inputs.reserve(files.size());
    for (const fs::path& file : files) {
        inputs.push_back(file.string());
    }
    Progress bridge(std::move(progress));
    ConvertOptions options;
    options.format = format;
    options.out = out.string();
    options.jobs = jobs.value_or(0);
    options.shard = shard.value_or("");
    options.write = WriteChoices(up, fromUp, unit, deflection, angle);
    options.verify = verify;
    options.seconds = timeout.value_or(options.seconds);
    options.megabytes = maxMemory.value_or(0.0);
    options.transferJobs = transferJobs.value_or(0);
    options.program = program.value_or("");
    options.progress = bridge.CountFunction();
    ConvertReport report;
    {
        py::gil_scoped_release released;
        report = Convert(inputs, options);
    }
    bridge.Rethrow();
    if (!report.error.empty()) {
        RaiseError(report.error);
    }
    return report;
}

SplitReport SplitModel(const py::object& model, const fs::path& folder,
                       const std::optional<std::string>& assembly, const std::string& format,
                       const std::optional<std::string>& up,
                       const std::optional<std::string>& fromUp, const std::string& unit,
                       std::optional<double> deflection, double angle)
{
    ModelArgument argument(model, "model");
    SplitOptions options;
    options.assembly = assembly.value_or("");
    options.format = format;
    options.write = WriteChoices(up, fromUp, unit, deflection, angle);
    SplitReport report;
    bool read = false;
    {
        py::gil_scoped_release released;
        read = argument.Load();
        if (read) {
            report = Split(argument.Get(), folder.string(), options);
        }
    }
    if (!read) {
        argument.RaiseFailure();
    }
    if (!report.Ok()) {
        RaiseError(report.failure);
    }
    return report;
}

void AddWriteReport(py::module_& module)
{
    py::class_<WriteReport>(module, "WriteReport", "What a write did.")
        .def_readonly("path", &WriteReport::path)
        .def_readonly("bytes", &WriteReport::bytes, "The size of the file written.")
        .def_readonly("lost", &WriteReport::lost,
                      "What the file does not keep of the model, one sentence each.")
        .def_readonly("verified", &WriteReport::verified,
                      "With verify: whether the file read back equal; else None.")
        .def_readonly("differences", &WriteReport::differences,
                      "With verify: what differs, as compare words it, or why the file could "
                      "not be read back.")
        .def_readonly("summary", &WriteReport::summary, "With verify: what was compared.")
        .def_property_readonly("ok", &WriteReport::Ok,
                               "Written, and equal when read back if that was asked for.")
        .def("to_json", [](const WriteReport& self) { return JsonValue(self.ToJson()); })
        .def("__repr__", [](const WriteReport& self) {
            std::string text = "<orvex.WriteReport " + Quoted(self.path) + ": " +
                               Counted(self.bytes, "byte", "bytes");
            if (self.verified) {
                text += *self.verified ? ", verified" : ", differs when read back";
            }
            return text + ">";
        });
}

void AddCompareReport(py::module_& module)
{
    py::class_<Difference>(module, "Difference",
                           "One difference: where in the tree, what, and the two values.")
        .def_readonly("path", &Difference::path)
        .def_readonly("topic", &Difference::topic)
        .def_readonly("a", &Difference::a, "The first model's value; \"\" when it has none.")
        .def_readonly("b", &Difference::b, "The second model's value; \"\" when it has none.")
        .def("__str__", &Difference::Text)
        .def("__repr__",
             [](const Difference& self) { return "<orvex.Difference " + self.Text() + ">"; });

    py::class_<CompareReport>(module, "CompareReport", "What differs between two models.")
        .def_readonly("first", &CompareReport::first)
        .def_readonly("second", &CompareReport::second)
        .def_property_readonly("equal", &CompareReport::Equal)
        .def_readonly("differences", &CompareReport::differences, "In path order.")
        .def_readonly("compared", &CompareReport::compared, "The topics compared.")
        .def_readonly("left_out", &CompareReport::leftOut,
                      "The topics left out, each as (topic, why).")
        .def_readonly("summary", &CompareReport::summary)
        .def_readonly("mesh_tolerance", &CompareReport::meshTolerance,
                      "Against a mesh file, the rule by which meshing is told from a loss, in "
                      "words; \"\" between two models of faces.")
        .def_readonly("mesh_deflection", &CompareReport::meshDeflection,
                      "The deflection the rule took, in mm; 0.0 for the writer's own.")
        .def("to_json", [](const CompareReport& self) { return JsonValue(self.ToJson()); })
        .def("__repr__", [](const CompareReport& self) {
            return "<orvex.CompareReport " + Quoted(self.first) + " vs " + Quoted(self.second) +
                   ": " +
                   (self.Equal() ? std::string("equal")
                                 : Counted(self.differences.size(), "difference", "differences")) +
                   ">";
        });
}

void AddCheckReport(py::module_& module)
{
    py::class_<CheckedValueObject>(module, "CheckedValue",
                                   "A declared value against the one the geometry gives.")
        .def_property_readonly(
            "declared",
            [](const CheckedValueObject& self) {
                return self.Number(self.value.declared, self.value.declaredValue);
            },
            "What the file declares: a number, (x, y, z) for a centroid, or None.")
        .def_property_readonly(
            "computed",
            [](const CheckedValueObject& self) {
                return self.Number(self.value.computed, self.value.computedValue);
            },
            "What the geometry gives, in the same form, or None.")
        .def_property_readonly(
            "deviation", [](const CheckedValueObject& self) { return self.value.deviation; },
            "Relative, or a fraction of the bounding box's diagonal for a centroid.")
        .def_property_readonly(
            "verdict", [](const CheckedValueObject& self) { return self.value.verdict; },
            "\"ok\", \"differs\", \"not declared\" or \"not compared\".")
        .def("__repr__", [](const CheckedValueObject& self) {
            return "<orvex.CheckedValue " + self.value.verdict + ">";
        });

    py::class_<CheckedProduct>(module, "CheckedProduct", "The checked values of one product.")
        .def_readonly("path", &CheckedProduct::path)
        .def_readonly("kind", &CheckedProduct::kind,
                      "\"part\", \"assembly\", \"component\" or \"shape aspect\".")
        .def_readonly("not_compared", &CheckedProduct::notCompared,
                      "Why its declared values were compared with nothing; \"\" when they were.")
        .def_property_readonly("volume",
                               [](const CheckedProduct& self) {
                                   return CheckedValueObject{self.volume, false};
                               })
        .def_property_readonly("area",
                               [](const CheckedProduct& self) {
                                   return CheckedValueObject{self.area, false};
                               })
        .def_property_readonly("centroid",
                               [](const CheckedProduct& self) {
                                   return CheckedValueObject{self.centroid, true};
                               })
        .def("__repr__", [](const CheckedProduct& self) {
            return "<orvex.CheckedProduct " + Quoted(self.path) + " " + self.kind + ">";
        });

    py::class_<CheckReport>(module, "CheckReport",
                            "Declared validation properties against the geometry.")
        .def_readonly("file", &CheckReport::file)
        .def_property_readonly("agrees", &CheckReport::Agrees)
        .def_readonly("products", &CheckReport::products)
        .def_readonly("differences", &CheckReport::differences,
                      "How many declared values differ from the geometry.")
        .def_readonly("not_compared", &CheckReport::notCompared)
        .def_readonly("summary", &CheckReport::summary)
        .def("to_json", [](const CheckReport& self) { return JsonValue(self.ToJson()); })
        .def("__repr__", [](const CheckReport& self) {
            return "<orvex.CheckReport " + Quoted(self.file) + ": " + self.summary + ">";
        });
}

void AddConvertReport(py::module_& module)
{
    py::class_<ConvertedFile>(module, "ConvertedFile", "What became of one input file.")
        .def_readonly("input", &ConvertedFile::input)
        .def_readonly("output", &ConvertedFile::output)
        .def_readonly("ok", &ConvertedFile::ok)
        .def_readonly("reason", &ConvertedFile::reason, "Why it failed; \"\" when ok.")
        .def_readonly("seconds", &ConvertedFile::seconds)
        .def_readonly("bytes", &ConvertedFile::bytes)
        .def_readonly("warnings", &ConvertedFile::warnings)
        .def_readonly("verified", &ConvertedFile::verified)
        .def("__repr__", [](const ConvertedFile& self) {
            return "<orvex.ConvertedFile " + Quoted(self.input) + " -> " + Quoted(self.output) +
                   (self.ok ? std::string(": ok") : ": " + self.reason) + ">";
        });

    py::class_<ConvertReport>(module, "ConvertReport", "What became of each file converted.")
        .def_property_readonly("ok", &ConvertReport::Ok)
        .def_readonly("files", &ConvertReport::files,
                      "In input order; with a shard, the shard's files in sorted order.")
        .def_readonly("failed", &ConvertReport::failed)
        .def_property_readonly(
            "shard",
            [](const ConvertReport& self) -> std::optional<std::string> {
                if (!self.shard) {
                    return std::nullopt;
                }
                return std::to_string(self.shard->index) + "/" + std::to_string(self.shard->count);
            },
            "\"K/N\" when one shard was converted; else None.")
        .def("to_json", [](const ConvertReport& self) { return JsonValue(self.ToJson()); })
        .def("__repr__", [](const ConvertReport& self) {
            return "<orvex.ConvertReport " + Counted(self.files.size(), "file", "files") + ", " +
                   std::to_string(self.failed) + " failed>";
        });
}

// Raises ReadError when the input could not be read, WriteError when the page or picture
// could not be written.
const PageReport& Raised(const PageReport& report)
{
    if (!report.read.kind.empty()) {
        RaiseReadError(report.read);
    }
    if (!report.Ok()) {
        RaiseWriteError(report.output, report.failure);
    }
    return report;
}

PageReport WritePageFile(const fs::path& input, const fs::path& page)
{
    PageReport report;
    {
        py::gil_scoped_release released;
        report = WritePage(input.string(), page.string());
    }
    return Raised(report);
}

PageReport WriteSnapshotFile(const fs::path& input, const fs::path& picture, int width, int height,
                             const std::string& view, double timeout)
{
    SnapshotOptions options;
    options.width = width;
    options.height = height;
    options.view = view;
    options.timeoutSeconds = timeout;
    PageReport report;
    {
        py::gil_scoped_release released;
        report = WriteSnapshot(input.string(), picture.string(), options);
    }
    return Raised(report);
}

void AddPageReport(py::module_& module)
{
    py::class_<PageReport>(module, "PageReport", "A page or a picture written.")
        .def_readonly("input", &PageReport::input)
        .def_readonly("output", &PageReport::output)
        .def("to_json", [](const PageReport& self) { return JsonValue(self.ToJson()); })
        .def("__repr__", [](const PageReport& self) {
            return "<orvex.PageReport " + Quoted(self.input) + " -> " + Quoted(self.output) + ">";
        });
    module.def("write_page", &WritePageFile, py::arg("path"), py::arg("page"),
               "Writes the offline 3D page of a file: one HTML file with the model, its element "
               "tree and its dimensions, that opens in a browser without fetching anything.");
    module.def("write_snapshot", &WriteSnapshotFile, py::arg("path"), py::arg("picture"),
               py::kw_only(), py::arg("width") = 1200, py::arg("height") = 800,
               py::arg("view") = "iso", py::arg("timeout") = 120.0,
               "Writes a PNG picture of a file's model, drawn by headless Chromium; view is one "
               "of iso, front, back, left, right, top, bottom.");
}

void AddSplitReport(py::module_& module)
{
    py::class_<SplitChild>(module, "SplitChild", "One distinct child written to its own file.")
        .def_readonly("name", &SplitChild::name)
        .def_readonly("file", &SplitChild::file)
        .def_readonly("bytes", &SplitChild::bytes)
        .def_readonly("lost", &SplitChild::lost)
        .def_property_readonly(
            "placements",
            [](const SplitChild& self) {
                py::array_t<double> matrices({static_cast<py::ssize_t>(self.placements.size()),
                                              py::ssize_t(4), py::ssize_t(4)});
                double* out = matrices.mutable_data();
                for (const auto& matrix : self.placements) {
                    out = std::copy(matrix.begin(), matrix.end(), out);
                }
                return matrices;
            },
            "Where the assembly places it: a float64 array of 4 x 4 matrices, one an instance.")
        .def("__repr__", [](const SplitChild& self) {
            return "<orvex.SplitChild " + Quoted(self.name) + " -> " + Quoted(self.file) + ">";
        });

    py::class_<SplitReport>(module, "SplitReport", "The files a split wrote.")
        .def_readonly("folder", &SplitReport::folder)
        .def_readonly("children", &SplitReport::children)
        .def_readonly("manifest", &SplitReport::manifest)
        .def("to_json", [](const SplitReport& self) { return JsonValue(self.ToJson()); })
        .def("__repr__", [](const SplitReport& self) {
            return "<orvex.SplitReport " + Quoted(self.folder) + ": " +
                   Counted(self.children.size(), "child", "children") + ">";
        });
}

} // namespace

void AddReports(py::module_& module)
{
    AddWriteReport(module);
    AddCompareReport(module);
    AddCheckReport(module);
    AddConvertReport(module);
    AddSplitReport(module);
    AddPageReport(module);

    module.def("compare", &CompareModels, py::arg("a"), py::arg("b"), py::kw_only(),
               py::arg("tolerance") = 1e-6, py::arg("property_tolerance") = 1e-4,
               py::arg("deflection") = 0.0,
               "Compares two models, each an orvex.Model or the path of a file to read: tree, "
               "names, placements, colours, dimensions, topology and properties. Against a mesh "
               "file, `deflection` is what it was meshed with in mm, when not the writer's own.");
    module.def("check", &CheckModel, py::arg("model"),
               "Compares the validation properties a file declares with its geometry; the "
               "model is an orvex.Model or the path of a file to read.");
    module.def("convert", &ConvertFiles, py::arg("files"), py::kw_only(), py::arg("format"),
               py::arg("out"), py::arg("jobs") = py::none(), py::arg("shard") = py::none(),
               py::arg("verify") = false, py::arg("up") = py::none(),
               py::arg("from_up") = py::none(), py::arg("unit") = "mm",
               py::arg("deflection") = py::none(), py::arg("angle") = 0.5,
               py::arg("timeout") = py::none(), py::arg("max_memory") = py::none(),
               py::arg("transfer_jobs") = py::none(), py::arg("program") = py::none(),
               py::arg("progress") = py::none(),
               "Converts many files, each in a process of its own, into the folder out. Raises "
               "Error when none could be started; a file that fails is in the report.");
    module.def("split", &SplitModel, py::arg("model"), py::arg("folder"), py::kw_only(),
               py::arg("assembly") = py::none(), py::arg("format") = "stp",
               py::arg("up") = py::none(), py::arg("from_up") = py::none(), py::arg("unit") = "mm",
               py::arg("deflection") = py::none(), py::arg("angle") = 0.5,
               "Writes each distinct child of an assembly to a file of its own in folder, with "
               "a manifest.json.");
}

} // namespace orvex::python
