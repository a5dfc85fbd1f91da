#include "regex/engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace netdisk {
namespace {

struct Options {
  bool ignore_case = false;
  bool multiline = false;
  bool global = true;
};

std::shared_ptr<RegexEngine> make_engine(std::u16string pattern, Options options = {}) {
  auto engine = RegexEngine::create();
  EXPECT_NE(engine, nullptr);
  engine->set_pattern(std::move(pattern));
  engine->set_ignore_case(options.ignore_case);
  engine->set_multiline(options.multiline);
  engine->set_global(options.global);
  return engine;
}

struct Found {
  std::size_t first_index;
  std::u16string value;
  bool operator==(const Found&) const = default;
};

std::vector<Found> execute_all(const RegexEngine& engine, std::u16string subject) {
  std::vector<Found> out;
  auto collection = engine.execute(std::move(subject));
  EXPECT_NE(collection, nullptr);
  if (!collection) return out;
  for (int i = 0; i < collection->count(); ++i) {
    auto match = collection->item(i);
    out.push_back({match->first_index(), std::u16string(match->value())});
  }
  return out;
}

TEST(RegexEngine, FreshEngineHasTheScriptingEngineDefaults) {
  auto engine = RegexEngine::create();
  ASSERT_NE(engine, nullptr);
  EXPECT_FALSE(engine->ignore_case());
  EXPECT_FALSE(engine->multiline());
  EXPECT_FALSE(engine->global());
  EXPECT_TRUE(engine->pattern().empty());
}

struct IterationCase {
  const char* name;
  std::u16string pattern;
  std::u16string subject;
  Options options;
  std::vector<Found> expected;
};

class Iteration : public testing::TestWithParam<IterationCase> {};

TEST_P(Iteration, FindsTheMatchesTheScriptingEngineFinds) {
  const IterationCase& c = GetParam();
  EXPECT_EQ(execute_all(*make_engine(c.pattern, c.options), c.subject), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Iteration,
    testing::Values(
        IterationCase{"EmptyPatternMatchesAtEveryPlace",
                      u"",
                      u"test",
                      {},
                      {{0, u""}, {1, u""}, {2, u""}, {3, u""}, {4, u""}}},
        IterationCase{"EmptyMatchAdvancesWithoutRetryAtTheSamePlace",
                      u"a*",
                      u"baaa",
                      {},
                      {{0, u""}, {1, u"aaa"}, {4, u""}}},
        IterationCase{"EmptyAndNonEmptyAlternate",
                      u"x*",
                      u"axb",
                      {},
                      {{0, u""}, {1, u"x"}, {2, u""}, {3, u""}}},
        IterationCase{"NonOverlapping", u"aa", u"aaaaa", {}, {{0, u"aa"}, {2, u"aa"}}},
        IterationCase{"NotGlobalStopsAfterTheFirst", u"a", u"aaa", {.global = false}, {{0, u"a"}}},
        IterationCase{"LazyStopsAtTheFirstPossibleEnd",
                      u"<(.*?)>",
                      u"<a><bc>",
                      {},
                      {{0, u"<a>"}, {3, u"<bc>"}}},
        IterationCase{"DotMatchesCarriageReturn", u"a.b", u"a\rb", {}, {{0, u"a\rb"}}},
        IterationCase{"DotStopsAtLineFeed", u"a.b", u"a\nb", {}, {}},
        IterationCase{
            "OffsetsCountUtf16Units", u"abc", u"中文abc中abc", {}, {{2, u"abc"}, {6, u"abc"}}},
        IterationCase{"TwoByteCharacterIsOneForDot", u"中.", u"中文字", {}, {{0, u"中文"}}},
        IterationCase{"CaseMatters", u"ABC", u"abc", {}, {}},
        IterationCase{"IgnoreCase", u"ABC", u"xabc", {.ignore_case = true}, {{1, u"abc"}}},
        IterationCase{"CaretOnlyAtStartWithoutMultiline", u"^b", u"a\nb", {}, {}},
        IterationCase{
            "CaretAfterLineFeedInMultiline", u"^b", u"a\nb", {.multiline = true}, {{2, u"b"}}},
        IterationCase{
            "CaretAfterTrailingLineFeed", u"^", u"a\n", {.multiline = true}, {{0, u""}, {2, u""}}},
        IterationCase{"DollarOnlyAtTheVeryEndWithoutMultiline", u"a$", u"a\n", {}, {}},
        IterationCase{
            "DollarBeforeLineFeedInMultiline", u"a$", u"a\nb", {.multiline = true}, {{0, u"a"}}},
        IterationCase{"ScriptingEscapes", u"\\u4E2D\\x41", u"x中A", {}, {{1, u"中A"}}}),
    [](const testing::TestParamInfo<IterationCase>& info) { return info.param.name; });

TEST(RegexEngine, GroupsAreNumberedByTheirOpeningParenthesis) {
  auto collection = make_engine(u"((a)(b))(c)?")->execute(u"ab");
  ASSERT_NE(collection, nullptr);
  ASSERT_EQ(collection->count(), 1);
  SubMatches groups = collection->item(0)->sub_matches();
  ASSERT_EQ(groups.count(), 4);
  EXPECT_EQ(groups.item(0), u"ab");
  EXPECT_EQ(groups.item(1), u"a");
  EXPECT_EQ(groups.item(2), u"b");
  EXPECT_EQ(groups.first_index(2), 1u);
  // The fourth group took no part: no value, which is not the same as empty.
  EXPECT_EQ(groups.item(3), std::nullopt);
  EXPECT_EQ(groups.first_index(3), std::nullopt);
  EXPECT_EQ(groups.item(4), std::nullopt);
  EXPECT_EQ(groups.item(-1), std::nullopt);
}

TEST(RegexEngine, EmptyCaptureIsDistinctFromAGroupThatTookNoPart) {
  auto collection = make_engine(u"(a*)b|(c)")->execute(u"b");
  ASSERT_NE(collection, nullptr);
  SubMatches groups = collection->item(0)->sub_matches();
  ASSERT_TRUE(groups.item(0).has_value());
  EXPECT_TRUE(groups.item(0)->empty());
  EXPECT_FALSE(groups.item(1).has_value());
}

TEST(RegexEngine, CollectionItemsOutOfRangeGiveNothing) {
  auto collection = make_engine(u"a")->execute(u"aa");
  ASSERT_NE(collection, nullptr);
  EXPECT_EQ(collection->count(), 2);
  EXPECT_FALSE(collection->item(-1).has_value());
  EXPECT_FALSE(collection->item(2).has_value());
  EXPECT_EQ(collection->subject(), u"aa");
}

TEST(RegexEngine, RejectedPatternGivesNoCollectionAndNoReplacement) {
  for (std::u16string pattern : {u"(", u"a)", u"[a", u"*", u"a{2,1}", u"\\"}) {
    auto engine = make_engine(pattern);
    EXPECT_EQ(engine->execute(u"a(b)*"), nullptr) << std::string(pattern.begin(), pattern.end());
    EXPECT_EQ(engine->replace(u"a(b)*", u"x"), std::nullopt);
    EXPECT_FALSE(engine->pattern_error().empty());
  }
  EXPECT_TRUE(make_engine(u"(a)")->pattern_error().empty());
}

TEST(RegexEngine, SharedCompiledPatternsKeepTheirOptionsApart) {
  // The same pattern compiled for each option set in turn: a cache keyed on the
  // pattern alone would hand back the first compilation.
  EXPECT_EQ(execute_all(*make_engine(u"^AB"), u"x\nab").size(), 0u);
  EXPECT_EQ(execute_all(*make_engine(u"^AB", {.ignore_case = true}), u"x\nab").size(), 0u);
  EXPECT_EQ(execute_all(*make_engine(u"^AB", {.ignore_case = true, .multiline = true}), u"x\nab"),
            (std::vector<Found>{{2, u"ab"}}));
  EXPECT_EQ(execute_all(*make_engine(u"^AB", {.multiline = true}), u"x\nab").size(), 0u);
}

TEST(RegexEngine, PatternsMayHoldZeroUnits) {
  std::u16string pattern(u"a\0b", 3);
  std::u16string subject(u"xa\0b", 4);
  EXPECT_EQ(execute_all(*make_engine(pattern), subject),
            (std::vector<Found>{{1, std::u16string(u"a\0b", 3)}}));
}

struct ReplaceCase {
  const char* name;
  std::u16string pattern;
  std::u16string subject;
  std::u16string replacement;
  bool global;
  std::u16string expected;
};

class Replace : public testing::TestWithParam<ReplaceCase> {};

TEST_P(Replace, ExpandsTheReplacementSyntax) {
  const ReplaceCase& c = GetParam();
  auto engine = make_engine(c.pattern, {.global = c.global});
  EXPECT_EQ(engine->replace(c.subject, c.replacement), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Replace,
    testing::Values(
        ReplaceCase{"SwapGroups", u"(\\w+) (\\w+)", u"john smith", u"$2 $1", true, u"smith john"},
        ReplaceCase{"GlobalReplacesAll", u"o", u"foo", u"0", true, u"f00"},
        ReplaceCase{"NotGlobalReplacesTheFirst", u"o", u"foo", u"0", false, u"f0o"},
        ReplaceCase{"WholeBeforeAfter", u"b", u"abc", u"[$`|$&|$']", true, u"a[a|b|c]c"},
        ReplaceCase{"DollarDollar", u"b", u"abc", u"$$", true, u"a$c"},
        ReplaceCase{"DollarZeroIsLiteral", u"(a)", u"a", u"$0", true, u"$0"},
        ReplaceCase{"MissingGroupIsLiteral", u"(a)", u"a", u"$2", true, u"$2"},
        ReplaceCase{"TwoDigitsFallBackToOne", u"(a)", u"a", u"$10", true, u"a0"},
        ReplaceCase{"LeadingZeroDigit", u"(a)", u"a", u"$01", true, u"a"},
        ReplaceCase{"TwoDigitGroups", u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", u"abcdefghijk",
                    u"$11$10$1", true, u"kja"},
        ReplaceCase{"UnsetGroupIsEmpty", u"(a)|(b)", u"b", u"[$1]", true, u"[]"},
        ReplaceCase{"TrailingDollar", u"b", u"abc", u"x$", true, u"ax$c"},
        ReplaceCase{"UnknownEscapeIsLiteral", u"b", u"abc", u"$x$", true, u"a$x$c"},
        ReplaceCase{"EmptyPatternEverywhere", u"", u"ab", u"-", true, u"-a-b-"},
        ReplaceCase{"EmptyMatchesBetween", u"x*", u"abc", u"-", true, u"-a-b-c-"},
        ReplaceCase{"NoMatchLeavesSubject", u"z", u"abc", u"-", true, u"abc"},
        ReplaceCase{"EmptyReplacementRemoves", u"<[^>]*>", u"<em>a</em>b", u"", true, u"ab"},
        ReplaceCase{"WideText", u"文", u"中文字文", u"[$&]", true, u"中[文]字[文]"}),
    [](const testing::TestParamInfo<ReplaceCase>& info) { return info.param.name; });

TEST(RegexEngine, PathologicalBacktrackingEndsTheIteration) {
  // Nested quantifiers over a long run that finally fails: without a limit this
  // backtracks for longer than anyone would wait.
  std::u16string subject(40, u'a');
  subject += u"!b";  // the b lets the search start at all
  auto collection = make_engine(u"(a+)+b")->execute(subject);
  ASSERT_NE(collection, nullptr);
  EXPECT_EQ(collection->count(), 0);
  EXPECT_TRUE(collection->stopped_early());
  EXPECT_FALSE(make_engine(u"a")->execute(subject)->stopped_early());
}

TEST(RegexEngine, LongLinesMatchWithinTheStack) {
  std::u16string subject = u"<" + std::u16string(4'000'000, u'x') + u">\r\n";
  auto collection = make_engine(u"<(.*?)>\r")->execute(subject);
  ASSERT_NE(collection, nullptr);
  ASSERT_EQ(collection->count(), 1);
  EXPECT_EQ(collection->item(0)->sub_matches().item(0)->size(), 4'000'000u);
  EXPECT_FALSE(collection->stopped_early());
}

}  // namespace
}  // namespace netdisk
