// text_between, header_value and replace_many with arbitrary bytes, markers and
// arguments, checked against what their rules say in terms of the reference scan.
//
// Input: start marker, end marker and five find/replacement pairs first, then the
// text; start, count and the case flag come from the last bytes.

#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_support.h"
#include "text/markers.h"

using namespace netdisk;
using namespace netdisk::fuzz;

namespace {

// "#引号" in code page 936: stands for a double quote inside either marker.
constexpr std::string_view quote_placeholder = "#\xD2\xFD\xBA\xC5";

void check_between(std::string_view text, std::string_view start_marker,
                   std::string_view end_marker, int start, bool case_sensitive) {
  const Text piece = text_between(text, start_marker, end_marker, start, case_sensitive);
  const std::string start_mark = reference_replace(start_marker, quote_placeholder, "\"", 1, -1, true);
  const std::string end_mark = reference_replace(end_marker, quote_placeholder, "\"", 1, -1, true);
  const int p = reference_find(text, start_mark, start, !case_sensitive);
  if (p == -1) {
    FUZZ_CHECK(piece.empty());
    return;
  }
  const int after = p + static_cast<int>(start_mark.size());
  const int q = reference_find(text, end_mark, after, !case_sensitive);
  if (q == -1) {
    FUZZ_CHECK(piece.empty());
    return;
  }
  // The piece is the text between the two markers, and the end marker does not
  // occur inside it: the first one after the start marker ends it.
  FUZZ_CHECK(q >= after);
  FUZZ_CHECK(piece == text.substr(static_cast<std::size_t>(after) - 1,
                                  static_cast<std::size_t>(q - after)));
  FUZZ_CHECK(reference_find(piece, end_mark, 1, !case_sensitive) == -1);
}

void check_header_value(std::string_view line) {
  const Text value = header_value(line);
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) {
    FUZZ_CHECK(value.empty());
    return;
  }
  // The exact search for ":" walks by characters: a colon that is the second
  // byte of a two-byte character does not count.
  const int p = reference_find(line, ":", 1, false);
  if (p == -1) {
    FUZZ_CHECK(value.empty());
  } else {
    FUZZ_CHECK(value == reference_trim(line.substr(static_cast<std::size_t>(p))));
  }
}

void check_replace_many(std::string_view text, const ReplacePair (&pairs)[5], int count,
                        int start, bool case_sensitive) {
  // The pairs apply one after the other, each to the result of the one before.
  std::string expected(text);
  const int from = start == 0 ? 1 : start;
  for (const ReplacePair& pair : pairs)
    expected = reference_replace(expected, pair.find, pair.replacement, from, count, case_sensitive);
  FUZZ_CHECK(replace_many(text, pairs, count, start, case_sensitive) == expected);
  // Omitted count and start mean every occurrence from the first byte.
  std::string every(text);
  for (const ReplacePair& pair : pairs) every = reference_replace(every, pair.find, pair.replacement, 1, -1, false);
  FUZZ_CHECK(replace_many(text, pairs) == every);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const bool case_sensitive = input.ConsumeBool();
  const int start = input.ConsumeIntegralInRange<int>(-2, 64);
  const int count = input.ConsumeIntegralInRange<int>(-2, 4);
  const Text start_marker = input.ConsumeRandomLengthString(12);
  const Text end_marker = input.ConsumeRandomLengthString(12);
  Text finds[5];
  Text replacements[5];
  for (int i = 0; i < 5; ++i) {
    finds[i] = input.ConsumeRandomLengthString(8);
    replacements[i] = input.ConsumeRandomLengthString(8);
  }
  const Text text = input.ConsumeRemainingBytesAsString();

  check_between(text, start_marker, end_marker, start, case_sensitive);
  check_between(text, start_marker, end_marker, 0, false);
  check_header_value(text);
  const ReplacePair pairs[5] = {{finds[0], replacements[0]},
                                {finds[1], replacements[1]},
                                {finds[2], replacements[2]},
                                {finds[3], replacements[3]},
                                {finds[4], replacements[4]}};
  check_replace_many(text, pairs, count, start, case_sensitive);
  return 0;
}
