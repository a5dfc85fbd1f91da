#include "regex/engine.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace netdisk {

namespace {

constexpr std::size_t unset_offset = PCRE2_UNSET;
// Bounds the backtracking of one search so that a pathological subject ends the
// iteration instead of hanging the caller.
constexpr std::uint32_t match_limit = 10'000'000;
constexpr std::size_t jit_stack_start = 32 * 1024;
constexpr std::size_t jit_stack_max = 1024 * 1024;
constexpr std::size_t cache_capacity = 64;

struct CodeDeleter {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct CompileContextDeleter {
  void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
struct MatchContextDeleter {
  void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct JitStackDeleter {
  void operator()(pcre2_jit_stack* stack) const { pcre2_jit_stack_free(stack); }
};

using CodePtr = std::unique_ptr<pcre2_code, CodeDeleter>;
using MatchDataPtr = std::unique_ptr<pcre2_match_data, MatchDataDeleter>;
using CompileContextPtr = std::unique_ptr<pcre2_compile_context, CompileContextDeleter>;
using MatchContextPtr = std::unique_ptr<pcre2_match_context, MatchContextDeleter>;
using JitStackPtr = std::unique_ptr<pcre2_jit_stack, JitStackDeleter>;

struct CompiledPattern {
  CodePtr code;  // null when rejected
  int group_count = 0;
  std::string error;
};

std::uint32_t compile_options(bool ignore_case, bool multiline) {
  // No UTF mode: one code unit is one character, as the scripting engine counts.
  // ALT_BSUX gives its "\uhhhh" and "\xhh" escapes; an unset group referred back
  // to matches the empty string there too.
  std::uint32_t options = PCRE2_NEVER_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF;
  if (ignore_case) options |= PCRE2_CASELESS;
  // "^" also matches after a line feed that ends the subject, and without
  // multi-line mode "$" matches only at the very end, as the scripting engine does.
  options |= multiline ? (PCRE2_MULTILINE | PCRE2_ALT_CIRCUMFLEX) : PCRE2_DOLLAR_ENDONLY;
  return options;
}

std::string error_text(int code) {
  PCRE2_UCHAR buffer[256];
  int length = pcre2_get_error_message(code, buffer, sizeof buffer / sizeof buffer[0]);
  std::string out;
  // The messages are ASCII.
  for (int i = 0; i < length; ++i) out.push_back(static_cast<char>(buffer[i]));
  return out;
}

std::shared_ptr<const CompiledPattern> compile(std::u16string_view pattern, std::uint32_t options) {
  auto compiled = std::make_shared<CompiledPattern>();
  CompileContextPtr context(pcre2_compile_context_create(nullptr));
  if (!context) {
    compiled->error = "out of memory";
    return compiled;
  }
  // Only a line feed ends a line: "." matches a carriage return.
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
  int error_code = 0;
  PCRE2_SIZE error_offset = 0;
  compiled->code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     options, &error_code, &error_offset, context.get()));
  if (!compiled->code) {
    compiled->error = error_text(error_code) + " at offset " + std::to_string(error_offset);
    return compiled;
  }
  // Without JIT support the interpreter runs the same code, only slower.
  pcre2_jit_compile(compiled->code.get(), PCRE2_JIT_COMPLETE);
  std::uint32_t captures = 0;
  pcre2_pattern_info(compiled->code.get(), PCRE2_INFO_CAPTURECOUNT, &captures);
  compiled->group_count = static_cast<int>(captures);
  return compiled;
}

struct CacheKey {
  std::u16string pattern;
  std::uint32_t options;
  bool operator==(const CacheKey&) const = default;
};

struct CacheKeyHash {
  std::size_t operator()(const CacheKey& key) const noexcept {
    return std::hash<std::u16string>{}(key.pattern) ^
           (std::size_t{key.options} * 0x9E3779B97F4A7C15u);
  }
};

// A page search recompiling its pattern would cost more than the search itself on
// small pages, so compiled patterns are kept; the program uses a handful at most.
std::shared_ptr<const CompiledPattern> cached_compile(std::u16string_view pattern,
                                                      std::uint32_t options) {
  static std::mutex mutex;
  static std::unordered_map<CacheKey, std::shared_ptr<const CompiledPattern>, CacheKeyHash> cache;
  CacheKey key{std::u16string(pattern), options};
  {
    std::lock_guard lock(mutex);
    if (auto found = cache.find(key); found != cache.end()) return found->second;
  }
  auto compiled = compile(pattern, options);
  std::lock_guard lock(mutex);
  if (cache.size() >= cache_capacity) cache.clear();
  cache.emplace(std::move(key), compiled);
  return compiled;
}

// One match context and JIT stack per thread; pcre2_code itself is shared.
struct MatchResources {
  MatchContextPtr context;
  JitStackPtr stack;
  MatchResources() : context(pcre2_match_context_create(nullptr)) {
    if (!context) return;
    pcre2_set_match_limit(context.get(), match_limit);
    stack.reset(pcre2_jit_stack_create(jit_stack_start, jit_stack_max, nullptr));
    if (stack) pcre2_jit_stack_assign(context.get(), nullptr, stack.get());
  }
};

pcre2_match_context* thread_match_context() {
  thread_local MatchResources resources;
  return resources.context.get();
}

enum class IterationEnd { finished, stopped_early };

// Runs the search the way the scripting engine iterates: each search resumes at
// the end of the previous match; after an empty match it resumes one character
// further on, without first retrying for a non-empty match at the same place.
// on_match gets the ovector and the number of pairs set.
template <typename OnMatch>
IterationEnd iterate(const CompiledPattern& compiled, std::u16string_view subject, bool global,
                     OnMatch on_match) {
  MatchDataPtr data(pcre2_match_data_create_from_pattern(compiled.code.get(), nullptr));
  pcre2_match_context* context = thread_match_context();
  if (!data || !context) return IterationEnd::stopped_early;
  const auto* text = reinterpret_cast<PCRE2_SPTR>(subject.data());
  std::size_t start = 0;
  while (start <= subject.size()) {
    int rc = pcre2_match(compiled.code.get(), text, subject.size(), start, 0, data.get(), context);
    if (rc == PCRE2_ERROR_NOMATCH) return IterationEnd::finished;
    if (rc <= 0) return IterationEnd::stopped_early;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    on_match(ovector, rc);
    if (!global) return IterationEnd::finished;
    std::size_t next = ovector[1] > ovector[0] ? ovector[1] : ovector[0] + 1;
    // Never search the same place twice, whatever the pattern reported.
    start = next > start ? next : start + 1;
  }
  return IterationEnd::finished;
}

}  // namespace

int SubMatches::count() const { return collection_->group_count(); }

std::optional<std::u16string_view> SubMatches::item(int index) const {
  if (index < 0 || index >= count()) return std::nullopt;
  auto span = collection_->span(match_, index + 1);
  if (!span) return std::nullopt;
  return std::u16string_view(collection_->subject())
      .substr(span->first, span->second - span->first);
}

std::optional<std::size_t> SubMatches::first_index(int index) const {
  if (index < 0 || index >= count()) return std::nullopt;
  auto span = collection_->span(match_, index + 1);
  if (!span) return std::nullopt;
  return span->first;
}

std::u16string_view RegexMatch::value() const {
  auto span = collection_->span(match_, 0);
  return std::u16string_view(collection_->subject())
      .substr(span->first, span->second - span->first);
}

std::size_t RegexMatch::first_index() const { return collection_->span(match_, 0)->first; }

int MatchCollection::count() const {
  return static_cast<int>(offsets_.size() / (2 * static_cast<std::size_t>(group_count_ + 1)));
}

std::optional<RegexMatch> MatchCollection::item(int index) const {
  if (index < 0 || index >= count()) return std::nullopt;
  return RegexMatch(this, static_cast<std::size_t>(index));
}

std::optional<std::pair<std::size_t, std::size_t>> MatchCollection::span(std::size_t m,
                                                                         int group) const {
  if (group < 0 || group > group_count_) return std::nullopt;
  std::size_t at =
      (m * static_cast<std::size_t>(group_count_ + 1) + static_cast<std::size_t>(group)) * 2;
  if (at + 1 >= offsets_.size() || offsets_[at] == unset_offset) return std::nullopt;
  return std::make_pair(offsets_[at], offsets_[at + 1]);
}

std::shared_ptr<RegexEngine> RegexEngine::create() noexcept {
  try {
    return std::shared_ptr<RegexEngine>(new RegexEngine());
  } catch (...) {
    return nullptr;
  }
}

std::shared_ptr<const MatchCollection> RegexEngine::execute(std::u16string subject) const noexcept {
  try {
    auto compiled = cached_compile(pattern_, compile_options(ignore_case_, multiline_));
    if (!compiled->code) return nullptr;
    auto collection = std::make_shared<MatchCollection>();
    collection->subject_ = std::move(subject);
    collection->group_count_ = compiled->group_count;
    const std::size_t pairs = static_cast<std::size_t>(compiled->group_count) + 1;
    auto& offsets = collection->offsets_;
    IterationEnd end = iterate(
        *compiled, collection->subject_, global_, [&](const PCRE2_SIZE* ovector, int set_pairs) {
          for (std::size_t i = 0; i < pairs; ++i) {
            bool set = i < static_cast<std::size_t>(set_pairs) && ovector[2 * i] != PCRE2_UNSET;
            offsets.push_back(set ? ovector[2 * i] : unset_offset);
            offsets.push_back(set ? ovector[2 * i + 1] : unset_offset);
          }
        });
    collection->stopped_early_ = end == IterationEnd::stopped_early;
    return collection;
  } catch (...) {
    return nullptr;
  }
}

namespace {

// Appends the expansion of replacement for one match: "$$", "$&", "$`", "$'", then
// two digits naming an existing group, else one digit naming one; anything else
// stays literal. A group that took no part contributes nothing.
void expand_replacement(std::u16string& out, std::u16string_view replacement,
                        std::u16string_view subject, const PCRE2_SIZE* ovector, int set_pairs,
                        int group_count) {
  auto group_text = [&](int n) -> std::u16string_view {
    if (n >= set_pairs || ovector[2 * n] == PCRE2_UNSET) return {};
    return subject.substr(ovector[2 * n], ovector[2 * n + 1] - ovector[2 * n]);
  };
  auto digit = [](char16_t c) { return c >= u'0' && c <= u'9' ? c - u'0' : -1; };
  for (std::size_t i = 0; i < replacement.size(); ++i) {
    char16_t c = replacement[i];
    if (c != u'$' || i + 1 >= replacement.size()) {
      out.push_back(c);
      continue;
    }
    char16_t next = replacement[i + 1];
    if (next == u'$') {
      out.push_back(u'$');
      ++i;
    } else if (next == u'&') {
      out.append(group_text(0));
      ++i;
    } else if (next == u'`') {
      out.append(subject.substr(0, ovector[0]));
      ++i;
    } else if (next == u'\'') {
      out.append(subject.substr(ovector[1]));
      ++i;
    } else if (int d1 = digit(next); d1 >= 0) {
      int d2 = i + 2 < replacement.size() ? digit(replacement[i + 2]) : -1;
      if (d2 >= 0 && d1 * 10 + d2 >= 1 && d1 * 10 + d2 <= group_count) {
        out.append(group_text(d1 * 10 + d2));
        i += 2;
      } else if (d1 >= 1 && d1 <= group_count) {
        out.append(group_text(d1));
        ++i;
      } else {
        out.push_back(c);
      }
    } else {
      out.push_back(c);
    }
  }
}

}  // namespace

std::optional<std::u16string> RegexEngine::replace(std::u16string_view subject,
                                                   std::u16string_view replacement) const noexcept {
  try {
    auto compiled = cached_compile(pattern_, compile_options(ignore_case_, multiline_));
    if (!compiled->code) return std::nullopt;
    std::u16string out;
    std::size_t copied = 0;
    iterate(*compiled, subject, global_, [&](const PCRE2_SIZE* ovector, int set_pairs) {
      if (ovector[0] < copied) return;  // matches never overlap; kept for safety
      out.append(subject.substr(copied, ovector[0] - copied));
      expand_replacement(out, replacement, subject, ovector, set_pairs, compiled->group_count);
      copied = ovector[1];
    });
    out.append(subject.substr(copied));
    return out;
  } catch (...) {
    return std::nullopt;
  }
}

std::string RegexEngine::pattern_error() const noexcept {
  try {
    return cached_compile(pattern_, compile_options(ignore_case_, multiline_))->error;
  } catch (...) {
    return "out of memory";
  }
}

}  // namespace netdisk
