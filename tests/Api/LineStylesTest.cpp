// Reading a .lin file through the library: the styles in a document, or the failure with its
// reason, and the lines the reader skipped, as values rather than log lines.
#include "Support/TestSupport.h"

#include "orvex/LineStyles.h"

#include "Data/Kernel/Document.h"
#include "Data/Kernel/ElementTable.h"
#include "Data/Kernel/LineStyleElement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using orvtest::TempDir;

size_t StyleCount(const orvkit::Document& document)
{
    const orvkit::ElementTable* table =
        document.FindTable(orvkit::LineStyleElement::GetStaticClassId());
    return table == nullptr ? 0 : table->GetIds().size();
}

TEST(LineStylesTest, AFailedReadSaysWhyWithoutTheLog)
{
    const TempDir dir;
    const struct {
        std::string path;
        const char* kind;
        const char* reason;
    } cases[] = {
        {dir.File("absent.lin"), "not found", "no such file"},
        {dir.Write("empty.lin", ""), "empty", "the file is empty"},
        {dir.Write("notes.lin", "; nothing but a comment\n"), "nothing transferable",
         "no line-style definitions (a \"*NAME,description\" line followed by an \"A,...\" "
         "line)"},
        {dir.Write("typo.lin", "*A,a\nA,1\n*B,b\nA,1,-O.5\n"), "parse error",
         "not a number: \"-O.5\""},
    };
    for (const auto& c : cases) {
        const orvex::LineStylesResult read = orvex::ReadLineStyles(c.path);
        EXPECT_FALSE(read) << c.path;
        EXPECT_EQ(read.failure.kind, c.kind) << c.path;
        EXPECT_EQ(read.failure.reason, c.reason) << c.path;
        EXPECT_EQ(read.failure.path, c.path);
    }
}

TEST(LineStylesTest, SkippedLinesAreWarningsAndNotesAreNot)
{
    const TempDir dir;
    const std::string path = dir.Write("skip.lin", "A,1\n*OK,ok\nA,1,-0.5,[\"T\",STD,R=30]\n");
    const orvex::LineStylesResult read = orvex::ReadLineStyles(path);

    ASSERT_TRUE(read) << read.failure.reason;
    EXPECT_EQ(StyleCount(*read.document), 1u);
    // The pattern's unknown rotation key is a note, not a skipped line.
    EXPECT_EQ(read.warnings,
              std::vector<std::string>{"[.lin line style parser]inconsistent line style pairs"});
    // Each read has a document of its own.
    EXPECT_NE(orvex::ReadLineStyles(path).document, read.document);
}

} // namespace
