#include "app/startup.h"

#include "app/exit.h"
#include "app/globals.h"
#include "site_constants.h"
#include "text/codepage.h"
#include "text/markers.h"
#include "ui/control_names.h"
#include "ui/toolkit.h"
#include "web/file_reader.h"
#include "web/request.h"

namespace netdisk {
namespace {

// The notice page's markers and field keys, in code page 936 (the page is read
// as GB18030, which agrees with code page 936 on all of them).
constexpr std::string_view section_start = "////\xBF\xAA\xCA\xBC";            // ////开始
constexpr std::string_view section_end = "////\xBD\xE1\xCA\xF8";              // ////结束
constexpr std::string_view version_key = "\xD7\xEE\xD0\xC2\xB0\xE6\xB1\xBE" "=";  // 最新版本=
constexpr std::string_view notes_key = "\xB8\xFC\xD0\xC2\xCB\xB5\xC3\xF7" "=";    // 更新说明=
constexpr std::string_view address_key = "\xB8\xFC\xD0\xC2\xB5\xD8\xD6\xB7" "=";  // 更新地址=
constexpr std::string_view address_end = "\xCD\xEA\xB1\xCF";                     // 完毕
// 更新说明：, then a line break
constexpr std::string_view question_head = "\xB8\xFC\xD0\xC2\xCB\xB5\xC3\xF7\xA3\xBA" "\r\n";
// 发现最新版本，是否更新？
constexpr std::string_view question_title =
    "\xB7\xA2\xCF\xD6\xD7\xEE\xD0\xC2\xB0\xE6\xB1\xBE\xA3\xAC\xCA\xC7\xB7\xF1\xB8\xFC\xD0\xC2\xA3\xBF";

constexpr std::string_view total_start = "\xC0\xDB\xBC\xC6\xB7\xC3\xCE\xCA\xA3\xBA";  // 累计访问：
constexpr std::string_view count_label = "\xCA\xB9\xD3\xC3\xB4\xCE\xCA\xFD\xA3\xBA";  // 使用次数：

// A newer version must exceed ours by more than this.
constexpr double version_threshold = 0.0000001;

Text& notice_address_for_testing() {
  static Text address;
  return address;
}

Text& counter_address_for_testing() {
  static Text address;
  return address;
}

std::string_view notice_address() {
  const Text& test = notice_address_for_testing();
  return test.empty() ? site::notice_address : std::string_view(test);
}

std::string_view counter_address() {
  const Text& test = counter_address_for_testing();
  return test.empty() ? site::counter_address : std::string_view(test);
}

}  // namespace

void set_startup_addresses_for_testing(std::string_view notice, std::string_view counter) {
  notice_address_for_testing() = notice;
  counter_address_for_testing() = counter;
}

void on_main_window_created() {
  show_startup_notice();
  show_usage_count();
  ui::toolkit().set_display_mode(ui::controls::picture_box_2, 1);
}

void show_startup_notice() {
  ui::Toolkit& toolkit = ui::toolkit();
  const Notice notice = read_notice(http_read_file(notice_address()));
  const Text& version = notice.version;
  const Text& notes = notice.notes;

  // The notes split at "|" (as split_text cuts them), each line followed by a line
  // break, appended to the caption in one write. Taking the lines one at a time
  // keeps memory near the caption's size, where an array of the lines of a page of
  // bare "|" would take many times the page; writing once keeps the growing caption
  // from being copied once per line.
  if (!notes.empty()) {
    Text collected = toolkit.caption(ui::controls::label_8);
    std::size_t cut = 0;
    for (int bar; (bar = find_text(notes, "|", static_cast<int>(cut) + 1)) != -1;) {
      const std::size_t at = static_cast<std::size_t>(bar) - 1;
      collected.append(notes, cut, at - cut).append("\r\n");
      cut = at + 1;
    }
    if (cut < notes.size()) collected.append(notes, cut).append("\r\n");
    toolkit.set_caption(ui::controls::label_8, collected);
  }

  if (version.empty()) return;
  double difference = to_number(version) - to_number(own_version);
  if (!(difference > version_threshold)) return;

  g_update_address = notice.update_address;
  Text question = concat_text(question_head, toolkit.caption(ui::controls::label_8));
  int answer = toolkit.message_box(question, question_title);
  // The address comes from a page fetched over plain HTTP: only a web address
  // goes to the system's default handler, never a file or a program to start.
  if (answer == ui::answer_yes && is_web_address(g_update_address))
    toolkit.open_address(g_update_address);
  end_program(0);
}

void show_usage_count() {
  Text total = read_usage_total(web_request_text(counter_address()));
  ui::toolkit().set_caption(ui::controls::label_7, concat_text(count_label, total));
}

Notice read_notice(const Bytes& page) {
  Text notice = bytes_to_text(utf8_to_gb18030(page));
  Text section = text_between(notice, section_start, section_end);
  return {
      .version = text_between(section, version_key, "!"),
      .notes = text_between(section, notes_key, "*"),
      .update_address = text_between(section, address_key, address_end),
  };
}

Text read_usage_total(std::string_view reply) { return text_between(reply, total_start, "&#"); }

bool is_web_address(std::string_view address) {
  Text head = to_lower(text_left(address, 8));
  return head.starts_with("http://") || head.starts_with("https://");
}

}  // namespace netdisk
