// What the fuzz targets share: a property check that stops the run with a
// message, and slow, plain reference versions of the scanning primitives written
// straight from their rules (character walk, ASCII folding, 1-based positions),
// to compare the optimised routines with.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// Checks a property of the routine under test; a failure aborts, so libFuzzer
// keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                       \
  do {                                                                              \
    if (!(condition)) {                                                             \
      std::fprintf(stderr, "property failed: %s at %s:%d\n", #condition, __FILE__, \
                   __LINE__);                                                       \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

namespace netdisk::fuzz {

inline bool is_lead(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

inline char fold(char byte) { return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + 0x20) : byte; }

inline bool is_ascii(std::string_view text) {
  for (char c : text)
    if (is_lead(c)) return false;
  return true;
}

// The length of the character that starts at `at`, cut short at the end.
inline std::size_t char_size(std::string_view text, std::size_t at) {
  return is_lead(text[at]) && at + 1 < text.size() ? 2 : 1;
}

// Needle against the text at `at`; ASCII letters of single-byte characters fold
// when ignore_case, both bytes of a two-byte character compare exactly.
inline bool matches_at(std::string_view text, std::size_t at, std::string_view needle,
                       bool ignore_case) {
  if (at > text.size() || text.size() - at < needle.size()) return false;
  for (std::size_t i = 0; i < needle.size(); ++i) {
    char t = text[at + i];
    char n = needle[i];
    if (is_lead(t)) {
      if (t != n) return false;
      if (i + 1 < needle.size() && text[at + i + 1] != needle[i + 1]) return false;
      ++i;
    } else if (ignore_case ? fold(t) != fold(n) : t != n) {
      return false;
    }
  }
  return true;
}

// find_text: the walk starts at start − 1 (0 for start < 1) and steps by characters.
inline int reference_find(std::string_view text, std::string_view needle, int start,
                          bool ignore_case) {
  if (needle.empty()) return -1;
  std::size_t at = start >= 1 ? static_cast<std::size_t>(start) - 1 : 0;
  while (at < text.size()) {
    if (text.size() - at < needle.size()) return -1;
    if (matches_at(text, at, needle, ignore_case)) return static_cast<int>(at) + 1;
    at += is_lead(text[at]) ? 2 : 1;
  }
  return -1;
}

inline int reference_find_reverse(std::string_view text, std::string_view needle,
                                  bool ignore_case) {
  if (needle.empty()) return -1;
  int last = -1;
  for (std::size_t at = 0; at < text.size(); at += is_lead(text[at]) ? 2 : 1) {
    if (matches_at(text, at, needle, ignore_case)) last = static_cast<int>(at) + 1;
  }
  return last;
}

inline std::string reference_replace(std::string_view text, std::string_view find,
                                     std::string_view replacement, int start, int count,
                                     bool case_sensitive) {
  std::size_t from = start >= 1 ? static_cast<std::size_t>(start) - 1 : 0;
  if (text.empty() || find.empty() || from >= text.size() || count == 0) return std::string(text);
  std::string out(text.substr(0, from));
  std::size_t at = from;
  int made = 0;
  while (at < text.size() && text.size() - at >= find.size()) {
    if (matches_at(text, at, find, !case_sensitive)) {
      out.append(replacement);
      at += find.size();
      if (count > 0 && ++made == count) break;
    } else {
      std::size_t length = char_size(text, at);
      out.append(text.substr(at, length));
      at += length;
    }
  }
  if (at < text.size()) out.append(text.substr(at));
  return out;
}

inline std::vector<std::string> reference_split(std::string_view text,
                                                std::string_view separator) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) return {std::string(text)};
  std::size_t cut = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    if (matches_at(text, at, separator, false)) {
      pieces.emplace_back(text.substr(cut, at - cut));
      at += separator.size();
      cut = at;
    } else {
      at += char_size(text, at);
    }
  }
  if (cut < text.size()) pieces.emplace_back(text.substr(cut));
  return pieces;
}

// A space is 0x20 or the two-byte full-width space 0xA1 0xA1.
inline bool is_space_char(std::string_view character) {
  return character == " " || character == "\xA1\xA1";
}

inline std::string reference_trim(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size() && is_space_char(text.substr(begin, char_size(text, begin))))
    begin += char_size(text, begin);
  std::size_t end = text.size();
  bool in_run = false;
  for (std::size_t at = begin; at < text.size(); at += char_size(text, at)) {
    if (is_space_char(text.substr(at, char_size(text, at)))) {
      if (!in_run) end = at;
      in_run = true;
    } else {
      in_run = false;
      end = text.size();
    }
  }
  return std::string(text.substr(begin, end - begin));
}

inline std::string reference_remove_spaces(std::string_view text) {
  std::string out;
  for (std::size_t at = 0; at < text.size(); at += char_size(text, at)) {
    std::string_view character = text.substr(at, char_size(text, at));
    if (!is_space_char(character)) out.append(character);
  }
  return out;
}

inline std::string reference_to_lower(std::string_view text) {
  std::string out(text);
  for (std::size_t at = 0; at < out.size(); at += char_size(out, at)) {
    if (!is_lead(out[at])) out[at] = fold(out[at]);
  }
  return out;
}

// Full-width digits, signs and letters (0xA3 0xA1..0xFE) and the full-width
// space read as their ASCII forms before a number is read.
inline std::string reference_fold_full_width(std::string_view text) {
  std::string out;
  for (std::size_t at = 0; at < text.size(); at += char_size(text, at)) {
    std::string_view character = text.substr(at, char_size(text, at));
    auto second = character.size() == 2 ? static_cast<unsigned char>(character[1]) : 0;
    if (character.size() == 2 && static_cast<unsigned char>(character[0]) == 0xA3 &&
        second >= 0xA1 && second <= 0xFE) {
      out.push_back(static_cast<char>(second - 0x80));
    } else if (character == "\xA1\xA1") {
      out.push_back(' ');
    } else {
      out.append(character);
    }
  }
  return out;
}

inline bool is_white(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

inline int reference_to_int(std::string_view text) {
  std::string s = reference_fold_full_width(text);
  std::size_t i = 0;
  while (i < s.size() && is_white(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  std::uint32_t value = 0;
  while (i < s.size() && is_digit(s[i])) value = value * 10 + static_cast<std::uint32_t>(s[i++] - '0');
  return static_cast<int>(negative ? 0u - value : value);
}

// The longest prefix (after white space) that reads as a decimal number, as text.
inline std::string reference_number_prefix(std::string_view text) {
  std::string s = reference_fold_full_width(text);
  std::size_t i = 0;
  while (i < s.size() && is_white(s[i])) ++i;
  std::size_t begin = i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && is_digit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && is_digit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return {};
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t e = i + 1;
    if (e < s.size() && (s[e] == '+' || s[e] == '-')) ++e;
    if (e < s.size() && is_digit(s[e])) {
      while (e < s.size() && is_digit(s[e])) ++e;
      i = e;
    }
  }
  return s.substr(begin, i - begin);
}

// A strict UTF-8 check: no overlong forms, no surrogates, nothing above U+10FFFF.
inline bool is_valid_utf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    auto lead = static_cast<unsigned char>(text[i]);
    std::size_t need;
    unsigned char low = 0x80, high = 0xBF;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      need = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      need = 2;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      need = 3;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (text.size() - i <= need) return false;
    for (std::size_t k = 1; k <= need; ++k) {
      auto byte = static_cast<unsigned char>(text[i + k]);
      if (k == 1 ? (byte < low || byte > high) : (byte & 0xC0) != 0x80) return false;
    }
    i += need + 1;
  }
  return true;
}

// The number of characters of valid UTF-8 text.
inline std::size_t utf8_length(std::string_view text) {
  std::size_t n = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

}  // namespace netdisk::fuzz
