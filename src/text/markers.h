// Cutting a piece out between two markers, reading a header line's value, and
// cleaning a text with up to five find/replace pairs applied in order.
// Inside either marker of text_between the five bytes "#引号" stand for '"'.
#pragma once

#include <string_view>

#include "text/text.h"

namespace netdisk {

Text text_between(std::string_view text, std::string_view start_marker,
                  std::string_view end_marker, int start = 0, bool case_sensitive = false);

Text header_value(std::string_view line);

struct ReplacePair {
  std::string_view find;
  std::string_view replacement;
};

// Pairs past the fifth are not part of the routine; omitted pairs are empty and
// change nothing. count is every_occurrence unless the caller supplies one.
Text replace_many(std::string_view text, const ReplacePair (&pairs)[5],
                  int count = every_occurrence, int start = 1, bool case_sensitive = false);

}  // namespace netdisk
