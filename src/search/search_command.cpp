#include "search/search_command.h"

#include "app/globals.h"
#include "site_constants.h"
#include "text/codepage.h"
#include "text/markers.h"
#include "ui/control_names.h"
#include "ui/toolkit.h"
#include "web/request.h"

namespace netdisk {
namespace {

namespace controls = ui::controls;

// Applied in this order: the longest run of question marks goes first, so a run
// of five leaves one "?" and a single "?" stays.
constexpr ReplacePair name_cleaning[5] = {
    {"<em>", ""}, {"</em>", ""}, {"????", ""}, {"???", ""}, {"??", ""},
};

enum Column { index_column = 0, detail_column = 1, name_column = 2, cover_column = 3 };

Text& search_base_for_testing() {
  static Text base;
  return base;
}

// Counts the result listings begun. A search clicked while an earlier one is
// still writing its rows (its click is handled inside that one's event
// processing) clears the list and replaces the matches in g_regex; the earlier
// listing notices the change and stops rather than append rows of the new matches.
int listings_begun = 0;

}  // namespace

void set_search_base_for_testing(std::string_view base) { search_base_for_testing() = base; }

Text search_address(std::string_view keyword) {
  const Text& base_for_testing = search_base_for_testing();
  const std::string_view base =
      base_for_testing.empty() ? site::search_base : std::string_view(base_for_testing);
  return concat_text(base, url_encode_keyword(keyword, false, true), "/");
}

Text clean_result_name(std::string_view name) { return replace_many(name, name_cleaning); }

void on_search_clicked() {
  ui::Toolkit& toolkit = ui::toolkit();
  toolkit.delete_all_rows(controls::list_view_1);
  const Text keyword = toolkit.content(controls::edit_box_1);
  const Bytes body = web_request(search_address(keyword), 0);
  list_search_results(body);
}

void list_search_results(const Bytes& body) {
  ui::Toolkit& toolkit = ui::toolkit();
  const int listing = ++listings_begun;
  const Text page = utf8_to_ansi(bytes_to_text(body));
  // Without the engine nothing matches: the list stays as it is.
  if (!g_regex) return;
  g_regex->create(result_pattern, page);
  // Read once: it bounds the loop whatever the handled events do meanwhile.
  const int matches = g_regex->match_count();
  for (int match = 1; match <= matches; ++match) {
    const RegexObject& regex = *g_regex;
    const int row = toolkit.append_row(controls::list_view_1);
    toolkit.set_cell_text(controls::list_view_1, row, index_column, number_to_text(row));
    toolkit.set_cell_text(controls::list_view_1, row, name_column,
                          clean_result_name(regex.sub_match_text(match, 2)));
    toolkit.set_cell_text(controls::list_view_1, row, detail_column,
                          regex.sub_match_text(match, 1));
    toolkit.set_cell_text(controls::list_view_1, row, cover_column, regex.sub_match_text(match, 3));
    // Rows appear one by one and the window stays responsive while the list fills.
    toolkit.process_pending_events();
    if (listing != listings_begun || !g_regex) return;
  }
}

}  // namespace netdisk
