#pragma once

#include <Bnd_Box.hxx>
#include <Quantity_Color.hxx>

#include <string>
#include <vector>

namespace orvkit {

// An OBJ file's groups as its writer named them, each measured: OpenCASCADE's OBJ writer names
// a group after the path of product names down to the placed part ("as1/rod-assembly/nut") and
// bakes the placement into the vertices, so a part placed twice is two groups of one name. They
// are gathered here by name. OpenCASCADE's reader makes parts of them, but keeps neither the
// names of groups that share one nor which material was whose.
//
// Numbers are taken for millimetres, as the OBJ model reader takes them.
class ObjScene {
public:
    struct Group {
        std::string name;
        double area = 0.0; // of its faces, each a fan from its first vertex
        Bnd_Box box;
        // The diffuse colours of the materials its faces use (the file's numbers are sRGB).
        std::vector<Quantity_Color> colours;
    };

    // Reads `path` and the material library it names; false, with why in `failure`, when it
    // cannot be opened or a face names a vertex that is not there.
    bool Read(const std::string& path, std::string& failure);

    // The name a reader gives a group whose "g" line was written with `written` after it: up to
    // the first line break, without the blanks around it.
    static std::string GroupName(const std::string& written);

    // The groups in the order their names first appear; faces before any group are in one of
    // no name.
    const std::vector<Group>& GetGroups() const { return myGroups; }

private:
    std::vector<Group> myGroups;
};

} // namespace orvkit
