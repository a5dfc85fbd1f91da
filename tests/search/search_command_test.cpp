// The search command against a loopback fixture site and the main window's
// controls in a headless toolkit: the address it requests, the rows it writes
// and in what order, the entry form it accepts, name cleaning, and failures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "handler_fixture.h"
#include "site_constants.h"
#include "support/loopback_server.h"

namespace netdisk::search_test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

const std::string star_river_path = "/key/%E6%98%9F%E6%B2%B3/";  // 星河

class SearchCommand : public HandlerTest {};

TEST_F(SearchCommand, ListsEntriesInPageOrderWithHiddenColumnsFilled) {
  site.serve(star_river_path,
             search_page({
                 result_entry("http://127.0.0.1/movie/7.html", "<em>星河</em>彼岸", "/c/7.jpg"),
                 result_entry("/movie/3.html", "远方的<EM>星河</Em>??", "http://img/3.png"),
                 result_entry("/movie/11.html", "星河????问答?", "/c/11.gif"),
             }));
  search(ansi("星河"));

  EXPECT_THAT(site.targets(), ElementsAre(star_river_path));
  EXPECT_THAT(rows(),
              ElementsAre(Row{"0", "http://127.0.0.1/movie/7.html", ansi("星河彼岸"), "/c/7.jpg"},
                          Row{"1", "/movie/3.html", ansi("远方的星河"), "http://img/3.png"},
                          Row{"2", "/movie/11.html", ansi("星河问答?"), "/c/11.gif"}));
  EXPECT_TRUE(toolkit.questions().empty());
}

TEST(SiteAddresses, BuiltInAddressesKeepTheirFixedParts) {
  EXPECT_THAT(std::string(site::search_base), StartsWith("http://"));
  EXPECT_THAT(std::string(site::search_base), EndsWith("/key/"));
  EXPECT_THAT(std::string(site::counter_address), StartsWith("http://"));
  EXPECT_THAT(std::string(site::counter_address), HasSubstr("/count1/count.asp?id="));
  EXPECT_THAT(std::string(site::counter_address), EndsWith("&sx=1&ys=43"));
  EXPECT_THAT(std::string(site::notice_address), StartsWith("http"));
  // Without a test base, searches go to the built-in one.
  set_search_base_for_testing("");
  EXPECT_EQ(search_address("ab"), concat_text(site::search_base, "%61%62/"));
  set_search_base_for_testing("http://127.0.0.1:1/key/");
  EXPECT_EQ(search_address(""), "http://127.0.0.1:1/key//");
  set_search_base_for_testing("");
}

struct KeywordCase {
  const char* name;
  const char* keyword_utf8;
  const char* target;
};

const KeywordCase keyword_cases[] = {
    {"chinese", "星河", "/key/%E6%98%9F%E6%B2%B3/"},
    {"letters_are_encoded_too", "abc", "/key/%61%62%63/"},
    {"empty_still_requests", "", "/key//"},
    {"reserved_and_blank", "a b/?#%", "/key/%61%20%62%2F%3F%23%25/"},
};

TEST_F(SearchCommand, KeywordTravelsAsPercentEncodedUtf8) {
  for (const KeywordCase& c : keyword_cases) {
    SCOPED_TRACE(c.name);
    site.serve(c.target, search_page({result_entry("/d.html", c.name, "/c.jpg")}));
    search(ansi(c.keyword_utf8));
    EXPECT_EQ(site.targets().back(), c.target);
    EXPECT_THAT(rows(), ElementsAre(Row{"0", "/d.html", c.name, "/c.jpg"}));
  }
}

struct PageCase {
  const char* name;
  std::string page;
  std::vector<Row> rows;
};

std::vector<PageCase> page_cases() {
  const std::string a = result_entry("/a.html", "甲", "/a.jpg");
  const std::string b = result_entry("/b.html", "乙", "/b.jpg");
  const std::string c = result_entry("/c.html", "丙", "/c.jpg");
  const Row row_a{"0", "/a.html", ansi("甲"), "/a.jpg"};
  return {
      {"crlf_lines", search_page({a, b}), {row_a, {"1", "/b.html", ansi("乙"), "/b.jpg"}}},
      {"bare_line_feeds_give_nothing", a + "\n" + b + "\n" + c + "\n", {}},
      {"only_entries_ended_by_cr_count",
       a + "\r\n" + b + "\n" + c + "\r\n",
       {row_a, {"1", "/c.html", ansi("丙"), "/c.jpg"}}},
      {"capital_letters_in_tags",
       "<A CLASS=\"PIC FL\" HREF=\"/a.html\"><IMG WIDTH=\"96PX\" HEIGHT=\"128PX\" ALT=\"甲\" "
       "SRC=\"/a.jpg\"/></A>\r\n",
       {row_a}},
      {"empty_groups_give_empty_cells", result_entry("", "", "") + "\r\n", {{"0", "", "", ""}}},
      {"lazy_group_keeps_a_quote_it_must_cross",
       result_entry("/a.html", "甲\" 乙", "/a.jpg") + "\r\n",
       {{"0", "/a.html", ansi("甲\" 乙"), "/a.jpg"}}},
      {"other_link_forms_are_not_entries",
       "<a class=\"pic\" href=\"/x.html\"><img src=\"/x.jpg\" alt=\"x\" /></a>\r\n"
       "<a class=\"pic fl\" href=\"/y.html\"><img width=\"96px\" alt=\"y\" "
       "src=\"/y.jpg\"/></a>\r\n",
       {}},
      {"zero_byte_ends_the_page", a + "\r\n" + std::string(1, '\0') + b + "\r\n", {row_a}},
      {"invalid_utf8_and_characters_936_lacks",
       result_entry("/a.html", "星\xFF河", "/a.jpg") + "\r\n" +
           result_entry("/b.html",
                        "A\xF0\x9F\x98\x80\xF0\x9F\x98\x80"
                        "B",
                        "/b.jpg") +
           "\r\n",
       {{"0", "/a.html", ansi("星") + "?" + ansi("河"), "/a.jpg"},
        {"1", "/b.html", "AB", "/b.jpg"}}},
      {"no_entries", "<html><body>\xE6\xB2\xA1\xE6\x9C\x89</body></html>\r\n", {}},
  };
}

TEST_F(SearchCommand, EntryFormAndPageCases) {
  for (const PageCase& c : page_cases()) {
    SCOPED_TRACE(c.name);
    site.serve("/key/%61/", c.page);
    search("a");
    EXPECT_THAT(rows(), ElementsAreArray(c.rows));
  }
}

TEST(NameCleaning, TagsAndQuestionMarkRuns) {
  const struct {
    const char* name;
    const char* expected;
  } cases[] = {
      {"<em>a</em>b", "ab"}, {"<EM>a</Em>b<eM>", "ab"}, {"<em >a", "<em >a"}, {"a?b", "a?b"},
      {"a??b", "ab"},        {"a???b", "ab"},           {"a????b", "ab"},     {"a?????b", "a?b"},
      {"??????", ""},        {"?????????", "?"},        {"<em>?</em>?", ""},  {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(clean_result_name(c.name), c.expected) << c.name;
}

TEST_F(SearchCommand, WritesColumnsZeroTwoOneThreeThenProcessesEventsForEachRow) {
  site.serve("/key/%61/", search_page({result_entry("/a.html", "a", "/a.jpg"),
                                       result_entry("/b.html", "b", "/b.jpg")}));
  toolkit.set_content(controls::edit_box_1, "a");
  toolkit.clear_log();
  toolkit.click(controls::button_1);

  std::vector<std::string> writes;
  for (const std::string& entry : toolkit.log())
    if (entry.rfind("cell", 0) == 0 || entry == "events") writes.push_back(entry);
  EXPECT_THAT(writes, ElementsAre("cell 0,0", "cell 0,2", "cell 0,1", "cell 0,3", "events",
                                  "cell 1,0", "cell 1,2", "cell 1,1", "cell 1,3", "events"));
}

TEST_F(SearchCommand, SecondSearchReplacesTheRowsAndKeepsTheDetail) {
  site.serve(star_river_path, search_page({result_entry("/1.html", "一", "/1.jpg"),
                                           result_entry("/2.html", "二", "/2.jpg"),
                                           result_entry("/3.html", "三", "/3.jpg")}));
  site.serve("/key/%E4%BE%A6%E6%8E%A2/",  // 侦探
             search_page({result_entry("/8.html", "八", "/8.jpg"),
                          result_entry("/9.html", "九", "/9.jpg")}));
  toolkit.set_content(controls::edit_box_2, "https://pan.example/s/old");
  toolkit.set_content(controls::edit_box_3, "old1");
  toolkit.set_caption(controls::label_1, "raw old");
  toolkit.set_picture(controls::picture_box_2, Bytes{1, 2, 3});

  search(ansi("星河"));
  ASSERT_EQ(rows().size(), 3u);
  search(ansi("侦探"));

  EXPECT_THAT(rows(), ElementsAre(Row{"0", "/8.html", ansi("八"), "/8.jpg"},
                                  Row{"1", "/9.html", ansi("九"), "/9.jpg"}));
  EXPECT_EQ(content(controls::edit_box_2), "https://pan.example/s/old");
  EXPECT_EQ(content(controls::edit_box_3), "old1");
  EXPECT_EQ(content(controls::label_1), "raw old");
  EXPECT_EQ(picture(), (Bytes{1, 2, 3}));
}

TEST_F(SearchCommand, FailuresLeaveAnEmptyListAndAskNothing) {
  test_support::RefusingPort refusing;
  const struct {
    const char* name;
    std::function<void()> arrange;
  } cases[] = {
      {"site_down", [&] { set_search_base_for_testing(refusing.url("/key/")); }},
      {"page_not_found", [] {}},
      {"binary_body",
       [&] { site.serve("/key/%61/", std::string("\x89PNG\r\n\x1A\n\0\0\xFF", 11)); }},
      {"no_engine",
       [&] {
         site.serve("/key/%61/", search_page({result_entry("/a.html", "a", "/a.jpg")}));
         g_regex.reset();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    add_row("/old.html", "old", "/old.jpg");
    c.arrange();
    search("a");
    EXPECT_THAT(rows(), IsEmpty());
    EXPECT_TRUE(toolkit.questions().empty());
  }
}

TEST_F(SearchCommand, SearchClickedWhileRowsAppearTakesOverTheList) {
  std::vector<std::string> first;
  for (int i = 0; i < 5; ++i) {
    const std::string n = std::to_string(i);
    first.push_back(result_entry("/a" + n + ".html", "a" + n, "/a" + n + ".jpg"));
  }
  site.serve("/key/%61/", search_page(first));
  site.serve("/key/%62/", search_page({result_entry("/b0.html", "b0", "/b0.jpg"),
                                       result_entry("/b1.html", "b1", "/b1.jpg")}));
  int calls = 0;
  toolkit.on_pending_events([&] {
    if (++calls == 2) search("b");  // the user searches again while row 1 shows
  });
  search("a");

  EXPECT_THAT(rows(), ElementsAre(Row{"0", "/b0.html", "b0", "/b0.jpg"},
                                  Row{"1", "/b1.html", "b1", "/b1.jpg"}));
}

TEST_F(SearchCommand, DoubleClickWhileRowsAppearShowsThatRowsDetail) {
  site.serve("/key/%61/",
             search_page({result_entry(site.url("/a.html"), "a", site.url("/a.jpg")),
                          result_entry(site.url("/b.html"), "b", site.url("/b.jpg"))}));
  site.serve("/a.jpg", "cover a");
  site.serve("/a.html",
             "<div>资源列表<a href=\"https://pan.example/s/a\">a</a><p>密码：aaaa</p></div>");
  int calls = 0;
  toolkit.on_pending_events([&] {
    if (++calls != 1) return;
    toolkit.select_row(controls::list_view_1, 0);
    toolkit.double_click(controls::list_view_1);
  });
  search("a");
  toolkit.join_threads();

  EXPECT_EQ(rows().size(), 2u);
  EXPECT_EQ(picture(), text_to_bytes("cover a"));
  EXPECT_EQ(content(controls::edit_box_2), "https://pan.example/s/a");
  EXPECT_EQ(content(controls::edit_box_3), "aaaa");
}

}  // namespace
}  // namespace netdisk::search_test
