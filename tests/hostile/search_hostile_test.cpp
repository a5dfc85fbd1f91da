// The search command and the result detail against hostile pages on loopback,
// on the main window's controls in a headless toolkit: broken UTF-8, zero bytes,
// a listing of 100,000 entries, detail pages whose markers never end, and sites
// that stop or fall silent in the middle of a page.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/main_window.h"
#include "hostile_support.h"
#include "search/result_detail.h"
#include "search/search_command.h"
#include "text/codepage.h"
#include "ui/control_names.h"
#include "ui/headless_toolkit.h"

namespace netdisk::hostile {
namespace {

using namespace std::chrono_literals;
using test_support::ReplyStream;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace controls = ui::controls;

Text ansi(std::string_view utf8) { return utf8_to_ansi(utf8); }

using Row = std::array<Text, 4>;

// One result entry as the site lists it, with its CR LF line end.
std::string entry(std::string_view detail, std::string_view name, std::string_view cover) {
  std::string line = "<a class=\"pic fl\" href=\"";
  line.append(detail).append("\"><img width=\"96px\" height=\"128px\" alt=\"");
  line.append(name).append("\" src=\"").append(cover).append("\"/></a>\r\n");
  return line;
}

std::string listing(const std::vector<std::string>& entries) {
  std::string page = "<html><head><meta charset=\"utf-8\"></head><body><ul>\r\n";
  for (const std::string& e : entries) page += "<li>\r\n" + e + "<p>简介</p></li>\r\n";
  return page + "</ul></body></html>\r\n";
}

// A detail page around the given resource markup (UTF-8); nothing after the
// markup closes a section.
std::string detail_page(std::string_view resources) {
  return "<html><body><div class=\"nav\"><a href=\"https://elsewhere.example/\">首页</a></div>\r\n" +
         std::string(resources) + "\r\n<footer>页脚</footer></body></html>\r\n";
}

const std::string keyword_path = "/key/%61/";  // the keyword "a"

class Hostile : public ::testing::Test {
 protected:
  Hostile() : installed(toolkit) {
    g_regex = std::make_unique<RegexObject>();
    ui::EventBindings bindings;
    bindings.clicked.emplace_back(Text(controls::button_1), on_search_clicked);
    bindings.double_clicked.emplace_back(Text(controls::list_view_1), on_result_double_clicked);
    toolkit.load_window(main_window_layout(), std::move(bindings));
    set_search_base_for_testing(site.url("/key/"));
  }

  ~Hostile() override {
    toolkit.join_threads();
    set_search_base_for_testing("");
    g_regex.reset();
  }

  void search() {
    toolkit.set_content(controls::edit_box_1, "a");
    toolkit.click(controls::button_1);
  }

  std::vector<Row> rows() const {
    std::vector<Row> out;
    const ui::ControlModel& model = toolkit.model();
    for (int row = 0; row < model.row_count(controls::list_view_1); ++row) {
      Row cells;
      for (int column = 0; column < 4; ++column)
        cells[column] = model.cell(controls::list_view_1, row, column);
      out.push_back(cells);
    }
    return out;
  }

  // One row that leads to the detail page at path, selected and double-clicked;
  // returns once the worker has finished.
  void open_detail(const std::string& path) {
    toolkit.delete_all_rows(controls::list_view_1);
    const int row = toolkit.append_row(controls::list_view_1);
    toolkit.set_cell_text(controls::list_view_1, row, 1, site.url(path));
    toolkit.set_cell_text(controls::list_view_1, row, 3, site.url("/cover.png"));
    toolkit.select_row(controls::list_view_1, row);
    toolkit.double_click(controls::list_view_1);
    toolkit.join_threads();
  }

  Text text(std::string_view control) const { return toolkit.model().text(control); }

  HostileSite site;
  ui::HeadlessToolkit toolkit;
  ui::ScopedToolkit installed;
};

struct SearchPageCase {
  const char* name;
  std::string page;  // the bytes served
  std::vector<Row> rows;
};

// Invalid or cut UTF-8 becomes one "?" per broken sequence and never swallows the
// quote or bracket after it; a run of two to four "?" in a name is then cleaned
// away like any other.
std::vector<SearchPageCase> broken_utf8_cases() {
  const std::string good = entry("/g.html", "好", "/g.jpg");
  const Row good_row{"0", "/g.html", ansi("好"), "/g.jpg"};
  auto second = [](Row row) {
    row[0] = "1";
    return row;
  };
  return {
      {"lone_invalid_byte_in_a_name",
       listing({entry("/a.html", "星\xFF河", "/a.jpg"), good}),
       {{"0", "/a.html", ansi("星") + "?" + ansi("河"), "/a.jpg"}, second(good_row)}},
      {"two_invalid_bytes_give_a_run_that_cleaning_removes",
       listing({entry("/a.html", "星\xFF\xFE河", "/a.jpg")}),
       {{"0", "/a.html", ansi("星河"), "/a.jpg"}}},
      {"cut_character_before_the_closing_quote",
       listing({entry("/a.html", "名\xE6\x98", "/a.jpg"), good}),
       {{"0", "/a.html", ansi("名") + "?", "/a.jpg"}, second(good_row)}},
      {"cut_lead_byte_at_the_end_of_an_address",
       listing({entry("/a.html\xE4", "名", "/a.jpg\xF0\x9F")}),
       {{"0", "/a.html?", ansi("名"), "/a.jpg?"}}},
      {"overlong_surrogate_and_out_of_range_sequences",
       listing({entry("/1.html", "x", "/c\xC0\xAF.jpg"), entry("/2.html", "y", "/c\xED\xA0\x80.jpg"),
                entry("/3.html", "z", "/c\xF4\x90\x80\x80.jpg")}),
       {{"0", "/1.html", "x", "/c??.jpg"},
        {"1", "/2.html", "y", "/c???.jpg"},
        {"2", "/3.html", "z", "/c????.jpg"}}},
      {"five_stray_continuation_bytes_leave_one_mark",
       listing({entry("/a.html", "a\x80\x80\x80\x80\x80" "b", "/a.jpg")}),
       {{"0", "/a.html", "a?b", "/a.jpg"}}},
      {"page_ends_inside_a_character", listing({good}) + "\xF0\x9F\x98", {good_row}},
      {"invalid_byte_inside_the_markup_spoils_only_its_entry",
       "<a class=\"pic fl\" href=\"/x.html\"\xFF><img width=\"96px\" height=\"128px\" alt=\"x\" "
       "src=\"/x.jpg\"/></a>\r\n" +
           good,
       {good_row}},
      {"nothing_but_invalid_bytes", std::string(100'000, '\xFF'), {}},
  };
}

TEST_F(Hostile, SearchPagesWithBrokenUtf8) {
  for (const SearchPageCase& c : broken_utf8_cases()) {
    SCOPED_TRACE(c.name);
    site.serve(keyword_path, c.page);
    search();
    EXPECT_THAT(rows(), ElementsAreArray(c.rows));
  }
  EXPECT_TRUE(toolkit.questions().empty());
}

TEST_F(Hostile, SearchPagesWithZeroBytesEndThere) {
  const std::string a = entry("/a.html", "甲", "/a.jpg");
  const std::string b = entry("/b.html", "乙", "/b.jpg");
  const Row row_a{"0", "/a.html", ansi("甲"), "/a.jpg"};
  const Row row_b{"1", "/b.html", ansi("乙"), "/b.jpg"};
  const std::string zero(1, '\0');
  const SearchPageCase cases[] = {
      {"zero_first", zero + listing({a, b}), {}},
      {"zero_inside_the_second_entry", listing({a, entry("/b.html", "乙" + zero, "/b.jpg"), b}),
       {row_a}},
      {"zero_between_the_last_tag_and_its_line_end", listing({a}) + b.substr(0, b.size() - 2) + zero + "\r\n",
       {row_a}},
      {"a_megabyte_of_zeros_before_the_entries", std::string(mebibyte, '\0') + listing({a, b}), {}},
      {"zeros_after_the_entries", listing({a, b}) + std::string(1000, '\0') + listing({a}),
       {row_a, row_b}},
  };
  for (const SearchPageCase& c : cases) {
    SCOPED_TRACE(c.name);
    site.serve(keyword_path, c.page);
    search();
    EXPECT_THAT(rows(), ElementsAreArray(c.rows));
  }
}

TEST_F(Hostile, SearchPageWithAHundredThousandEntriesListsThemAll) {
  constexpr int count = 100'000;
  std::vector<std::string> entries;
  entries.reserve(count);
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    entries.push_back(entry("/movie/" + n + ".html", "影片<em>" + n + "</em>??", "/cover/" + n + ".jpg"));
  }
  const std::size_t page_size = listing(entries).size();
  site.serve(keyword_path, listing(entries));
  std::vector<std::string>().swap(entries);

  PeakMemory peak;
  Stopwatch clock;
  search();
  std::printf("100,000-entry search page (%zu bytes): %.2f s, peak resident memory +%zu MiB\n",
              page_size, clock.seconds(), peak.growth() / mebibyte);
  expect_peak_growth_below(peak, 4 * page_size + 64 * mebibyte, "100,000 entries");

  const ui::ControlModel& model = toolkit.model();
  ASSERT_EQ(model.row_count(controls::list_view_1), count);
  const Text film = ansi("影片");
  int wrong = 0;
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    const Row expected{n, "/movie/" + n + ".html", film + n, "/cover/" + n + ".jpg"};
    for (int column = 0; column < 4; ++column)
      if (model.cell(controls::list_view_1, i, column) != expected[column] && ++wrong <= 5)
        ADD_FAILURE() << "row " << i << " column " << column << ": "
                      << model.cell(controls::list_view_1, i, column);
  }
  EXPECT_EQ(wrong, 0);
  // The window processed its events after every row.
  EXPECT_GE(toolkit.pending_event_calls(), count);
}

TEST_F(Hostile, SearchSiteThatStopsMidPageListsTheEntriesThatArrived) {
  StallLimit limit(500ms);
  std::vector<std::string> entries;
  std::vector<Row> first_three;
  for (int i = 0; i < 6; ++i) {
    const std::string n = std::to_string(i);
    entries.push_back(entry("/" + n + ".html", "第" + n + "部", "/" + n + ".jpg"));
    if (i < 3) first_three.push_back({n, "/" + n + ".html", ansi("第" + n + "部"), "/" + n + ".jpg"});
  }
  const std::string page = listing(entries);
  // The page stops inside the fourth entry's name, in the middle of a character.
  const std::size_t cut = page.find("第3部") + 1;
  const std::string head = ok_head(page.size());
  const std::string sent = page.substr(0, cut);
  for (const bool closes : {true, false}) {
    SCOPED_TRACE(closes ? "closes" : "falls silent");
    site.route(keyword_path, [head, sent, closes](ReplyStream& reply) {
      if (reply.write(head) && reply.write(sent) && !closes) reply.pause(30s);
    });
    Stopwatch clock;
    search();
    EXPECT_LT(clock.seconds(), 10.0);
    EXPECT_THAT(rows(), ElementsAreArray(first_three));
  }
}

TEST_F(Hostile, SearchSiteThatNeverAnswersLeavesTheListEmpty) {
  StallLimit limit(500ms);
  site.serve(keyword_path, listing({entry("/a.html", "甲", "/a.jpg")}));
  search();
  ASSERT_EQ(rows().size(), 1u);
  site.route(keyword_path, [](ReplyStream& reply) { reply.pause(30s); });
  Stopwatch clock;
  search();
  const double took = clock.seconds();
  EXPECT_THAT(rows(), IsEmpty());
  EXPECT_GE(took, 0.45);
  EXPECT_LT(took, 10.0);
  EXPECT_TRUE(toolkit.questions().empty());
}

struct DetailCase {
  const char* name;
  std::string page;          // the bytes served
  std::string link;          // code page 936
  std::string raw_password;  // code page 936
  std::string password;      // code page 936
};

TEST_F(Hostile, DetailPagesWithUnterminatedMarkers) {
  // 资源列表, then a link start and a password start, again and again, and no end.
  std::string endless_starts;
  for (int i = 0; i < 200'000; ++i) endless_starts += "资源列表<a href=\"密码";
  const DetailCase cases[] = {
      {"section_never_closed",
       detail_page("<div>资源列表<a href=\"https://pan.example/s/1\">x</a><p>密码：pw</p>"), "", "", ""},
      {"section_start_is_the_last_thing_on_the_page", detail_page("") + "资源列表", "", "", ""},
      {"section_end_only_before_the_start",
       "</div>" + std::string("资源列表<a href=\"https://pan.example/s/1\">x</a><p>密码：pw</p>"), "",
       "", ""},
      {"link_without_a_closing_quote",
       detail_page("<div>资源列表<a href=\"https://pan.example/s/1><p>密码：pw</p></div>"), "",
       ansi("：pw"), "pw"},
      {"password_without_its_paragraph_end",
       detail_page("<div>资源列表<a href=\"https://pan.example/s/1\">x</a>密码：pw</div>"),
       "https://pan.example/s/1", "", ""},
      {"page_cut_inside_the_link", "<div>资源列表<a href=\"https://pan", "", "", ""},
      {"five_megabytes_of_starts_without_ends", endless_starts, "", "", ""},
  };
  for (const DetailCase& c : cases) {
    SCOPED_TRACE(c.name);
    site.serve("/detail.html", c.page);
    toolkit.set_content(controls::edit_box_2, "old link");
    toolkit.set_content(controls::edit_box_3, "old password");
    open_detail("/detail.html");
    EXPECT_EQ(text(controls::edit_box_2), c.link);
    EXPECT_EQ(text(controls::label_1), c.raw_password);
    EXPECT_EQ(text(controls::edit_box_3), c.password);
  }
}

TEST_F(Hostile, DetailPagesWithBrokenUtf8AndZeroBytes) {
  const std::string zero(1, '\0');
  const DetailCase cases[] = {
      {"invalid_byte_in_the_link",
       detail_page("<div>资源列表<a href=\"https://pan.example/s/\xFF" "1\">x</a><p>密码：pw</p></div>"),
       "https://pan.example/s/?1", ansi("：pw"), "pw"},
      {"cut_character_at_the_end_of_the_password",
       detail_page("<div>资源列表<a href=\"u\">x</a><p>密码：ab\xE5\xAF</p></div>"), "u",
       ansi("：ab") + "?", "ab?"},
      {"cut_lead_bytes_right_before_the_markers",
       detail_page("<div>\xE8资源列表<a href=\"u\">x</a><p>\xE6\x98密码：pw\xF0</p>\xC3</div>"), "u",
       ansi("：pw") + "?", "pw?"},
      {"zero_before_the_section",
       detail_page(zero + "<div>资源列表<a href=\"u\">x</a><p>密码：pw</p></div>"), "", "", ""},
      // The page ends at the zero byte, before the section's end: nothing is cut out.
      {"zero_inside_the_section",
       detail_page("<div>资源列表<a href=\"u\">x</a>" + zero + "<p>密码：pw</p></div>"), "", "", ""},
      {"zero_after_the_section",
       detail_page("<div>资源列表<a href=\"u\">x</a><p>密码：pw</p></div>" + zero + "\xFF"), "u",
       ansi("：pw"), "pw"},
  };
  for (const DetailCase& c : cases) {
    SCOPED_TRACE(c.name);
    site.serve("/detail.html", c.page);
    open_detail("/detail.html");
    EXPECT_EQ(text(controls::edit_box_2), c.link);
    EXPECT_EQ(text(controls::label_1), c.raw_password);
    EXPECT_EQ(text(controls::edit_box_3), c.password);
  }
}

TEST_F(Hostile, DetailSiteThatStopsMidPage) {
  StallLimit limit(500ms);
  const std::string page =
      detail_page("<div>资源列表<a href=\"https://pan.example/s/9\">x</a><p>密码：pw9</p></div>");
  const std::string head = ok_head(page.size());
  const std::size_t section_end = page.find("</div>", page.find("资源列表")) + 6;
  struct {
    const char* name;
    std::size_t sent;
    bool closes;
    const char* link;
    const char* password;
  } cases[] = {
      {"closes_inside_the_section", page.find("密码"), true, "", ""},
      {"falls_silent_inside_the_section", page.find("密码"), false, "", ""},
      {"closes_after_the_section", section_end, true, "https://pan.example/s/9", "pw9"},
      {"falls_silent_after_the_section", section_end, false, "https://pan.example/s/9", "pw9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string sent = page.substr(0, c.sent);
    const bool closes = c.closes;
    site.route("/detail.html", [head, sent, closes](ReplyStream& reply) {
      if (reply.write(head) && reply.write(sent) && !closes) reply.pause(30s);
    });
    Stopwatch clock;
    open_detail("/detail.html");
    EXPECT_LT(clock.seconds(), 10.0);
    EXPECT_EQ(text(controls::edit_box_2), c.link);
    EXPECT_EQ(text(controls::edit_box_3), c.password);
  }
}

TEST_F(Hostile, SilentDetailSiteHoldsOnlyTheWorker) {
  StallLimit limit(1000ms);
  site.serve("/cover.png", "cover bytes");
  site.route("/detail.html", [](ReplyStream& reply) { reply.pause(30s); });
  toolkit.set_content(controls::edit_box_2, "old link");
  const int row = toolkit.append_row(controls::list_view_1);
  toolkit.set_cell_text(controls::list_view_1, row, 1, site.url("/detail.html"));
  toolkit.set_cell_text(controls::list_view_1, row, 3, site.url("/cover.png"));
  toolkit.select_row(controls::list_view_1, row);

  // The handler returns once the cover is shown; the worker waits on its own.
  Stopwatch clock;
  toolkit.double_click(controls::list_view_1);
  const double handler = clock.seconds();
  toolkit.join_threads();
  const double worker = clock.seconds();

  EXPECT_EQ(toolkit.model().picture(controls::picture_box_2), text_to_bytes("cover bytes"));
  EXPECT_LT(handler, 0.9);
  EXPECT_GE(worker, 0.95);
  EXPECT_LT(worker, 10.0);
  EXPECT_EQ(text(controls::edit_box_2), "");
  EXPECT_EQ(text(controls::edit_box_3), "");
}

}  // namespace
}  // namespace netdisk::hostile
