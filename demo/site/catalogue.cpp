#include "site/catalogue.h"

#include <set>

#include "site/html.h"

namespace netdisk::demo {
namespace {

constexpr std::string_view em_open = "<em>";
constexpr std::string_view em_close = "</em>";

std::vector<std::string_view> split_fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  return fields;
}

// Reads a decimal number of 1 to 9 digits; -1 for anything else.
int read_number(std::string_view field) {
  if (field.empty() || field.size() > 9) return -1;
  int value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool all_of_set(std::string_view field, std::string_view extra) {
  for (char c : field) {
    const bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (!alnum && extra.find(c) == std::string_view::npos) return false;
  }
  return true;
}

// Text that goes into pages unescaped: no markup, quotes or line breaks, and none
// of the texts that delimit a detail page's resource section.
bool is_plain_page_text(std::string_view text) {
  if (text.empty() || !is_valid_utf8(text)) return false;
  if (text.find_first_of("<>&\"\t\r\n") != std::string_view::npos) return false;
  return text.find("资源列表") == std::string_view::npos &&
         text.find("密码") == std::string_view::npos;
}

// A name may hold <em> and </em> (any case) and nothing else that looks like markup.
bool is_valid_name(std::string_view name) { return is_plain_page_text(plain_name(name)); }

}  // namespace

std::string plain_name(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (std::size_t pos = 0; pos < name.size();) {
    if (find_ascii_nocase(name, em_open, pos) == pos) {
      pos += em_open.size();
    } else if (find_ascii_nocase(name, em_close, pos) == pos) {
      pos += em_close.size();
    } else {
      out += name[pos++];
    }
  }
  return out;
}

std::string share_address(const CatalogueEntry& entry) {
  return std::string(share_base) + entry.share_code;
}

ParsedCatalogue parse_catalogue(std::string_view text) {
  ParsedCatalogue result;
  std::set<int> seen_ids;
  int line_number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;

    const auto reject = [&](std::string_view why) {
      result.errors.push_back("line " + std::to_string(line_number) + ": " + std::string(why));
    };
    const std::vector<std::string_view> fields = split_fields(line);
    if (fields.size() != 10) {
      reject("expected 10 tab-separated fields");
      continue;
    }
    CatalogueEntry entry;
    entry.id = read_number(fields[0]);
    if (entry.id <= 0) {
      reject("bad id");
      continue;
    }
    if (!seen_ids.insert(entry.id).second) {
      reject("repeated id");
      continue;
    }
    entry.category = fields[1];
    entry.year = read_number(fields[2]);
    entry.region = fields[3];
    if (!is_plain_page_text(entry.category) || !is_plain_page_text(entry.region) ||
        entry.year < 1900 || entry.year > 2999) {
      reject("bad category, year or region");
      continue;
    }
    entry.cover_format = fields[4];
    if (entry.cover_format != "jpg" && entry.cover_format != "png" && entry.cover_format != "gif" &&
        entry.cover_format != "bmp") {
      reject("cover format must be jpg, png, gif or bmp");
      continue;
    }
    entry.share_code = fields[5];
    if (entry.share_code.empty() || entry.share_code.size() > 64 ||
        !all_of_set(entry.share_code, "-_")) {
      reject("bad share code");
      continue;
    }
    const int form = read_number(fields[7]);
    if (form < 1 || form > 6) {
      reject("password form must be 1 to 6");
      continue;
    }
    entry.password_form = static_cast<PasswordForm>(form);
    // A password is letters and digits only: the client strips colons, spaces
    // and a few tags around it, so anything else would not survive the trip.
    if (fields[6] == "-") {
      if (entry.password_form != PasswordForm::none) {
        reject("an entry without password needs form 6");
        continue;
      }
    } else {
      entry.password = fields[6];
      if (entry.password.empty() || entry.password.size() > 16 || !all_of_set(entry.password, "") ||
          entry.password_form == PasswordForm::none) {
        reject("bad password");
        continue;
      }
    }
    entry.name = fields[8];
    entry.synopsis = fields[9];
    if (!is_valid_name(entry.name)) {
      reject("bad name");
      continue;
    }
    if (!is_plain_page_text(entry.synopsis)) {
      reject("bad synopsis");
      continue;
    }
    result.entries.push_back(std::move(entry));
  }
  return result;
}

}  // namespace netdisk::demo
