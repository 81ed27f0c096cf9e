// Comma text, the checked plug-ins file format and the server switches.
#include "portable/CheckedList.h"
#include "portable/CommaText.h"
#include "portable/ServerSwitches.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using portable::FormatCheckedLines;
using portable::IsListed;
using portable::ParseCheckedLines;
using portable::SplitCommaText;
using portable::ToCommaText;
using Names = std::vector<std::string>;

constexpr char kStowick[] = "{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}";
constexpr char kPostrel[] = "{7725CB74-418B-4D66-A48E-453CDD089DE2}";

TEST(CommaText, JoinsIdentifiersWithSingleCommasAndNoQuotes)
{
    EXPECT_EQ(ToCommaText({kStowick, kPostrel}), std::string(kStowick) + "," + kPostrel);
    EXPECT_EQ(ToCommaText({}), "");
    EXPECT_EQ(ToCommaText({""}), "\"\"");
    EXPECT_EQ(ToCommaText({"a", "", "b"}), "a,\"\",b");
}

TEST(CommaText, QuotesNamesWithBlanksControlsCommasOrQuotes)
{
    EXPECT_EQ(ToCommaText({"my plugin"}), "\"my plugin\"");
    EXPECT_EQ(ToCommaText({"a,b", "x"}), "\"a,b\",x");
    EXPECT_EQ(ToCommaText({"say \"hi\""}), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(ToCommaText({"tab\there"}), "\"tab\there\"");
    EXPECT_EQ(ToCommaText({"quote\"only"}), "\"quote\"\"only\"");
    // Characters above the space, 8-bit ones included, need no quotes.
    EXPECT_EQ(ToCommaText({"caf\xe9", "{x}"}), "caf\xe9,{x}");
}

TEST(CommaText, SplitsOnCommasAndBlanksOutsideQuotes)
{
    EXPECT_EQ(SplitCommaText(""), Names{});
    EXPECT_EQ(SplitCommaText("  \t "), Names{});
    EXPECT_EQ(SplitCommaText("a,b"), (Names{"a", "b"}));
    EXPECT_EQ(SplitCommaText("a b\tc"), (Names{"a", "b", "c"}));
    EXPECT_EQ(SplitCommaText(" a , b "), (Names{"a", "b"}));
    EXPECT_EQ(SplitCommaText("\"a b,c\",d"), (Names{"a b,c", "d"}));
    EXPECT_EQ(SplitCommaText("\"say \"\"hi\"\"\""), (Names{"say \"hi\""}));
    EXPECT_EQ(SplitCommaText("\"\""), (Names{""}));
}

TEST(CommaText, CommasAlwaysSeparateTwoEntries)
{
    EXPECT_EQ(SplitCommaText("a,,b"), (Names{"a", "", "b"}));
    EXPECT_EQ(SplitCommaText(",a"), (Names{"", "a"}));
    EXPECT_EQ(SplitCommaText("a,"), (Names{"a", ""}));
    EXPECT_EQ(SplitCommaText("a, "), (Names{"a", ""}));
    EXPECT_EQ(SplitCommaText(","), (Names{"", ""}));
}

TEST(CommaText, MalformedQuotesStayInsideTheText)
{
    EXPECT_EQ(SplitCommaText("\"open, end"), (Names{"open, end"}));
    EXPECT_EQ(SplitCommaText("\"ab\"cd"), (Names{"ab", "cd"}));
    EXPECT_EQ(SplitCommaText("x\"y"), (Names{"x\"y"}));
}

TEST(CommaText, RoundTripsAnyList)
{
    const std::vector<Names> lists = {
        {},
        {""},
        {"", ""},
        {kStowick, kPostrel},
        {" lead", "trail ", "a,b", "\"", "\"\"", ",", "x y z"},
        {std::string("nul\0inside", 10), "\x01\x1f", "\x7f\xff"},
    };
    for (const Names& names : lists)
        EXPECT_EQ(SplitCommaText(ToCommaText(names)), names) << ToCommaText(names);
}

TEST(CheckedLines, AcceptsEveryLineEndAndAMissingLastOne)
{
    const Names two = {kStowick, kPostrel};
    for (const char* end : {"\r\n", "\n", "\r"}) {
        const std::string text = std::string(kStowick) + end + kPostrel;
        EXPECT_EQ(ParseCheckedLines(text), two) << "without last end";
        EXPECT_EQ(ParseCheckedLines(text + end), two) << "with last end";
    }
    EXPECT_EQ(ParseCheckedLines("a\n\r\nb\r\r"), (Names{"a", "", "b", ""}));
    EXPECT_EQ(ParseCheckedLines("a\n\rb"), (Names{"a", "", "b"}));
}

TEST(CheckedLines, KeepsBlanksAndStopsAtNul)
{
    EXPECT_EQ(ParseCheckedLines(""), Names{});
    EXPECT_EQ(ParseCheckedLines(" a \r\n\tb"), (Names{" a ", "\tb"}));
    EXPECT_EQ(ParseCheckedLines(std::string("a\r\nb\0c\r\nd", 9)), (Names{"a", "b"}));
    EXPECT_EQ(ParseCheckedLines(std::string("\0a", 2)), Names{});
}

TEST(CheckedLines, WritesCrLfAfterEveryLineAndNothingForNone)
{
    EXPECT_EQ(FormatCheckedLines({}), "");
    EXPECT_EQ(FormatCheckedLines({kStowick}), std::string(kStowick) + "\r\n");
    EXPECT_EQ(FormatCheckedLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
    const Names lines = {kPostrel, kStowick};
    EXPECT_EQ(ParseCheckedLines(FormatCheckedLines(lines)), lines);
}

TEST(CheckedLines, MatchIgnoresLetterCaseButNotBlanks)
{
    const Names lines = {"{04e83ea8-4c59-4f35-8720-b6b5dddb83fe}", std::string(kPostrel) + " "};
    EXPECT_TRUE(IsListed(lines, kStowick));
    EXPECT_FALSE(IsListed(lines, kPostrel));
    EXPECT_FALSE(IsListed({}, kStowick));
    EXPECT_FALSE(IsListed({"{04E83EA8}"}, kStowick));
    // The comparison is the caller's to choose.
    EXPECT_FALSE(IsListed(lines, kStowick, [](std::string_view a, std::string_view b) {
        return a == b;
    }));
}

TEST(ServerSwitches, SlashOrHyphenInAnyCase)
{
    const auto reg = portable::ParseServerSwitches({"/REGSERVER"});
    EXPECT_TRUE(reg.regServer);
    EXPECT_TRUE(reg.RegistrationOnly());
    EXPECT_FALSE(reg.unregServer || reg.StartedByCom());

    const auto unreg = portable::ParseServerSwitches({"-unregserver"});
    EXPECT_TRUE(unreg.unregServer);
    EXPECT_FALSE(unreg.regServer);

    EXPECT_TRUE(portable::ParseServerSwitches({"x", "-Embedding"}).StartedByCom());
    EXPECT_TRUE(portable::ParseServerSwitches({"/automation"}).automation);
}

TEST(ServerSwitches, IgnoresOtherForms)
{
    for (const char* arg : {"REGSERVER", "--regserver", "/regserverx", "/reg", "/", "-", "",
                            "\\regserver", "/ regserver"}) {
        const auto s = portable::ParseServerSwitches({arg});
        EXPECT_FALSE(s.regServer || s.unregServer || s.automation || s.embedding) << arg;
    }
    EXPECT_FALSE(portable::ParseServerSwitches({}).RegistrationOnly());
}

} // namespace
