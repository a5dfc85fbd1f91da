#include "text/scan.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace netdisk::scan {
namespace {

constexpr std::uint64_t high_bits = 0x8080808080808080ULL;

bool is_letter(unsigned char byte) { return fold(byte) >= 'a' && fold(byte) <= 'z'; }

bool has_letter(std::string_view needle) {
  for (char c : needle)
    if (is_letter(static_cast<unsigned char>(c))) return true;
  return false;
}

// Tells whether a position is one the character walk from `from` stands on,
// without walking: a position is skipped only when the byte before it is a
// first byte the walk stood on, so what decides is the run of bytes >= 0x80
// right before the position. Positions must be asked in increasing order; the
// last answer bounds how far back the next look goes, so the total work is linear.
class BoundaryCheck {
 public:
  BoundaryCheck(std::string_view text, std::size_t from)
      : bytes_(reinterpret_cast<const unsigned char*>(text.data())), known_(from) {}

  bool is_boundary(std::size_t at) {
    // Count the bytes >= 0x80 right before `at`, back to the last known boundary.
    std::size_t run_start = at;
    while (run_start - known_ >= 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes_ + run_start - 8, sizeof word);
      if ((word & high_bits) != high_bits) break;
      run_start -= 8;
    }
    while (run_start > known_ && is_lead(bytes_[run_start - 1])) --run_start;
    // run_start is a boundary: the walk's start, or right after a single-byte character.
    bool boundary = (at - run_start) % 2 == 0;
    known_ = boundary ? at : at + 1;
    return boundary;
  }

 private:
  const unsigned char* bytes_;
  std::size_t known_;
};

// Candidate positions where the needle may match, in increasing order. Exact
// needles (and needles without letters) go through memchr/memmem; a needle whose
// letters fold is searched with a Horspool skip table over folded bytes.
class Candidates {
 public:
  Candidates(std::string_view text, std::string_view needle, bool ignore_case)
      : text_(text), needle_(needle), folded_(ignore_case && has_letter(needle)) {
    if (!folded_) return;
    const std::size_t m = needle.size();
    skip_.fill(m);
    for (std::size_t i = 0; i + 1 < m; ++i) set_skip(static_cast<unsigned char>(needle[i]), m - 1 - i);
    // The shift after a candidate is the last byte's own; the table then holds 0
    // for it, so the inner loop stops only where the last byte agrees.
    shift_after_candidate_ = skip_[static_cast<unsigned char>(needle[m - 1])];
    set_skip(static_cast<unsigned char>(needle[m - 1]), 0);
  }

  // The first candidate at or after pos, or not_found.
  std::size_t next(std::size_t pos) const {
    const std::size_t m = needle_.size();
    if (pos > text_.size() || m > text_.size() - pos) return not_found;
    if (!folded_) {
      const void* hit = m == 1 ? std::memchr(text_.data() + pos, needle_[0], text_.size() - pos)
                               : memmem(text_.data() + pos, text_.size() - pos, needle_.data(), m);
      return hit == nullptr ? not_found : static_cast<const char*>(hit) - text_.data();
    }
    const auto* t = reinterpret_cast<const unsigned char*>(text_.data());
    const std::size_t limit = text_.size() - m;
    for (std::size_t at = pos; at <= limit;) {
      std::size_t shift = skip_[t[at + m - 1]];
      if (shift != 0) {
        at += shift;
        continue;
      }
      if (matches_folded(at)) return at;
      at += shift_after_candidate_;
    }
    return not_found;
  }

 private:
  void set_skip(unsigned char byte, std::size_t shift) {
    skip_[byte] = shift;
    if (is_letter(byte)) {
      skip_[fold(byte)] = shift;
      skip_[fold(byte) - 0x20] = shift;
    }
  }

  bool matches_folded(std::size_t at) const {
    for (std::size_t i = 0; i < needle_.size(); ++i)
      if (fold(static_cast<unsigned char>(text_[at + i])) != fold(static_cast<unsigned char>(needle_[i])))
        return false;
    return true;
  }

  std::string_view text_;
  std::string_view needle_;
  bool folded_;
  std::array<std::size_t, 256> skip_{};
  std::size_t shift_after_candidate_ = 1;
};

}  // namespace

bool matches_at(std::string_view text, std::size_t at, std::string_view needle,
                bool ignore_case) {
  if (at > text.size() || needle.size() > text.size() - at) return false;
  const char* here = text.data() + at;
  if (!ignore_case) return std::memcmp(here, needle.data(), needle.size()) == 0;
  for (std::size_t i = 0; i < needle.size();) {
    auto t = static_cast<unsigned char>(here[i]);
    auto n = static_cast<unsigned char>(needle[i]);
    if (is_lead(t)) {
      // Both bytes of a two-byte character compare exactly.
      if (t != n) return false;
      if (i + 1 < needle.size() && here[i + 1] != needle[i + 1]) return false;
      i += 2;
    } else {
      if (fold(t) != fold(n)) return false;
      i += 1;
    }
  }
  return true;
}

std::size_t find_from(std::string_view text, std::string_view needle, std::size_t from,
                      bool ignore_case) {
  if (needle.empty() || from >= text.size() || needle.size() > text.size() - from)
    return not_found;
  Candidates candidates(text, needle, ignore_case);
  BoundaryCheck boundaries(text, from);
  for (std::size_t at = candidates.next(from); at != not_found; at = candidates.next(at + 1)) {
    if (matches_at(text, at, needle, ignore_case) && boundaries.is_boundary(at)) return at;
  }
  return not_found;
}

}  // namespace netdisk::scan
