// User-defined properties, product ids and descriptions of a STEP file: read onto the labels of
// what the file attaches them to, and kept by a write and a second read.
#include "Support/TestSupport.h"

#include "Interop/Kernel/StepModelReader.h"
#include "Interop/Kernel/XdeDocumentSTEP.h"
#include "Interop/Kernel/XdeModelEdit.h"

#include <TColStd_DataMapOfStringInteger.hxx>
#include <TDF_ChildIterator.hxx>
#include <TDataStd_AsciiString.hxx>
#include <TDataStd_Comment.hxx>
#include <TDataStd_DataMapOfStringReal.hxx>
#include <TDataStd_DataMapOfStringString.hxx>
#include <TDataStd_NamedData.hxx>

#include <map>
#include <sstream>

using namespace orvtest;

namespace {

// A label's properties as one line each, "name = text", "name = 1.25 kg" or "name = bool 1",
// in name order: a comparison shows every difference at once.
std::map<std::string, std::string> PropertiesOf(const TDF_Label& label)
{
    std::map<std::string, std::string> lines;
    Handle(TDataStd_NamedData) data;
    if (label.IsNull() || !label.FindAttribute(TDataStd_NamedData::GetID(), data)) {
        return lines;
    }
    const auto text = [](const TCollection_ExtendedString& value) {
        return std::string(TCollection_AsciiString(value).ToCString());
    };
    data->LoadDeferredData();
    for (TDataStd_DataMapIteratorOfDataMapOfStringString it(data->GetStringsContainer()); it.More();
         it.Next()) {
        lines[text(it.Key())] = text(it.Value());
    }
    for (TDataStd_DataMapIteratorOfDataMapOfStringReal it(data->GetRealsContainer()); it.More();
         it.Next()) {
        std::ostringstream value;
        value << it.Value();
        std::string& line = lines[text(it.Key())];
        line = value.str() + (line.empty() ? "" : " " + line);
    }
    for (TColStd_DataMapIteratorOfDataMapOfStringInteger it(data->GetIntegersContainer());
         it.More(); it.Next()) {
        lines[text(it.Key())] = "bool " + std::to_string(it.Value());
    }
    return lines;
}

std::string IdOf(const TDF_Label& label)
{
    Handle(TDataStd_AsciiString) id;
    return label.FindAttribute(TDataStd_AsciiString::GetID(), id) ? id->Get().ToCString() : "";
}

std::string DescriptionOf(const TDF_Label& label)
{
    Handle(TDataStd_Comment) comment;
    return label.FindAttribute(TDataStd_Comment::GetID(), comment)
               ? TCollection_AsciiString(comment->Get()).ToCString()
               : "";
}

// The sub-shape label of the part that holds properties; null when none does.
TDF_Label BodyWithProperties(const TDF_Label& part)
{
    for (TDF_ChildIterator it(part); it.More(); it.Next()) {
        if (it.Value().IsAttribute(TDataStd_NamedData::GetID())) {
            return it.Value();
        }
    }
    return {};
}

using Lines = std::map<std::string, std::string>;

// What the handwritten file holds, checked on a document read from it or from its copy.
void ExpectHandwrittenProperties(const orvkit::XdeDocumentImpl& impl)
{
    const TDF_Label frame = orvkit::XdeModelEdit::FindNamed(impl, "frame");
    const TDF_Label bracket = orvkit::XdeModelEdit::FindNamed(impl, "bracket");
    const TDF_Label placed = orvkit::XdeModelEdit::FindNamed(impl, "bracket-1");
    ASSERT_FALSE(frame.IsNull());
    ASSERT_FALSE(bracket.IsNull());
    ASSERT_FALSE(placed.IsNull());
    EXPECT_EQ(PropertiesOf(bracket), (Lines{{"revision", "B"},
                                            {"mass", "1.25 kg"},
                                            {"thickness", "0.5 inch"},
                                            {"coating weight", "0.2 kg/m2"},
                                            {"purchased", "bool 1"},
                                            {"batch size", "40"},
                                            {"inspected", "bool 0"},
                                            {"sheet count", "12"},
                                            {"supplier", "Acme Tools"}}));
    EXPECT_EQ(PropertiesOf(placed), (Lines{{"position", "left"}}));
    EXPECT_TRUE(PropertiesOf(frame).empty());
    const TDF_Label web = BodyWithProperties(bracket);
    ASSERT_FALSE(web.IsNull());
    EXPECT_EQ(XCAFDoc_ShapeTool::GetShape(web).ShapeType(), TopAbs_SHELL);
    EXPECT_EQ(PropertiesOf(web), (Lines{{"grade", "S235"}}));
    EXPECT_EQ(IdOf(bracket), "BR-1001");
    EXPECT_EQ(DescriptionOf(bracket), "Machined bracket, left hand");
    EXPECT_EQ(IdOf(frame), "FR-01");
    EXPECT_EQ(DescriptionOf(frame), "Welded frame");
}

TEST(StepUserPropertiesTest, PropertiesIdsAndDescriptionsAreReadOntoTheirLabels)
{
    orvkit::XdeDocumentImpl impl;
    ASSERT_TRUE(orvkit::StepModelReader().Open(TestDataFile("step-handwritten/user-properties.stp"),
                                               impl, nullptr));
    ExpectHandwrittenProperties(impl);
    // The property without a value is named, and the read goes on.
    EXPECT_EQ(
        impl.readWarnings,
        std::vector<std::string>{"1 user property without a value is left out: 'finish' (#150)"});
}

// Written back and read again, the document holds the same properties, ids and descriptions;
// the property that had no value stays out, and nothing else is left out.
TEST(StepUserPropertiesTest, AWriteAndASecondReadKeepThem)
{
    orvkit::XdeDocumentImpl impl;
    ASSERT_TRUE(orvkit::StepModelReader().Open(TestDataFile("step-handwritten/user-properties.stp"),
                                               impl, nullptr));
    const TempDir dir;
    const std::string copy = dir.File("copy.stp");
    ASSERT_TRUE(orvkit::XdeDocumentSTEP::Save(copy, impl, nullptr));
    orvkit::XdeDocumentImpl again;
    ASSERT_TRUE(orvkit::StepModelReader().Open(copy, again, nullptr));
    ExpectHandwrittenProperties(again);
    EXPECT_TRUE(again.readWarnings.empty()) << again.readWarnings.front();
}

} // namespace
