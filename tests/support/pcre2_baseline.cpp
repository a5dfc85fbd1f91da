#include "support/pcre2_baseline.h"

#include <cstdint>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace netdisk {

namespace {

struct CodeDeleter {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct CompileContextDeleter {
  void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};

}  // namespace

struct Pcre2Baseline::Impl {
  std::unique_ptr<pcre2_code, CodeDeleter> code;
  std::unique_ptr<pcre2_match_data, MatchDataDeleter> data;
  std::uint32_t group_count = 0;
};

Pcre2Baseline::Pcre2Baseline(std::string_view pattern) : impl_(std::make_unique<Impl>()) {
  std::unique_ptr<pcre2_compile_context, CompileContextDeleter> context(
      pcre2_compile_context_create(nullptr));
  if (!context) return;
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
  int error_code = 0;
  PCRE2_SIZE error_offset = 0;
  impl_->code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                  PCRE2_CASELESS | PCRE2_MULTILINE | PCRE2_ALT_CIRCUMFLEX,
                                  &error_code, &error_offset, context.get()));
  if (!impl_->code) return;
  pcre2_jit_compile(impl_->code.get(), PCRE2_JIT_COMPLETE);
  pcre2_pattern_info(impl_->code.get(), PCRE2_INFO_CAPTURECOUNT, &impl_->group_count);
  impl_->data.reset(pcre2_match_data_create_from_pattern(impl_->code.get(), nullptr));
}

Pcre2Baseline::~Pcre2Baseline() = default;

bool Pcre2Baseline::valid() const { return impl_->code && impl_->data; }

std::size_t Pcre2Baseline::scan(std::string_view subject, std::vector<std::string>& groups) const {
  if (!valid()) return 0;
  const auto* text = reinterpret_cast<PCRE2_SPTR>(subject.data());
  std::size_t count = 0;
  std::size_t start = 0;
  while (start <= subject.size()) {
    int rc =
        pcre2_match(impl_->code.get(), text, subject.size(), start, 0, impl_->data.get(), nullptr);
    if (rc <= 0) break;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(impl_->data.get());
    for (std::uint32_t g = 1; g <= impl_->group_count; ++g) {
      if (static_cast<int>(g) < rc && ovector[2 * g] != PCRE2_UNSET) {
        groups.emplace_back(subject.substr(ovector[2 * g], ovector[2 * g + 1] - ovector[2 * g]));
      } else {
        groups.emplace_back();
      }
    }
    ++count;
    start = ovector[1] > ovector[0] ? ovector[1] : ovector[0] + 1;
  }
  return count;
}

}  // namespace netdisk
