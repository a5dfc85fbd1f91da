// The text, byte and array values every routine of the program works on, and
// their primitives. Text holds code page 936 bytes (or UTF-8 on its way through
// a conversion); positions are 1-based byte positions and a failed search is -1.
// The scanning routines walk two-byte characters as one: a byte of 0x80 or above
// starts a character whose second byte is never the start of a match.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace netdisk {

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;
using TextArray = std::vector<Text>;

// The count of replace_text and replace_many that means "every occurrence".
inline constexpr int every_occurrence = -1;

// "#引号" in code page 936: where a marker or pattern is written with it, it
// stands for one double quote.
inline constexpr std::string_view quote_placeholder = "#\xD2\xFD\xBA\xC5";

// A Text ends at its first zero byte, whatever the view holds after it.
inline std::string_view up_to_terminator(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

int text_length(std::string_view text);
Text text_left(std::string_view text, int n);
Text text_right(std::string_view text, int n);
Text text_mid(std::string_view text, int start, int n);

int find_text(std::string_view text, std::string_view needle, int start = 1,
              bool ignore_case = false);
int find_text_reverse(std::string_view text, std::string_view needle, bool ignore_case = false);

// Note the opposite sense of the flag: case_sensitive true compares exact bytes.
Text replace_text(std::string_view text, std::string_view find, std::string_view replacement,
                  int start, int count, bool case_sensitive);

TextArray split_text(std::string_view text, std::string_view separator);
Text trim_spaces(std::string_view text);
Text remove_spaces(std::string_view text);
Text to_lower(std::string_view text);

int to_int(std::string_view text);
double to_number(std::string_view text);
Text number_to_text(int n);
Text to_hex_text(int n);
Text char_from_code(int code);

Bytes text_to_bytes(std::string_view text);
Text bytes_to_text(const Bytes& bytes);
int bytes_length(const Bytes& bytes);
Bytes bytes_left(const Bytes& bytes, int n);
Text blank_text(int n);
Bytes blank_bytes(int n);

template <typename... Rest>
Text concat_text(std::string_view first, std::string_view second, Rest... rest) {
  Text out;
  out.reserve(first.size() + second.size() + (std::string_view(rest).size() + ... + 0));
  out.append(first).append(second);
  (out.append(std::string_view(rest)), ...);
  return out;
}

template <typename... Rest>
Bytes concat_bytes(const Bytes& first, const Bytes& second, const Rest&... rest) {
  Bytes out;
  out.reserve(first.size() + second.size() + (rest.size() + ... + 0));
  out.insert(out.end(), first.begin(), first.end());
  out.insert(out.end(), second.begin(), second.end());
  (out.insert(out.end(), rest.begin(), rest.end()), ...);
  return out;
}

int compare_text(std::string_view a, std::string_view b);
int compare_bytes(const Bytes& a, const Bytes& b);

template <typename... Rest>
int bit_or(int a, int b, Rest... rest) {
  return ((a | b) | ... | rest);
}

inline int array_count(const TextArray& array) { return static_cast<int>(array.size()); }

}  // namespace netdisk
