#pragma once

#include <StepData_StepModel.hxx>

#include <string>
#include <unordered_set>
#include <vector>

namespace orvkit {

class StepFileParse;

// The parts of a STEP file whose shape is tessellated geometry (triangulated faces, tessellated
// shells and solids in a tessellated shape representation), which the reader does not read.
//
// OCCT 7.6 has no classes for these entities: its loader keeps them in the model as undefined
// entities and drops every reference a known entity makes to one, so that a product whose
// shape definition names a tessellated representation is left with no shape, and nothing in
// the model says which representation it named. Those references are read from the file's
// records (ReadDefinitions), before the parse hands them to the model and frees them; the
// model is then looked at for the parts (Find). Tessellated shape representations
// that hold only annotations or saved views (as files with graphical PMI have) are no part's
// shape.
//
// Everything the reader knows of tessellated geometry is here, so that a reader of it replaces
// this one part.
struct StepTessellatedParts {
    // Names of the products whose shape definition names a tessellated shape representation
    // that holds tessellated shapes, a shape representation of another type that lists some
    // among its items, or a shape representation a plain shape representation relationship
    // ties to one of these, in the order of the file; each once.
    std::vector<std::string> products;
    // Tessellated solids, shells, faces, edges and points in the model.
    int items = 0;

    // The entity numbers of the shape definitions of the parsed file whose representation is
    // tessellated geometry, as Find takes them; empty when its records hold no tessellated
    // shape item.
    static std::unordered_set<int> ReadDefinitions(const StepFileParse& parse);
    // The tessellated solids, shells, faces, edges and points in `model`.
    static int CountItems(const Handle(StepData_StepModel)& model);
    // Finds them in `model`, with `definitions` read from the records of the file it was loaded
    // from (ReadDefinitions). The products stay empty when there are none.
    static StepTessellatedParts Find(const Handle(StepData_StepModel)& model,
                                     const std::unordered_set<int>& definitions);

    // What was not read, for a file that gave no face and no edge: "2 parts hold only
    // tessellated geometry, which is not read: tetra, wedge"; empty when the model holds no
    // tessellated shape.
    std::string Describe() const;
};

} // namespace orvkit
