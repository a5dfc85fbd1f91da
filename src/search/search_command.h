// The search button's handler: requests the resource site's search page for the
// keyword in 编辑框1 and lists every entry of it in 超级列表框1, one row per entry
// (column 0 the row index, 1 the detail page address, 2 the cleaned name, 3 the
// cover address). Runs on the window's thread; no message is ever shown.
//
//   bindings.clicked.emplace_back(Text(ui::controls::button_1), on_search_clicked);
#pragma once

#include <string_view>

#include "text/text.h"

namespace netdisk {

// One result entry of a search page. The carriage return at its end is part of
// the pattern: an entry only counts when "</a>" ends its line in a CR LF page.
inline constexpr std::string_view result_pattern =
    "<a class=\"pic fl\" href=\"(.*?)\"><img width=\"96px\" height=\"128px\" alt=\"(.*?)\" "
    "src=\"(.*?)\"/></a>\r";

void on_search_clicked();

// The rows from a received search page (UTF-8 bytes): what on_search_clicked does
// once the page has arrived. Appends to 超级列表框1 without clearing it, processing
// pending events after each row; a search started from inside that processing
// takes over the list, and this one stops appending.
void list_search_results(const Bytes& body);

// An entry's name as the list shows it: "<em>", "</em>" (any letter case) and
// runs of two to four "?" removed.
Text clean_result_name(std::string_view name);

// The address the keyword's search page is requested from: the search base, the
// keyword as percent-encoded UTF-8, "/".
Text search_address(std::string_view keyword);

// For tests only: replaces the built-in search base ("http://" + host + "/key/")
// so a test can point searches at its own loopback server; an empty base brings
// the built-in one back. Call it from the window's thread; the program never does.
void set_search_base_for_testing(std::string_view base);

}  // namespace netdisk
