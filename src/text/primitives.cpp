#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>

#include "text/scan.h"
#include "text/text.h"

namespace netdisk {
namespace {

using scan::not_found;

int clamp_to_int(std::size_t n) { return n > INT_MAX ? INT_MAX : static_cast<int>(n); }

bool is_space_at(std::string_view text, std::size_t at) {
  if (text[at] == ' ') return true;
  return at + 1 < text.size() && static_cast<unsigned char>(text[at]) == 0xA1 &&
         static_cast<unsigned char>(text[at + 1]) == 0xA1;
}

// Replaces the full-width forms 0xA3 0xA1..0xFE by their ASCII counterparts and
// the full-width space by 0x20, walking by characters, before a number is read.
Text fold_full_width(std::string_view text) {
  Text out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    auto lead = static_cast<unsigned char>(text[i]);
    if (!scan::is_lead(lead)) {
      out.push_back(text[i++]);
      continue;
    }
    if (i + 1 >= text.size()) {
      out.push_back(text[i++]);
      continue;
    }
    auto trail = static_cast<unsigned char>(text[i + 1]);
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      out.push_back(static_cast<char>(trail - 0x80));
    } else if (lead == 0xA1 && trail == 0xA1) {
      out.push_back(' ');
    } else {
      out.append(text.substr(i, 2));
    }
    i += 2;
  }
  return out;
}

bool is_white(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::size_t skip_white(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && is_white(text[i])) ++i;
  return i;
}

}  // namespace

int text_length(std::string_view text) { return clamp_to_int(text.size()); }

Text text_left(std::string_view text, int n) {
  if (n <= 0) return {};
  return Text(text.substr(0, static_cast<std::size_t>(n)));
}

Text text_right(std::string_view text, int n) {
  if (n <= 0) return {};
  std::size_t take = std::min(text.size(), static_cast<std::size_t>(n));
  return Text(text.substr(text.size() - take));
}

Text text_mid(std::string_view text, int start, int n) {
  if (start < 1 || static_cast<std::size_t>(start) > text.size() || n <= 0) return {};
  return Text(text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

int find_text(std::string_view text, std::string_view needle, int start, bool ignore_case) {
  std::size_t from = start >= 1 ? static_cast<std::size_t>(start) - 1 : 0;
  std::size_t at = scan::find_from(text, needle, from, ignore_case);
  return at == not_found ? -1 : clamp_to_int(at + 1);
}

int find_text_reverse(std::string_view text, std::string_view needle, bool ignore_case) {
  std::size_t last = not_found;
  for (std::size_t at = scan::find_from(text, needle, 0, ignore_case); at != not_found;) {
    last = at;
    // The walk goes on with the character after the match's first one.
    std::size_t next = at + scan::char_length(text, at);
    at = scan::find_from(text, needle, next, ignore_case);
  }
  return last == not_found ? -1 : clamp_to_int(last + 1);
}

Text replace_text(std::string_view text, std::string_view find, std::string_view replacement,
                  int start, int count, bool case_sensitive) {
  std::size_t from = start >= 1 ? static_cast<std::size_t>(start) - 1 : 0;
  if (text.empty() || find.empty() || from >= text.size() || count == 0) return Text(text);
  Text out;
  out.reserve(text.size());
  std::size_t copied = 0;
  int replaced = 0;
  for (std::size_t at = scan::find_from(text, find, from, !case_sensitive); at != not_found;
       at = scan::find_from(text, find, copied, !case_sensitive)) {
    out.append(text.substr(copied, at - copied)).append(replacement);
    copied = at + find.size();
    if (count > 0 && ++replaced == count) break;
  }
  out.append(text.substr(copied));
  return out;
}

TextArray split_text(std::string_view text, std::string_view separator) {
  TextArray pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  std::size_t cut = 0;
  for (std::size_t at = scan::find_from(text, separator, 0, false); at != not_found;
       at = scan::find_from(text, separator, cut, false)) {
    pieces.emplace_back(text.substr(cut, at - cut));
    cut = at + separator.size();
  }
  if (cut < text.size()) pieces.emplace_back(text.substr(cut));
  return pieces;
}

Text trim_spaces(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size() && is_space_at(text, begin)) begin += text[begin] == ' ' ? 1 : 2;
  // The trailing run of spaces, found by walking characters so that a 0xA1 that
  // ends another character is not read as half of a full-width space.
  std::size_t run = not_found;
  for (std::size_t i = begin; i < text.size();) {
    if (is_space_at(text, i)) {
      if (run == not_found) run = i;
    } else {
      run = not_found;
    }
    i += scan::char_length(text, i);
  }
  std::size_t end = run == not_found ? text.size() : run;
  return Text(text.substr(begin, end - begin));
}

Text remove_spaces(std::string_view text) {
  Text out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = std::min(scan::char_length(text, i), text.size() - i);
    if (!is_space_at(text, i)) out.append(text.substr(i, length));
    i += length;
  }
  return out;
}

Text to_lower(std::string_view text) {
  Text out(text);
  for (std::size_t i = 0; i < out.size();) {
    auto byte = static_cast<unsigned char>(out[i]);
    if (scan::is_lead(byte)) {
      i += 2;
    } else {
      out[i] = static_cast<char>(scan::fold(byte));
      i += 1;
    }
  }
  return out;
}

int to_int(std::string_view text) {
  Text folded = fold_full_width(text);
  std::string_view s = folded;
  std::size_t i = skip_white(s);
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  std::uint32_t value = 0;  // wraps on overflow, as 32-bit arithmetic does
  for (; i < s.size() && is_digit(s[i]); ++i) value = value * 10u + static_cast<std::uint32_t>(s[i] - '0');
  if (negative) value = 0u - value;
  return static_cast<int>(value);
}

double to_number(std::string_view text) {
  Text folded = fold_full_width(text);
  std::string_view s = folded;
  std::size_t begin = skip_white(s);
  std::size_t i = begin;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  std::size_t mantissa = i;
  while (i < s.size() && is_digit(s[i])) ++i;
  std::size_t digits = i - mantissa;
  if (i < s.size() && s[i] == '.') {
    std::size_t dot = i++;
    while (i < s.size() && is_digit(s[i])) ++i;
    digits += i - dot - 1;
  }
  if (digits == 0) return 0.0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t e = i + 1;
    if (e < s.size() && (s[e] == '+' || s[e] == '-')) ++e;
    if (e < s.size() && is_digit(s[e])) {
      while (e < s.size() && is_digit(s[e])) ++e;
      i = e;
    }
  }
  double value = 0.0;
  std::from_chars(s.data() + mantissa, s.data() + i, value);
  return negative ? -value : value;
}

Text number_to_text(int n) { return std::to_string(n); }

Text to_hex_text(int n) {
  char buffer[9];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::uint32_t>(n), 16);
  Text out(buffer, end);
  for (char& c : out) c = static_cast<char>(c >= 'a' ? c - 0x20 : c);
  return out;
}

Text char_from_code(int code) {
  if (code <= 0 || code > 255) return {};
  return Text(1, static_cast<char>(code));
}

Bytes text_to_bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

Text bytes_to_text(const Bytes& bytes) {
  if (bytes.empty()) return {};  // memchr must not see the null data of an empty vector
  const auto* data = reinterpret_cast<const char*>(bytes.data());
  const void* zero = std::memchr(data, 0, bytes.size());
  return Text(data, zero == nullptr ? bytes.size() : static_cast<const char*>(zero) - data);
}

int bytes_length(const Bytes& bytes) { return clamp_to_int(bytes.size()); }

Bytes bytes_left(const Bytes& bytes, int n) {
  std::size_t take = n <= 0 ? 0 : std::min(bytes.size(), static_cast<std::size_t>(n));
  return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
}

Text blank_text(int n) { return n < 1 ? Text() : Text(static_cast<std::size_t>(n), ' '); }

Bytes blank_bytes(int n) { return n < 1 ? Bytes() : Bytes(static_cast<std::size_t>(n), 0); }

int compare_text(std::string_view a, std::string_view b) {
  int order = a.compare(b);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

int compare_bytes(const Bytes& a, const Bytes& b) { return a == b ? 0 : 1; }

}  // namespace netdisk
