// The regular-expression engine under RegexObject: a pattern with the options
// "IgnoreCase", "Multiline" and "Global", run over UTF-16 text where one code unit
// is one character, so offsets count code units. Execute hands back an immutable
// collection of matches; Replace uses the "$1".."$99", "$&", "$`", "$'", "$$"
// syntax. A rejected pattern gives no collection and no replacement, never an
// exception. Compiled patterns are shared process-wide, keyed by pattern and options.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace netdisk {

class MatchCollection;

// The groups of one match. A group that took no part reads as no value, an empty
// capture as an empty view.
class SubMatches {
 public:
  int count() const;
  // 0-based group number; no value when out of range or when the group took no part.
  std::optional<std::u16string_view> item(int index) const;
  // The group's 0-based offset in the subject, under the same conditions.
  std::optional<std::size_t> first_index(int index) const;

 private:
  friend class RegexMatch;
  SubMatches(const MatchCollection* collection, std::size_t match) noexcept
      : collection_(collection), match_(match) {}
  const MatchCollection* collection_;
  std::size_t match_;
};

// A view of one match; valid while its collection lives.
class RegexMatch {
 public:
  std::u16string_view value() const;
  std::size_t first_index() const;
  SubMatches sub_matches() const { return SubMatches(collection_, match_); }

 private:
  friend class MatchCollection;
  RegexMatch(const MatchCollection* collection, std::size_t match) noexcept
      : collection_(collection), match_(match) {}
  const MatchCollection* collection_;
  std::size_t match_;
};

class MatchCollection {
 public:
  int count() const;
  // 0-based match number; no value when out of range.
  std::optional<RegexMatch> item(int index) const;
  // The subject the matches refer to.
  const std::u16string& subject() const { return subject_; }
  int group_count() const { return group_count_; }
  // True when matching stopped early on an engine limit (a pathological subject);
  // the matches found until then are kept.
  bool stopped_early() const { return stopped_early_; }

 private:
  friend class RegexEngine;
  friend class RegexMatch;
  friend class SubMatches;
  // Start and end offsets of a group in match m, or nothing when it took no part.
  std::optional<std::pair<std::size_t, std::size_t>> span(std::size_t m, int group) const;

  std::u16string subject_;
  int group_count_ = 0;
  // (group_count_ + 1) start/end pairs per match; an unset group holds unset_offset.
  std::vector<std::size_t> offsets_;
  bool stopped_early_ = false;
};

class RegexEngine {
 public:
  // Nothing when the engine cannot be made.
  static std::shared_ptr<RegexEngine> create() noexcept;

  bool ignore_case() const { return ignore_case_; }
  void set_ignore_case(bool value) { ignore_case_ = value; }
  bool multiline() const { return multiline_; }
  void set_multiline(bool value) { multiline_ = value; }
  bool global() const { return global_; }
  void set_global(bool value) { global_ = value; }
  const std::u16string& pattern() const { return pattern_; }
  void set_pattern(std::u16string value) { pattern_ = std::move(value); }

  // Nothing when the pattern is rejected (or memory runs out).
  std::shared_ptr<const MatchCollection> execute(std::u16string subject) const noexcept;
  std::optional<std::u16string> replace(std::u16string_view subject,
                                        std::u16string_view replacement) const noexcept;
  // Why the current pattern is rejected, empty when it is accepted.
  std::string pattern_error() const noexcept;

 private:
  RegexEngine() = default;
  bool ignore_case_ = false;
  bool multiline_ = false;
  bool global_ = false;
  std::u16string pattern_;
};

}  // namespace netdisk
