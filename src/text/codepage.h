// Conversions between code page 936 (the program's own text), UTF-8 (the web
// pages) and UTF-16 (the wide form), and the GB18030 reading of the notice page.
// A character that code page 936 lacks becomes one "?"; so does every byte
// sequence that is not valid in its source: these conversions never fail or stop
// early. Only the GB18030 reading of the notice page is all or nothing.
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

namespace netdisk {

inline constexpr int code_page_936 = 936;
inline constexpr int code_page_utf8 = 65001;

// UTF-16 code units, low byte first, followed by one zero unit; the text is read
// up to its first zero byte. An empty text gives empty Bytes.
Bytes to_wide(std::string_view text, int code_page = code_page_utf8);
// Reads the units before the first zero unit.
Text from_wide(const Bytes& wide, int code_page);

Text ansi_to_utf8(std::string_view text);
Text utf8_to_ansi(std::string_view text);

// The same conversions for callers that hold UTF-16 themselves (the regex engine).
std::u16string decode_936(std::string_view text);
Text encode_936(std::u16string_view wide);

// The whole buffer from UTF-8 to GB18030 in one iconv pass; empty Bytes when the
// buffer is empty or holds any invalid or incomplete UTF-8 sequence.
Bytes utf8_to_gb18030(const Bytes& utf8);

Text url_encode_keyword(std::string_view text, bool keep_unreserved = false,
                        bool as_utf8 = false);

}  // namespace netdisk
