// The kernel's STEP parser against OpenCASCADE's: on every file it takes, the loaded model must
// be the one OpenCASCADE's parser loads, entity by entity with the same check messages; what
// it does not take must be left to OpenCASCADE's parser, and numbers no geometry can hold must
// refuse the file.
#include "Support/StepModels.h"
#include "Support/TestSupport.h"

#include "Common/Core/ParameterDict.h"
#include "Geometry/IO/StepFileParse.h"
#include "Interop/Kernel/StepModelReader.h"

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>

using namespace orvkit;
using namespace orvtest;

namespace {

std::string StepFile(const std::string& data)
{
    return "ISO-10303-21;\nHEADER;\nFILE_DESCRIPTION(('a test'),'2;1');\n"
           "FILE_NAME('t.stp','2026-12-07',('me'),(''),'','','');\n"
           "FILE_SCHEMA(('AUTOMOTIVE_DESIGN { 1 0 10303 214 1 1 1 1 }'));\nENDSEC;\nDATA;\n" +
           data + "ENDSEC;\nEND-ISO-10303-21;\n";
}

// The first line at which two texts differ, for a failure message.
std::string FirstDifference(const std::string& expected, const std::string& actual)
{
    std::istringstream a(expected);
    std::istringstream b(actual);
    std::string left;
    std::string right;
    int line = 1;
    while (std::getline(a, left) && std::getline(b, right) && left == right) {
        ++line;
    }
    return "line " + std::to_string(line) + ":\n  OCCT: " + left + "\n  ours: " + right;
}

// A model's description without the values of its value representation items: ours keeps the
// typed booleans and numbers there that OpenCASCADE's reading leaves empty.
std::string WithoutItemValues(const std::string& description)
{
    static const std::regex kValue(R"((VALUE_REPRESENTATION_ITEM\('[^']*',)[^;]*;)");
    return std::regex_replace(description, kValue, "$1...;");
}

// Both parsers on one file: ours must take it, make the records OpenCASCADE's scanner makes
// and load the model OpenCASCADE's parser loads, with the same graph.
void ExpectSameModel(const std::string& path)
{
    const std::optional<std::string> records = FlattenOcctStepRecords(ReadWholeFile(path));
    ASSERT_TRUE(records) << path;
    EXPECT_EQ(FlattenStepParse(StepFileParse::Read(path)), *records) << path;
    const ParsedStepModel ours = ParseStepModel(path, false);
    ASSERT_FALSE(ours.model.IsNull()) << path << ": " << StepFileParse::Read(path).GetReason();
    const ParsedStepModel stock = ParseStepModel(path, true);
    ASSERT_FALSE(stock.model.IsNull()) << path;
    ASSERT_GT(stock.model->NbEntities(), 0) << path;
    const std::string expected = WithoutItemValues(DescribeStepModel(stock.model));
    const std::string actual = WithoutItemValues(DescribeStepModel(ours.model));
    if (expected != actual) {
        FAIL() << path << ": models differ at " << FirstDifference(expected, actual);
    }
    if (stock.graph != ours.graph) {
        FAIL() << path << ": sharing lists differ at " << FirstDifference(stock.graph, ours.graph);
    }
}

} // namespace

TEST(StepFileParseTest, LoadsTheModelOpenCascadeLoadsOnEveryCorpusFile)
{
    int files = 0;
    for (const char* folder : {"step", "step-pmi", "large"}) {
        const std::string dir = CorpusFile(folder);
        if (dir.empty() || !std::filesystem::is_directory(dir)) {
            continue;
        }
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            ExpectSameModel(entry.path().string());
            ++files;
        }
    }
    ExpectSameModel(SamplePath());
    if (files == 0) {
        GTEST_SKIP() << "corpus not available; only the sample was compared";
    }
}

// B-rep entities, well formed and not.
std::string BrepRecords()
{
    return "#1=CARTESIAN_POINT('p',(0.,0.,0.));\n#2=CARTESIAN_POINT('\\X2\\00E9\\X0\\',(1.,0.));\n"
           "#3=CARTESIAN_POINT('',(1.,2.,3.,4.));\n#4=DIRECTION('',(0.,0.,1.));\n"
           "#5=DIRECTION('',(1.,0.,0.,0.));\n#6=VECTOR('',#4,2);\n#7=VECTOR('',#1,1.);\n"
           "#8=AXIS2_PLACEMENT_3D('',#1,$,$);\n#9=AXIS2_PLACEMENT_3D('',#1,#4,#5);\n"
           "#10=AXIS2_PLACEMENT_3D('',#1,#4,#1);\n#11=LINE('',#1,#6);\n#12=LINE('',#1,#4);\n"
           "#13=AXIS2_PLACEMENT_2D('',#2,$);\n#14=CIRCLE('',#13,5.);\n#15=CIRCLE('',#9,.5);\n"
           "#16=PLANE('',#9);\n#17=PLANE('',#13);\n#18=CYLINDRICAL_SURFACE('',#9,2.);\n"
           "#19=VERTEX_POINT('v',#1);\n#20=VERTEX_POINT('',#4);\n#21=VERTEX_POINT('',#3);\n"
           "#22=EDGE_CURVE('',#19,#19,#15,.T.);\n#23=EDGE_CURVE('',#19,#21,#11,.T.);\n"
           "#24=EDGE_CURVE('',#19,#21,#40,.F.);\n#25=ORIENTED_EDGE('',*,*,#22,.F.);\n"
           "#26=ORIENTED_EDGE('',#19,*,#22,.T.);\n#27=EDGE_LOOP('',(#25,#25));\n"
           "#28=EDGE_LOOP('',(#25));\n#29=EDGE_LOOP('',(#26));\n#30=FACE_OUTER_BOUND('',#27,.T.);\n"
           "#31=FACE_BOUND('',#27,.F.);\n#32=FACE_BOUND('',#25,.T.);\n"
           "#33=ADVANCED_FACE('f',(#30,#31),#16,.T.);\n#34=ADVANCED_FACE('',(),#18,.F.);\n"
           "#35=ADVANCED_FACE('',(#30),#11,.T.);\n#36=ADVANCED_FACE('',(#31),#41,.T.);\n"
           "#37=LINE('it''s',#1,#6);\n#38=LINE('a\nb',#1,#6);\n#39=LINE(#1,'',#6);\n"
           "#40=(BOUNDED_CURVE()B_SPLINE_CURVE(1,(#1,#2),.UNSPECIFIED.,.F.,.F.)"
           "B_SPLINE_CURVE_WITH_KNOTS((2,2),(0.,1.),.UNSPECIFIED.)CURVE()GEOMETRIC_REPRESENTATION_"
           "ITEM()"
           "RATIONAL_B_SPLINE_CURVE((1.,1.))REPRESENTATION_ITEM(''));\n"
           "#41=B_SPLINE_SURFACE_WITH_KNOTS('',1,1,((#1,#3),(#3,#1)),.UNSPECIFIED.,.F.,.F.,.F.,"
           "(2,2),(2,2),(0.,1.),(0.,1.),.UNSPECIFIED.);\n"
           "#42=ORIENTED_EDGE('',*,*,#24,.T.);\n#43=EDGE_LOOP('open',(#42));\n";
}

// Assembly structure, well formed and not.
std::string AssemblyRecords()
{
    return "#1=CARTESIAN_POINT('',(0.,0.,0.));\n#2=DIRECTION('',(0.,0.,1.));\n"
           "#3=DIRECTION('',(1.,0.,0.));\n#4=AXIS2_PLACEMENT_3D('',#1,#2,#3);\n"
           "#5=(GEOMETRIC_REPRESENTATION_CONTEXT(3)GLOBAL_UNCERTAINTY_ASSIGNED_CONTEXT(())"
           "GLOBAL_UNIT_ASSIGNED_CONTEXT(())REPRESENTATION_CONTEXT('',''));\n"
           "#6=SHAPE_REPRESENTATION('a',(#4),#5);\n#7=SHAPE_REPRESENTATION('b',(#4),#5);\n"
           "#8=ITEM_DEFINED_TRANSFORMATION('','',#4,#4);\n"
           "#9=ITEM_DEFINED_TRANSFORMATION('t',$,#4,#1);\n"
           "#10=(REPRESENTATION_RELATIONSHIP('','',#6,#7)"
           "REPRESENTATION_RELATIONSHIP_WITH_TRANSFORMATION(#8)SHAPE_REPRESENTATION_RELATIONSHIP())"
           ";"
           "\n"
           "#11=(REPRESENTATION_RELATIONSHIP('r',$,#6,#7)"
           "REPRESENTATION_RELATIONSHIP_WITH_TRANSFORMATION(#4)SHAPE_REPRESENTATION_RELATIONSHIP())"
           ";"
           "\n"
           "#12=(REPRESENTATION_RELATIONSHIP_WITH_TRANSFORMATION(#9)"
           "REPRESENTATION_RELATIONSHIP('','',#7,#6)SHAPE_REPRESENTATION_RELATIONSHIP());\n"
           "#13=PRODUCT_CONTEXT('',#14,'mechanical');\n#14=APPLICATION_CONTEXT('');\n"
           "#15=PRODUCT('p','p','',(#13));\n#16=PRODUCT_DEFINITION_FORMATION('','',#15);\n"
           "#17=PRODUCT_DEFINITION_CONTEXT('part definition',#14,'design');\n"
           "#18=PRODUCT_DEFINITION('d','',#16,#17);\n#19=PRODUCT_DEFINITION('e','',#16,#17);\n"
           "#20=NEXT_ASSEMBLY_USAGE_OCCURRENCE('1','n','',#18,#19,$);\n"
           "#21=NEXT_ASSEMBLY_USAGE_OCCURRENCE('2','\\X2\\00E9\\X0\\',$,#18,#19,'ref');\n"
           "#22=PRODUCT_DEFINITION_SHAPE('s','',#20);\n#23=PRODUCT_DEFINITION_SHAPE('s',$,#18);\n"
           "#24=PRODUCT_DEFINITION_SHAPE('it''s','',#18);\n"
           "#25=CONTEXT_DEPENDENT_SHAPE_REPRESENTATION(#10,#22);\n"
           "#26=CONTEXT_DEPENDENT_SHAPE_REPRESENTATION(#12,#23);\n"
           "#27=CONTEXT_DEPENDENT_SHAPE_REPRESENTATION(#6,#22);\n";
}

// A face colour through the whole chain, a predefined colour over it, a curve's style,
// their presentation and a layer; then records OpenCASCADE reads with a complaint (an
// unknown side, counts, classes a field does not take, an empty list, a null style) or
// reads but does not share (a styled representation).
std::string StyleRecords()
{
    return "#1=CARTESIAN_POINT('',(0.,0.,0.));\n#2=DIRECTION('',(0.,0.,1.));\n"
           "#3=DIRECTION('',(1.,0.,0.));\n#4=AXIS2_PLACEMENT_3D('',#1,#2,#3);\n#5=PLANE('',#4);\n"
           "#6=VERTEX_POINT('',#1);\n#7=CIRCLE('',#4,1.);\n#8=EDGE_CURVE('',#6,#6,#7,.T.);\n"
           "#9=ORIENTED_EDGE('',*,*,#8,.T.);\n#10=EDGE_LOOP('',(#9));\n"
           "#11=FACE_OUTER_BOUND('',#10,.T.);\n#12=ADVANCED_FACE('f',(#11),#5,.T.);\n"
           "#13=(GEOMETRIC_REPRESENTATION_CONTEXT(3)GLOBAL_UNCERTAINTY_ASSIGNED_CONTEXT(())"
           "GLOBAL_UNIT_ASSIGNED_CONTEXT(())REPRESENTATION_CONTEXT('',''));\n"
           "#14=SHAPE_REPRESENTATION('s',(#4),#13);\n"
           "#20=COLOUR_RGB('',0.2,0.4,1);\n#21=FILL_AREA_STYLE_COLOUR('',#20);\n"
           "#22=FILL_AREA_STYLE('',(#21));\n#23=SURFACE_STYLE_FILL_AREA(#22);\n"
           "#24=SURFACE_SIDE_STYLE('',(#23));\n#25=SURFACE_STYLE_USAGE(.BOTH.,#24);\n"
           "#26=PRESENTATION_STYLE_ASSIGNMENT((#25));\n#27=STYLED_ITEM('color',(#26),#12);\n"
           "#28=DRAUGHTING_PRE_DEFINED_COLOUR('red');\n#29=FILL_AREA_STYLE_COLOUR('',#28);\n"
           "#30=FILL_AREA_STYLE('',(#29));\n#31=SURFACE_STYLE_FILL_AREA(#30);\n"
           "#32=SURFACE_SIDE_STYLE('',(#31));\n#33=SURFACE_STYLE_USAGE(.POSITIVE.,#32);\n"
           "#34=PRESENTATION_STYLE_ASSIGNMENT((#33,#25));\n"
           "#35=OVER_RIDING_STYLED_ITEM('overriding color',(#34,#26),#12,#27);\n"
           "#36=DRAUGHTING_PRE_DEFINED_CURVE_FONT('continuous');\n"
           "#37=CURVE_STYLE('',#36,POSITIVE_LENGTH_MEASURE(0.1),#28);\n"
           "#38=PRESENTATION_STYLE_ASSIGNMENT((#37));\n#39=STYLED_ITEM('',(#38),#7);\n"
           "#40=MECHANICAL_DESIGN_GEOMETRIC_PRESENTATION_REPRESENTATION('',(#27,#35,#39),#13);\n"
           "#41=PRESENTATION_LAYER_ASSIGNMENT('layer','',(#12,#14));\n"
           "#50=SURFACE_STYLE_USAGE(.FRONT.,#24);\n#51=SURFACE_STYLE_USAGE(#24,.BOTH.);\n"
           "#52=SURFACE_STYLE_USAGE(.BOTH.,#24,#24);\n#53=COLOUR_RGB('',0.1,0.2);\n"
           "#54=STYLED_ITEM('',(#26),#14);\n#55=STYLED_ITEM('',(),#12);\n"
           "#56=STYLED_ITEM('',(#25),#12);\n#57=OVER_RIDING_STYLED_ITEM('',(#26),#12,#26);\n"
           "#58=PRESENTATION_STYLE_ASSIGNMENT((.NULL.));\n#59=FILL_AREA_STYLE_COLOUR('',#12);\n"
           "#60=SURFACE_SIDE_STYLE('',(#21));\n#61=FILL_AREA_STYLE('',(#23));\n"
           "#62=SURFACE_STYLE_FILL_AREA(#21);\n#63=COLOUR_RGB('',0.1,'g',0.3);\n"
           "#64=MECHANICAL_DESIGN_GEOMETRIC_PRESENTATION_REPRESENTATION('',(#27),#14);\n"
           "#65=PRESENTATION_LAYER_ASSIGNMENT('l',$,(#12));\n"
           "#66=PRESENTATION_LAYER_ASSIGNMENT('l','',(#26));\n"
           "#67=DRAUGHTING_PRE_DEFINED_COLOUR('it''s');\n#68=STYLED_ITEM($,(#26),#12);\n";
}

// Every construct of the file format, each in a file of its own so that a difference names it.
TEST(StepFileParseTest, LoadsTheModelOpenCascadeLoadsForEveryConstruct)
{
    const TempDir dir;
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"nested and empty lists",
         "#1=CARTESIAN_POINT('',(0.,0.,0.));\n#2=CARTESIAN_POINT('',(1.,0.,0.));\n"
         "#3=B_SPLINE_CURVE_WITH_KNOTS('',1,(#1,#2),.UNSPECIFIED.,.F.,.F.,(2,2),(0.,1.),"
         ".UNSPECIFIED.);\n#4=B_SPLINE_SURFACE_WITH_KNOTS('',1,1,((#1,#2),(#2,#1)),"
         ".UNSPECIFIED.,.F.,.F.,.F.,(2,2),(2,2),(0.,1.),(0.,1.),.UNSPECIFIED.);\n"
         "#5=PRODUCT('p','p','',());\n"},
        {"typed parameters",
         "#1=DIMENSIONAL_EXPONENTS(1.,0.,0.,0.,0.,0.,0.);\n"
         "#2=(LENGTH_UNIT()NAMED_UNIT(*)SI_UNIT(.MILLI.,.METRE.));\n"
         "#3=MEASURE_REPRESENTATION_ITEM('d',LENGTH_MEASURE(2.5),#2);\n"
         "#4=UNCERTAINTY_MEASURE_WITH_UNIT(LENGTH_MEASURE(1.E-07),#2,'distance','');\n"
         "#5=DESCRIPTIVE_REPRESENTATION_ITEM('x',DESCRIPTIVE_MEASURE('y'));\n"},
        {"complex entities, one out of order",
         "#1=(GEOMETRIC_REPRESENTATION_CONTEXT(3)GLOBAL_UNCERTAINTY_ASSIGNED_CONTEXT(())"
         "GLOBAL_UNIT_ASSIGNED_CONTEXT(())REPRESENTATION_CONTEXT('',''));\n"
         "#2=(SI_UNIT(.MILLI.,.METRE.)LENGTH_UNIT()NAMED_UNIT(*));\n"},
        {"strings: doubled apostrophes, escapes, line breaks, comment marks",
         "#1=PRODUCT('it''s','\\X2\\00E9\\X0\\','\\S\\e and \\X\\E9','two\nlines',());\n"
         "#2=PRODUCT('/* not a comment */','a, b) c','''' , '',());\n"
         "#3=PRODUCT('ends with spaces'   ,'x'\n,'y', ());\n"},
        {"enumerations, logicals, binaries, omitted and derived values",
         "#1=ORIENTED_EDGE('',*,*,#1,.T.);\n#2=VERTEX_POINT('',$);\n"
         "#3=BOOLEAN_RESULT(.DIFFERENCE.,$,$);\n#4=CURVE_STYLE('',$,$,$);\n"
         "#5=SOME_BINARY(\"0F3A\",.U.);\n"},
        {"comments, blanks, tabs and CRLF between tokens",
         "/* a comment\n over lines */#1 = CARTESIAN_POINT ( '' , ( 1. , /* x */ 2. ,3.) ) ;\r\n"
         "#2\t=\tDIRECTION('',(0.,0.,1.));\r\n/**/#3=VECTOR('',#2,1.);\n"},
        {"numbers in all their spellings",
         "#1=CARTESIAN_POINT('',(1.5E-3,-2.,+3.,.5));\n#2=CARTESIAN_POINT('',(0.E+000,1.E99,"
         "-12.25E+02));\n#3=B_SPLINE_CURVE_WITH_KNOTS('',+2,(#1,#2),.UNSPECIFIED.,.F.,.F.,"
         "(-2,2),(0.,1.),.UNSPECIFIED.);\n"},
        {"dangling references, unknown types, gaps in the numbering",
         "#10=CARTESIAN_POINT('',(0.,0.,0.));\n#12=LINE('',#10,#99);\n"
         "#20=NOT_A_STEP_ENTITY('x',(#10,#12),3);\n#7=VERTEX_POINT('',#10);\n"},
        {"a name given twice, a reference to #0",
         "#1=CARTESIAN_POINT('',(0.,0.,0.));\n#1=DIRECTION('',(0.,0.,1.));\n"
         "#2=VECTOR('',#1,1.);\n#3=VERTEX_POINT('',#0);\n"},
        {"names far apart",
         "#1000000=CARTESIAN_POINT('',(0.,0.,0.));\n"
         "#900000000=VERTEX_POINT('',#1000000);\n#7=VERTEX_POINT('',#900000000);\n"},
        {"user-defined types", "#1=!MY_THING('a',1);\n#2=CARTESIAN_POINT('',(0.,0.,0.));\n"},
    };
    for (const auto& [name, data] : cases) {
        SCOPED_TRACE(name);
        ExpectSameModel(dir.Write(std::string("case.stp"), StepFile(data)));
    }
    // Keywords in any case and an empty header section.
    ExpectSameModel(dir.Write("keywords.stp", "iso-10303-21;header;endsec;data;\n"
                                              "#1=CARTESIAN_POINT('',(0.,0.,0.));\n"
                                              "endsec;end-iso-10303-21;\ntrailing junk"));
}

// Records the kernel decodes itself next to ones it leaves to OpenCASCADE because
// OpenCASCADE would say something or make something else of them.
TEST(StepFileParseTest, LoadsTheModelOpenCascadeLoadsForEveryDecodedRecord)
{
    const TempDir dir;
    const std::pair<const char*, std::string> cases[] = {
        {"B-rep entities", BrepRecords()},
        {"assembly structure", AssemblyRecords()},
        {"styles", StyleRecords()},
    };
    for (const auto& [name, data] : cases) {
        SCOPED_TRACE(name);
        ExpectSameModel(dir.Write(std::string("case.stp"), StepFile(data)));
    }
}

// OpenCASCADE 7.6's parser frees memory it did not allocate at the end of a scope, and its
// reader data loads nothing of a file with one: such a file is refused, whole, with the reason.
TEST(StepFileParseTest, RefusesScopesOpenCascadeCannotLoad)
{
    const StepFileParse parse = StepFileParse::FromText(
        StepFile("#2=CARTESIAN_POINT('',(0.,0.,0.));\n#1=&SCOPE\n#3=VERTEX_POINT('',#2);\n"
                 "ENDSCOPE\nVERTEX_POINT('',#2);\n"));
    EXPECT_EQ(parse.GetOutcome(), StepFileParse::Refused);
    EXPECT_EQ(parse.GetReason(), "entity #1 opens a scope (&SCOPE), which OpenCASCADE cannot load");
    EXPECT_TRUE(parse.GetChunks().empty());
}

// Malformed files are left to OpenCASCADE's parser, which recovers in its own ways; the import
// says so in the log and reads what OpenCASCADE reads.
TEST(StepFileParseTest, LeavesWhatItDoesNotTakeToOpenCascade)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"missing ;", StepFile("#1=CARTESIAN_POINT('',(0.,0.,0.))\n#2=VERTEX_POINT('',#1);\n")},
        {"stray character", StepFile("#1=CARTESIAN_POINT('',(0.,@,0.));\n")},
        {"lowercase exponent", StepFile("#1=CARTESIAN_POINT('',(1.5e3,0.,0.));\n")},
        {"a scope's end alone", StepFile("#1=CARTESIAN_POINT('',(0.,0.,0.));\nENDSCOPE\n")},
        {"unterminated string", StepFile("#1=PRODUCT('abc);\n")},
        {"unterminated comment", StepFile("/* #1=PRODUCT('a','b','',());\n")},
        {"no end", "ISO-10303-21;\nHEADER;\nENDSEC;\nDATA;\n#1=CARTESIAN_POINT('',(0.,0.,0.));\n"},
        {"empty data section", StepFile("")},
        {"no parameter list", StepFile("#1=CARTESIAN_POINT;\n")},
        {"garbage", "\x01\x02\x03 not a STEP file"},
    };
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        const StepFileParse parse = StepFileParse::FromText(text);
        EXPECT_EQ(parse.GetOutcome(), StepFileParse::NotTaken);
        EXPECT_NE(parse.GetReason().find("at byte"), std::string::npos) << parse.GetReason();
        EXPECT_TRUE(parse.GetChunks().empty());
    }

    const TempDir dir;
    std::string sample = ReadWholeFile(SamplePath());
    sample.replace(sample.find("DATA;"), 5, "DATA;\n#999999=@;\n");
    const std::string path = dir.Write("stray.stp", sample);
    const ScopedLogCapture log;
    XdeDocumentImpl ours;
    ASSERT_TRUE(StepModelReader().Open(path, ours, nullptr));
    const std::vector<LogRecord> records = log->GetRecords();
    EXPECT_TRUE(std::any_of(records.begin(), records.end(), [&](const LogRecord& record) {
        return record.level == 2 &&
               record.text == "STEP reader: " + path +
                                  " is read with OpenCASCADE's parser (a type expected at byte " +
                                  std::to_string(sample.find("@")) + ")";
    }));
    ParameterDict stock;
    stock.Add(StepModelReader::StockParserKey, ParameterCreator::Create(true));
    XdeDocumentImpl theirs;
    ASSERT_TRUE(StepModelReader().Open(path, theirs, &stock));
    EXPECT_EQ(ours.freeShapes.Length(), theirs.freeShapes.Length());
}

TEST(StepFileParseTest, RefusesNumbersNoGeometryCanHold)
{
    for (const char* number :
         {"1.E308", "-1.E400", "1.E999", "2.0000000001E100", "-2.1E+100", "1234567890.E95",
          "100000000000000000000000000000000000000000000000000000000000"
          "00000000000000000000000000000000000000000000."}) {
        SCOPED_TRACE(number);
        const StepFileParse parse = StepFileParse::FromText(
            StepFile("#1=CARTESIAN_POINT('',(0.,0.,0.));\n#7=CARTESIAN_POINT('',(0.," +
                     std::string(number) + ",0.));\n"));
        EXPECT_EQ(parse.GetOutcome(), StepFileParse::Refused);
        EXPECT_NE(parse.GetReason().find("entity #7 holds the number "), std::string::npos)
            << parse.GetReason();
        EXPECT_NE(parse.GetReason().find("(magnitudes up to 2e+100)"), std::string::npos)
            << parse.GetReason();
    }
    // OpenCASCADE writes an unbounded parameter as its infinite, 2e100, and reads it back.
    for (const char* number :
         {"1.E99", "1.9E100", "-0.00001E104", "1.E-400", "2.E100", "-2.E+100", "0.02E+102"}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(StepFileParse::FromText(
                      StepFile("#7=CARTESIAN_POINT('',(0.," + std::string(number) + ",0.));\n"))
                      .GetOutcome(),
                  StepFileParse::Parsed);
    }

    // The import gives the reason and an empty document, without waiting for the translator.
    const TempDir dir;
    const std::string path = dir.Write(
        "far.stp", StepFile("#1=CARTESIAN_POINT('',(1.E308,0.,0.));\n#2=VERTEX_POINT('',#1);\n"));
    XdeDocumentImpl impl;
    EXPECT_FALSE(StepModelReader().Open(path, impl, nullptr));
    EXPECT_EQ(impl.failure.kind, LoadFailureParseError);
    EXPECT_NE(impl.failure.detail.find("entity #1 holds the number 1.E308"), std::string::npos)
        << impl.failure.detail;
    EXPECT_TRUE(impl.freeShapes.IsEmpty());
}

// A large file is cut into chunks parsed at once; the records must be those of one pass, also
// when cuts fall into strings that look like entity ends.
TEST(StepFileParseTest, ChunksGiveTheRecordsOfOnePass)
{
    // Points only, then products whose strings hold what a cut looks for (";", a line end, "#").
    for (const bool tricky : {false, true}) {
        SCOPED_TRACE(tricky ? "cuts in strings" : "clean cuts");
        std::string data;
        const int count = 90000;
        data.reserve(std::size_t(count) * 80);
        for (int i = 1; i <= count; ++i) {
            const std::string n = std::to_string(i);
            if (tricky && i % 2 == 0) {
                data += "#" + n + "=PRODUCT('x;\n#" + n + "=','(',' ;\n#',());\n";
            } else {
                data += "#" + n + "=CARTESIAN_POINT('',(" + n + ".,-1.5E-3,(1,2)));\n";
            }
        }
        const std::string text = StepFile(data);
        ASSERT_GE(text.size(), StepFileParse::ParallelFrom);
        const StepFileParse one = StepFileParse::FromText(text, 1);
        ASSERT_EQ(one.GetOutcome(), StepFileParse::Parsed) << one.GetReason();
        EXPECT_EQ(one.GetChunks().size(), 1u);
        // Seven header records (three entities, four sub-lists); a point is three records (its
        // two sub-lists first), a product two.
        EXPECT_EQ(one.GetHeaderCount(), 7);
        EXPECT_EQ(one.GetRecordCount(), 7 + (tricky ? count / 2 * 5 : count * 3));
        for (const unsigned threads : {2u, 3u, 7u}) {
            const StepFileParse many = StepFileParse::FromText(text, threads);
            ASSERT_EQ(many.GetOutcome(), StepFileParse::Parsed) << many.GetReason();
            if (!tricky) {
                EXPECT_EQ(many.GetChunks().size(), threads);
            }
            EXPECT_EQ(many.GetParamCount(), one.GetParamCount());
            EXPECT_EQ(FlattenStepParse(many), FlattenStepParse(one));
        }
    }
}
