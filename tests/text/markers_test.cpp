#include <gtest/gtest.h>

#include "text/markers.h"

namespace netdisk {
namespace {

struct BetweenCase {
  const char* name;
  std::string_view text, start_marker, end_marker;
  bool case_sensitive;
  std::string_view expected;
};

TEST(TextBetween, Table) {
  const BetweenCase cases[] = {
      {"simple", "xx[a]yy", "[", "]", false, "a"},
      {"case_ignored", "xxab1cdyy", "AB", "CD", false, "1"},
      {"case_sensitive", "xxab1cdyy", "AB", "CD", true, ""},
      {"first_occurrence", "a[1][2]", "[", "]", false, "1"},
      {"end_before_start_unseen", "]a[b]", "[", "]", false, "b"},
      {"piece_holds_start_marker", "[a[b]", "[", "]", false, "a[b"},
      {"no_end_marker", "[a", "[", "]", false, ""},
      {"empty_piece", "[]", "[", "]", false, ""},
      {"end_follows_at_once", "abb", "ab", "b", false, ""},
      {"no_start_marker", "x", "[", "]", false, ""},
      {"quote_placeholder", "href=\"u\"", "href=#\xD2\xFD\xBA\xC5", "#\xD2\xFD\xBA\xC5", false, "u"},
      {"start_marker_at_end", "ab[", "[", "]", false, ""},
      {"empty_markers", "abc", "", "", false, ""},
      // The start marker's bytes D0 CE stand across the two characters of 中文.
      {"markers_only_at_boundaries", "\xD6\xD0\xCE\xC4[\xD0\xCE]", "\xD0\xCE", "]", false, ""},
      {"upper_case_end_tag", "\xD7\xCA\xD4\xB4\xC1\xD0\xB1\xED<a>x</DIV>", "\xD7\xCA\xD4\xB4\xC1\xD0\xB1\xED", "</div>", false, "<a>x"},
  };
  for (const BetweenCase& c : cases) {
    EXPECT_EQ(text_between(c.text, c.start_marker, c.end_marker, 0, c.case_sensitive), c.expected)
        << c.name;
  }
}

TEST(TextBetween, StartPositionAndMarkersLeftAlone) {
  EXPECT_EQ(text_between("[a][b]", "[", "]", 2), "b");
  EXPECT_EQ(text_between("[a][b]", "[", "]", 1), "a");
  // The placeholder is replaced in the markers only, never in the searched text.
  EXPECT_EQ(text_between("#\xD2\xFD\xBA\xC5x\"", "#\xD2\xFD\xBA\xC5", "\""), "");
}

TEST(HeaderValue, Table) {
  EXPECT_EQ(header_value("Location: /x "), "/x");
  EXPECT_EQ(header_value("a:b:c"), "b:c");
  EXPECT_EQ(header_value("abc"), "");
  EXPECT_EQ(header_value("a:\tb"), "\tb");
  EXPECT_EQ(header_value("a:"), "");
  EXPECT_EQ(header_value(":"), "");
  EXPECT_EQ(header_value("\x81:x"), "");  // the colon is the second byte of a character
}

TEST(ReplaceMany, PairsApplyInOrder) {
  const ReplacePair one_pair[5] = {{"b", "-"}};
  EXPECT_EQ(replace_many("aBc", one_pair), "a-c");

  const ReplacePair marks[5] = {{"????", ""}, {"???", ""}, {"??", ""}};
  EXPECT_EQ(replace_many("a?????b", marks), "a?b");
  EXPECT_EQ(replace_many("a??b???c????d?e", marks), "abcd?e");

  // A later pair sees what an earlier one joined.
  const ReplacePair joined[5] = {{"x", ""}, {"ab", "!"}};
  EXPECT_EQ(replace_many("axb", joined), "!");

  EXPECT_EQ(replace_many("aBc", one_pair, 0), "aBc");                      // count 0
  EXPECT_EQ(replace_many("bbb", one_pair, 1), "-bb");                      // count per pair
  EXPECT_EQ(replace_many("bbb", one_pair, every_occurrence, 2), "b--");    // start
  EXPECT_EQ(replace_many("bbb", one_pair, every_occurrence, 0), "---");    // start 0 is 1
  EXPECT_EQ(replace_many("aBc", one_pair, every_occurrence, 1, true), "aBc");

  const ReplacePair tags[5] = {{"<em>", ""}, {"</em>", ""}, {"????", ""}, {"???", ""}, {"??", ""}};
  EXPECT_EQ(replace_many("<EM>x</Em>??y", tags), "xy");
}

}  // namespace
}  // namespace netdisk
