#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <TopoDS_Shape.hxx>
#include <gp_Trsf.hxx>

#include <string>
#include <vector>

namespace orvkit {

// Changes to a whole kernel document before it is written: taking one subtree out, and moving
// the model once at its root.
struct XdeModelEdit {
    // The first label, depth first from the free shapes, whose name is `name` (UTF-8): an
    // instance (component) or a part or assembly it refers to. A null label when none is.
    static TDF_Label FindNamed(const XdeDocumentImpl& impl, const std::string& name);

    // Fills `target` (made new) with the subtree under `label` of `source`: its assemblies,
    // parts, names, colours, layers and validation properties; dimensions stay behind. An
    // instance keeps its placement when `placed`: it becomes the one component of a root
    // assembly named as the instance. False when the label holds no shape.
    static bool Extract(const XdeDocumentImpl& source, const TDF_Label& label, bool placed,
                        XdeDocumentImpl& target);

    // Moves the whole model by `transform`, once: each free assembly's components are placed
    // anew, so that parts stay shared, and a free part's geometry is placed with its sub-shape
    // labels (face colours, dimension targets). Rigid transforms only.
    static void TransformRoots(XdeDocumentImpl& impl, const gp_Trsf& transform);

    // The labels of the parts: every shape label that is not an assembly, each once however
    // often it is placed.
    static std::vector<TDF_Label> Parts(const XdeDocumentImpl& impl);

    // The placed shapes of every free label, in one compound.
    static TopoDS_Shape WholeShape(const XdeDocumentImpl& impl);

    // The placement of an instance label relative to its assembly; identity for other labels.
    static gp_Trsf GetPlacement(const TDF_Label& label);
};

} // namespace orvkit
