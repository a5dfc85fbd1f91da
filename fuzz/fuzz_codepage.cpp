// The code-page conversions and url_encode_keyword with arbitrary bytes: no
// conversion fails, valid text survives the round trips, and the keyword's
// percent-encoding decodes back to its bytes.
//
// Input: the text to convert; two flags come from the last byte.

#include <fuzzer/FuzzedDataProvider.h>
#include <iconv.h>

#include <memory>

#include "fuzz_support.h"
#include "text/codepage.h"

using namespace netdisk;
using namespace netdisk::fuzz;

namespace {

// The code page 936 characters of text that decode to a character of their own
// ("?" only for a real question mark), each kept whole; the rest is left out.
Text valid_936_characters(std::string_view text) {
  Text out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = is_lead(text[at]) && at + 1 < text.size() ? 2 : 1;
    std::string_view character = text.substr(at, length);
    at += length;
    if (character[0] == '\0') continue;
    const std::u16string wide = decode_936(character);
    if (wide.size() == 1 && (wide[0] != u'?' || character == "?")) out.append(character);
  }
  return out;
}

// Valid UTF-8 out of arbitrary bytes: the input read as UTF-8, every broken
// sequence and every zero byte dropped.
Text valid_utf8_characters(std::string_view text) {
  Text out;
  for (std::size_t at = 0; at < text.size();) {
    bool taken = false;
    for (std::size_t length = 4; length >= 1 && !taken; --length) {
      if (at + length > text.size()) continue;
      std::string_view character = text.substr(at, length);
      if (utf8_length(character) == 1 && is_valid_utf8(character) && character != std::string_view("\0", 1)) {
        out.append(character);
        at += length;
        taken = true;
      }
    }
    if (!taken) ++at;
  }
  return out;
}

// GB18030 back to UTF-8 with iconv, for the round trip of the notice conversion.
Bytes gb18030_to_utf8(const Bytes& gb) {
  iconv_t raw = iconv_open("UTF-8", "GB18030");
  FUZZ_CHECK(raw != reinterpret_cast<iconv_t>(-1));
  std::unique_ptr<void, int (*)(iconv_t)> closer(raw, iconv_close);
  Bytes out(gb.size() * 2 + 8);
  char* in_ptr = const_cast<char*>(reinterpret_cast<const char*>(gb.data()));
  std::size_t in_left = gb.size();
  char* out_ptr = reinterpret_cast<char*>(out.data());
  std::size_t out_left = out.size();
  if (iconv(raw, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1)) return {};
  out.resize(out.size() - out_left);
  return out;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void check_keyword(std::string_view text, bool keep_unreserved, bool as_utf8) {
  const Text encoded = url_encode_keyword(text, keep_unreserved, as_utf8);
  const Text source = as_utf8 ? ansi_to_utf8(text) : Text(text);
  Text decoded;
  for (std::size_t i = 0; i < encoded.size();) {
    if (encoded[i] == '%') {
      FUZZ_CHECK(i + 3 <= encoded.size());
      const int high = hex_value(encoded[i + 1]);
      const int low = hex_value(encoded[i + 2]);
      FUZZ_CHECK(high >= 0 && low >= 0);
      decoded.push_back(static_cast<char>(high * 16 + low));
      i += 3;
    } else {
      // Only letters, digits, "-" and "." go unencoded, and only when asked.
      const char c = encoded[i];
      FUZZ_CHECK(keep_unreserved);
      FUZZ_CHECK((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || is_digit(c) || c == '-' ||
                 c == '.');
      decoded.push_back(c);
      ++i;
    }
  }
  FUZZ_CHECK(decoded == source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const bool keep_unreserved = input.ConsumeBool();
  const bool as_utf8 = input.ConsumeBool();
  const Text text = input.ConsumeRemainingBytesAsString();
  const std::string_view up_to_zero = std::string_view(text).substr(0, text.find('\0'));

  // Whatever the bytes, the UTF-8 produced is valid and the conversions stop at a zero byte.
  const Text utf8 = ansi_to_utf8(text);
  FUZZ_CHECK(is_valid_utf8(utf8));
  FUZZ_CHECK(utf8 == ansi_to_utf8(up_to_zero));
  FUZZ_CHECK(utf8.find('\0') == Text::npos);
  const Text ansi = utf8_to_ansi(text);
  FUZZ_CHECK(ansi == utf8_to_ansi(up_to_zero));
  FUZZ_CHECK(ansi.find('\0') == Text::npos);
  FUZZ_CHECK(ansi == from_wide(to_wide(text), code_page_936));
  FUZZ_CHECK(utf8 == from_wide(to_wide(text, code_page_936), code_page_utf8));
  FUZZ_CHECK(encode_936(decode_936(up_to_zero)) == from_wide(to_wide(text, code_page_936), code_page_936));
  const Bytes wide = to_wide(text, code_page_936);
  FUZZ_CHECK(up_to_zero.empty() ? wide.empty()
                                : wide.size() >= 2 && wide.size() % 2 == 0 &&
                                      wide[wide.size() - 1] == 0 && wide[wide.size() - 2] == 0);

  // Valid code page 936 text survives the way to UTF-8 and back, on both paths.
  const Text valid = valid_936_characters(text);
  FUZZ_CHECK(utf8_to_ansi(ansi_to_utf8(valid)) == valid);
  FUZZ_CHECK(encode_936(decode_936(valid)) == valid);
  FUZZ_CHECK(from_wide(to_wide(valid, code_page_936), code_page_936) == valid);

  // Valid UTF-8 keeps its characters: one code page 936 character (or "?") each,
  // and text that came from code page 936 comes back unchanged.
  const Text valid_utf8 = valid_utf8_characters(text);
  FUZZ_CHECK(decode_936(utf8_to_ansi(valid_utf8)).size() == utf8_length(valid_utf8));
  FUZZ_CHECK(from_wide(to_wide(valid_utf8), code_page_utf8) == valid_utf8);
  FUZZ_CHECK(ansi_to_utf8(utf8_to_ansi(utf8)) == utf8);

  // The notice conversion: all or nothing, and GB18030 holds every character.
  const Bytes bytes = text_to_bytes(text);
  const Bytes gb = utf8_to_gb18030(bytes);
  if (text.empty() || !is_valid_utf8(text)) {
    FUZZ_CHECK(gb.empty());
  } else {
    FUZZ_CHECK(!gb.empty());
    FUZZ_CHECK(gb18030_to_utf8(gb) == bytes);
  }

  check_keyword(text, keep_unreserved, as_utf8);
  return 0;
}
