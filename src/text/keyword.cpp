#include "text/codepage.h"

namespace netdisk {
namespace {

bool is_kept(unsigned char byte) {
  return (byte >= 0x2D && byte <= 0x39 && byte != 0x2F) || (byte >= 'A' && byte <= 'Z') ||
         (byte >= 'a' && byte <= 'z');
}

}  // namespace

Text url_encode_keyword(std::string_view text, bool keep_unreserved, bool as_utf8) {
  static constexpr char digits[] = "0123456789ABCDEF";
  Text source = as_utf8 ? ansi_to_utf8(text) : Text(text);
  Text out;
  out.reserve(source.size() * 3);
  for (char c : source) {
    auto byte = static_cast<unsigned char>(c);
    if (keep_unreserved && is_kept(byte)) {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(digits[byte >> 4]);
      out.push_back(digits[byte & 0x0F]);
    }
  }
  return out;
}

}  // namespace netdisk
