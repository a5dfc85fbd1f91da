// The regular-expression engine and RegexObject with arbitrary patterns, subjects
// and options: a rejected pattern reads as empty results, matches lie inside the
// subject one after the other, and the object's texts agree with the engine's.
//
// Input: the pattern (ended by a backslash and one more byte), a replacement
// likewise, then the subject; the four options come from the last bytes.

#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_support.h"
#include "regex/engine.h"
#include "regex/regex_object.h"
#include "text/codepage.h"

using namespace netdisk;
using namespace netdisk::fuzz;

namespace {

// Enough matches to see the iteration at work without reading thousands of them.
constexpr int matches_checked = 64;
// Replace expands "$`" and "$'" once per match: kept small so the output stays small.
constexpr std::size_t replace_subject_limit = 256;

void check_engine(std::u16string pattern, std::u16string subject, bool ignore_case,
                  bool multiline, bool global) {
  auto engine = RegexEngine::create();
  FUZZ_CHECK(engine != nullptr);
  engine->set_ignore_case(ignore_case);
  engine->set_multiline(multiline);
  engine->set_global(global);
  engine->set_pattern(std::move(pattern));
  const std::size_t length = subject.size();
  auto collection = engine->execute(std::move(subject));
  FUZZ_CHECK((collection == nullptr) == !engine->pattern_error().empty());
  if (!collection) return;
  FUZZ_CHECK(collection->subject().size() == length);
  if (!global) FUZZ_CHECK(collection->count() <= 1);
  std::size_t previous_end = 0;
  std::size_t previous_start = 0;
  for (int i = 0; i < collection->count() && i < matches_checked; ++i) {
    const RegexMatch match = *collection->item(i);
    const std::size_t start = match.first_index();
    const std::u16string_view value = match.value();
    FUZZ_CHECK(start + value.size() <= length);
    // Each search resumes after the previous match; an empty one moves on a character.
    if (i > 0) {
      FUZZ_CHECK(start >= previous_end);
      FUZZ_CHECK(start > previous_start);
    }
    previous_start = start;
    previous_end = start + value.size();
    const SubMatches groups = match.sub_matches();
    FUZZ_CHECK(groups.count() == collection->group_count());
    for (int g = 0; g < groups.count() && g < 16; ++g) {
      const auto item = groups.item(g);
      const auto at = groups.first_index(g);
      FUZZ_CHECK(item.has_value() == at.has_value());
      if (item) FUZZ_CHECK(*at + item->size() <= length);
    }
    FUZZ_CHECK(!groups.item(groups.count()).has_value());
    FUZZ_CHECK(!groups.item(-1).has_value());
  }
  FUZZ_CHECK(!collection->item(collection->count()).has_value());
  FUZZ_CHECK(!collection->item(-1).has_value());
}

void check_object(std::string_view pattern, std::string_view subject, std::string_view replacement,
                  bool case_sensitive, bool multiline, bool global, bool quote_placeholder) {
  RegexObject regex;
  const bool made = regex.create(pattern, subject, case_sensitive, multiline, global, quote_placeholder);
  const int count = regex.match_count();
  const std::string_view stored = subject.substr(0, subject.find('\0'));
  if (!made) {
    FUZZ_CHECK(count == 0);
    FUZZ_CHECK(regex.sub_match_count() == 0);
    FUZZ_CHECK(regex.sub_match_text(1, 1).empty());
    FUZZ_CHECK(regex.replace(replacement).empty());
    return;
  }
  FUZZ_CHECK(count >= 0);
  int position = 0;
  FUZZ_CHECK(regex.match_text(0, &position).empty() && position == -2);
  FUZZ_CHECK(regex.match_text(count + 1, &position).empty() && position == -2);
  // A position is a byte offset into the subject where the text read back begins.
  auto found_at = [&](const Text& text, int at) {
    if (at < 0 || static_cast<std::size_t>(at) > stored.size()) return false;
    return encode_936(decode_936(stored.substr(static_cast<std::size_t>(at)))).starts_with(text);
  };
  const int groups = regex.sub_match_count();
  for (int i = 1; i <= count && i <= matches_checked; ++i) {
    const Text text = regex.match_text(i, &position);
    FUZZ_CHECK(found_at(text, position));
    for (int g = 1; g <= groups && g <= 16; ++g) {
      const Text group = regex.sub_match_text(i, g, &position);
      FUZZ_CHECK(position == -2 ? group.empty() : found_at(group, position));
    }
    FUZZ_CHECK(regex.sub_match_text(i, groups + 1).empty());
    FUZZ_CHECK(regex.sub_match_text(i, 0).empty());
  }
  if (stored.size() <= replace_subject_limit) (void)regex.replace(replacement);

  // A copy answers as the original does; a destroyed object answers empty.
  RegexObject copy = regex.copy();
  FUZZ_CHECK(copy.match_count() == count);
  FUZZ_CHECK(copy.pattern() == regex.pattern());
  if (count > 0) FUZZ_CHECK(copy.match_text(1) == regex.match_text(1));
  copy.destroy();
  FUZZ_CHECK(copy.match_count() == 0 && copy.pattern().empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const bool case_sensitive = input.ConsumeBool();
  const bool multiline = input.ConsumeBool();
  const bool global = input.ConsumeBool();
  const bool quote_placeholder = input.ConsumeBool();
  const Text pattern = input.ConsumeRandomLengthString(64);
  const Text replacement = input.ConsumeRandomLengthString(16);
  const Text subject = input.ConsumeRemainingBytesAsString();

  check_object(pattern, subject, replacement, case_sensitive, multiline, global, quote_placeholder);
  check_engine(decode_936(pattern), decode_936(subject), !case_sensitive, multiline, global);
  return 0;
}
