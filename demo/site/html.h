// Small text helpers of the demo site's pages. Page text is UTF-8; only ASCII
// letters are ever folded, which is safe on UTF-8 because no byte of a
// multi-byte sequence lies in the ASCII range.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace netdisk::demo {

// Escapes & < > " for use in element content and double-quoted attributes, and
// drops control bytes.
std::string html_escape(std::string_view text);

bool is_valid_utf8(std::string_view text);

// Invalid UTF-8 sequences become U+FFFD so a page stays well-formed UTF-8.
std::string sanitize_utf8(std::string_view text);

// Position of needle in text from pos, ASCII letters compared without case;
// npos when absent. An empty needle is found at pos.
std::size_t find_ascii_nocase(std::string_view text, std::string_view needle, std::size_t pos = 0);

// Decodes %XX escapes; a '%' not followed by two hexadecimal digits stays as it is.
// '+' stays '+', as in a path.
std::string percent_decode(std::string_view text);

// Percent-encodes every byte outside the unreserved set, for links in our pages.
std::string percent_encode(std::string_view text);

}  // namespace netdisk::demo
