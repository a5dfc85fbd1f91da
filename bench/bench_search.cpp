// The search command's work on a received page. BM_SearchPipeline: from the body
// of a 1 MB search page to every row's four cell texts, without a window.
// BM_SearchToRows: from a 1,000-entry page to the last row written, through the
// handler code and the Qt toolkit offscreen with the main window shown;
// BM_SearchPagePattern is the result pattern alone over that same page, to set
// beside it (with BM_AppendRows/1000 for the rows alone).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/main_window.h"
#include "regex/regex_object.h"
#include "search/search_command.h"
#include "search_page.h"
#include "text/codepage.h"
#include "text/text.h"
#include "ui/control_names.h"
#include "ui/qt/qt_toolkit.h"

namespace {

using netdisk::Bytes;
using netdisk::Text;

const Bytes& page_of(std::size_t size, int entries) {
  static std::map<std::pair<std::size_t, int>, Bytes> pages;
  auto found = pages.find({size, entries});
  if (found == pages.end()) {
    const std::string& page = netdisk::bench::search_page(size, entries);
    found = pages.emplace(std::pair{size, entries}, Bytes(page.begin(), page.end())).first;
  }
  return found->second;
}

void BM_SearchPipeline(benchmark::State& state) {
  const Bytes& body = page_of(static_cast<std::size_t>(state.range(0)), 0);
  netdisk::RegexObject regex;
  std::vector<Text> cells;
  int matches = 0;
  for (auto _ : state) {
    const Text page = netdisk::utf8_to_ansi(netdisk::bytes_to_text(body));
    regex.create(netdisk::result_pattern, page);
    matches = regex.match_count();
    cells.clear();
    for (int match = 1; match <= matches; ++match) {
      cells.push_back(netdisk::number_to_text(match - 1));
      cells.push_back(netdisk::clean_result_name(regex.sub_match_text(match, 2)));
      cells.push_back(regex.sub_match_text(match, 1));
      cells.push_back(regex.sub_match_text(match, 3));
    }
    benchmark::DoNotOptimize(cells.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
  state.counters["matches"] = matches;
}
BENCHMARK(BM_SearchPipeline)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

netdisk::ui::QtToolkit& shown_window() {
  static netdisk::ui::QtToolkit* const toolkit = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    netdisk::ui::QtToolkit& made = netdisk::ui::install_qt_toolkit();
    made.load_window(netdisk::main_window_layout(), {});
    made.process_pending_events();
    return &made;
  }();
  return *toolkit;
}

void BM_SearchToRows(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  const Bytes& body = page_of(0, entries);
  netdisk::ui::QtToolkit& toolkit = shown_window();
  netdisk::g_regex = std::make_unique<netdisk::RegexObject>();
  for (auto _ : state) {
    toolkit.delete_all_rows(netdisk::ui::controls::list_view_1);
    netdisk::list_search_results(body);
  }
  const int rows = toolkit.model().row_count(netdisk::ui::controls::list_view_1);
  if (rows != entries) state.SkipWithError("not every entry became a row");
  netdisk::g_regex.reset();
  state.counters["rows"] = rows;
  state.counters["page_bytes"] = static_cast<double>(body.size());
}
BENCHMARK(BM_SearchToRows)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SearchPagePattern(benchmark::State& state) {
  const Bytes& body = page_of(0, static_cast<int>(state.range(0)));
  const Text page = netdisk::utf8_to_ansi(netdisk::bytes_to_text(body));
  netdisk::RegexObject regex;
  int matches = 0;
  for (auto _ : state) {
    regex.create(netdisk::result_pattern, page);
    matches = regex.match_count();
    for (int i = 1; i <= matches; ++i) {
      for (int group = 1; group <= 3; ++group)
        benchmark::DoNotOptimize(regex.sub_match_text(i, group));
    }
  }
  state.counters["matches"] = matches;
}
BENCHMARK(BM_SearchPagePattern)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
