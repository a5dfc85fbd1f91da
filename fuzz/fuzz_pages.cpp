// The pages the program reads from the web, with arbitrary bytes: the search page
// through list_search_results into a screen-less result list, and the detail,
// notice and counter pages through the readers their routines use after the
// request (read_detail_page, read_notice, read_usage_total).
//
// Input: the page; the last byte chooses which page it is.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <memory>

#include "app/globals.h"
#include "app/startup.h"
#include "fuzz_support.h"
#include "regex/regex_object.h"
#include "search/result_detail.h"
#include "search/search_command.h"
#include "text/codepage.h"
#include "text/markers.h"
#include "ui/control_names.h"
#include "ui/headless_toolkit.h"

using namespace netdisk;
using namespace netdisk::fuzz;

namespace {

namespace controls = ui::controls;

ui::WindowLayout result_list_layout() {
  ui::ControlLayout list;
  list.name = Text(controls::list_view_1);
  list.kind = ui::ControlKind::list_view;
  list.columns = {{"index", 0}, {"address", 0}, {"name", 100}, {"cover", 0}};
  ui::WindowLayout layout;
  layout.controls.push_back(list);
  return layout;
}

// The search page's rows: one per entry, each numbered by its row, no cell
// reaching past a line feed (the pattern's "." never crosses one).
void check_search_page(const Bytes& body) {
  static ui::HeadlessToolkit toolkit(result_list_layout());
  static ui::ScopedToolkit installed(toolkit);
  if (!g_regex) g_regex = std::make_unique<RegexObject>();
  toolkit.delete_all_rows(controls::list_view_1);

  list_search_results(body);
  const int rows = toolkit.model().row_count(controls::list_view_1);
  RegexObject expected;
  expected.create(result_pattern, utf8_to_ansi(bytes_to_text(body)));
  FUZZ_CHECK(rows == expected.match_count());
  for (int row = 0; row < rows; ++row) {
    FUZZ_CHECK(toolkit.cell_text(controls::list_view_1, row, 0) == number_to_text(row));
    for (int column = 1; column <= 3; ++column)
      FUZZ_CHECK(toolkit.cell_text(controls::list_view_1, row, column).find('\n') == Text::npos);
    FUZZ_CHECK(toolkit.cell_text(controls::list_view_1, row, 2) ==
               clean_result_name(expected.sub_match_text(row + 1, 2)));
  }
}

// load_result_detail after its request: the link and the password text come out
// of the resource section, each cut at its own end marker.
void check_detail_page(const Bytes& body) {
  const Text page = utf8_to_ansi(bytes_to_text(body));
  const DetailPage detail = read_detail_page(body);
  const Text password = clean_password(detail.raw_password);
  FUZZ_CHECK(page.find(detail.share_link) != Text::npos);
  FUZZ_CHECK(page.find(detail.raw_password) != Text::npos);
  FUZZ_CHECK(reference_find(detail.share_link, "\"", 1, false) == -1);
  FUZZ_CHECK(reference_find(detail.raw_password, "</p>", 1, true) == -1);
  FUZZ_CHECK(password.size() <= detail.raw_password.size());
  if (is_ascii(detail.raw_password)) FUZZ_CHECK(password.find(':') == Text::npos);
}

// show_startup_notice after its read: the whole page converts or nothing does,
// and the notes' lines join back into the notes.
void check_notice_page(const Bytes& body) {
  const Bytes converted = utf8_to_gb18030(body);
  const std::string_view utf8(reinterpret_cast<const char*>(body.data()), body.size());
  FUZZ_CHECK(converted.empty() == (body.empty() || !is_valid_utf8(utf8)));
  const Text text = bytes_to_text(converted);
  const Notice notice = read_notice(body);
  Text collected;
  for (const Text& line : split_text(notice.notes, "|")) collected = concat_text(collected, line, "\r\n");
  FUZZ_CHECK(notice.notes.empty() == collected.empty());
  FUZZ_CHECK(!std::isnan(to_number(notice.version) - to_number(own_version)));
  FUZZ_CHECK(text.find(notice.version) != Text::npos);
  FUZZ_CHECK(text.find(notice.notes) != Text::npos);
  FUZZ_CHECK(text.find(notice.update_address) != Text::npos);
  FUZZ_CHECK(reference_find(notice.version, "!", 1, true) == -1);
  FUZZ_CHECK(reference_find(notice.notes, "*", 1, true) == -1);
}

// show_usage_count after its request: the reply taken byte for byte up to its
// first zero byte, the total between its markers.
void check_counter_page(const Bytes& body) {
  const Text reply = bytes_to_text(body);
  const Text total = read_usage_total(reply);
  FUZZ_CHECK(reply.find(total) != Text::npos);
  FUZZ_CHECK(reference_find(total, "&#", 1, true) == -1);
  FUZZ_CHECK(total.find('\0') == Text::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const int page_kind = input.ConsumeIntegralInRange<int>(0, 3);
  const Bytes body = input.ConsumeRemainingBytes<std::uint8_t>();
  switch (page_kind) {
    case 0:
      check_search_page(body);
      break;
    case 1:
      check_detail_page(body);
      break;
    case 2:
      check_notice_page(body);
      break;
    default:
      check_counter_page(body);
      break;
  }
  return 0;
}
