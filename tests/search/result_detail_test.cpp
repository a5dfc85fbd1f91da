// The result detail against a loopback fixture site and the main window's controls
// in a headless toolkit: the cover before the worker, the worker's own reading of
// the selection, the three marker cuts, the password cleaning, and failures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "handler_fixture.h"
#include "support/loopback_server.h"

namespace netdisk::search_test {
namespace {

using ::testing::ElementsAre;

// A detail page in UTF-8 with CR LF lines around the given resource markup, and
// links elsewhere on the page that are no share links.
std::string detail_page(std::string_view resources) {
  std::string page =
      "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"><title>详情</title></head>\r\n"
      "<body><div class=\"nav\"><a href=\"https://elsewhere.example/\">首页</a></div>\r\n"
      "<div class=\"intro\"><p>密码错误请反馈</p></div>\r\n";
  page.append(resources);
  return page +
         "\r\n<div class=\"foot\"><a href=\"https://elsewhere.example/about\">关于</a>"
         "</div></body></html>\r\n";
}

class ResultDetail : public HandlerTest {
 protected:
  // Rows 0 and 1 whose detail pages and covers the fixture site serves.
  void serve_two_entries() {
    for (const std::string n : {"0", "1"}) {
      site.serve("/movie/" + n + ".html",
                 detail_page("<div class=\"res\"><h2>资源列表</h2>\r\n<p><a href=\"https://pan."
                             "example/s/" +
                             n +
                             "\" target=\"_blank\">网盘链接</a></p>\r\n"
                             "<p>提取密码：&nbsp;pw" +
                             n + "<br/></p></div>"));
      site.serve("/cover/" + n + ".png", "cover bytes " + n);
      add_row(site.url("/movie/" + n + ".html"), n, site.url("/cover/" + n + ".png"));
    }
  }
};

TEST_F(ResultDetail, ShowsTheCoverThenTheLinkAndTheCleanedPassword) {
  serve_two_entries();
  toolkit.select_row(controls::list_view_1, 1);
  toolkit.double_click(controls::list_view_1);
  // The cover is on show by the time the handler returns.
  EXPECT_EQ(picture(), text_to_bytes("cover bytes 1"));
  toolkit.join_threads();

  EXPECT_EQ(toolkit.threads_started(), 1);
  EXPECT_EQ(content(controls::edit_box_2), "https://pan.example/s/1");
  EXPECT_EQ(content(controls::edit_box_3), "pw1");
  EXPECT_EQ(content(controls::label_1), ansi("：&nbsp;pw1<br/>"));
  EXPECT_THAT(site.targets(), ElementsAre("/cover/1.png", "/movie/1.html"));
  EXPECT_TRUE(toolkit.questions().empty());
}

TEST_F(ResultDetail, CoverBeforeTheWorkerAndThePasswordReadBackFromLabel1) {
  serve_two_entries();
  toolkit.select_row(controls::list_view_1, 0);
  toolkit.clear_log();
  toolkit.double_click(controls::list_view_1);
  toolkit.join_threads();

  EXPECT_THAT(toolkit.log(), ElementsAre("picture picture2", "thread",
                                         "write edit3=", "write edit2=https://pan.example/s/0",
                                         "write label1=" + ansi("：&nbsp;pw0<br/>"), "read label1",
                                         "write edit3=pw0"));
}

TEST_F(ResultDetail, SelectionChangedBeforeTheWorkerReadsGivesTheNewRowsLink) {
  serve_two_entries();
  toolkit.select_row(controls::list_view_1, 0);
  toolkit.before_thread_start([this] { toolkit.select_row(controls::list_view_1, 1); });
  toolkit.double_click(controls::list_view_1);
  toolkit.join_threads();

  EXPECT_EQ(picture(), text_to_bytes("cover bytes 0"));
  EXPECT_EQ(content(controls::edit_box_2), "https://pan.example/s/1");
  EXPECT_EQ(content(controls::edit_box_3), "pw1");
}

struct SectionCase {
  const char* name;
  std::string page;  // UTF-8
  const char* link;
  const char* raw_password;  // UTF-8
  const char* password;      // UTF-8
};

std::vector<SectionCase> section_cases() {
  return {
      {"full_width_colon_nbsp_br",
       detail_page("<div>资源列表<a href=\"https://pan.example/s/a\">a</a>"
                   "<p>密码：&nbsp;abcd<br/></p></div>"),
       "https://pan.example/s/a", "：&nbsp;abcd<br/>", "abcd"},
      {"every_colon_goes_also_inside_the_password",
       detail_page("<div>资源列表<a href=\"x\"></a><p>密码:ab:cd：e</p></div>"), "x", ":ab:cd：e",
       "abcde"},
      {"opening_span_stays",
       detail_page("<div>资源列表<a href=\"x\"></a><p>密码：<span style=\"color:red\">abcd</span>"
                   "</p></div>"),
       "x", "：<span style=\"color:red\">abcd</span>", "<span style=\"colorred\">abcd"},
      {"markers_in_capitals",
       detail_page("<DIV>资源列表<A HREF=\"https://pan.example/s/B\">b</A><P>密码：1234&NBSP;"
                   "<BR/></P></DIV><div><a href=\"https://after.example/\">after</a></div>"),
       "https://pan.example/s/B", "：1234&NBSP;<BR/>", "1234"},
      {"section_ends_at_a_capital_closing_div",
       detail_page("<div>资源列表<p>暂无</p></DIV><a href=\"https://after.example/\">x</a>"
                   "<p>密码：after</p>"),
       "", "", ""},
      {"first_link_of_the_section_only",
       detail_page("<div>资源列表<p>说明</p><a href=\"https://pan.example/s/1\">1</a>"
                   "<a href=\"https://pan.example/s/2\">2</a><p>网盘密码：x1<br/></p></div>"),
       "https://pan.example/s/1", "：x1<br/>", "x1"},
      {"section_after_other_links_and_passwords",
       "<a href=\"https://first.example/\">a</a><p>密码：wrong</p>资源列表<a href=\"ok\"></a>"
       "<p>密码 good</p></div>",
       "ok", " good", " good"},
      {"no_section",
       detail_page("<div><a href=\"https://pan.example/s/a\"></a><p>密码：a</p></div>"), "", "",
       ""},
      {"section_without_its_end",
       "<p>资源列表</p><a href=\"https://pan.example/s/a\"></a><p>密码：a</p>\r\n", "", "", ""},
      {"section_without_link", detail_page("<div>资源列表<p>密码：abcd</p></div>"), "", "：abcd",
       "abcd"},
      {"section_without_password", detail_page("<div>资源列表<a href=\"x\"></a></div>"), "x", "",
       ""},
      {"link_without_closing_quote", detail_page("<div>资源列表<a href=x><p>密码:1</p></div>"), "",
       ":1", "1"},
      {"invalid_utf8_around_the_section",
       "\xFF\xFE\x80<div>资源列表<a href=\"y\"></a><p>密码：\xC0z</p></div>", "y", "：?z", "?z"},
  };
}

TEST_F(ResultDetail, SectionLinkAndPasswordCases) {
  for (const SectionCase& c : section_cases()) {
    SCOPED_TRACE(c.name);
    const std::string path = std::string("/detail/") + c.name + ".html";
    site.serve(path, c.page);
    toolkit.model().clear_rows(controls::list_view_1);
    add_row(site.url(path), c.name, "");
    toolkit.select_row(controls::list_view_1, 0);
    toolkit.double_click(controls::list_view_1);
    toolkit.join_threads();

    EXPECT_EQ(content(controls::edit_box_2), c.link);
    EXPECT_EQ(content(controls::label_1), ansi(c.raw_password));
    EXPECT_EQ(content(controls::edit_box_3), ansi(c.password));
  }
}

TEST(PasswordCleaning, PairsInOrderLettersInAnyCase) {
  const struct {
    const char* raw;  // UTF-8
    const char* expected;
  } cases[] = {
      {"：&nbsp;abcd<br/>", "abcd"},
      {"::a:b：：", "ab"},
      {"&NBSP;a&Nbsp;", "a"},
      {"<span>a</span></SPAN>", "<span>a"},
      {"a<BR/><br />", "a<br />"},
      {"&nbsp&nbsp;;", "&nbsp;"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(clean_password(ansi(c.raw)), ansi(c.expected)) << c.raw;
}

TEST_F(ResultDetail, FailuresEmptyTheBoxesAndAskNothing) {
  test_support::RefusingPort refusing;
  const struct {
    const char* name;
    std::function<void()> arrange;
  } cases[] = {
      {"no_row_selected",
       [&] {
         add_row(site.url("/movie/0.html"), "0", site.url("/cover/0.png"));
         toolkit.select_row(controls::list_view_1, -1);
       }},
      {"cover_and_page_missing",
       [&] {
         add_row(site.url("/missing.html"), "0", site.url("/missing.png"));
         toolkit.select_row(controls::list_view_1, 0);
       }},
      {"site_down",
       [&] {
         add_row(refusing.url("/movie/0.html"), "0", refusing.url("/cover/0.png"));
         toolkit.select_row(controls::list_view_1, 0);
       }},
      {"empty_list", [&] { toolkit.select_row(controls::list_view_1, 3); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    toolkit.model().clear_rows(controls::list_view_1);
    toolkit.set_picture(controls::picture_box_2, Bytes{1, 2, 3});
    toolkit.set_content(controls::edit_box_2, "old link");
    toolkit.set_content(controls::edit_box_3, "old password");
    toolkit.set_caption(controls::label_1, "old raw");
    c.arrange();
    toolkit.double_click(controls::list_view_1);
    toolkit.join_threads();

    EXPECT_TRUE(picture().empty());
    EXPECT_EQ(content(controls::edit_box_2), "");
    EXPECT_EQ(content(controls::edit_box_3), "");
    EXPECT_EQ(content(controls::label_1), "");
  }
  EXPECT_TRUE(toolkit.questions().empty());
}

}  // namespace
}  // namespace netdisk::search_test
