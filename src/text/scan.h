// The character walk shared by the scanning primitives. Offsets are 0-based.
// A scan treats its starting offset as a character boundary and steps one byte
// over a byte below 0x80 and two bytes over any other, so a match can begin only
// where that walk stands; the second byte of a two-byte character never starts one.
#pragma once

#include <cstddef>
#include <string_view>

namespace netdisk::scan {

inline constexpr std::size_t not_found = std::string_view::npos;

inline bool is_lead(unsigned char byte) { return byte >= 0x80; }

inline unsigned char fold(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + 0x20) : byte;
}

// Compares needle with the text at `at`, folding ASCII letters of single-byte
// characters when `ignore_case`; both bytes of a two-byte character of the text
// must be equal exactly.
bool matches_at(std::string_view text, std::size_t at, std::string_view needle, bool ignore_case);

// First offset >= from, reached by the character walk from `from`, where needle
// matches; not_found when there is none. An empty needle is never found.
std::size_t find_from(std::string_view text, std::string_view needle, std::size_t from,
                      bool ignore_case);

// Length of the character that begins at `at` (1 or 2).
inline std::size_t char_length(std::string_view text, std::size_t at) {
  return is_lead(static_cast<unsigned char>(text[at])) ? 2 : 1;
}

}  // namespace netdisk::scan
