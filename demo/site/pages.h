// The pages of the demo site, built as UTF-8 HTML with CR LF line ends. Every
// builder is a plain function of the catalogue and the site origin (scheme, host
// and port, e.g. "http://127.0.0.1:18472") so the server only routes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "site/catalogue.h"

namespace netdisk::demo {

using Catalogue = std::vector<CatalogueEntry>;

std::string detail_address(std::string_view origin, const CatalogueEntry& entry);
std::string cover_address(std::string_view origin, const CatalogueEntry& entry);

// The keyword as the search page uses it: ASCII spaces trimmed; a keyword that is
// not valid UTF-8 or is longer than max_keyword_bytes matches nothing.
inline constexpr std::size_t max_keyword_bytes = 200;
bool name_matches(const CatalogueEntry& entry, std::string_view keyword);

// The listed name with each occurrence of keyword (ASCII letters in any case)
// wrapped in <em> and </em>, as search sites mark what was found. Tags the name
// already holds stay where they are.
std::string highlight_keyword(std::string_view name, std::string_view keyword);

// The one line of a search page that lists an entry, without its CR LF.
std::string result_entry(std::string_view origin, const CatalogueEntry& entry,
                         std::string_view keyword);

// keyword is already percent-decoded; an empty keyword lists the whole catalogue.
std::string search_page(const Catalogue& catalogue, std::string_view keyword,
                        std::string_view origin);
std::string detail_page(const Catalogue& catalogue, const CatalogueEntry& entry,
                        std::string_view origin);
// The notice page announcing version, with notes and the update address.
std::string notice_page(std::string_view version, bool newer, std::string_view origin);
std::string download_page(std::string_view version, std::string_view origin);
std::string home_page(const Catalogue& catalogue, std::string_view origin);
std::string not_found_page(std::string_view origin);

// The counter's reply in UTF-8; the site sends it converted to code page 936.
std::string counter_reply(long long total);

}  // namespace netdisk::demo
