#include "BorderCheckedMeshContext.h"

#include <IMeshData_Face.hxx>
#include <IMeshData_Model.hxx>
#include <IMeshData_Status.hxx>

namespace orvkit {

Standard_Boolean BorderCheckedMeshContext::HealModel()
{
    myCrossedFaces.clear();
    if (!BRepMesh_Context::HealModel()) {
        return Standard_False;
    }
    const Handle(IMeshData_Model)& model = GetModel();
    for (Standard_Integer i = 0; i < model->FacesNb(); ++i) {
        const IMeshData::IFaceHandle& face = model->GetFace(i);
        if (face->IsSet(IMeshData_SelfIntersectingWire)) {
            myCrossedFaces.push_back(face->GetFace());
        }
    }
    return myCrossedFaces.empty();
}

} // namespace orvkit
