// Code page 936 mapping tables, read once from iconv's "CP936" and then used
// without locks from any thread.
#pragma once

#include <array>
#include <cstdint>

namespace netdisk::cp936 {

struct Tables {
  // Unicode of byte 0x80..0xFF read alone (0x80 is the euro sign); 0 when the
  // byte is a lead byte or invalid on its own.
  std::array<char16_t, 256> single{};
  // Unicode of a lead byte 0x81..0xFE and a second byte 0x40..0xFF, at
  // pair_index(lead, trail); 0 when the pair maps to nothing. Kept dense so that
  // the rows of common characters stay in the cache.
  std::array<char16_t, 126 * 192> pair{};
  // Code page 936 bytes of a BMP character: a value below 0x100 is one byte,
  // above it two bytes (lead << 8 | trail), 0 when there is none.
  std::array<std::uint16_t, 65536> encode{};
};

const Tables& tables();

inline bool is_trail(unsigned char byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }

inline unsigned pair_index(unsigned char lead, unsigned char trail) {
  return (lead - 0x81u) * 192u + (trail - 0x40u);
}

}  // namespace netdisk::cp936
