#include <gtest/gtest.h>

#include <string>

#include "text/text.h"

namespace netdisk {
namespace {

// 中文 in code page 936: D6 D0 CE C4. The middle two bytes D0 CE are 形.
constexpr std::string_view zhongwen = "\xD6\xD0\xCE\xC4";
constexpr std::string_view xing = "\xD0\xCE";
constexpr std::string_view full_space = "\xA1\xA1";

struct FindCase {
  const char* name;
  std::string_view text;
  std::string_view needle;
  int start;
  bool ignore_case;
  int expected;
};

TEST(FindText, Table) {
  const FindCase cases[] = {
      {"from_start_2", "abcabc", "abc", 2, false, 4},
      {"start_0_is_first_byte", "abc", "a", 0, false, 1},
      {"negative_start_is_first_byte", "abc", "a", -5, false, 1},
      {"start_past_end", "abc", "c", 4, false, -1},
      {"ignore_case_true", "ABC", "b", 1, true, 2},
      {"ignore_case_false", "ABC", "b", 1, false, -1},
      {"across_two_byte_characters", zhongwen, xing, 1, false, -1},
      {"needle_longer_than_rest", "abc", "bcd", 1, false, -1},
      {"empty_needle", "abc", "", 1, false, -1},
      {"empty_text", "", "a", 1, false, -1},
      // 0x81 0x41 is one character whose second byte looks like "A".
      {"second_byte_looks_ascii", "\x81\x41", "A", 1, false, -1},
      {"second_byte_looks_ascii_folded", "\x81\x61x", "A", 1, true, -1},
      {"after_two_byte_character", "\x81\x41" "A", "A", 1, false, 3},
      // A scan that starts on a second byte walks from there.
      {"start_on_second_byte", "\x81\x41" "B", "AB", 2, false, 2},
      {"lead_byte_at_end_matches_itself", "a\xB5", "\xB5", 1, false, 2},
      {"two_byte_char_not_folded", "\xB5\x61", "\xB5\x41", 1, true, -1},
      {"folded_inside_ascii", "xxHrEf=", "href", 1, true, 3},
  };
  for (const FindCase& c : cases) {
    EXPECT_EQ(find_text(c.text, c.needle, c.start, c.ignore_case), c.expected) << c.name;
  }
}

TEST(FindText, LongTextFindsEveryBoundaryMatchAndNoOther) {
  // Alternate ASCII runs and two-byte characters whose second byte is "<".
  std::string text;
  for (int i = 0; i < 2000; ++i) text += (i % 3 == 0) ? "\x81<" : "ab<c";
  int expected_count = 0;
  for (int i = 0; i < 2000; ++i) expected_count += (i % 3 == 0) ? 0 : 1;
  int found = 0;
  for (int at = find_text(text, "<"); at != -1; at = find_text(text, "<", at + 1)) {
    EXPECT_EQ(text[at - 2], 'b') << at;
    ++found;
  }
  EXPECT_EQ(found, expected_count);
}

TEST(FindTextReverse, Table) {
  EXPECT_EQ(find_text_reverse("a:b:c", ":"), 4);
  EXPECT_EQ(find_text_reverse("abc", ":"), -1);
  EXPECT_EQ(find_text_reverse("aaa", "aa"), 2);  // overlapping matches count
  EXPECT_EQ(find_text_reverse("xAx", "a", true), 2);
  EXPECT_EQ(find_text_reverse("xAx", "a", false), -1);
  EXPECT_EQ(find_text_reverse(zhongwen, xing), -1);
  EXPECT_EQ(find_text_reverse("\x81:x", ":"), -1);
}

TEST(Cutting, Table) {
  EXPECT_EQ(text_left("abc", 5), "abc");
  EXPECT_EQ(text_left("abc", 0), "");
  EXPECT_EQ(text_left("abc", -1), "");
  EXPECT_EQ(text_left("abc", 2), "ab");
  EXPECT_EQ(text_right("abc", 2), "bc");
  EXPECT_EQ(text_right("abc", 9), "abc");
  EXPECT_EQ(text_right("abc", -1), "");
  EXPECT_EQ(text_mid("abcdef", 3, 2), "cd");
  EXPECT_EQ(text_mid("abc", 3, 5), "c");
  EXPECT_EQ(text_mid("abc", 4, 1), "");
  EXPECT_EQ(text_mid("abc", 0, 2), "");
  EXPECT_EQ(text_mid("abc", 1, 0), "");
  EXPECT_EQ(text_mid(zhongwen, 2, 2), xing);  // cutting counts bytes
  EXPECT_EQ(text_length(""), 0);
  EXPECT_EQ(text_length(zhongwen), 4);
}

struct ReplaceCase {
  const char* name;
  std::string_view text, find, replacement;
  int start, count;
  bool case_sensitive;
  std::string_view expected;
};

TEST(ReplaceText, Table) {
  const ReplaceCase cases[] = {
      {"folded", "aXbxc", "x", "-", 1, -1, false, "a-b-c"},
      {"exact", "aXbxc", "x", "-", 1, -1, true, "aXb-c"},
      {"count_1", "aXbxc", "x", "-", 1, 1, false, "a-bxc"},
      {"replacement_not_searched_again", "aaa", "aa", "a", 1, -1, true, "aa"},
      {"omitted_replacement_removes", "a-b-c", "-", "", 1, -1, true, "abc"},
      {"count_0_unchanged", "aaa", "a", "b", 1, 0, true, "aaa"},
      {"start_skips_prefix", "a-b-c", "-", "+", 3, -1, true, "a-b+c"},
      {"start_past_end", "abc", "c", "x", 4, -1, true, "abc"},
      {"empty_find", "abc", "", "x", 1, -1, true, "abc"},
      {"empty_text", "", "a", "x", 1, -1, true, ""},
      {"not_across_characters", zhongwen, xing, "x", 1, -1, true, zhongwen},
      {"two_byte_trail_not_folded", "\x81\x41" "a", "A", "-", 1, -1, false, "\x81\x41-"},
      {"negative_count_is_every", "xxx", "x", "y", 1, -7, true, "yyy"},
  };
  for (const ReplaceCase& c : cases) {
    EXPECT_EQ(replace_text(c.text, c.find, c.replacement, c.start, c.count, c.case_sensitive),
              c.expected)
        << c.name;
  }
}

struct SplitCase {
  const char* name;
  std::string_view text, separator;
  TextArray expected;
};

TEST(SplitText, Table) {
  const SplitCase cases[] = {
      {"trailing_separator", "a;b;", ";", {"a", "b"}},
      {"leading_separator", ";a", ";", {"", "a"}},
      {"adjacent_separators", "a;;b", ";", {"a", "", "b"}},
      {"empty_text", "", ";", {}},
      {"no_separator", "abc", ";", {"abc"}},
      {"empty_separator", "a;b", "", {"a;b"}},
      {"case_matters", "aXbxc", "x", {"aXb", "c"}},
      {"multi_byte_separator", "a\r\nb\r\n\r\nc", "\r\n", {"a", "b", "", "c"}},
      {"not_across_characters", zhongwen, xing, {std::string(zhongwen)}},
      {"second_byte_is_separator", "\x81|a|b", "|", {"\x81|a", "b"}},
  };
  for (const SplitCase& c : cases) {
    TextArray pieces = split_text(c.text, c.separator);
    EXPECT_EQ(pieces, c.expected) << c.name;
    EXPECT_EQ(array_count(pieces), static_cast<int>(c.expected.size())) << c.name;
  }
}

TEST(Spaces, TrimAndRemove) {
  const std::string a_b = "a b";
  EXPECT_EQ(trim_spaces(std::string("  a b") + std::string(full_space)), a_b);
  EXPECT_EQ(trim_spaces(" \ta "), "\ta");
  EXPECT_EQ(trim_spaces("   "), "");
  EXPECT_EQ(trim_spaces(std::string(full_space) + " " + std::string(full_space)), "");
  EXPECT_EQ(trim_spaces(""), "");
  EXPECT_EQ(trim_spaces("\r\nx\r\n"), "\r\nx\r\n");
  // 0xB0 0xA1 is one character; the 0xA1 0xA1 after it still is a full-width space.
  EXPECT_EQ(trim_spaces("\xB0\xA1\xA1\xA1"), "\xB0\xA1");
  // 0xA1 0xA1 0xA1 ends in a lone lead byte: the first pair is a space, the rest stays.
  EXPECT_EQ(trim_spaces("x\xA1\xA1\xA1"), "x\xA1\xA1\xA1");
  EXPECT_EQ(remove_spaces(std::string(" a b") + std::string(full_space) + "c"), "abc");
  EXPECT_EQ(remove_spaces("\xB0\xA1\xA1\xA1 "), "\xB0\xA1");
}

TEST(ToLower, FoldsOnlySingleByteLetters) {
  EXPECT_EQ(to_lower(std::string("ABC") + std::string(zhongwen)), std::string("abc") + std::string(zhongwen));
  EXPECT_EQ(to_lower("\x81\x41Z"), "\x81\x41z");
  EXPECT_EQ(to_lower("[@Z`]"), "[@z`]");
}

TEST(Numbers, ToIntAndToNumber) {
  struct IntCase {
    std::string_view text;
    int expected;
  };
  const IntCase ints[] = {
      {" 42abc", 42}, {"abc", 0}, {"\xA3\xB8\xA3\xB0", 80}, {"-7", -7}, {"+7", 7},
      {"\t\n 12", 12}, {"\xA3\xAD\xA3\xB5", -5}, {"\xA1\xA1" "9", 9}, {"", 0}, {"- 5", 0},
      {"4294967297", 1},  // wraps in 32 bits
      {"2147483648", -2147483647 - 1},
  };
  for (const IntCase& c : ints) EXPECT_EQ(to_int(c.text), c.expected) << c.text;

  struct NumberCase {
    std::string_view text;
    double expected;
  };
  const NumberCase numbers[] = {
      {"2.2", 2.2}, {"x", 0.0}, {"10!", 10.0}, {" -2.5e1x", -25.0}, {".5", 0.5}, {"2.", 2.0},
      {"1e", 1.0}, {"\xA3\xB2\xA3\xAE\xA3\xB3", 2.3}, {"2.2000001", 2.2000001}, {".", 0.0},
      {"inf", 0.0}, {"0x10", 0.0}, {"+3", 3.0},
  };
  for (const NumberCase& c : numbers) EXPECT_DOUBLE_EQ(to_number(c.text), c.expected) << c.text;
}

TEST(Conversions, NumbersAndBytes) {
  EXPECT_EQ(number_to_text(-5), "-5");
  EXPECT_EQ(number_to_text(0), "0");
  EXPECT_EQ(number_to_text(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(to_hex_text(7), "7");
  EXPECT_EQ(to_hex_text(10), "A");
  EXPECT_EQ(to_hex_text(255), "FF");
  EXPECT_EQ(to_hex_text(0), "0");
  EXPECT_EQ(to_hex_text(-1), "FFFFFFFF");
  EXPECT_EQ(char_from_code(0), "");
  EXPECT_EQ(char_from_code(65), "A");
  EXPECT_EQ(char_from_code(0xB5), "\xB5");
  EXPECT_EQ(char_from_code(256), "");
  EXPECT_EQ(bytes_to_text(Bytes{0x61, 0x62, 0x00, 0x63}), "ab");
  EXPECT_EQ(bytes_to_text(Bytes{}), "");
  EXPECT_EQ(text_to_bytes("ab"), (Bytes{0x61, 0x62}));
  EXPECT_TRUE(text_to_bytes("").empty());
  EXPECT_EQ(bytes_length(Bytes{1, 2, 3}), 3);
  EXPECT_EQ(bytes_left(Bytes{1, 2, 3}, 2), (Bytes{1, 2}));
  EXPECT_EQ(bytes_left(Bytes{1, 2, 3}, 9), (Bytes{1, 2, 3}));
  EXPECT_TRUE(bytes_left(Bytes{1, 2, 3}, -1).empty());
  EXPECT_EQ(blank_text(3), "   ");
  EXPECT_EQ(blank_text(0), "");
  EXPECT_EQ(blank_bytes(2), (Bytes{0, 0}));
  EXPECT_TRUE(blank_bytes(-3).empty());
}

TEST(Combining, ConcatCompareBitOr) {
  EXPECT_EQ(concat_text("a", "", "bc", std::string("d")), "abcd");
  EXPECT_EQ(concat_bytes(Bytes{1}, Bytes{}, Bytes{2, 3}), (Bytes{1, 2, 3}));
  EXPECT_TRUE(concat_bytes(Bytes{}, Bytes{}).empty());
  EXPECT_EQ(compare_text(std::string_view(), ""), 0);
  EXPECT_EQ(compare_text("a", "b"), -1);
  EXPECT_EQ(compare_text("b", "a"), 1);
  EXPECT_EQ(compare_text("ab", "a"), 1);
  EXPECT_EQ(compare_text("\x80", "a"), 1);  // unsigned bytes
  EXPECT_EQ(compare_bytes(Bytes{1, 2}, Bytes{1, 2}), 0);
  EXPECT_NE(compare_bytes(Bytes{1, 2}, Bytes{1}), 0);
  EXPECT_EQ(bit_or(0x80000000, 0x10, 0x4000), static_cast<int>(0x80004010));
}

}  // namespace
}  // namespace netdisk
