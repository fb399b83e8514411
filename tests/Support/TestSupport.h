#pragma once

#include "Common/Core/CaptureLogSink.h"
#include "Common/Core/Logger.h"
#include "Data/Kernel/Document.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

#include <Quantity_Color.hxx>
#include <TDF_Label.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Trsf.hxx>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orvtest {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& GetPath() const { return myPath; }
    std::string File(const std::string& name) const { return myPath + "/" + name; }
    // Writes `content` to a file in the folder and returns its path.
    std::string Write(const std::string& name, const std::string& content) const;

private:
    std::string myPath;
};

// What the orvex-interop program did: its exit code and both streams.
struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};
// Runs the program with the arguments (already quoted), its streams kept in `dir`.
ProgramRun RunProgram(const std::string& arguments, const TempDir& dir);
// A path in single quotes for a shell command line.
inline std::string Quote(const std::string& path)
{
    return "'" + path + "'";
}
// Number of lines in a text.
size_t Lines(const std::string& text);

// The bundled sample assembly, examples/as1-assembly.stp.
std::string SamplePath();
// The orvex-interop program of this build.
std::string ProgramPath();

// Path of a file or folder of the shared corpus, else of a file's copy in tests/data; empty
// when neither has it.
std::string CorpusFile(const std::string& relative);
// Path of a file written for the tests, in tests/data ("step-handwritten/wheel.stp").
std::string TestDataFile(const std::string& relative);
std::string ReadWholeFile(const std::string& path);

// Captures every log record for the lifetime of the object.
class ScopedLogCapture {
public:
    ScopedLogCapture();
    ~ScopedLogCapture();
    const std::shared_ptr<orvkit::CaptureLogSink>& operator->() const { return mySink; }
    bool Contains(int level, const std::string& text) const
    {
        return mySink->Contains(level, text);
    }

private:
    std::shared_ptr<orvkit::CaptureLogSink> mySink;
};

// Builds an XCAF document in the test (parts, assemblies, placed components, names and
// colours) and saves it as STEP through the kernel.
class XcafBuilder {
public:
    XcafBuilder();

    TDF_Label AddPart(const std::string& name, const TopoDS_Shape& shape);
    TDF_Label AddAssembly(const std::string& name);
    // Places `part` in `assembly`; returns the component (reference) label.
    TDF_Label AddComponent(const TDF_Label& assembly, const TDF_Label& part,
                           const gp_Trsf& placement, const std::string& name = {});
    void SetColor(const TDF_Label& label, const Quantity_Color& color);
    // Colours one face (by its index in the part's face map, from 0) through a sub-shape label.
    TDF_Label SetFaceColor(const TDF_Label& part, int faceIndex, const Quantity_Color& color);
    // Colours a direct member of a compound part through a sub-shape label.
    void SetSubShapeColor(const TDF_Label& part, const TopoDS_Shape& sub,
                          const Quantity_Color& color);
    // The sub-shape label of the part's sub-shape of `type` at `index` (from 0, TopExp order).
    TDF_Label AddSubShape(const TDF_Label& part, TopAbs_ShapeEnum type, int index);
    // Adds a semantic dimension of the given type and value measuring `first` (and `second`).
    TDF_Label AddDimension(int type, double value, const std::vector<TDF_Label>& first,
                           const std::vector<TDF_Label>& second = {});
    // Recomputes assembly shapes; call before saving.
    void Finish();
    bool SaveStep(const std::string& path);

    orvkit::XdeDocumentImpl& GetImpl() { return myImpl; }

private:
    orvkit::XdeDocumentImpl myImpl;
};

// Shapes used throughout the tests.
TopoDS_Shape MakeBox(double dx, double dy, double dz);
TopoDS_Shape MakeCylinder(double radius, double height);
gp_Trsf Translation(double x, double y, double z);
// A compound of the shapes, in order.
TopoDS_Compound MakeCompound(const std::vector<TopoDS_Shape>& members);
// The triangles of the shape's faces' meshes, faces without one counting none.
int CountTriangles(const TopoDS_Shape& shape);

// Every element of the class T in id order.
template <class T> std::vector<T*> ElementsOf(const orvkit::Document& document)
{
    std::vector<T*> result;
    for (orvkit::Element* element : document.GetElements()) {
        if (auto* typed = dynamic_cast<T*>(element); typed != nullptr) {
            result.push_back(typed);
        }
    }
    return result;
}

// Elements of exactly this class name ("GroupElement" excludes assemblies).
std::vector<orvkit::Element*> ElementsNamed(const orvkit::Document& document,
                                            const char* className);

// The first element with this name, or null.
orvkit::Element* FindByName(const orvkit::Document& document, const std::string& name);

::testing::AssertionResult ColorNear(const Quantity_Color& expected, float r, float g, float b);

} // namespace orvtest
