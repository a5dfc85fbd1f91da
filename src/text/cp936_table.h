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
  // Unicode of the pair (lead << 8 | trail); 0 when the pair maps to nothing.
  std::array<char16_t, 65536> pair{};
  // Code page 936 bytes of a BMP character: a value below 0x100 is one byte,
  // above it two bytes (lead << 8 | trail), 0 when there is none.
  std::array<std::uint16_t, 65536> encode{};
};

const Tables& tables();

inline bool is_trail(unsigned char byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }

}  // namespace netdisk::cp936
