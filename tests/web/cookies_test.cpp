#include "web/cookies.h"

#include <gtest/gtest.h>

namespace netdisk {
namespace {

struct MergeCase {
  const char* old_cookies;
  const char* new_cookies;
  const char* merged;
  const char* new_after;
};

const MergeCase merge_cases[] = {
    {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1", "b=3;c=4"},
    {"sid=x; u=1", "sid=deleted", "u=1", "sid=deleted"},
    {"a=1;a=2", "", "a=1", ""},
    {"", "a=1; a=1", "a=1", "a=1;a=1"},
    {"", "a=1; a=2", "a=1; a=2", "a=1;a=2"},
    {"A=1", "a=2", "a=2; A=1", "a=2"},
    {"k=a b", "", "k=ab", ""},
    {"", "", "", ""},
    // An old cookie whose value is deleted vanishes too.
    {"x=deleted; y=1", "", "y=1", ""},
    // An empty entry before others survives once; an empty one at the end is lost.
    {";x=1", "", "; x=1", ""},
    {"x=1;;y=2;;z=3", "", "x=1; ; y=2; z=3", ""},
    {"x=1;", "", "x=1", ""},
    // Full-width spaces go too.
    {"k=\xA1\xA1v", "", "k=v", ""},
    // Entries without "=" are names alone.
    {"flag; a=1", "flag", "flag; a=1", "flag"},
};

TEST(CookieMerge, TableOfMerges) {
  for (const MergeCase& row : merge_cases) {
    SCOPED_TRACE(std::string(row.old_cookies) + " | " + row.new_cookies);
    Text old_cookies = row.old_cookies;
    Text new_cookies = row.new_cookies;
    Text returned = merge_cookies(old_cookies, new_cookies);
    EXPECT_EQ(old_cookies, row.merged);
    EXPECT_EQ(returned, row.merged);
    EXPECT_EQ(new_cookies, row.new_after);
  }
}

TEST(CookieMerge, KeepingRepeatsSkipsOnlyTheRepeatCheck) {
  Text old_cookies = "b=9; z=1";
  Text new_cookies = "a=1; a=1; b=2; c=deleted";
  EXPECT_EQ(merge_cookies(old_cookies, new_cookies, false), "a=1; a=1; b=2; z=1");
  EXPECT_EQ(old_cookies, "a=1; a=1; b=2; z=1");
  EXPECT_EQ(new_cookies, "a=1;a=1;b=2;c=deleted");
}

TEST(CookieName, TakesTheTextBeforeTheFirstEqualsSign) {
  EXPECT_EQ(cookie_name(" sid = x=y"), "sid");
  EXPECT_EQ(cookie_name("  flag "), "flag");
  EXPECT_EQ(cookie_name("=v"), "");
  EXPECT_EQ(cookie_name(""), "");
}

TEST(CookieList, FindsNamesExactly) {
  const TextArray list = {"a=1", " B=2", "c"};
  EXPECT_TRUE(cookie_list_has_name(list, "B"));
  EXPECT_TRUE(cookie_list_has_name(list, "c"));
  EXPECT_FALSE(cookie_list_has_name(list, "b"));
  EXPECT_FALSE(cookie_list_has_name({}, ""));
}

TEST(SplitUnique, DropsRepeatsKeepingTheFirst) {
  EXPECT_EQ(split_unique("x; y; x", "; "), "x; y");
  EXPECT_EQ(split_unique("", "; "), "");
  EXPECT_EQ(split_unique("a;;a;b", ";"), "a;;b");
  // Parts compare with regard to case.
  EXPECT_EQ(split_unique("A|a|A", "|"), "A|a");
}

TEST(ListIndexOf, GivesTheFirstPositionFromOne) {
  const TextArray list = {"x", "y", "x"};
  EXPECT_EQ(list_index_of(list, "x"), 1);
  EXPECT_EQ(list_index_of(list, "y"), 2);
  EXPECT_EQ(list_index_of(list, "X"), -1);
  EXPECT_EQ(list_index_of({}, "x"), -1);
}

}  // namespace
}  // namespace netdisk
