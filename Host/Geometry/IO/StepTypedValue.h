#pragma once

#include <StepBasic_MeasureValueMember.hxx>
#include <TCollection_AsciiString.hxx>

namespace orvkit {

// A value of a value representation item that OpenCASCADE 7.6's measure value cannot hold: a
// BOOLEAN_VALUE, LOGICAL_VALUE, INTEGER_VALUE, REAL_VALUE or a number of a measure type it does
// not list (NUMERIC_MEASURE). Its reader refuses those type
// names and keeps an empty value, and its writer writes whatever name and kind the value
// gives, so the same object serves both ways.
class StepTypedValue : public StepBasic_MeasureValueMember {
public:
    // BOOLEAN_VALUE(.T.) or (.F.).
    static Handle(StepTypedValue) Boolean(bool value);
    // LOGICAL_VALUE(.T.), (.F.) or (.U.).
    static Handle(StepTypedValue) Logical(StepData_Logical value);
    // INTEGER_VALUE(n).
    static Handle(StepTypedValue) Integer(int value);
    // A number of the type given: REAL_VALUE(x), NUMERIC_MEASURE(x).
    static Handle(StepTypedValue) Number(const char* type, double value);

    Standard_Boolean HasName() const override { return Standard_True; }
    Standard_CString Name() const override { return myName.ToCString(); }
    Standard_Boolean SetName(const Standard_CString name) override;
    Standard_Integer Kind() const override { return myKind; }
    void SetKind(const Standard_Integer kind) override { myKind = kind; }
    Standard_Integer Int() const override { return myInt; }
    void SetInt(const Standard_Integer value) override { myInt = value; }

    DEFINE_STANDARD_RTTI_INLINE(StepTypedValue, StepBasic_MeasureValueMember)

private:
    TCollection_AsciiString myName;
    Standard_Integer myKind = 0;
    Standard_Integer myInt = 0;
};

} // namespace orvkit
