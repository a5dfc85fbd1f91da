// The one pattern the program runs: the result entries of a search page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "regex/regex_object.h"
#include "text/codepage.h"

namespace netdisk {
namespace {

// The search page's entry form; its carriage return is part of it, so an entry
// counts only when "</a>" ends a CRLF line.
const Text result_pattern =
    "<a class=\"pic fl\" href=\"(.*?)\"><img width=\"96px\" height=\"128px\" alt=\"(.*?)\" "
    "src=\"(.*?)\"/></a>\r";

Text gbk(std::string_view utf8) { return utf8_to_ansi(utf8); }

struct Entry {
  Text address;
  Text name;
  Text picture;
  bool operator==(const Entry&) const = default;
};

Text entry_line(const Entry& e) {
  return "<a class=\"pic fl\" href=\"" + e.address +
         "\"><img width=\"96px\" height=\"128px\" alt=\"" + e.name + "\" src=\"" + e.picture +
         "\"/></a>";
}

// A small page around the entries, every line ended by line_end.
Text page(const std::vector<Entry>& entries, std::string_view line_end = "\r\n") {
  Text out = Text("<!DOCTYPE html>") + Text(line_end) + "<html><head><title>" + gbk("搜索结果") +
             "</title></head>" + Text(line_end) + "<body>" + Text(line_end);
  for (const Entry& e : entries) {
    out += "<li class=\"item\">" + Text(line_end) + entry_line(e) + Text(line_end) +
           "<p class=\"info\">" + gbk("更新时间：2024-01-01") + "</p></li>" + Text(line_end);
  }
  return out + "</body></html>" + Text(line_end);
}

std::vector<Entry> results(const Text& page_text) {
  RegexObject regex;
  EXPECT_TRUE(regex.create(result_pattern, page_text));
  std::vector<Entry> out;
  for (int i = 1; i <= regex.match_count(); ++i) {
    out.push_back(
        {regex.sub_match_text(i, 1), regex.sub_match_text(i, 2), regex.sub_match_text(i, 3)});
  }
  return out;
}

const std::vector<Entry> three_entries = {
    {"/detail/101.html", gbk("流浪地球2"), "/covers/101.jpg"},
    {"/detail/102.html", gbk("满江红 <em>国语</em>中字"), "https://img.example.org/102.png"},
    {"/detail/103.html", "The Wandering Earth", "/covers/103.gif"},
};

TEST(ResultPattern, IsNinetyThreeCharactersAndACarriageReturn) {
  ASSERT_EQ(result_pattern.size(), 94u);
  EXPECT_EQ(result_pattern.back(), '\r');
  RegexObject regex;
  ASSERT_TRUE(regex.create(result_pattern, ""));
  EXPECT_EQ(regex.pattern(), result_pattern);
}

TEST(ResultPattern, FindsEveryEntryInPageOrder) {
  EXPECT_EQ(results(page(three_entries)), three_entries);
  RegexObject regex;
  ASSERT_TRUE(regex.create(result_pattern, page(three_entries)));
  EXPECT_EQ(regex.sub_match_count(), 3);
}

TEST(ResultPattern, BareLineFeedLinesGiveNothing) {
  EXPECT_EQ(results(page(three_entries, "\n")), std::vector<Entry>{});
}

TEST(ResultPattern, OnlyCrlfEntriesCountInAMixedPage) {
  Text text = entry_line(three_entries[0]) + "\n" + entry_line(three_entries[1]) + "\r\n" +
              entry_line(three_entries[2]) + "\r";
  EXPECT_EQ(results(text), (std::vector<Entry>{three_entries[1], three_entries[2]}));
}

TEST(ResultPattern, UpperCaseTagsStillMatch) {
  Text text =
      "<A CLASS=\"PIC FL\" HREF=\"/detail/7.html\"><IMG WIDTH=\"96PX\" HEIGHT=\"128PX\" "
      "ALT=\"" +
      gbk("大片") + "\" SRC=\"/c/7.jpg\"/></A>\r\n";
  EXPECT_EQ(results(text), (std::vector<Entry>{{"/detail/7.html", gbk("大片"), "/c/7.jpg"}}));
}

TEST(ResultPattern, NameKeepsItsTwoByteTextAndMarks) {
  std::vector<Entry> found = results(page({three_entries[1]}));
  ASSERT_EQ(found.size(), 1u);
  // The marks are the search command's to remove; the pattern hands them over.
  EXPECT_EQ(found[0].name, gbk("满江红 <em>国语</em>中字"));
}

TEST(ResultPattern, EmptyGroupsAndBrokenEntries) {
  Text text = entry_line({"", "", ""}) + "\r\n" +
              // A name broken by a line feed does not match; "." stops there.
              "<a class=\"pic fl\" href=\"/x\"><img width=\"96px\" height=\"128px\" alt=\"a\nb\" "
              "src=\"/y\"/></a>\r\n" +
              // A differing attribute value is another form.
              "<a class=\"pic fl\" href=\"/x\"><img width=\"90px\" height=\"128px\" alt=\"a\" "
              "src=\"/y\"/></a>\r\n" +
              entry_line(three_entries[0]) + "\r\n";
  EXPECT_EQ(results(text), (std::vector<Entry>{{"", "", ""}, three_entries[0]}));
}

TEST(ResultPattern, EntriesAcrossALargePage) {
  std::vector<Entry> entries;
  for (int i = 0; i < 500; ++i) {
    std::string n = std::to_string(i);
    entries.push_back({"/detail/" + n + ".html", gbk("影片") + n, "/covers/" + n + ".jpg"});
  }
  EXPECT_EQ(results(page(entries)), entries);
}

}  // namespace
}  // namespace netdisk
