#include "site/html.h"

namespace netdisk::demo {
namespace {

unsigned char lower_ascii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Length of the well-formed UTF-8 sequence at text[pos], 0 when it is ill-formed.
std::size_t utf8_sequence_length(std::string_view text, std::size_t pos) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[pos + k]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t need;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
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
    return 0;
  }
  if (text.size() - pos <= need) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t k = 2; k <= need; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
  }
  return need + 1;
}

}  // namespace

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Control bytes have no business in a page; a NUL would even cut it short
        // for a reader that stops at the first zero byte.
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) out += c;
    }
  }
  return out;
}

bool is_valid_utf8(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = utf8_sequence_length(text, pos);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

std::string sanitize_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = utf8_sequence_length(text, pos);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++pos;
    } else {
      out.append(text.substr(pos, length));
      pos += length;
    }
  }
  return out;
}

std::size_t find_ascii_nocase(std::string_view text, std::string_view needle, std::size_t pos) {
  if (pos > text.size()) return std::string_view::npos;
  if (needle.size() > text.size() - pos) return std::string_view::npos;
  for (std::size_t at = pos; at + needle.size() <= text.size(); ++at) {
    std::size_t k = 0;
    while (k < needle.size() && lower_ascii(static_cast<unsigned char>(text[at + k])) ==
                                    lower_ascii(static_cast<unsigned char>(needle[k]))) {
      ++k;
    }
    if (k == needle.size()) return at;
  }
  return std::string_view::npos;
}

std::string percent_decode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = hex_value(text[i + 1]);
      const int low = hex_value(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string percent_encode(std::string_view text) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                            (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' ||
                            byte == '.' || byte == '~';
    if (unreserved) {
      out += c;
    } else {
      out += '%';
      out += digits[byte >> 4];
      out += digits[byte & 0x0F];
    }
  }
  return out;
}

}  // namespace netdisk::demo
