#include "text/cp936_table.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace netdisk::cp936 {
namespace {

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle open_iconv(const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  // Without these two converters the program cannot hold any text at all.
  if (cd == reinterpret_cast<iconv_t>(-1)) std::abort();
  return IconvHandle(cd);
}

// Converts in whole; false when iconv rejects the input or leaves some of it.
bool convert(void* cd, const char* in, std::size_t in_size, char* out, std::size_t out_size,
             std::size_t* written) {
  iconv(static_cast<iconv_t>(cd), nullptr, nullptr, nullptr, nullptr);
  char* in_ptr = const_cast<char*>(in);
  char* out_ptr = out;
  std::size_t in_left = in_size;
  std::size_t out_left = out_size;
  if (iconv(static_cast<iconv_t>(cd), &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1))
    return false;
  if (iconv(static_cast<iconv_t>(cd), nullptr, nullptr, &out_ptr, &out_left) == static_cast<std::size_t>(-1))
    return false;
  *written = out_size - out_left;
  return in_left == 0;
}

char16_t decode_one(void* cd, const unsigned char* bytes, std::size_t size) {
  unsigned char out[8];
  std::size_t written = 0;
  if (!convert(cd, reinterpret_cast<const char*>(bytes), size, reinterpret_cast<char*>(out),
               sizeof out, &written) ||
      written != 2)
    return 0;
  return static_cast<char16_t>(out[0] | (out[1] << 8));
}

Tables build() {
  Tables t;
  IconvHandle decoder = open_iconv("UTF-16LE", "CP936");
  IconvHandle encoder = open_iconv("CP936", "UTF-16LE");

  for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
    unsigned char in[1] = {static_cast<unsigned char>(byte)};
    t.single[byte] = decode_one(decoder.get(), in, 1);
  }
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      if (!is_trail(static_cast<unsigned char>(trail))) continue;
      unsigned char in[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
      t.pair[pair_index(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail))] = decode_one(decoder.get(), in, 2);
    }
  }
  // Encoding asks iconv for every character, so one-way mappings come out as
  // iconv gives them; surrogates are left unmapped.
  for (unsigned unit = 0x80; unit <= 0xFFFF; ++unit) {
    if (unit >= 0xD800 && unit <= 0xDFFF) continue;
    unsigned char in[2] = {static_cast<unsigned char>(unit & 0xFF), static_cast<unsigned char>(unit >> 8)};
    unsigned char out[8];
    std::size_t written = 0;
    if (!convert(encoder.get(), reinterpret_cast<const char*>(in), 2, reinterpret_cast<char*>(out),
                 sizeof out, &written))
      continue;
    if (written == 1 && out[0] >= 0x80) t.encode[unit] = out[0];
    if (written == 2) t.encode[unit] = static_cast<std::uint16_t>(out[0] << 8 | out[1]);
  }
  return t;
}

}  // namespace

const Tables& tables() {
  static const Tables* const instance = new Tables(build());  // never destroyed: workers may outlive exit
  return *instance;
}

}  // namespace netdisk::cp936
