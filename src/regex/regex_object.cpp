#include "regex/regex_object.h"

#include <optional>
#include <utility>

#include "regex/engine.h"
#include "text/codepage.h"

namespace netdisk {

namespace {

// The 0-based byte offset in subject of the character at char_offset of its
// decoded form. Walks the bytes with the decoder's own rule, so that a byte
// sequence decoded to one "?" still counts the bytes it took. The engine's
// character offset alone would point too early after two-byte characters.
int byte_offset(std::string_view subject, std::size_t char_offset) {
  std::size_t bytes = 0;
  for (std::size_t chars = 0; chars < char_offset && bytes < subject.size(); ++chars) {
    if (static_cast<unsigned char>(subject[bytes]) < 0x80 || bytes + 1 == subject.size()) {
      ++bytes;
    } else {
      bytes += decode_936(subject.substr(bytes, 2)).size() == 1 ? 2 : 1;
    }
  }
  return static_cast<int>(bytes);
}

void set_position(int* position, int value) {
  if (position != nullptr) *position = value;
}

}  // namespace

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;

RegexObject::RegexObject(RegexObject&& other) noexcept
    : engine(std::move(other.engine)),
      matches(std::move(other.matches)),
      subject(std::move(other.subject)) {
  other.subject.clear();
}

RegexObject& RegexObject::operator=(RegexObject&& other) noexcept {
  if (this != &other) {
    engine = std::move(other.engine);
    matches = std::move(other.matches);
    subject = std::move(other.subject);
    other.subject.clear();
  }
  return *this;
}

bool RegexObject::create(std::string_view pattern_text, std::string_view subject_text,
                         bool case_sensitive, bool multiline, bool global, bool quote_placeholder) {
  engine.reset();
  matches.reset();
  try {
    pattern_text = up_to_terminator(pattern_text);
    subject_text = up_to_terminator(subject_text);
    if (auto made = RegexEngine::create()) {
      made->set_ignore_case(!case_sensitive);
      made->set_multiline(multiline);
      made->set_global(global);
      made->set_pattern(decode_936(
          quote_placeholder
              ? replace_text(pattern_text, netdisk::quote_placeholder, "\"", 1, every_occurrence, true)
              : Text(pattern_text)));
      engine = std::move(made);
      matches = engine->execute(decode_936(subject_text));
    }
    subject.assign(subject_text);
  } catch (...) {
    // Out of memory: nothing of this run survives.
    engine.reset();
    matches.reset();
    subject.clear();
  }
  return matches != nullptr;
}

int RegexObject::match_count() const { return matches ? matches->count() : 0; }

Text RegexObject::match_text(int index, int* position) const {
  set_position(position, -2);
  try {
    std::optional<RegexMatch> match;
    if (matches && index >= 1) match = matches->item(index - 1);
    if (!match) return {};
    Text text = encode_936(match->value());
    if (position != nullptr) *position = byte_offset(subject, match->first_index());
    return text;
  } catch (...) {
    set_position(position, -2);
    return {};
  }
}

Text RegexObject::sub_match_text(int match_index, int sub_index, int* position) const {
  set_position(position, -2);
  try {
    std::optional<RegexMatch> match;
    if (matches && match_index >= 1) match = matches->item(match_index - 1);
    if (!match || sub_index < 1) return {};
    SubMatches groups = match->sub_matches();
    std::optional<std::u16string_view> value = groups.item(sub_index - 1);
    if (!value) return {};
    Text text = encode_936(*value);
    if (position != nullptr) *position = byte_offset(subject, *groups.first_index(sub_index - 1));
    return text;
  } catch (...) {
    set_position(position, -2);
    return {};
  }
}

int RegexObject::sub_match_count() const {
  if (!matches) return 0;
  std::optional<RegexMatch> first = matches->item(0);
  return first ? first->sub_matches().count() : 0;
}

Text RegexObject::pattern() const {
  try {
    return engine ? encode_936(engine->pattern()) : Text();
  } catch (...) {
    return {};
  }
}

Text RegexObject::replace(std::string_view replacement) const {
  // A rejected pattern left no collection, and replacing with it fails as well.
  if (!engine || !matches) return {};
  try {
    std::optional<std::u16string> result =
        engine->replace(matches->subject(), decode_936(up_to_terminator(replacement)));
    return result ? encode_936(*result) : Text();
  } catch (...) {
    return {};
  }
}

RegexObject RegexObject::copy() const {
  RegexObject out;
  try {
    out.subject = subject;
    out.engine = engine;
    out.matches = matches;
  } catch (...) {
    out.destroy();
  }
  return out;
}

void RegexObject::destroy() {
  engine.reset();
  matches.reset();
  subject.clear();
}

}  // namespace netdisk
