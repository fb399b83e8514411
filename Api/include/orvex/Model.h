#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvkit {
class XdeDocumentImpl;
}

namespace orvex {

namespace detail {
struct ModelData;
struct ModelAccess;
} // namespace detail

// A colour as "#rrggbb".
using Color = std::string;

// A value a file gives a product, an occurrence or a body (a part number, a mass, a flag).
struct Property {
    enum class Type { Text, Number, Boolean };
    Type type = Type::Text;
    std::string text;    // a text
    double number = 0.0; // a number, as the file gives it
    std::string unit;    // a number's unit as the file names it ("kg", "mm"); empty for none
    bool boolean = false;
};
// Properties by name.
using Properties = std::map<std::string, Property>;

// What a part is made of.
struct Material {
    std::string name;
    std::string description;
    std::optional<double> density; // kg/m³
};

// A named solid or shell of a part ("Boss-Extrude2", "PartBody").
struct Body {
    std::string name;
    std::string kind; // "solid", "shell", ...
    // Its faces, numbered as Part::faceColors numbers them.
    std::vector<int> faces;
    Properties properties;
};

// One distinct part (a product with geometry and no components), however often it is placed.
struct Part {
    size_t index = 0; // in Model::Parts()
    std::string name;
    std::string id;          // the product's id; empty when the file gives none
    std::string description; // the product's description; empty when the file gives none
    std::optional<Material> material;
    std::vector<Body> bodies;
    Properties properties;
    std::optional<Color> color;
    // Colours given to single faces, by face index: the order in which the part's faces are
    // first met walking its shape (TopExp::MapShapes), from 0.
    std::map<int, Color> faceColors;
    size_t faces = 0;
};

// One product placed in the model: a leaf of the expanded assembly tree.
struct Instance {
    // The path of product names from the root, "/" between them; a name that several siblings
    // share gets ":N", its place among them, and a product without a name is "(unnamed)".
    std::string path;
    size_t part = 0; // in Model::Parts()
    // The colour it is shown in: its own, else its part's, else the nearest assembly's or
    // instance's above it; none when nothing on its way is coloured.
    std::optional<Color> color;
    // Its placement in the model, row by row (the last row is 0 0 0 1); millimetres.
    std::array<double, 16> matrix{};
    // What the file says about this placement of the part (not about the part itself).
    Properties properties;
};

// A product made of components.
struct Assembly {
    std::string name;
    std::string id;
    std::string description;
    Properties properties;
    // The names of the products its components place, in their order.
    std::vector<std::string> components;
};

// A dimension the file carries (STEP AP242 semantic PMI).
struct Dimension {
    std::string kind; // "linear distance", "angular distance", "diameter", "radius", "size", ...
    std::optional<double> value;
    std::optional<double> upper; // the upper and lower deviations of its tolerance
    std::optional<double> lower;
    // The paths of the parts whose geometry it measures.
    std::vector<std::string> targets;
};

// Triangles of a part in its own frame, millimetres.
struct Mesh {
    std::vector<float> vertices;          // x, y, z per vertex
    std::vector<float> normals;           // one per vertex; empty when the faces give none
    std::vector<std::uint32_t> triangles; // three vertex indices per triangle
    std::vector<std::uint32_t>
        faceIds; // the face (as Part::faceColors numbers it) of each triangle
};

struct MeshOptions {
    // Largest distance between a surface and its triangles, in millimetres; 0: 0.1 % of the
    // part's bounding-box diagonal, as files are exported.
    double deflection = 0.0;
    // Largest angle between neighbouring triangles' normals on a curved face, in radians.
    double angle = 0.5;
};

// A model read from a file: its assembly tree, parts, colours and dimensions. Copies share the
// one document. Writing, comparing, checking and meshing leave the model as it was (a write
// works on a copy), and may be called from several threads: calls on one model take turns.
// Freeing the last copy of a model closes its document, which takes OpenCASCADE's translator
// lock: a caller that holds a lock a read's progress function waits for must not free one.
class Model {
public:
    Model();
    ~Model();
    Model(const Model&);
    Model& operator=(const Model&);
    Model(Model&&) noexcept;
    Model& operator=(Model&&) noexcept;

    // The file it was read from.
    const std::string& Source() const;
    // What the read left out of the model, one sentence each.
    const std::vector<std::string>& Warnings() const;

    // Laid out on the first call; the lists never change afterwards and stay valid as long as
    // the model (or a copy of it) lives.
    const std::vector<Part>& Parts() const;
    const std::vector<Instance>& Instances() const;
    const std::vector<Assembly>& Assemblies() const;
    std::vector<Dimension> Dimensions() const;
    // The triangles of a part, meshed anew on each call with these options, on a copy of its
    // faces so that the model's own stay as they were.
    Mesh MeshOf(size_t part, const MeshOptions& options = {}) const;

    // The kernel document behind it, for code that works on the document itself.
    const orvkit::XdeDocumentImpl& Document() const;

    // Takes over a document read from `source`, with what the read left out.
    static Model Adopt(std::unique_ptr<orvkit::XdeDocumentImpl> document, std::string source);

private:
    friend struct detail::ModelAccess;
    std::shared_ptr<detail::ModelData> myData;
};

} // namespace orvex
