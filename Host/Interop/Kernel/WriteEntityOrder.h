#pragma once

#include <Interface_InterfaceModel.hxx>

#include <vector>

namespace orvkit {

// OpenCASCADE's XDE writers add some entities walking maps keyed by shapes, whose order follows
// where the shapes lie in memory: one document would come out with these entities numbered
// otherwise at each write. These put them in an order that follows the rest of the model, so
// that one document always gives the same bytes.
struct WriteEntityOrder {
    // After a STEP transfer: the presentations of colours (one for each top-level shape) in the
    // order of the shapes they present, each followed by the styles and colours it brought, as
    // the writer adds them.
    static void SortStepPresentations(const Handle(Interface_InterfaceModel)& model);

    // Puts `entities`, all in `model`, in this order over the numbers they hold between them.
    // (The IGES writer's names are put in order this way in the IGES library.)
    static void Renumber(const Handle(Interface_InterfaceModel)& model,
                         const std::vector<Handle(Standard_Transient)>& entities);
};

} // namespace orvkit
