#include "text/markers.h"

namespace netdisk {

Text text_between(std::string_view text, std::string_view start_marker,
                  std::string_view end_marker, int start, bool case_sensitive) {
  Text start_mark = replace_text(start_marker, quote_placeholder, "\"", 1, every_occurrence, true);
  Text end_mark = replace_text(end_marker, quote_placeholder, "\"", 1, every_occurrence, true);
  int p = find_text(text, start_mark, start, !case_sensitive);
  if (p == -1) return {};
  p += text_length(start_mark);
  int q = find_text(text, end_mark, p, !case_sensitive);
  if (q == -1) return {};
  return text_mid(text, p, q - p);
}

Text header_value(std::string_view line) {
  int p = find_text(line, ":");
  if (p == -1) return {};
  return trim_spaces(text_right(line, text_length(line) - p));
}

Text replace_many(std::string_view text, const ReplacePair (&pairs)[5], int count, int start,
                  bool case_sensitive) {
  if (start == 0) start = 1;
  Text working(text);
  for (const ReplacePair& pair : pairs)
    working = replace_text(working, pair.find, pair.replacement, start, count, case_sensitive);
  return working;
}

}  // namespace netdisk
