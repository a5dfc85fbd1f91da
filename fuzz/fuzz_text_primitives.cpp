// The text primitives with arbitrary bytes and arguments, each compared with a
// plain reference version of its rule, plus the round trips that must hold.
//
// Input: needle and replacement texts first, then the text; the arguments
// (start, count, flags) come from the last bytes.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "fuzz_support.h"
#include "text/text.h"

using namespace netdisk;
using namespace netdisk::fuzz;

namespace {

void check_search(std::string_view text, std::string_view needle, int start, bool ignore_case) {
  const int found = find_text(text, needle, start, ignore_case);
  FUZZ_CHECK(found == reference_find(text, needle, start, ignore_case));
  if (found != -1) {
    FUZZ_CHECK(found >= 1 && found >= start);
    FUZZ_CHECK(matches_at(text, static_cast<std::size_t>(found) - 1, needle, ignore_case));
  }
  const int last = find_text_reverse(text, needle, ignore_case);
  FUZZ_CHECK(last == reference_find_reverse(text, needle, ignore_case));
  // The first match of the whole text is never after the last one.
  const int first = find_text(text, needle, 1, ignore_case);
  FUZZ_CHECK((first == -1) == (last == -1));
  FUZZ_CHECK(first <= last);
}

void check_replace(std::string_view text, std::string_view find, std::string_view replacement,
                   int start, int count, bool case_sensitive) {
  const Text replaced = replace_text(text, find, replacement, start, count, case_sensitive);
  FUZZ_CHECK(replaced == reference_replace(text, find, replacement, start, count, case_sensitive));
  // Replacing a text by itself changes nothing.
  FUZZ_CHECK(replace_text(text, find, find, start, count, true) == text);
}

void check_split(std::string_view text, std::string_view separator) {
  const TextArray pieces = split_text(text, separator);
  FUZZ_CHECK(pieces == reference_split(text, separator));
  if (text.empty()) FUZZ_CHECK(pieces.empty());
  // Joined by the separator the pieces give the text back, but for a separator
  // that ends it, which leaves no empty last piece.
  if (!separator.empty() && !text.empty()) {
    Text joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      if (i != 0) joined.append(separator);
      joined.append(pieces[i]);
    }
    const bool ends_with_separator = split_text(Text(text) + "\x01", separator).size() > pieces.size();
    if (ends_with_separator) joined.append(separator);
    FUZZ_CHECK(joined == text);
  }
}

void check_spaces(std::string_view text) {
  const Text trimmed = trim_spaces(text);
  FUZZ_CHECK(trimmed == reference_trim(text));
  FUZZ_CHECK(trim_spaces(trimmed) == trimmed);
  const Text removed = remove_spaces(text);
  FUZZ_CHECK(removed == reference_remove_spaces(text));
  FUZZ_CHECK(remove_spaces(removed) == removed);
  FUZZ_CHECK(to_lower(text) == reference_to_lower(text));
}

void check_numbers(std::string_view text, int n, double d) {
  FUZZ_CHECK(to_int(text) == reference_to_int(text));
  FUZZ_CHECK(to_int(number_to_text(n)) == n);
  FUZZ_CHECK(to_int(concat_text(" ", number_to_text(n), "x")) == n);

  // Against the C library's reading of the same decimal prefix, where that reading
  // is exact: overflow and numbers below the normal range are left open.
  const double read = to_number(text);
  const std::string prefix = reference_number_prefix(text);
  if (prefix.empty()) {
    FUZZ_CHECK(read == 0.0);
  } else {
    errno = 0;
    const double expected = std::strtod(prefix.c_str(), nullptr);
    if (errno == 0 && (expected == 0.0 || std::isnormal(expected))) FUZZ_CHECK(read == expected);
  }
  if (std::isfinite(d) && (d == 0.0 || std::isnormal(d))) {
    char printed[64];
    std::snprintf(printed, sizeof printed, "%.17g", d);
    FUZZ_CHECK(to_number(printed) == d);
  }
}

void check_cutting(std::string_view text, int start, int n) {
  const int length = static_cast<int>(text.size());
  const Text left = text_left(text, n);
  FUZZ_CHECK(left == text.substr(0, static_cast<std::size_t>(std::clamp(n, 0, length))));
  const Text right = text_right(text, n);
  const int take = std::clamp(n, 0, length);
  FUZZ_CHECK(right == text.substr(static_cast<std::size_t>(length - take)));
  const Text mid = text_mid(text, start, n);
  if (start < 1 || start > length || n <= 0) {
    FUZZ_CHECK(mid.empty());
  } else {
    FUZZ_CHECK(mid == text.substr(static_cast<std::size_t>(start) - 1,
                                  static_cast<std::size_t>(std::min(n, length - start + 1))));
  }
  FUZZ_CHECK(text_length(text) == length);
  const Bytes bytes = text_to_bytes(text);
  FUZZ_CHECK(bytes_length(bytes) == length);
  // bytes_to_text stops at the first zero byte.
  FUZZ_CHECK(bytes_to_text(bytes) == text.substr(0, text.find('\0')));
  FUZZ_CHECK(bytes_left(bytes, n) == text_to_bytes(left));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const bool flag = input.ConsumeBool();
  const int start = input.ConsumeIntegralInRange<int>(-2, 64);
  const int count = input.ConsumeIntegralInRange<int>(-2, 4);
  const int n = input.ConsumeIntegral<int>();
  const double d = input.ConsumeFloatingPoint<double>();
  const bool needle_from_text = input.ConsumeBool();
  Text needle = input.ConsumeRandomLengthString(16);
  const Text replacement = input.ConsumeRandomLengthString(16);
  const Text text = input.ConsumeRemainingBytesAsString();
  // A needle cut from the text itself finds something far more often.
  if (needle_from_text && !text.empty() && !needle.empty()) {
    const std::size_t at = static_cast<unsigned char>(needle[0]) % text.size();
    needle = text.substr(at, needle.size());
  }

  check_search(text, needle, start, flag);
  check_replace(text, needle, replacement, start, count, flag);
  check_split(text, needle);
  check_spaces(text);
  check_numbers(text, n, d);
  check_cutting(text, start, n % 80);
  FUZZ_CHECK(compare_text(text, needle) == -compare_text(needle, text));
  FUZZ_CHECK((compare_text(text, needle) == 0) == (text == needle));
  return 0;
}
