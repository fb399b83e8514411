// The XDE kernel: reading and writing STEP and IGES, failures, and the process-wide state it
// must leave as it found it.
#include "Support/TestSupport.h"

#include "Common/Core/ParameterDict.h"
#include "Interop/Kernel/IgesModelReader.h"
#include "Interop/Kernel/IgesNumberCheck.h"
#include "Interop/Kernel/StepModelReader.h"
#include "Interop/Kernel/XdeDocumentSTEP.h"
#include "Interop/Kernel/XdeLabelImpl.h"

#include <Interface_Static.hxx>
#include <STEPCAFControl_Reader.hxx>

#include "Common/Core/Progress.h"

#include <algorithm>
#include <filesystem>

using namespace orvkit;
using namespace orvtest;

namespace {

class KernelTest : public ::testing::Test {
protected:
    // A STEP file with one red box named "Box".
    std::string WriteBoxStep(const std::string& name = "box.step")
    {
        XcafBuilder builder;
        const TDF_Label box = builder.AddPart("Box", MakeBox(1, 2, 3));
        builder.SetColor(box, Quantity_Color(Quantity_NOC_RED));
        const std::string path = myDir.File(name);
        EXPECT_TRUE(builder.SaveStep(path));
        return path;
    }

    TempDir myDir;
};

TEST_F(KernelTest, StepRoundTripKeepsNameAndColourAndFillsTheTools)
{
    const std::string path = WriteBoxStep();
    XdeDocumentImpl impl;
    ASSERT_TRUE(StepModelReader().Open(path, impl, nullptr));
    ASSERT_FALSE(impl.shapeTool.IsNull());
    ASSERT_FALSE(impl.colorTool.IsNull());
    ASSERT_FALSE(impl.dimTolTool.IsNull());
    ASSERT_EQ(impl.freeShapes.Length(), 1);
    const TDF_Label label = impl.freeShapes.First();
    EXPECT_EQ(TCollection_AsciiString(XdeLabelImpl(label).GetName()), "Box");
    Quantity_Color color;
    EXPECT_TRUE(impl.colorTool->GetColor(label, XCAFDoc_ColorSurf, color));
    EXPECT_TRUE(
        ColorNear(Quantity_Color(Quantity_NOC_RED), color.Red(), color.Green(), color.Blue()));
}

TEST_F(KernelTest, ReadersRestoreTheTranslatorParametersTheyChange)
{
    STEPCAFControl_Reader registersParameters;
    ASSERT_TRUE(Interface_Static::SetIVal("read.step.product.mode", 0));
    ASSERT_TRUE(Interface_Static::SetCVal("read.step.codepage", "CP1252"));
    XdeDocumentImpl impl;
    ASSERT_TRUE(StepModelReader().Open(WriteBoxStep(), impl, nullptr));
    EXPECT_EQ(Interface_Static::IVal("read.step.product.mode"), 0);
    EXPECT_STREQ(Interface_Static::CVal("read.step.codepage"), "CP1252");
    Interface_Static::SetIVal("read.step.product.mode", 1);
    Interface_Static::SetCVal("read.step.codepage", "UTF8");
}

TEST_F(KernelTest, AnUnknownCodePageFailsTheReadInsteadOfReadingWithAnother)
{
    const std::string path = WriteBoxStep();
    ParameterDict settings;
    settings.Add("CodePage", ParameterCreator::Create("NoSuchCodePage"));
    ScopedLogCapture log;
    XdeDocumentImpl impl;
    EXPECT_FALSE(StepModelReader().Open(path, impl, &settings));
    EXPECT_TRUE(
        log.Contains(4, "Cannot read file: " + path + " (unknown code page 'NoSuchCodePage')"));
    settings.Add("CodePage", ParameterCreator::Create("CP1251"));
    EXPECT_TRUE(StepModelReader().Open(path, impl, &settings));
}

TEST_F(KernelTest, BadFilesFailWithALogLineAndLeaveAnEmptyDocument)
{
    const std::string step = ReadWholeFile(WriteBoxStep());
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty.step", ""},
        {"truncated.step", step.substr(0, step.size() / 2)},
        {"garbage.step", "this is not a STEP file\n"},
        {"binary.igs", std::string("\x00\x01\x02\xff\xfe", 5)},
        {"garbage.iges", "hello\nworld\n"},
    };
    for (const auto& [name, content] : files) {
        const std::string path = myDir.Write(name, content);
        ScopedLogCapture log;
        XdeDocumentImpl impl;
        const bool isStep = name.find(".step") != std::string::npos;
        const bool read = isStep ? StepModelReader().Open(path, impl, nullptr)
                                 : IgesModelReader().Open(path, impl, nullptr);
        EXPECT_FALSE(read) << name;
        EXPECT_TRUE(impl.freeShapes.IsEmpty()) << name;
        EXPECT_FALSE(impl.shapeTool.IsNull()) << name;
        EXPECT_FALSE(log->GetRecords().empty()) << name;
    }
    XdeDocumentImpl impl;
    EXPECT_FALSE(StepModelReader().Open(myDir.File("missing.step"), impl, nullptr));
    EXPECT_FALSE(StepModelReader().Open(myDir.GetPath(), impl, nullptr));
    EXPECT_FALSE(IgesModelReader().Open("", impl, nullptr));
}

// A fuzzed file whose validation properties name a missing measure or unit element: the read
// gets past them instead of following the missing reference, and keeps the one it can decode.
TEST_F(KernelTest, DamagedValidationPropertiesAreLeftUnread)
{
    XdeDocumentImpl impl;
    ASSERT_TRUE(StepModelReader().Open(TestDataFile("crashers/damaged-validation-properties.stp"),
                                       impl, nullptr))
        << impl.failure.Describe();
    ASSERT_EQ(impl.declaredValidation.size(), 1u);
    const XdeValidationProps& values = impl.declaredValidation.front().values;
    EXPECT_FALSE(values.hasVolume);
    EXPECT_FALSE(values.hasArea);
    EXPECT_TRUE(values.hasCentroid);
}

// A fuzzed IGES file whose entities carry a Name property without a value: the names are read
// around it.
TEST_F(KernelTest, ANamePropertyWithoutValueIsNoName)
{
    XdeDocumentImpl impl;
    EXPECT_TRUE(IgesModelReader().Open(TestDataFile("crashers/name-property-without-value.igs"),
                                       impl, nullptr))
        << impl.failure.Describe();
    EXPECT_FALSE(impl.freeShapes.IsEmpty());
}

TEST_F(KernelTest, TranslatorMemoryFaultsBecomeFailedReads)
{
    for (const char* file : {"crashers/bug33327.igs", "crashers/bug33569-reduced.stp"}) {
        const std::string path = CorpusFile(file);
        if (path.empty()) {
            GTEST_SKIP() << "corpus not available";
        }
        ScopedLogCapture log;
        XdeDocumentImpl impl;
        const bool read = std::string(file).find(".igs") != std::string::npos
                              ? IgesModelReader().Open(path, impl, nullptr)
                              : StepModelReader().Open(path, impl, nullptr);
        EXPECT_FALSE(read) << file;
        EXPECT_TRUE(impl.freeShapes.IsEmpty()) << file;
        bool reported = false;
        for (const LogRecord& record : log->GetRecords()) {
            reported = reported || record.text.find("SIGSEGV") != std::string::npos;
        }
        EXPECT_TRUE(reported) << file;
    }
}

TEST_F(KernelTest, ReadsReportProgressToTheInstalledHandler)
{
    struct Recorder : ProgressHandler {
        void Update(const std::string& step, double fraction) override
        {
            steps.push_back(step);
            fractions.push_back(fraction);
        }
        void Finish() override { ++finished; }
        std::vector<std::string> steps;
        std::vector<double> fractions;
        int finished = 0;
    };
    const std::string path = WriteBoxStep();
    auto recorder = std::make_shared<Recorder>();
    Progress::Instance().SetHandler(recorder);
    XdeDocumentImpl impl;
    const bool read = StepModelReader().Open(path, impl, nullptr);
    const bool failed = StepModelReader().Open(myDir.Write("bad.step", "nonsense"), impl, nullptr);
    Progress::Instance().SetHandler(nullptr);

    EXPECT_TRUE(read);
    EXPECT_FALSE(failed);
    EXPECT_EQ(recorder->finished, 2) << "a failed read ends its progress too";
    ASSERT_GE(recorder->fractions.size(), 2u);
    EXPECT_EQ(recorder->steps.front(), "Reading STEP file");
    EXPECT_TRUE(std::is_sorted(recorder->fractions.begin(), recorder->fractions.end() - 1));
    EXPECT_NEAR(*std::max_element(recorder->fractions.begin(), recorder->fractions.end()), 1.0,
                1e-9);
}

TEST_F(KernelTest, AFailedSaveLeavesNoFileAndKeepsAnExistingOne)
{
    XcafBuilder builder;
    builder.AddPart("Box", MakeBox(1, 1, 1));
    builder.Finish();
    EXPECT_FALSE(
        XdeDocumentSTEP::Save(myDir.File("no/such/folder/out.step"), builder.GetImpl(), nullptr));

    // A target that cannot be replaced (a folder) stays as it is, and no temporary is left.
    const std::string blocked = myDir.File("blocked.step");
    std::filesystem::create_directory(blocked);
    EXPECT_FALSE(XdeDocumentSTEP::Save(blocked, builder.GetImpl(), nullptr));
    EXPECT_TRUE(std::filesystem::is_directory(blocked));

    // An existing file is replaced only by a complete one.
    const std::string existing = myDir.Write("existing.step", "old content");
    XdeDocumentImpl empty;
    // A document without shapes gives the writer nothing to write: the save fails.
    EXPECT_FALSE(XdeDocumentSTEP::Save(existing, empty, nullptr));
    EXPECT_EQ(ReadWholeFile(existing), "old content");
    ASSERT_TRUE(XdeDocumentSTEP::Save(existing, builder.GetImpl(), nullptr));
    EXPECT_NE(ReadWholeFile(existing).find("ISO-10303-21"), std::string::npos);
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(myDir.GetPath())) {
        entries += entry.path().string().find(".tmp-") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(entries, 0u);
}

// The IGES check takes numbers up to OpenCASCADE's infinite, which its own writer puts where a
// parameter has no bound, and refuses what lies beyond.
TEST(IgesNumberCheckTest, NumbersUpToOpenCascadesInfiniteAreTakenAndBeyondRefused)
{
    const auto line = [](std::string data, char section, int number) {
        data.resize(72, ' ');
        const std::string sequence = std::to_string(number);
        return data + section + std::string(7 - sequence.size(), ' ') + sequence + "\n";
    };
    const TempDir dir;
    const std::pair<std::string, bool> cases[] = {
        {"2.0D100", false},      {"-2.D+100", false}, {"1.9999E100", false},
        {"2.0000001D100", true}, {"-2.1D+100", true}, {"-1.0D999", true},
    };
    for (const auto& [number, refused] : cases) {
        SCOPED_TRACE(number);
        std::string parameters = "110,0.0,0.0,0.0," + number + ",1.0,1.0;";
        parameters.resize(64, ' ');
        const std::string path =
            dir.Write("line.igs", line("", 'S', 1) + line("1H,,1H;;", 'G', 1) +
                                      line(parameters + "       1", 'P', 1) +
                                      line("S      1G      1D      0P      1", 'T', 1));
        const std::string reason = FindHostileIgesNumber(path);
        EXPECT_EQ(reason.empty(), !refused) << reason;
        if (refused) {
            EXPECT_EQ(reason, "entity at directory line 1 holds the number " + number +
                                  ", beyond what OpenCASCADE's geometry holds (magnitudes up "
                                  "to 2e+100)");
        }
    }
}

} // namespace
