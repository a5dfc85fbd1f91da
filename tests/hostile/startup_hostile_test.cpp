// The start-up notice and the usage counter against hostile pages on loopback, with
// the headless toolkit standing in for the window: notices of 10 MB, notices cut
// short or never sent, and counter replies of garbage. Only pages that announce no
// newer version are used here, since the update offer ends the process.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/startup.h"
#include "hostile_support.h"
#include "text/codepage.h"
#include "ui/control_names.h"
#include "ui/headless_toolkit.h"

namespace netdisk::hostile {
namespace {

using namespace std::chrono_literals;
using test_support::ReplyStream;

namespace controls = ui::controls;

Text ansi(std::string_view utf8) { return utf8_to_ansi(utf8); }

std::string section(std::string_view fields) {
  return "\r\n////开始\r\n" + std::string(fields) + "\r\n////结束\r\n";
}

// About size bytes of ordinary notice text in UTF-8, whole characters only.
std::string filler(std::size_t size) {
  const std::string sentence = "本站公告：资源每日更新，欢迎使用。Notice text. ";
  std::string text;
  text.reserve(size + sentence.size());
  while (text.size() < size) text += sentence;
  return text;
}

const std::string counter_path = "/count1/count.asp?id=77&sx=1&ys=43";

class HostileStartup : public ::testing::Test {
 protected:
  HostileStartup() {
    set_startup_addresses_for_testing(site.url("/notice.html"), site.url(counter_path));
  }
  ~HostileStartup() override { set_startup_addresses_for_testing("", ""); }

  Text caption(std::string_view control) const { return toolkit.caption(control); }

  HostileSite site;
  ui::HeadlessToolkit toolkit{main_window_layout()};
  ui::ScopedToolkit installed{toolkit};
};

struct NoticeCase {
  const char* name;
  std::string page;   // UTF-8 bytes as served
  std::string notes;  // the expected caption of 标签8, code page 936
};

// Shows the notice and checks the notes it leaves and the memory it took: the
// notes caption is the one thing besides the page whose size follows the page's.
void check_notices(HostileSite& site, ui::HeadlessToolkit& toolkit,
                   const std::vector<NoticeCase>& cases) {
  for (const NoticeCase& c : cases) {
    SCOPED_TRACE(c.name);
    site.serve("/notice.html", c.page);
    toolkit.set_caption(controls::label_8, "");
    PeakMemory peak;
    Stopwatch clock;
    show_startup_notice();
    std::printf("notice %s (%zu bytes): %.2f s, peak resident memory +%zu MiB\n", c.name,
                c.page.size(), clock.seconds(), peak.growth() / mebibyte);
    const Text notes = toolkit.caption(controls::label_8);
    EXPECT_TRUE(notes == c.notes) << notes.size() << " bytes instead of " << c.notes.size();
    EXPECT_TRUE(toolkit.questions().empty());
    expect_peak_growth_below(peak, 4 * (c.page.size() + c.notes.size()) + 64 * mebibyte, c.name);
  }
  EXPECT_TRUE(toolkit.opened_addresses().empty());
}

constexpr std::size_t ten_megabytes = 10'000'000;

TEST_F(HostileStartup, TenMegabyteNoticesAreReadWhole) {
  check_notices(
      site, toolkit,
      {
          {"section_after_ten_megabytes",
           filler(ten_megabytes) + section("最新版本=2.2!更新说明=a|b*更新地址=http://u完毕"),
           "a\r\nb\r\n"},
          {"section_before_ten_megabytes",
           section("最新版本=2.1!更新说明=a|b*") + filler(ten_megabytes), "a\r\nb\r\n"},
          {"a_megabyte_long_version_equal_to_ours",
           section("最新版本=2.2" + std::string(mebibyte, '0') + "!更新说明=a*") +
               filler(ten_megabytes),
           "a\r\n"},
          // Each of these takes four bytes in GB18030, twice its UTF-8 length.
          {"ten_megabytes_of_characters_outside_gbk",
           section("最新版本=2.2!更新说明=©|À*") + [] {
             std::string text;
             while (text.size() < ten_megabytes) text += "©À";
             return text;
           }(),
           "\x81\x30\x84\x38\r\n\x81\x30\x86\x38\r\n"},
          // One invalid byte at the end spoils the whole conversion.
          {"ten_megabytes_then_an_invalid_byte",
           section("最新版本=2.2!更新说明=a*") + filler(ten_megabytes) + "\xFF", ""},
          {"ten_megabytes_of_invalid_bytes", std::string(ten_megabytes, '\xFE'), ""},
      });
}

// Regression: each note line used to be appended to the caption by reading and
// writing the whole caption, which hung start-up on a notice of many lines.
TEST_F(HostileStartup, TenMegabytesOfNoteLinesAreCollected) {
  std::string many_lines, many_lines_label;
  for (int line = 0; many_lines.size() < ten_megabytes; ++line) {
    const std::string text = "第" + std::to_string(line) + "行";
    many_lines += text + "|";
    many_lines_label += ansi(text) + "\r\n";
  }
  std::string empty_lines_label;
  empty_lines_label.reserve(2 * ten_megabytes);
  for (std::size_t k = 0; k < ten_megabytes; ++k) empty_lines_label += "\r\n";
  check_notices(site, toolkit,
                {
                    {"ten_megabytes_of_note_lines",
                     section("最新版本=2.2!更新说明=" + many_lines + "*"), many_lines_label},
                    {"ten_million_empty_note_lines",
                     section("更新说明=" + std::string(ten_megabytes, '|') + "*"), empty_lines_label},
                });
}

// The note lines are cut where split_text cuts them: at a "|" that is a character
// of its own, never at the second byte of a two-byte character (亅 is 0x81 "|").
TEST_F(HostileStartup, NoteLinesAreCutOnlyAtCharacterBoundaries) {
  const struct {
    const char* notes;  // UTF-8
    const char* label;  // UTF-8
  } cases[] = {
      {"亅|a", "亅\r\na\r\n"}, {"亅", "亅\r\n"},   {"亅亅|", "亅亅\r\n"},
      {"|a", "\r\na\r\n"},     {"|", "\r\n"},       {"a||", "a\r\n\r\n"},
      {"||亅||", "\r\n\r\n亅\r\n\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.notes);
    site.serve("/notice.html", section("更新说明=" + std::string(c.notes) + "*"));
    toolkit.set_caption(controls::label_8, "");
    show_startup_notice();
    EXPECT_EQ(caption(controls::label_8), ansi(c.label));
    Text joined;
    for (const Text& line : split_text(ansi(c.notes), "|")) joined += line + "\r\n";
    EXPECT_EQ(caption(controls::label_8), joined);
  }
}

TEST_F(HostileStartup, NoticeCutShortIsUsedAsFarAsItArrived) {
  StallLimit limit(500ms);
  const std::string page = section("最新版本=2.2!更新说明=一|二*") + "<p>页尾</p>\r\n";
  const std::string head = ok_head(page.size() + 100);
  const std::size_t after_section = page.find("<p>");
  const struct {
    const char* name;
    std::size_t sent;
    bool closes;
    std::string notes;
  } cases[] = {
      {"closes_after_the_section", after_section, true, ansi("一\r\n二\r\n")},
      {"falls_silent_after_the_section", after_section, false, ansi("一\r\n二\r\n")},
      {"closes_inside_the_section", page.find("////结束"), true, ""},
      // A character cut in half makes the whole page unconvertible.
      {"closes_inside_a_character_after_the_section", page.find("页") + 2, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string sent = page.substr(0, c.sent);
    const bool closes = c.closes;
    site.route("/notice.html", [head, sent, closes](ReplyStream& reply) {
      if (reply.write(head) && reply.write(sent) && !closes) reply.pause(30s);
    });
    toolkit.set_caption(controls::label_8, "");
    Stopwatch clock;
    show_startup_notice();
    EXPECT_LT(clock.seconds(), 10.0);
    EXPECT_EQ(caption(controls::label_8), c.notes);
    EXPECT_TRUE(toolkit.questions().empty());
  }
}

TEST_F(HostileStartup, SilentNoticeStillLetsTheCounterRun) {
  StallLimit limit(500ms);
  site.route("/notice.html", [](ReplyStream& reply) { reply.pause(30s); });
  site.serve(counter_path, ansi("累计访问：") + "42&#20154;");
  Stopwatch clock;
  on_main_window_created();
  const double took = clock.seconds();
  EXPECT_EQ(caption(controls::label_8), "");
  EXPECT_EQ(caption(controls::label_7), ansi("使用次数：42"));
  EXPECT_EQ(toolkit.model().display_mode(controls::picture_box_2), 1);
  EXPECT_TRUE(toolkit.questions().empty());
  EXPECT_GE(took, 0.45);
  EXPECT_LT(took, 10.0);
}

// Bytes from a fixed linear congruential sequence: garbage, the same every run.
std::string garbage(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& b : bytes) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<char>(seed >> 24);
  }
  return bytes;
}

TEST_F(HostileStartup, CounterRepliesOfGarbage) {
  const std::string marker = ansi("累计访问：");
  const std::string label = ansi("使用次数：");
  std::string repeated_marker;
  for (int k = 0; k < 200'000; ++k) repeated_marker += marker;
  const struct {
    const char* name;
    HostileSite::Page page;
    std::string expected;
  } cases[] = {
      {"random_bytes",
       [](ReplyStream& reply) {
         const std::string body = garbage(65536, 7);
         if (reply.write(ok_head(body.size()))) reply.write(body);
       },
       label},
      {"random_total_between_the_markers",
       [marker](ReplyStream& reply) {
         const std::string body = marker + "\x81\x7F\xFE<b>" + "&#" + garbage(1000, 9);
         if (reply.write(ok_head(body.size()))) reply.write(body);
       },
       label + "\x81\x7F\xFE<b>"},
      {"random_bytes_instead_of_a_response",
       [](ReplyStream& reply) { reply.write(garbage(4096, 11)); }, label},
      {"marker_without_end_repeated",
       [repeated_marker](ReplyStream& reply) {
         if (reply.write(ok_head(repeated_marker.size()))) reply.write(repeated_marker);
       },
       label},
      {"endless_random_body_after_a_total",
       [marker](ReplyStream& reply) {
         if (!reply.write("HTTP/1.0 200 OK\r\n\r\n" + marker + "12&#")) return;
         const std::string piece = garbage(mebibyte, 3);
         while (reply.write(piece)) {
         }
       },
       label + "12"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    site.route(counter_path, c.page);
    toolkit.set_caption(controls::label_7, "before");
    PeakMemory peak;
    show_usage_count();
    EXPECT_EQ(caption(controls::label_7), c.expected);
    expect_peak_growth_below(peak, 4 * body_bound + 64 * mebibyte, c.name);
  }
}

TEST_F(HostileStartup, CounterThatNeverAnswersLeavesTheLabelBare) {
  StallLimit limit(500ms);
  site.route(counter_path, [](ReplyStream& reply) { reply.pause(30s); });
  toolkit.set_caption(controls::label_7, "before");
  Stopwatch clock;
  show_usage_count();
  const double took = clock.seconds();
  EXPECT_EQ(caption(controls::label_7), ansi("使用次数："));
  EXPECT_GE(took, 0.45);
  EXPECT_LT(took, 10.0);
}

}  // namespace
}  // namespace netdisk::hostile
