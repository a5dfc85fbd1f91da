// The result pattern over synthetic search pages, against a bare 8-bit PCRE2 loop
// over the same bytes: the shared search pages (search_page.h) in code page 936.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "regex/regex_object.h"
#include "search_page.h"
#include "support/pcre2_baseline.h"
#include "text/codepage.h"

namespace {

const netdisk::Text result_pattern =
    "<a class=\"pic fl\" href=\"(.*?)\"><img width=\"96px\" height=\"128px\" alt=\"(.*?)\" "
    "src=\"(.*?)\"/></a>\r";

// The shared search page, in code page 936 as the search command hands it over.
const netdisk::Text& page_of(std::size_t size) {
  static std::map<std::size_t, netdisk::Text> pages;
  auto found = pages.find(size);
  if (found == pages.end())
    found = pages.emplace(size, netdisk::utf8_to_ansi(netdisk::bench::search_page(size, 0))).first;
  return found->second;
}

void BM_ResultPattern(benchmark::State& state) {
  const netdisk::Text& page = page_of(static_cast<std::size_t>(state.range(0)));
  netdisk::RegexObject regex;
  int matches = 0;
  for (auto _ : state) {
    regex.create(result_pattern, page);
    matches = regex.match_count();
    for (int i = 1; i <= matches; ++i) {
      for (int group = 1; group <= 3; ++group) {
        benchmark::DoNotOptimize(regex.sub_match_text(i, group));
      }
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
  state.counters["matches"] = matches;
}

void BM_Pcre2Baseline(benchmark::State& state) {
  const netdisk::Text& page = page_of(static_cast<std::size_t>(state.range(0)));
  netdisk::Pcre2Baseline baseline(result_pattern);
  if (!baseline.valid()) {
    state.SkipWithError("pattern rejected");
    return;
  }
  std::vector<std::string> groups;
  std::size_t matches = 0;
  for (auto _ : state) {
    groups.clear();
    matches = baseline.scan(page, groups);
    benchmark::DoNotOptimize(groups.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
  state.counters["matches"] = static_cast<double>(matches);
}

}  // namespace

BENCHMARK(BM_ResultPattern)
    ->Arg(100 << 10)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Pcre2Baseline)
    ->Arg(100 << 10)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Unit(benchmark::kMicrosecond);
