// RegexObject runs one pattern over one subject and hands out the matches and
// their capture groups by 1-based number. Every failure (a rejected pattern, a
// number out of range, a group that took no part) reads as an empty result.
// Not thread-safe: the program uses its one object on the window's thread only.
#pragma once

#include <memory>
#include <string_view>

#include "text/text.h"

namespace netdisk {

class RegexEngine;
class MatchCollection;

class RegexObject {
 public:
  RegexObject();
  ~RegexObject();
  RegexObject(const RegexObject&) = delete;
  RegexObject& operator=(const RegexObject&) = delete;
  RegexObject(RegexObject&&) noexcept;
  RegexObject& operator=(RegexObject&&) noexcept;

  // Options left at their defaults: case ignored, multi-line, every match, and
  // "#引号" taken literally.
  bool create(std::string_view pattern, std::string_view subject, bool case_sensitive = false,
              bool multiline = true, bool global = true, bool quote_placeholder = false);

  int match_count() const;
  Text match_text(int index, int* position = nullptr) const;
  Text sub_match_text(int match_index, int sub_index, int* position = nullptr) const;
  int sub_match_count() const;
  Text pattern() const;
  Text replace(std::string_view replacement = {}) const;
  RegexObject copy() const;
  void destroy();

 private:
  std::shared_ptr<const RegexEngine> engine;
  std::shared_ptr<const MatchCollection> matches;
  Text subject;
};

}  // namespace netdisk
