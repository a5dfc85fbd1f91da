// A bare 8-bit PCRE2 match loop over code page 936 bytes, JIT compiled once, kept
// as the yardstick the benchmark measures RegexObject against. The program itself
// never uses it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace netdisk {

class Pcre2Baseline {
 public:
  // Case ignored, multi-line, only a line feed ends a line: the options the
  // result pattern runs with.
  explicit Pcre2Baseline(std::string_view pattern);
  ~Pcre2Baseline();
  Pcre2Baseline(const Pcre2Baseline&) = delete;
  Pcre2Baseline& operator=(const Pcre2Baseline&) = delete;

  bool valid() const;
  // Every match left to right; groups receives each match's groups 1..n copied
  // out, one after the other. Returns the number of matches. One thread at a time.
  std::size_t scan(std::string_view subject, std::vector<std::string>& groups) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace netdisk
