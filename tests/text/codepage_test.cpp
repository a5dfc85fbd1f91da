#include <gtest/gtest.h>
#include <iconv.h>

#include <memory>
#include <string>

#include "text/codepage.h"

namespace netdisk {
namespace {

constexpr std::string_view dianying_936 = "\xB5\xE7\xD3\xB0";  // 电影
constexpr std::string_view dianying_utf8 = "\xE7\x94\xB5\xE5\xBD\xB1";

// An independent reference: one plain iconv call, or nothing when iconv refuses.
std::optional<std::string> iconv_convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 4 + 16, '\0');
  char* in_ptr = const_cast<char*>(in.data());
  std::size_t in_left = in.size();
  char* out_ptr = out.data();
  std::size_t out_left = out.size();
  std::size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1) || in_left != 0) return std::nullopt;
  out.resize(out.size() - out_left);
  return out;
}

TEST(UrlEncodeKeyword, Table) {
  struct Case {
    std::string_view text;
    bool keep_unreserved, as_utf8;
    std::string_view expected;
  };
  const Case cases[] = {
      {"abc", false, true, "%61%62%63"},
      {dianying_936, false, true, "%E7%94%B5%E5%BD%B1"},
      {dianying_936, false, false, "%B5%E7%D3%B0"},
      {"\t", false, true, "%09"},
      {"a-b.c/d 1", true, false, "a-b.c%2Fd%201"},
      {"~_", true, false, "%7E%5F"},
      {"", false, true, ""},
      {"", true, false, ""},
      {"09AZaz", true, true, "09AZaz"},
      {"\xFF", false, false, "%FF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(url_encode_keyword(c.text, c.keep_unreserved, c.as_utf8), c.expected) << c.text;
  }
}

TEST(CodePages, KnownCharacters) {
  EXPECT_EQ(ansi_to_utf8(dianying_936), dianying_utf8);
  EXPECT_EQ(utf8_to_ansi(dianying_utf8), dianying_936);
  EXPECT_EQ(to_wide("abc", code_page_936), (Bytes{0x61, 0, 0x62, 0, 0x63, 0, 0, 0}));
  EXPECT_TRUE(to_wide("").empty());
  EXPECT_EQ(from_wide(Bytes{}, code_page_936), "");
  EXPECT_EQ(from_wide(to_wide(dianying_utf8), code_page_936), dianying_936);
  EXPECT_EQ(from_wide(to_wide(dianying_936, code_page_936), code_page_utf8), dianying_utf8);
  EXPECT_EQ(ansi_to_utf8("\x80"), "\xE2\x82\xAC");  // the euro sign
  EXPECT_EQ(utf8_to_ansi("\xE2\x82\xAC"), "\x80");
  EXPECT_EQ(ansi_to_utf8("\xA1\xA1"), "\xE3\x80\x80");  // the full-width space
  EXPECT_EQ(ansi_to_utf8("\xA3\xBA"), "\xEF\xBC\x9A");  // the full-width colon
}

TEST(CodePages, FromWideStopsAtFirstZeroUnit) {
  EXPECT_EQ(from_wide(Bytes{0x61, 0, 0, 0, 0x62, 0}, code_page_utf8), "a");
  EXPECT_EQ(from_wide(Bytes{0x61, 0, 0x62}, code_page_utf8), "a");  // a lone last byte is no unit
  EXPECT_EQ(to_wide(std::string_view("a\0b", 3)), (Bytes{0x61, 0, 0, 0}));
}

TEST(CodePages, MissingAndInvalidBecomeQuestionMarks) {
  struct Case {
    const char* name;
    std::string_view utf8;
    std::string_view expected_936;
  };
  const Case cases[] = {
      {"lacking_character", "a\xE2\x84\xA2z", "a?z"},            // ™ is not in code page 936
      {"non_bmp_character", "a\xF0\x9F\x98\x80z", "a?z"},        // one "?" per character
      {"lone_continuation", "a\x80z", "a?z"},
      {"truncated_sequence", "a\xE4\xB8z", "a?z"},               // one "?" for the broken start
      {"truncated_at_end", "a\xE4\xB8", "a?"},
      {"overlong", "\xC0\xAF", "??"},
      {"encoded_surrogate", "\xED\xA0\x80", "???"},
      {"invalid_lead", "\xFF\xFE", "??"},
      {"yen_sign_not_transliterated", "\xC2\xA5", "?"},
      {"stops_at_zero_byte", std::string_view("ab\0c", 4), "ab"},
  };
  for (const Case& c : cases) EXPECT_EQ(utf8_to_ansi(c.utf8), c.expected_936) << c.name;

  EXPECT_EQ(ansi_to_utf8("a\xFFz"), "a?z");
  EXPECT_EQ(ansi_to_utf8("a\xB5"), "a?");     // lone lead byte at the end
  EXPECT_EQ(ansi_to_utf8("\xB5 z"), "? z");   // lead byte without a valid second byte
  EXPECT_EQ(ansi_to_utf8("\xB5z"), "\xE7\xA5\x95");  // "z" is a valid second byte
  EXPECT_EQ(ansi_to_utf8("\xB5\x7F"), "?\x7F");
  EXPECT_EQ(encode_936(u"\xD800x"), "?x");    // lone surrogate
  EXPECT_EQ(encode_936(u"\U0001F600"), "?");  // a pair is one character
  EXPECT_EQ(from_wide(Bytes{0x00, 0xD8, 0x41, 0x00, 0, 0}, code_page_utf8), "\xEF\xBF\xBD" "A");
}

// Every two-byte character of code page 936, against iconv converting the same
// character to UTF-8 in one call, and back.
TEST(CodePages, EveryTwoByteCharacterAgreesWithIconv) {
  int mapped = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      std::string_view ansi(pair, 2);
      std::optional<std::string> reference = iconv_convert("UTF-8", "CP936", ansi);
      std::string utf8 = ansi_to_utf8(ansi);
      if (!reference) {
        EXPECT_EQ(utf8, "?") << std::hex << lead << " " << trail;
        continue;
      }
      ++mapped;
      ASSERT_EQ(utf8, *reference) << std::hex << lead << " " << trail;
      ASSERT_EQ(utf8_to_ansi(utf8), ansi) << std::hex << lead << " " << trail;
      ASSERT_EQ(decode_936(ansi).size(), 1u);
      ASSERT_EQ(encode_936(decode_936(ansi)), ansi);
    }
  }
  EXPECT_GT(mapped, 21000);  // GBK holds 21,886 two-byte characters
}

// Every character of the Basic Multilingual Plane, against iconv encoding it.
TEST(CodePages, EveryBmpCharacterEncodesAsIconvDoes) {
  for (char32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    char16_t unit = static_cast<char16_t>(cp);
    std::string utf16le = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    std::optional<std::string> reference = iconv_convert("CP936", "UTF-16LE", utf16le);
    std::string expected = reference ? *reference : "?";
    ASSERT_EQ(encode_936(std::u16string(1, unit)), expected) << std::hex << static_cast<unsigned>(cp);
    std::optional<std::string> utf8 = iconv_convert("UTF-8", "UTF-16LE", utf16le);
    ASSERT_TRUE(utf8.has_value());
    ASSERT_EQ(utf8_to_ansi(*utf8), expected) << std::hex << static_cast<unsigned>(cp);
    ASSERT_EQ(utf8_to_ansi("a" + *utf8 + *utf8 + "z"), "a" + expected + expected + "z");
  }
}

TEST(CodePages, LongMixedPageRoundTrips) {
  std::string page;
  for (int i = 0; i < 5000; ++i) {
    page += "<li class=\"item\">\r\n";
    page += dianying_936;
    page += std::to_string(i);
  }
  std::string utf8 = ansi_to_utf8(page);
  EXPECT_EQ(utf8_to_ansi(utf8), page);
  EXPECT_EQ(encode_936(decode_936(page)), page);
  EXPECT_EQ(from_wide(to_wide(page, code_page_936), code_page_936), page);
}

TEST(Gb18030, WholeBufferOrNothing) {
  auto bytes = [](std::string_view s) { return Bytes(s.begin(), s.end()); };
  EXPECT_EQ(utf8_to_gb18030(bytes(dianying_utf8)), bytes(dianying_936));
  EXPECT_EQ(utf8_to_gb18030(bytes("plain")), bytes("plain"));
  EXPECT_TRUE(utf8_to_gb18030(Bytes{}).empty());
  // A character that code page 936 lacks has a four-byte form in GB18030.
  EXPECT_EQ(utf8_to_gb18030(bytes("\xE2\x84\xA2")).size(), 4u);
  EXPECT_EQ(utf8_to_gb18030(bytes("\xF0\x9F\x98\x80")).size(), 4u);
  // Invalid or incomplete anywhere: nothing at all, never a partial result.
  EXPECT_TRUE(utf8_to_gb18030(bytes("good text then \xFF")).empty());
  EXPECT_TRUE(utf8_to_gb18030(bytes("ends inside \xE4\xB8")).empty());
  EXPECT_TRUE(utf8_to_gb18030(bytes("\xC0\xAF")).empty());
  // Growth beyond the input length still fits.
  std::string many;
  for (int i = 0; i < 10000; ++i) many += "\xE2\x84\xA2";
  EXPECT_EQ(utf8_to_gb18030(bytes(many)).size(), 40000u);
  // Two-byte characters outside GBK (here U+00DC and U+049D) double in size.
  std::string doubled;
  for (int i = 0; i < 1000; ++i) doubled += "\xC3\x9C\xD2\x9D";
  EXPECT_EQ(utf8_to_gb18030(bytes(doubled)).size(), 8000u);
  EXPECT_EQ(utf8_to_gb18030(bytes("\xC3\x9C")), bytes("\x81\x30\x89\x35"));
}

}  // namespace
}  // namespace netdisk
