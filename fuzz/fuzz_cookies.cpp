// merge_cookies and its helpers with arbitrary cookie texts. For ASCII texts the
// merge is compared with a plain version of its rule; for any bytes both texts
// are written back and the result is what was left in the old cookies.
//
// Input: the old cookie text (ended by a backslash and one more byte), then the
// new one; the repeat flag comes from the last byte.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

#include "fuzz_support.h"
#include "web/cookies.h"

using namespace netdisk;
using namespace netdisk::fuzz;

namespace {

std::vector<std::string> split_ascii(std::string_view text, std::string_view separator) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  std::size_t cut = 0;
  for (std::size_t at = text.find(separator); at != std::string_view::npos;
       at = text.find(separator, cut)) {
    parts.emplace_back(text.substr(cut, at - cut));
    cut = at + separator.size();
  }
  if (cut < text.size()) parts.emplace_back(text.substr(cut));
  return parts;
}

std::string without_spaces(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ') out.push_back(c);
  return out;
}

std::string name_of(std::string_view entry) {
  return reference_trim(entry.substr(0, entry.find('=')));
}

std::string join(const std::vector<std::string>& parts, std::string_view separator) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i != 0) out.append(separator);
    out.append(parts[i]);
  }
  return out;
}

std::string merged_ascii(std::string_view old_cookies, std::string_view new_cookies,
                         bool drop_repeats) {
  std::vector<std::string> entries = split_ascii(without_spaces(new_cookies), ";");
  for (const std::string& entry : split_ascii(without_spaces(old_cookies), ";")) {
    const bool named = std::any_of(entries.begin(), entries.end(), [&](const std::string& e) {
      return name_of(e) == name_of(entry);
    });
    if (!named) entries.push_back(entry);
  }
  std::vector<std::string> kept;
  for (const std::string& entry : entries)
    if (!entry.ends_with("=deleted")) kept.push_back(entry);
  std::string merged = join(kept, "; ");
  if (!drop_repeats) return merged;
  std::vector<std::string> unique;
  for (const std::string& part : split_ascii(merged, "; "))
    if (std::find(unique.begin(), unique.end(), part) == unique.end()) unique.push_back(part);
  return join(unique, "; ");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const bool drop_repeats = input.ConsumeBool();
  const Text old_given = input.ConsumeRandomLengthString(256);
  const Text new_given = input.ConsumeRemainingBytesAsString();

  Text old_cookies = old_given;
  Text new_cookies = new_given;
  const Text result = merge_cookies(old_cookies, new_cookies, drop_repeats);
  FUZZ_CHECK(result == old_cookies);
  FUZZ_CHECK(new_cookies == reference_remove_spaces(new_given));
  if (is_ascii(old_given) && is_ascii(new_given)) {
    FUZZ_CHECK(result == merged_ascii(old_given, new_given, drop_repeats));
  }

  // The helpers on the pieces of the new text.
  const TextArray list = split_text(new_given, ";");
  for (const Text& entry : list) {
    FUZZ_CHECK(cookie_list_has_name(list, cookie_name(entry)));
    const int index = list_index_of(list, entry);
    FUZZ_CHECK(index >= 1 && list[static_cast<std::size_t>(index) - 1] == entry);
  }
  FUZZ_CHECK(split_unique(old_given, "") == old_given);
  if (is_ascii(old_given)) {
    std::vector<std::string> parts;
    for (const std::string& part : split_ascii(old_given, "; "))
      if (std::find(parts.begin(), parts.end(), part) == parts.end()) parts.push_back(part);
    FUZZ_CHECK(split_unique(old_given, "; ") == join(parts, "; "));
  }
  return 0;
}
