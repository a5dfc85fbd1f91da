// The demo site's catalogue: fictional entries read from a tab-separated UTF-8
// data file (catalogue.txt beside this header). Both the cover maker (at build
// time) and the site itself parse it with parse_catalogue.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace netdisk::demo {

// How a detail page writes the extraction password inside its resource section.
enum class PasswordForm {
  full_width_nbsp_br = 1,  // <p>提取密码：&nbsp;abcd<br/></p>
  ascii_colon = 2,         // <p>密码:abcd</p>
  span_label = 3,          // <p><span class="label">密码：</span>abcd</p>
  ascii_nbsp_both = 4,     // <p>密码:&nbsp;abcd&nbsp;<br/></p>
  full_width_br = 5,       // <p>网盘密码：abcd<br/></p>
  none = 6,                // <p>本资源无需密码</p>
};

struct CatalogueEntry {
  int id = 0;
  std::string category;
  int year = 0;
  std::string region;
  std::string cover_format;  // "jpg", "png", "gif" or "bmp"
  std::string share_code;    // the share address is share_base + share_code
  std::string password;      // empty when the entry needs none
  PasswordForm password_form = PasswordForm::none;
  std::string name;  // as the site lists it: may hold <em> tags and "?" runs
  std::string synopsis;
};

inline constexpr std::string_view share_base = "https://pan.example.invalid/s/";

struct ParsedCatalogue {
  std::vector<CatalogueEntry> entries;
  std::vector<std::string> errors;  // one line per rejected data line
};

// Blank lines and lines starting with '#' are skipped; a line that breaks the
// format is left out and described in errors, so one bad line costs one entry.
ParsedCatalogue parse_catalogue(std::string_view text);

// The name without its <em>/</em> tags (any letter case): what a reader sees.
std::string plain_name(std::string_view name);

// The address of an entry's share page.
std::string share_address(const CatalogueEntry& entry);

}  // namespace netdisk::demo
