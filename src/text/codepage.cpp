#include "text/codepage.h"

#include <iconv.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <cerrno>
#include <cstring>
#include <memory>

#include "text/cp936_table.h"

namespace netdisk {
namespace {

constexpr std::uint64_t high_bits = 0x8080808080808080ULL;
constexpr char32_t replacement_char = 0xFFFD;

// Length of the run of ASCII bytes at the start of [p, end), eight at a time.
std::size_t ascii_run(const unsigned char* p, const unsigned char* end) {
  const unsigned char* start = p;
#ifdef __SSE2__
  while (end - p >= 16) {
    auto mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
    if (mask != 0) return static_cast<std::size_t>(p - start) + __builtin_ctz(mask);
    p += 16;
  }
#endif
  while (end - p >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if ((word & high_bits) != 0) break;
    p += 8;
  }
  while (p < end && *p < 0x80) ++p;
  return static_cast<std::size_t>(p - start);
}

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes one UTF-8 character at p (p < end, *p >= 0x80). An ill-formed
// sequence yields U+FFFD for its longest valid beginning, at least one byte,
// and the byte that broke it is read again as the start of the next character.
std::size_t decode_utf8(const unsigned char* p, const unsigned char* end, char32_t* out) {
  unsigned char lead = p[0];
  std::size_t need;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  char32_t cp;
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1, cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2, cp = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3, cp = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    *out = replacement_char;
    return 1;
  }
  std::size_t length = 1;
  for (std::size_t k = 0; k < need; ++k, ++length) {
    if (p + length >= end) {
      *out = replacement_char;
      return length;
    }
    unsigned char byte = p[length];
    bool ok = k == 0 ? (byte >= low && byte <= high) : is_continuation(byte);
    if (!ok) {
      *out = replacement_char;
      return length;
    }
    cp = cp << 6 | (byte & 0x3F);
  }
  *out = cp;
  return length;
}

void append_utf8(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | cp >> 6));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | cp >> 12));
    out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | cp >> 18));
    out->push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one code page 936 character at p (p < end, *p >= 0x80). Bytes that
// form no character read as "?": a lone lead byte alone, a lead byte with a
// valid second byte that names nothing as the pair.
std::size_t decode_936_char(const unsigned char* p, const unsigned char* end, char16_t* out) {
  const cp936::Tables& t = cp936::tables();
  unsigned char lead = p[0];
  if (t.single[lead] != 0) {
    *out = t.single[lead];
    return 1;
  }
  if (lead >= 0x81 && lead <= 0xFE && end - p >= 2 && cp936::is_trail(p[1])) {
    char16_t unit = t.pair[cp936::pair_index(lead, p[1])];
    *out = unit != 0 ? unit : u'?';
    return 2;
  }
  *out = u'?';
  return 1;
}

// Appends the code page 936 form of a BMP character, "?" when it has none.
char* put_936(char32_t cp, char* o) {
  std::uint16_t code = cp <= 0xFFFF ? cp936::tables().encode[cp] : 0;
  if (code == 0) {
    *o++ = '?';
  } else if (code < 0x100) {
    *o++ = static_cast<char>(code);
  } else {
    *o++ = static_cast<char>(code >> 8);
    *o++ = static_cast<char>(code & 0xFF);
  }
  return o;
}

std::u16string decode_utf8_to_wide(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    if (*p < 0x80) {
      out.push_back(*p++);
      continue;
    }
    char32_t cp;
    p += decode_utf8(p, end, &cp);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

Text encode_wide_to_utf8(std::u16string_view wide) {
  Text out;
  out.reserve(wide.size() * 3);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char32_t unit = wide[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      append_utf8(0x10000 + ((unit - 0xD800) << 10) + (wide[++i] - 0xDC00), &out);
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      append_utf8(replacement_char, &out);
    } else {
      append_utf8(unit, &out);
    }
  }
  return out;
}

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

}  // namespace

std::u16string decode_936(std::string_view text) {
  const cp936::Tables& t = cp936::tables();
  std::u16string out;
  out.resize(text.size() + 16);  // room for a whole widened block past the last unit
  char16_t* o = out.data();
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
#ifdef __SSE2__
    // Widen sixteen bytes at a time; where a byte >= 0x80 appears, keep only
    // the ASCII units before it.
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 16) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(v, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(v, zero));
      auto mask = static_cast<unsigned>(_mm_movemask_epi8(v));
      if (mask == 0) {
        p += 16;
        o += 16;
        continue;
      }
      auto ascii = static_cast<unsigned>(__builtin_ctz(mask));
      p += ascii;
      o += ascii;
      break;
    }
#endif
    while (p < end && *p < 0x80) *o++ = *p++;
    while (p < end && *p >= 0x80) {
      unsigned char lead = *p;
      if (t.single[lead] != 0) {
        *o++ = t.single[lead];
        ++p;
      } else if (lead >= 0x81 && lead <= 0xFE && end - p >= 2 && cp936::is_trail(p[1])) {
        char16_t unit = t.pair[cp936::pair_index(lead, p[1])];
        *o++ = unit != 0 ? unit : u'?';
        p += 2;
      } else {
        *o++ = u'?';
        ++p;
      }
    }
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

Text encode_936(std::u16string_view wide) {
  Text out(wide.size() * 2, '\0');
  char* o = out.data();
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char16_t unit = wide[i];
    if (unit < 0x80) {
      *o++ = static_cast<char>(unit);
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      // One "?" for a whole surrogate pair, code page 936 has no such character.
      if (unit <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) ++i;
      *o++ = '?';
    } else {
      o = put_936(unit, o);
    }
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

Bytes to_wide(std::string_view text, int code_page) {
  text = up_to_terminator(text);
  if (text.empty()) return {};
  std::u16string wide = code_page == code_page_936 ? decode_936(text) : decode_utf8_to_wide(text);
  Bytes out;
  out.reserve(wide.size() * 2 + 2);
  for (char16_t unit : wide) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

Text from_wide(const Bytes& wide, int code_page) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
    auto unit = static_cast<char16_t>(wide[i] | wide[i + 1] << 8);
    if (unit == 0) break;
    units.push_back(unit);
  }
  return code_page == code_page_936 ? encode_936(units) : encode_wide_to_utf8(units);
}

Text ansi_to_utf8(std::string_view text) {
  text = up_to_terminator(text);
  Text out;
  out.reserve(text.size() + text.size() / 2);
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    std::size_t run = ascii_run(p, end);
    out.append(reinterpret_cast<const char*>(p), run);
    p += run;
    if (p == end) break;
    char16_t unit;
    p += decode_936_char(p, end, &unit);
    append_utf8(unit, &out);
  }
  return out;
}

Text utf8_to_ansi(std::string_view text) {
  text = up_to_terminator(text);
  // Every UTF-8 sequence gives at most as many code page 936 bytes as it has.
  Text out(text.size(), '\0');
  char* o = out.data();
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    std::size_t run = ascii_run(p, end);
    std::memcpy(o, p, run);
    o += run;
    p += run;
    // Runs of Chinese text: three-byte sequences led by 0xE1..0xEC are valid with
    // any two continuation bytes, so they need no further checks.
    while (end - p >= 3 && p[0] >= 0xE1 && p[0] <= 0xEC && is_continuation(p[1]) &&
           is_continuation(p[2])) {
      o = put_936(static_cast<char32_t>((p[0] & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F)), o);
      p += 3;
    }
    if (p == end || *p < 0x80) continue;
    char32_t cp;
    p += decode_utf8(p, end, &cp);
    o = put_936(cp, o);
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

Bytes utf8_to_gb18030(const Bytes& utf8) {
  if (utf8.empty()) return {};
  iconv_t raw = iconv_open("GB18030", "UTF-8");
  if (raw == reinterpret_cast<iconv_t>(-1)) return {};
  std::unique_ptr<void, IconvCloser> cd(raw);

  // A UTF-8 character of n bytes becomes at most 4 bytes of GB18030. Two-byte
  // ones outside GBK (most Latin, Cyrillic, Arabic letters) double, so twice the
  // input always suffices.
  Bytes out(utf8.size() * 2 + 8);
  char* in_ptr = const_cast<char*>(reinterpret_cast<const char*>(utf8.data()));
  std::size_t in_left = utf8.size();
  char* out_ptr = reinterpret_cast<char*>(out.data());
  std::size_t out_left = out.size();
  if (iconv(raw, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1)) return {};
  if (iconv(raw, nullptr, nullptr, &out_ptr, &out_left) == static_cast<std::size_t>(-1)) return {};
  if (in_left != 0) return {};
  out.resize(out.size() - out_left);
  return out;
}

}  // namespace netdisk
