// The start-up notice and the usage counter inside the test process, against
// pages served on loopback, with the headless toolkit standing in for the window.
// The update offer ends the process, so its cases run in startup_process_test.cpp.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>

#include "app/main_window.h"
#include "app/startup.h"
#include "support/loopback_server.h"
#include "text/codepage.h"
#include "ui/control_names.h"
#include "ui/headless_toolkit.h"

namespace netdisk {
namespace {

namespace controls = ui::controls;

// Test texts are written in UTF-8; the program holds code page 936.
Text ansi(std::string_view utf8) { return utf8_to_ansi(utf8); }

std::string section(std::string_view body) {
  return "<html><body>\r\n////开始\r\n" + std::string(body) + "\r\n////结束\r\n</body></html>";
}

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server.server().Get("/notice.html", [this](const httplib::Request&, httplib::Response& res) {
      std::lock_guard lock(mutex);
      res.set_content(notice, "text/html; charset=utf-8");
    });
    server.server().Get("/count1/count.asp", [this](const httplib::Request& req,
                                                   httplib::Response& res) {
      std::lock_guard lock(mutex);
      ++counter_hits;
      counter_query = req.params.size() == 3 ? req.get_param_value("id") + "," +
                                                   req.get_param_value("sx") + "," +
                                                   req.get_param_value("ys")
                                             : "";
      res.set_content(counter_reply, "text/html; charset=gb2312");
    });
    server.start();
    set_startup_addresses_for_testing(server.url("/notice.html"),
                                      server.url("/count1/count.asp?id=77&sx=1&ys=43"));
  }
  void TearDown() override { set_startup_addresses_for_testing("", ""); }

  ui::HeadlessToolkit toolkit{main_window_layout()};
  ui::ScopedToolkit installed{toolkit};
  void serve(std::string notice_page, std::string reply) {
    std::lock_guard lock(mutex);
    notice = std::move(notice_page);
    counter_reply = std::move(reply);
  }
  std::string last_counter_query() {
    std::lock_guard lock(mutex);
    return counter_query;
  }

  test_support::LoopbackHttpServer server;
  std::mutex mutex;  // the test writes what the server threads read
  std::string notice;
  std::string counter_reply;
  std::atomic<int> counter_hits{0};
  std::string counter_query;
};

struct NoticeCase {
  const char* name;
  std::string page;
  std::string_view notes_label;  // UTF-8
};

// Pages that announce nothing newer: the notes are collected, no question is asked.
TEST_F(StartupTest, NoticeWithoutNewerVersionCollectsNotesOnly) {
  const NoticeCase cases[] = {
      {"same_version", section("最新版本=2.2!更新说明=a|b*更新地址=http://u完毕"), "a\r\nb\r\n"},
      {"lower_version", section("最新版本=1.9!更新说明=x*"), "x\r\n"},
      {"just_below_threshold", section("最新版本=2.2000001!更新说明=a*"), "a\r\n"},
      {"not_a_number", section("最新版本=abc!更新说明=a*"), "a\r\n"},
      {"no_version_field", section("更新说明=a|b*更新地址=http://u完毕"), "a\r\nb\r\n"},
      {"empty_version", section("最新版本=!更新说明=a*"), "a\r\n"},
      {"trailing_bar", section("最新版本=2.2!更新说明=a|b|*"), "a\r\nb\r\n"},
      {"empty_line", section("最新版本=2.2!更新说明=a||b*"), "a\r\n\r\nb\r\n"},
      {"empty_notes", section("最新版本=2.2!更新说明=*"), ""},
      {"fields_in_any_order", section("更新说明=n*\r\n<p>最新版本=2.0!</p>"), "n\r\n"},
      // Only the first section counts: its end marker ends it.
      {"two_sections", section("最新版本=2.2!更新说明=first*") + section("最新版本=9!更新说明=second*"),
       "first\r\n"},
      {"version_outside_section", "最新版本=9!" + section("更新说明=in*"), "in\r\n"},
      {"no_section", "最新版本=9!更新说明=a*", ""},
      {"markers_case_of_letters", section("最新版本=2.2!更新说明=A|b*"), "A\r\nb\r\n"},
      {"invalid_utf8", section("最新版本=9!更新说明=a*") + "\xFF", ""},
      {"truncated_utf8", section("最新版本=9!更新说明=a*") + "\xE4\xB8", ""},
      {"empty_page", "", ""},
  };
  for (const NoticeCase& c : cases) {
    serve(c.page, "");
    toolkit.set_caption(controls::label_8, "");
    show_startup_notice();
    EXPECT_EQ(toolkit.caption(controls::label_8), ansi(c.notes_label)) << c.name;
    EXPECT_TRUE(toolkit.questions().empty()) << c.name;
  }
  EXPECT_TRUE(toolkit.opened_addresses().empty());
}

TEST_F(StartupTest, UnreadableNoticeLeavesTheLabelEmpty) {
  test_support::RefusingPort refused;
  set_startup_addresses_for_testing(test_support::loopback_url(refused.port(), "/notice.html"),
                                    server.url("/count1/count.asp?id=77&sx=1&ys=43"));
  show_startup_notice();
  EXPECT_EQ(toolkit.caption(controls::label_8), "");
  EXPECT_TRUE(toolkit.questions().empty());

  // A page the server does not have reads as nothing too.
  set_startup_addresses_for_testing(server.url("/missing.html"), "");
  show_startup_notice();
  EXPECT_EQ(toolkit.caption(controls::label_8), "");
}

struct CounterCase {
  const char* name;
  std::string reply;     // code page 936 bytes
  std::string expected;  // code page 936 bytes
};

TEST_F(StartupTest, UsageCountTakesTheTotalAfterItsMarker) {
  const std::string marker = ansi("累计访问：");
  const std::string label = ansi("使用次数：");
  const CounterCase cases[] = {
      {"total", "document.write('" + marker + "1234&#20154;')", label + "1234"},
      {"no_end_marker", marker + "1234", label},
      {"end_marker_only_before", "&#20154;" + marker + "1234", label},
      {"no_marker", "1234&#20154;", label},
      {"empty_reply", "", label},
      // The total is kept byte for byte, never read as a number or converted.
      {"total_is_any_text", marker + ansi("一千") + "\xFF\xFE&#", label + ansi("一千") + "\xFF\xFE"},
      {"stops_at_zero_byte", std::string("x\0", 2) + marker + "5&#", label},
  };
  for (const CounterCase& c : cases) {
    serve("", c.reply);
    show_usage_count();
    EXPECT_EQ(toolkit.caption(controls::label_7), c.expected) << c.name;
  }
  EXPECT_EQ(counter_hits.load(), static_cast<int>(std::size(cases)));
  EXPECT_EQ(last_counter_query(), "77,1,43");
}

TEST_F(StartupTest, UnreachableCounterStillWritesTheLabel) {
  test_support::RefusingPort refused;
  set_startup_addresses_for_testing("", test_support::loopback_url(refused.port(), "/count1/"));
  toolkit.set_caption(controls::label_7, "before");
  show_usage_count();
  EXPECT_EQ(toolkit.caption(controls::label_7), ansi("使用次数："));
}

TEST_F(StartupTest, CreatedHandlerRunsNoticeThenCounterThenDisplayMode) {
  serve(section("最新版本=2.2!更新说明=one|two*"), ansi("累计访问：") + "42&#");
  toolkit.model().set_display_mode(controls::picture_box_2, 0);
  on_main_window_created();
  EXPECT_EQ(toolkit.caption(controls::label_8), "one\r\ntwo\r\n");
  EXPECT_EQ(toolkit.caption(controls::label_7), ansi("使用次数：42"));
  EXPECT_EQ(toolkit.model().display_mode(controls::picture_box_2), 1);
  EXPECT_EQ(counter_hits.load(), 1);
  EXPECT_TRUE(toolkit.questions().empty());
}

TEST(UpdateAddress, OnlyWebAddressesAreOpened) {
  struct Case {
    std::string_view address;
    bool opened;
  } cases[] = {
      {"http://example.invalid/x", true}, {"https://example.invalid/", true},
      {"HTTP://EXAMPLE.INVALID", true},   {"hTTpS://a", true},
      {"file:///etc/passwd", false},      {"", false},
      {"calc.exe", false},                {"http:/x", false},
      {" http://x", false},               {"javascript:alert(1)", false},
      {"\\\\server\\share", false},       {"ftp://x", false},
  };
  for (const Case& c : cases) EXPECT_EQ(is_web_address(c.address), c.opened) << c.address;
}

}  // namespace
}  // namespace netdisk
