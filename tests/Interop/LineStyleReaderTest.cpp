// The .lin reader: the line state machine, element parsing, messages, and real QCAD files.
#include "Support/TestSupport.h"

#include "Data/Kernel/Document.h"
#include "Data/Kernel/LineStyleElement.h"
#include "LineStyleReader.h"

#include <charconv>
#include <clocale>
#include <fstream>
#include <regex>

#include <sys/stat.h>

using namespace orvkit;
using namespace orvtest;

namespace {

using Type = EnumLineStyleComponentType;

const std::string kPairs = "[.lin line style parser]inconsistent line style pairs";
const std::string kInvalidKey = "[.lin line style parser] invalid pattern key";
const std::string kTooShort = "[.lin line style parser] pattern component too short";

// The shortest text that reads back as exactly this number.
std::string Number(double value)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// The pattern as `Dash 2 Gap 0.2 Pattern["R",NOTE,S=0.2,X=-0.1] Gap 0.4`, a pattern part with
// the keys it has.
std::string Simple(const LineStyleElement& style)
{
    std::string text;
    for (const auto& component : style.GetComponents()) {
        static const char* const names[] = {"?", "Dash", "Gap", "Dot", "Pattern"};
        text += (text.empty() ? "" : " ") +
                std::string(names[static_cast<int>(component->GetStyleType())]);
        if (component->GetStyleType() != Type::Pattern) {
            text += " " + Number(component->GetLength());
            continue;
        }
        text += "[\"" + component->GetPattern() + "\"," + component->GetTextName();
        for (const auto& [key, value] : {std::pair{"S", component->GetS()},
                                         {"U", component->GetU()},
                                         {"X", component->GetX()},
                                         {"Y", component->GetY()}}) {
            text += value ? std::string(",") + key + "=" + Number(*value) : "";
        }
        text += "]";
    }
    return text;
}

class LineStyleReaderTest : public ::testing::Test {
protected:
    // Loads `text` as a .lin file into the test's document.
    void Load(const std::string& text, const std::string& name = "styles.lin")
    {
        LineStyleReader(&myDocument).Load(myDir.Write(name, text));
    }

    std::vector<LineStyleElement*> Styles() const
    {
        std::vector<LineStyleElement*> styles;
        for (ObjectId id : myDocument.FindTable(LineStyleElement::GetStaticClassId())->GetIds()) {
            styles.push_back(myDocument.FindElementAs<LineStyleElement>(id));
        }
        return styles;
    }

    LineStyleElement* Style(const std::string& name) const
    {
        for (LineStyleElement* style : Styles()) {
            if (style->GetName() == name) {
                return style;
            }
        }
        return nullptr;
    }

    // Level-3 records with this text.
    size_t Errors(const std::string& text) const
    {
        size_t count = 0;
        for (const LogRecord& record : myLog->GetRecords()) {
            count += record.level == 3 && record.text == text ? 1 : 0;
        }
        return count;
    }

    TempDir myDir;
    Document myDocument;
    ScopedLogCapture myLog;
};

TEST_F(LineStyleReaderTest, ReadsTheRailSample)
{
    Load("; rail styles\n"
         "*RAIL,Rail track - - -\n"
         "A,1.0,-0.5,0,-0.5\n"
         "*RAILNOTE,Rail with note\n"
         "A,2.0,-0.2,[\"R\",NOTE,S=0.2,X=-0.1,Y=-0.1],-0.4\n");

    const auto styles = Styles();
    ASSERT_EQ(styles.size(), 2u);
    EXPECT_EQ(styles[0]->GetName(), "RAIL");
    EXPECT_EQ(styles[0]->GetDescription(), "Rail track - - -");
    EXPECT_EQ(Simple(*styles[0]), "Dash 1 Gap 0.5 Dot 0 Gap 0.5");

    EXPECT_EQ(styles[1]->GetName(), "RAILNOTE");
    EXPECT_EQ(Simple(*styles[1]), "Dash 2 Gap 0.2 Pattern[\"R\",NOTE,S=0.2,X=-0.1,Y=-0.1] Gap 0.4");
    EXPECT_TRUE(myLog->GetRecords().empty());
}

TEST_F(LineStyleReaderTest, TitleLinesKeepNameAndDescriptionAsWritten)
{
    Load("   *INDENTED,spaces before the star\r\n"
         "A,1\r\n"
         "\t*TABBED,a tab is no indentation\n"
         "A,1\n"
         "*SPACED ,one, two, three\n"
         "   A,1\n"
         "*,no name\n"
         "A,1\n"
         "*NOCOMMA\n"
         "A,1\n"
         "a,1\n"
         "#other,1\n");

    const auto styles = Styles();
    ASSERT_EQ(styles.size(), 3u);
    EXPECT_EQ(styles[0]->GetName(), "INDENTED");
    EXPECT_EQ(styles[0]->GetDescription(), "spaces before the star") << "the CR is not kept";
    EXPECT_EQ(styles[1]->GetName(), "SPACED ");
    EXPECT_EQ(styles[1]->GetDescription(), "one, two, three");
    EXPECT_EQ(styles[2]->GetName(), "");
    EXPECT_EQ(Simple(*styles[2]), "Dash 1");
    // The tab-indented title is skipped, so its components line has no open style; so has the
    // line after the title without a comma.
    EXPECT_EQ(Errors(kPairs), 2u);
    EXPECT_EQ(Errors("[.lin line style parser]invalid title line"), 1u);
    EXPECT_EQ(Errors("[.lin line style parser]title line content invalid"), 1u);
}

TEST_F(LineStyleReaderTest, ComponentsLineElements)
{
    Load("*EMPTY,only the letter\nA\n"
         "*COMMA,one comma\nA,\n"
         "*HOLES,commas in a row\nA,1,,-1,\n"
         "*SPACES,spaces inside a number\nA, 1 . 5 ,-0,0\n"
         "*TRAILING,text after the number\nA,2mm,-3e-1x\n");

    EXPECT_EQ(Simple(*Style("EMPTY")), "");
    EXPECT_EQ(Simple(*Style("COMMA")), "");
    EXPECT_EQ(Simple(*Style("HOLES")), "Dash 1 Gap 1");
    EXPECT_EQ(Simple(*Style("SPACES")), "Dash 1.5 Dot 0 Dot 0");
    EXPECT_EQ(Simple(*Style("TRAILING")), "Dash 2 Gap 0.3");
}

TEST_F(LineStyleReaderTest, PatternElements)
{
    Load("*ONE,one part\nA,[ALONE],1\n"
         "*TWO,two parts\nA,[\"T\",STANDARD]\n"
         "*KEYS,keys of either case\nA,[\"T\",\"ST\",s=2,R=0,y=-1, X = - 0 . 5 ,u=30,S=3]\n"
         "*BAD,keys that are no keys\nA,[\"\",ltype.shx,S=,|=1,Q]\n"
         "*PIPE,a bar inside a part\nA,[A|B,C,S=1]\n");

    // The short pattern stays in the list.
    EXPECT_EQ(Simple(*Style("ONE")), "Pattern[\"\",] Dash 1");
    EXPECT_EQ(Errors(kTooShort), 1u);
    EXPECT_EQ(Simple(*Style("TWO")), "Pattern[\"T\",STANDARD]");
    // Of two values for S the last stays.
    EXPECT_EQ(Simple(*Style("KEYS")), "Pattern[\"T\",ST,S=3,U=30,X=-0.5,Y=-1]");
    // A pair of quotes around nothing is an empty pattern.
    EXPECT_EQ(Simple(*Style("BAD")), "Pattern[\"\",ltype.shx]");
    EXPECT_EQ(Simple(*Style("PIPE")), "Pattern[\"A|B\",C,S=1]");

    // R=0 of KEYS, then "S=", "|=1" and "Q" of BAD: notes at level 1, no error.
    size_t invalidKeys = 0;
    for (const LogRecord& record : myLog->GetRecords()) {
        invalidKeys += record.text == kInvalidKey ? 1 : 0;
        EXPECT_TRUE(record.text != kInvalidKey || record.level == 1);
    }
    EXPECT_EQ(invalidKeys, 4u);
}

TEST_F(LineStyleReaderTest, ErrorsAreFollowedByTheirLocationLine)
{
    Load("A,1\n");

    const auto& records = myLog->GetRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].level, 3);
    EXPECT_EQ(records[0].text, kPairs);
    EXPECT_EQ(records[1].level, 1);
    EXPECT_TRUE(std::regex_match(records[1].text, std::regex("\t#[0-9]+, ALineStyleReader\\.cpp")))
        << records[1].text;
    EXPECT_TRUE(Styles().empty());
}

TEST_F(LineStyleReaderTest, ALineTooLongIsDroppedWithAnErrorAndTheReadGoesOn)
{
    // Long enough to exhaust the stack of the recursive pattern matching if it were matched.
    // The dropped line leaves its style waiting for a components line, as a blank line would.
    Load("*LONG,long\nA," + std::string(200000, '1') + "\nA,1,-1\n" + std::string(100000, 'x'));
    // The long components line and the last line, which has no end.
    EXPECT_EQ(Errors("[.lin line style parser]line too long"), 2u);
    const auto styles = Styles();
    ASSERT_EQ(styles.size(), 1u);
    EXPECT_EQ(styles[0]->GetName(), "LONG");
    EXPECT_EQ(styles[0]->GetComponents().size(), 2u);
}

TEST_F(LineStyleReaderTest, ALineOfTheLongestLengthIsReadAndOneMoreIsNot)
{
    // 4096 characters before the line's end are read; 4097 are too many.
    Load("*EDGE," + std::string(4096 - 6, 'e') + "\nA,1\n*OVER," + std::string(4097 - 6, 'o') +
         "\nA,2\n");
    EXPECT_EQ(Errors("[.lin line style parser]line too long"), 1u);
    const auto styles = Styles();
    ASSERT_EQ(styles.size(), 1u);
    EXPECT_EQ(styles[0]->GetName(), "EDGE");
    EXPECT_EQ(styles[0]->GetDescription().size(), 4090u);
}

TEST_F(LineStyleReaderTest, ATitleWhileAStyleIsOpenIsLost)
{
    Load("*FIRST,first\n*SECOND,second\nA,1,-1\n*THIRD,third\nA,2\n");

    const auto styles = Styles();
    ASSERT_EQ(styles.size(), 2u);
    EXPECT_EQ(styles[0]->GetName(), "FIRST");
    EXPECT_EQ(Simple(*styles[0]), "Dash 1 Gap 1");
    EXPECT_EQ(styles[1]->GetName(), "THIRD");
    EXPECT_EQ(Errors(kPairs), 1u);
}

TEST_F(LineStyleReaderTest, AStyleLeftOpenAtTheEndIsUndone)
{
    Load("*KEPT,as it was\nA,1\n");
    LineStyleElement* kept = Style("KEPT");
    const size_t elements = myDocument.GetElementCount();

    Load("*KEPT,a new description\n");
    EXPECT_EQ(Style("KEPT"), kept);
    EXPECT_EQ(kept->GetDescription(), "as it was");
    EXPECT_EQ(Simple(*kept), "Dash 1");

    Load("*NEW,never finished\n");
    EXPECT_EQ(Style("NEW"), nullptr);
    EXPECT_EQ(myDocument.GetElementCount(), elements) << "the element made for it is gone";
}

TEST_F(LineStyleReaderTest, ReloadingUpdatesTheSameElements)
{
    Load("*A1,first\nA,1,-1\n*B1,second\nA,2\n");
    const auto before = Styles();
    ASSERT_EQ(before.size(), 2u);

    Load("*B1,second, again\nA,[X,Y]\n*A1,first, again\nA,3\n*C1,new\nA,0\n");
    const auto after = Styles();
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(after[0]->GetDescription(), "first, again");
    EXPECT_EQ(Simple(*after[0]), "Dash 3") << "the pattern is replaced as a whole";
    EXPECT_EQ(Simple(*after[1]), "Pattern[\"X\",Y]");
    EXPECT_EQ(after[2]->GetName(), "C1");
}

TEST_F(LineStyleReaderTest, ANumberThatIsNotOneStopsTheLoad)
{
    const std::string path = myDir.Write("bad.lin", "*GOOD,kept\nA,1\n"
                                                    "*HALF,left as it is\nA,1,dash,-1\n"
                                                    "*AFTER,never read\nA,1\n");
    try {
        LineStyleReader(&myDocument).Load(path);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& error) {
        EXPECT_NE(std::string(error.what()).find("\"dash\""), std::string::npos) << error.what();
    }
    ASSERT_EQ(Styles().size(), 2u);
    EXPECT_EQ(Simple(*Style("GOOD")), "Dash 1");
    EXPECT_EQ(Simple(*Style("HALF")), "") << "the open style gets no components";
    EXPECT_EQ(Style("AFTER"), nullptr);

    EXPECT_THROW(Load("*P,pattern\nA,[T,S,S=big]\n"), std::invalid_argument);
    EXPECT_THROW(Load("*R,range\nA,1e999\n"), std::out_of_range);
}

TEST_F(LineStyleReaderTest, NumbersAreTheLongestNumberAtTheStartOfTheValue)
{
    // As strtod reads them: trailing text ignored, hexadecimal and the special values taken.
    Load(
        "*N,numbers\nA,1.5abc,-0x10,0.25\n"
        "*CASE,upper-case keys where the other test has lower\nA,[\"T\",ST,S=nan,x=2,U=3,Y=inf]\n");
    EXPECT_EQ(Simple(*Style("N")), "Dash 1.5 Gap 16 Dash 0.25");
    EXPECT_EQ(Simple(*Style("CASE")), "Pattern[\"T\",ST,S=nan,U=3,X=2,Y=inf]");
}

TEST_F(LineStyleReaderTest, AMissingFileChangesNothingAndSaysNothing)
{
    const size_t elements = myDocument.GetElementCount();
    LineStyleReader reader(&myDocument);
    reader.Load(myDir.File("absent.lin"));
    reader.Load(myDir.GetPath());
    const std::string fifo = myDir.File("pipe.lin"); // would block a read for good
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    reader.Load(fifo);
    Load("; only a comment\n\n   \nxyz\n");
    EXPECT_EQ(myDocument.GetElementCount(), elements);
    EXPECT_TRUE(myLog->GetRecords().empty());
}

TEST_F(LineStyleReaderTest, NumbersDoNotFollowTheGlobalLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
    }
    Load("*COMMA,decimal comma locale\nA,0.5,-1.25,[T,S,S=2.5]\n");
    std::setlocale(LC_ALL, previous.c_str());

    EXPECT_EQ(Simple(*Style("COMMA")), "Dash 0.5 Gap 1.25 Pattern[\"T\",S,S=2.5]");
}

// Styles a .lin file defines, counted independently of the reader: title lines whose next
// title-or-components line is a components line.
std::vector<std::string> DefinedNames(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> names;
    std::string line;
    std::string pending;
    bool open = false;
    while (std::getline(in, line)) {
        line.erase(0, line.find_first_not_of(' '));
        if (!line.empty() && line[0] == '*') {
            pending = line.substr(1, line.find(',') - 1);
            open = true;
        } else if (!line.empty() && line[0] == 'A' && open) {
            names.push_back(pending);
            open = false;
        }
    }
    return names;
}

// The shared corpus's files; each test reads them into a document of its own or the fixture's.
class LineStyleCorpusTest : public LineStyleReaderTest {};

TEST_F(LineStyleCorpusTest, EveryQcadFileLoadsWhole)
{
    for (const char* name : {"lin/qcad.lin", "lin/qcadiso.lin", "lin/qcadiso-2014-10-07.lin"}) {
        const std::string path = CorpusFile(name);
        if (path.empty()) {
            GTEST_SKIP() << "the shared corpus is not beside the checkout";
        }
        Document document;
        ScopedLogCapture log;
        LineStyleReader(&document).Load(path);

        const std::vector<std::string> expected = DefinedNames(path);
        ASSERT_FALSE(expected.empty()) << name;
        std::vector<std::string> names;
        for (ObjectId id : document.FindTable(LineStyleElement::GetStaticClassId())->GetIds()) {
            const auto* style = document.FindElementAs<LineStyleElement>(id);
            names.push_back(style->GetName());
            EXPECT_FALSE(style->GetComponents().empty()) << name << " " << style->GetName();
        }
        EXPECT_EQ(names, expected) << name;
        for (const LogRecord& record : log->GetRecords()) {
            EXPECT_LT(record.level, 3) << name << ": " << record.text;
        }
    }
}

TEST_F(LineStyleCorpusTest, ComplexElementsOfQcadIso)
{
    const std::string path = CorpusFile("lin/qcadiso.lin");
    if (path.empty()) {
        GTEST_SKIP() << "the shared corpus is not beside the checkout";
    }
    LineStyleReader(&myDocument).Load(path);

    // A,12.7,-5.08,["GAS",STANDARD,S=2.54,R=0.0,X=-2.54,Y=-1.27],-6.35
    // R= is a rotation key the reader skips.
    ASSERT_NE(Style("GAS_LINE"), nullptr);
    EXPECT_EQ(Simple(*Style("GAS_LINE")),
              "Dash 12.7 Gap 5.08 Pattern[\"GAS\",STANDARD,S=2.54,X=-2.54,Y=-1.27] Gap 6.35");

    // A,.00254,-5.08,[ZIG,ltypeshp.shx,X=-5.08,S=5.08],-10.16,[ZIG,ltypeshp.shx,R=180,X=5.08,S=5.08],-5.08
    ASSERT_NE(Style("ZIGZAG"), nullptr);
    EXPECT_EQ(Simple(*Style("ZIGZAG")),
              "Dash 0.00254 Gap 5.08 Pattern[\"ZIG\",ltypeshp.shx,S=5.08,X=-5.08] "
              "Gap 10.16 Pattern[\"ZIG\",ltypeshp.shx,S=5.08,X=5.08] Gap 5.08");
}

} // namespace
