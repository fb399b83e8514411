#include "StepUserPropertiesWrite.h"

#include "Interop/Kernel/StepItemUsage.h"

#include "Geometry/IO/StepTypedValue.h"
#include "Interop/Kernel/StepUnitText.h"
#include "Interop/Kernel/StepWrittenEntities.h"

#include <Interface_UndefinedContent.hxx>
#include <StepBasic_GeneralProperty.hxx>
#include <StepBasic_MeasureValueMember.hxx>
#include <StepBasic_MeasureWithUnit.hxx>
#include <StepBasic_Product.hxx>
#include <StepBasic_ProductDefinition.hxx>
#include <StepBasic_ProductDefinitionFormation.hxx>
#include <StepData_StepModel.hxx>
#include <StepData_StepReaderData.hxx>
#include <StepData_UndefinedEntity.hxx>
#include <StepRepr_DescriptiveRepresentationItem.hxx>
#include <StepRepr_HArray1OfRepresentationItem.hxx>
#include <StepRepr_MeasureRepresentationItem.hxx>
#include <StepRepr_NextAssemblyUsageOccurrence.hxx>
#include <StepRepr_ProductDefinitionShape.hxx>
#include <StepRepr_PropertyDefinition.hxx>
#include <StepRepr_PropertyDefinitionRepresentation.hxx>
#include <StepRepr_Representation.hxx>
#include <StepRepr_RepresentationContext.hxx>
#include <StepRepr_ShapeAspect.hxx>
#include <StepRepr_ValueRepresentationItem.hxx>
#include <StepShape_ContextDependentShapeRepresentation.hxx>
#include <StepShape_ShapeDefinitionRepresentation.hxx>
#include <TColStd_DataMapOfStringInteger.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_AsciiString.hxx>
#include <TDataStd_Comment.hxx>
#include <TDataStd_DataMapOfStringReal.hxx>
#include <TDataStd_DataMapOfStringString.hxx>
#include <TDataStd_NamedData.hxx>
#include <TransferBRep.hxx>
#include <TransferBRep_ShapeMapper.hxx>
#include <Transfer_FinderProcess.hxx>
#include <XSControl_TransferWriter.hxx>

#include <string>

namespace orvkit {

namespace {

Handle(TCollection_HAsciiString) Text(const TCollection_ExtendedString& text)
{
    return new TCollection_HAsciiString(TCollection_AsciiString(text, '?'));
}

// Adds the entities of the properties to the model, each after those it refers to.
class PropertyWriter {
public:
    explicit PropertyWriter(const Handle(StepData_StepModel)& model)
        : myModel(model), myContext(new StepRepr_RepresentationContext)
    {
        myContext->Init(new TCollection_HAsciiString(""), new TCollection_HAsciiString(""));
        // OpenCASCADE 7.6 has no class for the association of a general property with its
        // definition: it is written as an entity of a type the model does not know, whose
        // type name can only come from a record.
        myAssociationRecord = new StepData_StepReaderData(0, 1, 4);
        myAssociationRecord->SetRecord(1, "#1", "GENERAL_PROPERTY_ASSOCIATION", 4);
        for (const char* param : {"''", "''"}) {
            myAssociationRecord->AddStepParam(1, param, Interface_ParamText);
        }
        for (int i = 0; i < 2; ++i) {
            myAssociationRecord->AddStepParam(1, "$", Interface_ParamVoid);
        }
        myAssociationRecord->InitParams(1);
    }

    // Writes every property of `data` as one of `of`: a product definition, an occurrence or a
    // shape aspect.
    void Write(const Handle(TDataStd_NamedData)& data, const Handle(Standard_Transient)& of)
    {
        StepRepr_CharacterizedDefinition carrier;
        carrier.SetValue(of);
        data->LoadDeferredData();
        // A string under a name that also holds a real is that number's unit.
        for (TDataStd_DataMapIteratorOfDataMapOfStringReal it(data->GetRealsContainer()); it.More();
             it.Next()) {
            const TCollection_ExtendedString* unit = data->GetStringsContainer().Seek(it.Key());
            Handle(StepRepr_RepresentationItem) item;
            if (unit == nullptr) {
                Handle(StepRepr_ValueRepresentationItem) value =
                    new StepRepr_ValueRepresentationItem;
                value->Init(Text(it.Key()), StepTypedValue::Number("REAL_VALUE", it.Value()));
                item = value;
            } else {
                std::string measureType;
                const StepBasic_Unit ofUnit = StepUnitText::Make(
                    TCollection_AsciiString(*unit, '?').ToCString(), measureType);
                Handle(StepBasic_MeasureValueMember) member = new StepBasic_MeasureValueMember;
                member->SetName(measureType.c_str());
                member->SetReal(it.Value());
                Handle(StepRepr_MeasureRepresentationItem) measure =
                    new StepRepr_MeasureRepresentationItem;
                measure->Init(Text(it.Key()), member, ofUnit);
                item = measure;
            }
            Add(it.Key(), item, carrier);
        }
        for (TDataStd_DataMapIteratorOfDataMapOfStringString it(data->GetStringsContainer());
             it.More(); it.Next()) {
            if (data->GetRealsContainer().IsBound(it.Key())) {
                continue;
            }
            Handle(StepRepr_DescriptiveRepresentationItem) text =
                new StepRepr_DescriptiveRepresentationItem;
            text->Init(Text(it.Key()), Text(it.Value()));
            Add(it.Key(), text, carrier);
        }
        for (TColStd_DataMapIteratorOfDataMapOfStringInteger it(data->GetIntegersContainer());
             it.More(); it.Next()) {
            Handle(StepRepr_ValueRepresentationItem) value = new StepRepr_ValueRepresentationItem;
            value->Init(Text(it.Key()), StepTypedValue::Boolean(it.Value() != 0));
            Add(it.Key(), value, carrier);
        }
    }

private:
    // One property: its definition, named as its item so that readers that name a property
    // by its definition read the same name, its representation of the one item, and the
    // general property that marks it as the user's.
    void Add(const TCollection_ExtendedString& name,
             const Handle(StepRepr_RepresentationItem)& item,
             const StepRepr_CharacterizedDefinition& carrier)
    {
        Handle(StepRepr_HArray1OfRepresentationItem) items =
            new StepRepr_HArray1OfRepresentationItem(1, 1);
        items->SetValue(1, item);
        Handle(StepRepr_Representation) representation = new StepRepr_Representation;
        representation->Init(new TCollection_HAsciiString(""), items, myContext);
        Handle(StepRepr_PropertyDefinition) definition = new StepRepr_PropertyDefinition;
        definition->Init(Text(name), Standard_True, new TCollection_HAsciiString(""), carrier);
        StepRepr_RepresentedDefinition represented;
        represented.SetValue(definition);
        Handle(StepRepr_PropertyDefinitionRepresentation) link =
            new StepRepr_PropertyDefinitionRepresentation;
        link->Init(represented, representation);
        Handle(StepBasic_GeneralProperty) general = new StepBasic_GeneralProperty;
        general->Init(new TCollection_HAsciiString(""), Text(name), Standard_False, nullptr);
        Handle(StepData_UndefinedEntity) association = new StepData_UndefinedEntity;
        Handle(Interface_Check) check = new Interface_Check;
        association->ReadRecord(myAssociationRecord, 1, check);
        association->UndefinedContent()->SetEntity(3, Interface_ParamIdent, general);
        association->UndefinedContent()->SetEntity(4, Interface_ParamIdent, definition);
        for (const Handle(Standard_Transient)& entity :
             {Handle(Standard_Transient)(link), Handle(Standard_Transient)(general)}) {
            myModel->AddWithRefs(entity);
        }
        myModel->AddEntity(association);
    }

    Handle(StepData_StepModel) myModel;
    Handle(StepRepr_RepresentationContext) myContext;
    Handle(StepData_StepReaderData) myAssociationRecord;
};

// The occurrence the writer made of a component; null when it made none.
Handle(StepRepr_NextAssemblyUsageOccurrence)
OccurrenceOf(const Handle(Transfer_FinderProcess)& process, const TDF_Label& component)
{
    Handle(StepShape_ContextDependentShapeRepresentation) placement;
    if (!process->FindTypedTransient(
            TransferBRep::ShapeMapper(process, XCAFDoc_ShapeTool::GetShape(component)),
            STANDARD_TYPE(StepShape_ContextDependentShapeRepresentation), placement) ||
        placement->RepresentedProductRelation().IsNull()) {
        return nullptr;
    }
    return Handle(StepRepr_NextAssemblyUsageOccurrence)::DownCast(
        placement->RepresentedProductRelation()->Definition().ProductDefinitionRelationship());
}

// A shape aspect of the part that names the body's item in the part's shape; null when the
// writer made no item of the body.
Handle(StepRepr_ShapeAspect) AspectOf(const Handle(Transfer_FinderProcess)& process,
                                      const Handle(StepShape_ShapeDefinitionRepresentation)& part,
                                      const TopoDS_Shape& body,
                                      const Handle(StepData_StepModel)& model)
{
    Handle(StepRepr_RepresentationItem) item;
    const Handle(StepRepr_ProductDefinitionShape) shape =
        Handle(StepRepr_ProductDefinitionShape)::DownCast(part->Definition().PropertyDefinition());
    if (shape.IsNull() ||
        !process->FindTypedTransient(TransferBRep::ShapeMapper(process, body),
                                     STANDARD_TYPE(StepRepr_RepresentationItem), item)) {
        return nullptr;
    }
    const StepItemUsage made =
        StepItemUsage::Make(shape, part->UsedRepresentation(), item, StepData_LFalse);
    model->AddWithRefs(made.usage);
    return made.aspect;
}

// The product's id and description, as the document holds them, into the written product.
void WriteProductText(const TDF_Label& label, const Handle(StepBasic_ProductDefinition)& definition)
{
    const Handle(StepBasic_Product) product =
        definition->Formation().IsNull() ? nullptr : definition->Formation()->OfProduct();
    if (product.IsNull()) {
        return;
    }
    Handle(TDataStd_AsciiString) id;
    if (label.FindAttribute(TDataStd_AsciiString::GetID(), id) && !id->Get().IsEmpty()) {
        product->SetId(new TCollection_HAsciiString(id->Get()));
    }
    Handle(TDataStd_Comment) description;
    if (label.FindAttribute(TDataStd_Comment::GetID(), description)) {
        product->SetDescription(Text(description->Get()));
    }
}

} // namespace

void WriteStepUserProperties(const Handle(XSControl_WorkSession)& session,
                             const XdeDocumentImpl& impl)
{
    const Handle(StepData_StepModel) model = Handle(StepData_StepModel)::DownCast(session->Model());
    if (model.IsNull() || impl.shapeTool.IsNull()) {
        return;
    }
    const Handle(Transfer_FinderProcess) process = session->TransferWriter()->FinderProcess();
    PropertyWriter writer(model);
    TDF_LabelSequence labels;
    impl.shapeTool->GetShapes(labels);
    for (const TDF_Label& label : labels) {
        const Handle(StepShape_ShapeDefinitionRepresentation) shape =
            StepWrittenEntities::ShapeDefinitionOf(process, XCAFDoc_ShapeTool::GetShape(label));
        const Handle(StepBasic_ProductDefinition) product =
            StepWrittenEntities::ProductDefinitionOf(shape);
        if (product.IsNull()) {
            continue;
        }
        WriteProductText(label, product);
        Handle(TDataStd_NamedData) data;
        if (label.FindAttribute(TDataStd_NamedData::GetID(), data)) {
            writer.Write(data, product);
        }
        TDF_LabelSequence components;
        XCAFDoc_ShapeTool::GetComponents(label, components);
        for (const TDF_Label& component : components) {
            const Handle(StepRepr_NextAssemblyUsageOccurrence) occurrence =
                OccurrenceOf(process, component);
            if (component.FindAttribute(TDataStd_NamedData::GetID(), data) &&
                !occurrence.IsNull()) {
                writer.Write(data, occurrence);
            }
        }
        TDF_LabelSequence bodies;
        XCAFDoc_ShapeTool::GetSubShapes(label, bodies);
        for (const TDF_Label& body : bodies) {
            if (!body.FindAttribute(TDataStd_NamedData::GetID(), data)) {
                continue;
            }
            const Handle(StepRepr_ShapeAspect) aspect =
                AspectOf(process, shape, XCAFDoc_ShapeTool::GetShape(body), model);
            if (!aspect.IsNull()) {
                writer.Write(data, aspect);
            }
        }
    }
}

} // namespace orvkit
