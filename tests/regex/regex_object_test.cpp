#include "regex/regex_object.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "text/codepage.h"

namespace netdisk {
namespace {

// Test texts are written in UTF-8 and handed to the object in code page 936.
Text gbk(std::string_view utf8) { return utf8_to_ansi(utf8); }

std::vector<Text> all_matches(const RegexObject& regex) {
  std::vector<Text> out;
  for (int i = 1; i <= regex.match_count(); ++i) out.push_back(regex.match_text(i));
  return out;
}

struct CreateCase {
  const char* name;
  Text pattern;
  Text subject;
  bool case_sensitive;
  bool quote_placeholder;
  bool created;
  std::vector<Text> matches;
};

class Create : public testing::TestWithParam<CreateCase> {};

TEST_P(Create, GivesTheExpectedMatches) {
  const CreateCase& c = GetParam();
  RegexObject regex;
  EXPECT_EQ(regex.create(c.pattern, c.subject, c.case_sensitive, true, true, c.quote_placeholder),
            c.created);
  EXPECT_EQ(all_matches(regex), c.matches);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Create,
    testing::Values(
        CreateCase{"NoMatchStillCreates", "x+", "abc", false, false, true, {}},
        CreateCase{"EmptySubject", "a", "", false, false, true, {}},
        CreateCase{"UnbalancedParenthesisIsRejected", "(a", "aaa", false, false, false, {}},
        CreateCase{"CaseIgnoredByDefault", "ABC", "abc ABC", false, false, true, {"abc", "ABC"}},
        CreateCase{"CaseSensitive", "ABC", "abc ABC", true, false, true, {"ABC"}},
        CreateCase{
            "PlaceholderBecomesQuote", gbk("a#引号b"), "x a\"b a#b", false, true, true, {"a\"b"}},
        CreateCase{"PlaceholderLiteralByDefault",
                   gbk("a#引号b"),
                   gbk("a\"b a#引号b"),
                   false,
                   false,
                   true,
                   {gbk("a#引号b")}},
        CreateCase{"EveryPlaceholderReplaced",
                   gbk("#引号(.*?)#引号"),
                   "\"x\" \"y\"",
                   false,
                   true,
                   true,
                   {"\"x\"", "\"y\""}},
        CreateCase{"DotDoesNotCrossLineFeed", "a.b", "a\nb", false, false, true, {}},
        CreateCase{"DotCrossesCarriageReturn", "a.b", "a\rb", false, false, true, {"a\rb"}},
        CreateCase{"TwoByteCharacterIsOneCharacter",
                   gbk("中."),
                   gbk("中文字"),
                   false,
                   false,
                   true,
                   {gbk("中文")}},
        CreateCase{"TwoByteCharacterClass",
                   gbk("[文字]+"),
                   gbk("中文字x"),
                   false,
                   false,
                   true,
                   {gbk("文字")}},
        CreateCase{"SubjectEndsAtZeroByte",
                   "abc",
                   std::string("abc\0abc", 7),
                   false,
                   false,
                   true,
                   {"abc"}},
        CreateCase{
            "PatternEndsAtZeroByte", std::string("a\0(", 3), "aa", false, false, true, {"a", "a"}}),
    [](const testing::TestParamInfo<CreateCase>& info) { return info.param.name; });

TEST(RegexObject, FreshObjectReadsEmpty) {
  RegexObject regex;
  EXPECT_EQ(regex.match_count(), 0);
  EXPECT_EQ(regex.sub_match_count(), 0);
  EXPECT_EQ(regex.match_text(1), "");
  EXPECT_EQ(regex.sub_match_text(1, 1), "");
  EXPECT_EQ(regex.pattern(), "");
  EXPECT_EQ(regex.replace("x"), "");
}

TEST(RegexObject, RejectedPatternReadsEmpty) {
  RegexObject regex;
  ASSERT_TRUE(regex.create("(a)", "a"));
  EXPECT_FALSE(regex.create("(a", "a"));
  EXPECT_EQ(regex.match_count(), 0);
  EXPECT_EQ(regex.sub_match_count(), 0);
  EXPECT_EQ(regex.match_text(1), "");
  EXPECT_EQ(regex.sub_match_text(1, 1), "");
  EXPECT_EQ(regex.replace("x"), "");
  // The engine itself was made: it still reports what it was given.
  EXPECT_EQ(regex.pattern(), "(a");
}

TEST(RegexObject, NumbersOutsideTheResultsReadEmpty) {
  RegexObject regex;
  ASSERT_TRUE(regex.create("(a)(b)?", "a ab"));
  ASSERT_EQ(regex.match_count(), 2);
  ASSERT_EQ(regex.sub_match_count(), 2);
  EXPECT_EQ(regex.match_text(1), "a");
  EXPECT_EQ(regex.match_text(2), "ab");
  EXPECT_EQ(regex.sub_match_text(2, 2), "b");
  for (int index : {0, -1, 3, INT_MAX, INT_MIN}) {
    EXPECT_EQ(regex.match_text(index), "") << index;
    EXPECT_EQ(regex.sub_match_text(index, 1), "") << index;
    EXPECT_EQ(regex.sub_match_text(1, index), "") << index;
  }
  // The second group took no part in the first match.
  EXPECT_EQ(regex.sub_match_text(1, 2), "");
}

TEST(RegexObject, SecondCreateReplacesTheResults) {
  RegexObject regex;
  ASSERT_TRUE(regex.create("(\\d)", "1 2 3"));
  ASSERT_EQ(regex.match_count(), 3);
  ASSERT_TRUE(regex.create("(\\d)", "7"));
  EXPECT_EQ(regex.match_count(), 1);
  EXPECT_EQ(regex.sub_match_text(1, 1), "7");
  EXPECT_EQ(regex.match_text(2), "");
  EXPECT_EQ(regex.sub_match_text(3, 1), "");
  ASSERT_TRUE(regex.create("x", "y"));
  EXPECT_EQ(regex.sub_match_count(), 0);
  EXPECT_EQ(regex.match_text(1), "");
}

TEST(RegexObject, OptionsSetTheEngine) {
  RegexObject regex;
  ASSERT_TRUE(regex.create("^b", "a\nb\nb"));
  EXPECT_EQ(regex.match_count(), 2);
  ASSERT_TRUE(regex.create("^b", "a\nb\nb", false, false));
  EXPECT_EQ(regex.match_count(), 0);
  ASSERT_TRUE(regex.create("b", "a\nb\nb", false, true, false));
  EXPECT_EQ(regex.match_count(), 1);
}

TEST(RegexObject, PatternReadsBackAfterThePlaceholder) {
  RegexObject regex;
  ASSERT_TRUE(regex.create(gbk("a#引号中"), "", false, true, true, true));
  EXPECT_EQ(regex.pattern(), gbk("a\"中"));
  ASSERT_TRUE(regex.create(gbk("a#引号中"), ""));
  EXPECT_EQ(regex.pattern(), gbk("a#引号中"));
}

TEST(RegexObject, TwoByteTextComesBackUnchanged) {
  RegexObject regex;
  Text subject = gbk("名称：《大地》（中文字幕）\r\n");
  ASSERT_TRUE(regex.create(gbk("《(.*?)》（(.*?)）"), subject));
  ASSERT_EQ(regex.match_count(), 1);
  EXPECT_EQ(regex.sub_match_text(1, 1), gbk("大地"));
  EXPECT_EQ(regex.sub_match_text(1, 2), gbk("中文字幕"));
}

TEST(RegexObject, PositionsAreByteOffsetsInTheSubject) {
  RegexObject regex;
  // Two-byte characters before the matches: the engine's character offsets
  // (4 and 6) differ from the byte offsets (8 and 10), and the text "b" also
  // occurs between the two.
  Text subject = gbk("中中中中b b");
  ASSERT_TRUE(regex.create("(b)", subject));
  ASSERT_EQ(regex.match_count(), 2);
  int position = 0;
  EXPECT_EQ(regex.match_text(1, &position), "b");
  EXPECT_EQ(position, 8);
  EXPECT_EQ(regex.match_text(2, &position), "b");
  EXPECT_EQ(position, 10);
  EXPECT_EQ(regex.sub_match_text(2, 1, &position), "b");
  EXPECT_EQ(position, 10);
  EXPECT_EQ(regex.match_text(3, &position), "");
  EXPECT_EQ(position, -2);

  // A group's position is its own, not the first place its text occurs in the match.
  ASSERT_TRUE(regex.create("(a)(a)|(c)", "xaa"));
  EXPECT_EQ(regex.sub_match_text(1, 2, &position), "a");
  EXPECT_EQ(position, 2);
  EXPECT_EQ(regex.sub_match_text(1, 3, &position), "");
  EXPECT_EQ(position, -2);
}

TEST(RegexObject, PositionsCountBytesOfUndecodableSequences) {
  RegexObject regex;
  // 0x81 0x20 is no character (one "?" and a space); 0xFF is a stray byte.
  Text subject = std::string("\x81\x20\xFFx", 4);
  ASSERT_TRUE(regex.create("x", subject));
  int position = 0;
  EXPECT_EQ(regex.match_text(1, &position), "x");
  EXPECT_EQ(position, 3);
}

TEST(RegexObject, ReplaceWorksOnTheStoredSubject) {
  RegexObject regex;
  ASSERT_TRUE(regex.create(gbk("<em>(.*?)</em>"), gbk("<EM>中</EM>文<em>字</em>")));
  EXPECT_EQ(regex.replace("[$1]"), gbk("[中]文[字]"));
  EXPECT_EQ(regex.replace(), gbk("文"));
  ASSERT_TRUE(regex.create("o", "foo", false, true, false));
  EXPECT_EQ(regex.replace("0"), "f0o");
}

TEST(RegexObject, CopySharesResultsAndSurvivesTheSource) {
  RegexObject regex;
  ASSERT_TRUE(regex.create("(a)", "a a"));
  RegexObject copy = regex.copy();
  ASSERT_TRUE(regex.create("b", "b"));
  EXPECT_EQ(copy.match_count(), 2);
  EXPECT_EQ(copy.sub_match_text(2, 1), "a");
  EXPECT_EQ(copy.replace("x"), "x x");
  regex.destroy();
  EXPECT_EQ(copy.pattern(), "(a)");
}

TEST(RegexObject, DestroyAndMoveLeaveEmptyObjects) {
  RegexObject regex;
  ASSERT_TRUE(regex.create("a", "a"));
  RegexObject moved(std::move(regex));
  EXPECT_EQ(moved.match_count(), 1);
  EXPECT_EQ(regex.match_count(), 0);  // NOLINT(bugprone-use-after-move): moved-from is empty
  EXPECT_EQ(regex.replace("x"), "");
  moved.destroy();
  EXPECT_EQ(moved.match_count(), 0);
  EXPECT_EQ(moved.pattern(), "");
  EXPECT_EQ(moved.replace("x"), "");
  // A destroyed object can run again.
  EXPECT_TRUE(moved.create("a", "aa"));
  EXPECT_EQ(moved.match_count(), 2);
}

TEST(RegexObject, ArbitraryBytesNeverBreakIt) {
  std::mt19937 random(4);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(0, 40);
  RegexObject regex;
  for (int round = 0; round < 3000; ++round) {
    std::string pattern, subject;
    for (int i = length(random) / 4; i > 0; --i) pattern.push_back(static_cast<char>(byte(random)));
    for (int i = length(random); i > 0; --i) subject.push_back(static_cast<char>(byte(random)));
    bool created = regex.create(pattern, subject, round % 2 == 0);
    int count = regex.match_count();
    ASSERT_GE(count, 0);
    if (!created) {
      ASSERT_EQ(count, 0);
    }
    for (int i = 0; i <= count + 1; ++i) {
      int position = 0;
      Text text = regex.match_text(i, &position);
      if (i >= 1 && i <= count) {
        ASSERT_GE(position, 0);
        ASSERT_LE(static_cast<std::size_t>(position), subject.size());
      }
      regex.sub_match_text(i, 1, &position);
    }
    regex.replace(subject);
  }
}

}  // namespace
}  // namespace netdisk
