// Bytes as upper-case hexadecimal digits, so that code page 936 texts printed by a
// child process can be compared exactly.
#pragma once

#include <string>
#include <string_view>

namespace netdisk::testing {

inline std::string hex(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

}  // namespace netdisk::testing
