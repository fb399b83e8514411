#include "StepTypedValue.h"

namespace orvkit {

Handle(StepTypedValue) StepTypedValue::Boolean(bool value)
{
    Handle(StepTypedValue) typed = new StepTypedValue;
    typed->SetName("BOOLEAN_VALUE");
    typed->SetBoolean(value);
    return typed;
}

Handle(StepTypedValue) StepTypedValue::Logical(StepData_Logical value)
{
    Handle(StepTypedValue) typed = new StepTypedValue;
    typed->SetName("LOGICAL_VALUE");
    typed->SetLogical(value);
    return typed;
}

Handle(StepTypedValue) StepTypedValue::Integer(int value)
{
    Handle(StepTypedValue) typed = new StepTypedValue;
    typed->SetName("INTEGER_VALUE");
    typed->SetInteger(value);
    return typed;
}

Handle(StepTypedValue) StepTypedValue::Number(const char* type, double value)
{
    Handle(StepTypedValue) typed = new StepTypedValue;
    typed->SetName(type);
    typed->SetKind(5);
    typed->SetReal(value);
    return typed;
}

Standard_Boolean StepTypedValue::SetName(const Standard_CString name)
{
    myName = name;
    return Standard_True;
}

} // namespace orvkit
