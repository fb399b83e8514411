// Settings dictionaries, text and path helpers, and the logger.
#include "Support/TestSupport.h"

#include "Common/Core/Logger.h"
#include "Common/Core/ObjectId.h"
#include "Common/Core/ParameterDict.h"
#include "Common/Core/PathUtil.h"
#include "Common/Core/StringUtil.h"

using namespace orvkit;

namespace {

TEST(ParameterDictTest, LaterAddReplacesTheValueAndCastFallsBackToTheDefault)
{
    ParameterDict dict;
    dict.Add("UseColor", ParameterCreator::Create(true));
    dict.Add("UseColor", ParameterCreator::Create(false));
    EXPECT_EQ(dict.Size(), 1u);
    EXPECT_FALSE(ParameterCast::Cast(dict.Find("UseColor"), true));
    EXPECT_EQ(dict.Find("Missing"), nullptr);
    EXPECT_TRUE(ParameterCast::Cast(dict.Find("Missing"), true));
    EXPECT_EQ(ParameterCast::Cast(dict.Find("Missing"), 7), 7);
    EXPECT_EQ(dict.GetString("Missing", "fallback"), "fallback");

    dict.Add("FilePath", ParameterCreator::Create("零件.step"));
    EXPECT_EQ(ParameterCast::Cast(dict.Find("FilePath"), ""), "零件.step");
    // Text cannot stand for a number or a flag.
    EXPECT_EQ(ParameterCast::Cast(dict.Find("FilePath"), 3), 3);
    EXPECT_TRUE(ParameterCast::Cast(dict.Find("FilePath"), true));

    dict.Add("Count", ParameterCreator::Create(2));
    EXPECT_TRUE(ParameterCast::Cast(dict.Find("Count"), false));
    EXPECT_DOUBLE_EQ(ParameterCast::Cast(dict.Find("Count"), 0.0), 2.0);
    EXPECT_EQ(dict.GetString("Count", ""), "2");
    EXPECT_EQ(dict.GetString("UseColor", ""), "false");

    dict.Add("Ignored", nullptr);
    EXPECT_EQ(dict.Find("Ignored"), nullptr);
    EXPECT_TRUE(dict.Remove("Count"));
    EXPECT_FALSE(dict.Remove("Count"));
    EXPECT_EQ(dict.GetKeys(), (std::vector<std::string>{"FilePath", "UseColor"}));
}

TEST(StringUtilTest, NonAsciiTextRoundTripsThroughEveryForm)
{
    const std::string names[] = {"螺栓", "Ärger ß", "деталь", "🟊 star", "plain"};
    for (const std::string& name : names) {
        EXPECT_EQ(StringUtil::ToA(StringUtil::ToW(name).c_str()), name);
        EXPECT_EQ(StringUtil::ToA(StringUtil::ToU16(name).c_str()), name);
        EXPECT_EQ(StringUtil::UTF82AStr(StringUtil::ToUTF8(name)), name);
    }
    // A character outside the basic plane takes a surrogate pair in UTF-16.
    EXPECT_EQ(StringUtil::ToU16("🟊").size(), 2u);
    EXPECT_EQ(StringUtil::ToW("🟊").size(), 1u);
}

TEST(StringUtilTest, MalformedUtf8BecomesReplacementCharacters)
{
    EXPECT_EQ(StringUtil::ToW(std::string("a\xff"
                                          "b")),
              L"a\xfffd"
              L"b");
    EXPECT_EQ(StringUtil::ToW(std::string("\xe8\xba")), L"\xfffd\xfffd"); // cut short
    EXPECT_EQ(StringUtil::ToW(std::string("\xc0\xaf")), L"\xfffd\xfffd"); // overlong '/'
    EXPECT_EQ(StringUtil::ToA(static_cast<const wchar_t*>(nullptr)), "");
}

TEST(StringUtilTest, ReplaceSwapsEveryOccurrence)
{
    EXPECT_EQ(StringUtil::Replace("NAUO12", "NAUO", ""), "12");
    EXPECT_EQ(StringUtil::Replace("aNAUObNAUO", "NAUO", "-"), "a-b-");
    EXPECT_EQ(StringUtil::Replace("abc", "", "x"), "abc");
    EXPECT_EQ(StringUtil::Replace("aaa", "a", "aa"), "aaaaaa");
}

TEST(PathUtilTest, ExtensionKeepsItsDotAndCase)
{
    EXPECT_EQ(PathUtil::Extension("dir/part.step"), ".step");
    EXPECT_EQ(PathUtil::Extension("part.STEP"), ".STEP");
    EXPECT_EQ(PathUtil::Extension("archive.tar.gz"), ".gz");
    EXPECT_EQ(PathUtil::Extension("dir.v2/part"), "");
    EXPECT_EQ(PathUtil::Extension(".profile"), "");
    EXPECT_EQ(PathUtil::Extension("C:\\models\\零件.igs"), ".igs");
    EXPECT_EQ(PathUtil::GetFileName("a/b/零件.igs"), "零件.igs");
    EXPECT_EQ(PathUtil::GetFileNameWithoutExt("a/b/零件.igs"), "零件");
    EXPECT_EQ(PathUtil::GetDirectory("a/b/c.igs"), "a/b");
    EXPECT_EQ(PathUtil::ToUtf8(L"零件.igs"), "零件.igs");
}

TEST(ObjectIdTest, NewIdsAreFreshAndTheNullIdIsZero)
{
    EXPECT_EQ(ObjectId::InvalidId.GetValue(), 0u);
    EXPECT_FALSE(ObjectId().IsValid());
    const ObjectId first = ObjectId::NewId();
    const ObjectId second = ObjectId::NewId();
    EXPECT_TRUE(first.IsValid());
    EXPECT_TRUE(first < second);
    EXPECT_NE(first, second);
}

TEST(LoggerTest, ErrorComesWithItsLocationLineAndIndentFollowsTheScope)
{
    orvtest::ScopedLogCapture log;
    ORVKIT_LOG_ERROR("Failed to create Type!");
    {
        LogAutoIndent outer("outer");
        Logger::Instance().Message(2, "%s %d", "depth", 1);
        LogAutoIndent inner("inner");
        Logger::Instance().Message(1, std::string("deeper"));
    }
    Logger::Instance().Message(1, "back");

    const auto& records = log->GetRecords();
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].level, 3);
    EXPECT_EQ(records[0].text, "Failed to create Type!");
    EXPECT_EQ(records[1].level, 1);
    EXPECT_EQ(records[1].text.rfind("\t#", 0), 0u);
    EXPECT_NE(records[1].text.find(", CoreTest.cpp"), std::string::npos);
    EXPECT_EQ(records[2].text, "depth 1");
    EXPECT_EQ(records[2].indent, 1);
    EXPECT_EQ(records[3].indent, 2);
    EXPECT_EQ(records[4].indent, 0);
}

TEST(LoggerTest, SinksOnlyGetTheLevelsTheyAskFor)
{
    struct Counting : LogSink {
        int GetMinLevel() const override { return 3; }
        void Write(const LogRecord&) override { ++count; }
        int count = 0;
    };
    auto sink = std::make_shared<Counting>();
    Logger::Instance().AddSink(sink);
    Logger::Instance().Message(1, "note");
    Logger::Instance().Message(3, "error");
    Logger::Instance().Report("shown to the user");
    Logger::Instance().RemoveSink(sink);
    Logger::Instance().Message(3, "after removal");
    EXPECT_EQ(sink->count, 2);
    EXPECT_EQ(Logger::GetFileName("/a/b/AXde2Doc.cpp"), "AXde2Doc.cpp");
    EXPECT_EQ(Logger::GetFileName("C:\\a\\b.cpp"), "b.cpp");
}

} // namespace
