#include "web/cookies.h"

namespace netdisk {

Text merge_cookies(Text& old_cookies, Text& new_cookies, bool drop_repeats) {
  old_cookies = remove_spaces(old_cookies);
  new_cookies = remove_spaces(new_cookies);
  TextArray old_list = split_text(old_cookies, ";");
  TextArray new_list = split_text(new_cookies, ";");
  // Checked against the growing list: of several old entries with one name only
  // the first joins.
  for (const Text& entry : old_list) {
    if (!cookie_list_has_name(new_list, cookie_name(entry))) new_list.push_back(entry);
  }
  old_cookies.clear();
  for (const Text& entry : new_list) {
    if (text_right(entry, 8) != "=deleted") old_cookies.append(entry).append("; ");
  }
  old_cookies = text_left(old_cookies, text_length(old_cookies) - 2);
  if (drop_repeats) old_cookies = split_unique(old_cookies, "; ");
  return old_cookies;
}

Text cookie_name(std::string_view entry) {
  const int equals = find_text(entry, "=");
  return trim_spaces(equals == -1 ? Text(entry) : text_left(entry, equals - 1));
}

bool cookie_list_has_name(const TextArray& list, std::string_view name) {
  for (const Text& entry : list) {
    if (compare_text(cookie_name(entry), name) == 0) return true;
  }
  return false;
}

Text split_unique(std::string_view text, std::string_view separator) {
  TextArray taken;
  Text result;
  for (const Text& part : split_text(text, separator)) {
    if (list_index_of(taken, part) == -1) {
      taken.push_back(part);
      result.append(part).append(separator);
    }
  }
  return text_left(result, text_length(result) - text_length(separator));
}

int list_index_of(const TextArray& list, std::string_view item) {
  for (int i = 0; i < array_count(list); ++i) {
    if (compare_text(list[static_cast<std::size_t>(i)], item) == 0) return i + 1;
  }
  return -1;
}

}  // namespace netdisk
