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
#include <random>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/main_window.h"
#include "regex/regex_object.h"
#include "search/search_command.h"
#include "text/codepage.h"
#include "text/text.h"
#include "ui/control_names.h"
#include "ui/qt/qt_toolkit.h"

namespace {

using netdisk::Bytes;
using netdisk::Text;

// Markup of the kind a search page carries between its entries (UTF-8).
const std::vector<std::string> filler_lines = {
    "<div class=\"row clearfix\"><div class=\"col-md-8 col-sm-12\"><ul class=\"list-unstyled\">",
    "<li class=\"nav-item\"><a class=\"nav-link\" href=\"/category/movie/\">电影</a></li>",
    "<li class=\"nav-item\"><a class=\"nav-link\" href=\"/category/tv/\">电视剧</a></li>",
    "<p class=\"desc\">本站资源均来自网友分享，仅供学习交流，请在下载后二十四小时内删除。</p>",
    "<span class=\"tag\">高清</span><span class=\"tag\">国语中字</span><span "
    "class=\"date\">2024-03-18</span>",
    "<script type=\"text/javascript\">var _hmt = _hmt || []; (function() { var hm = "
    "document.createElement(\"script\"); hm.async = true; })();</script>",
    "<div class=\"info\"><em>导演</em>：张艺谋 <em>主演</em>：沈腾 易烊千玺 张译 雷佳音</div>",
    "<h3><a href=\"/movie/1001.html\" title=\"星河彼岸的回声\" target=\"_blank\">"
    "<em>星河</em>彼岸的回声</a><span class=\"year\">(2019)</span></h3>",
    "<p class=\"synopsis\">一位天文台守夜人在退休前夜收到来自远方的无线电信号。</p>",
    "</ul></div></div><!-- /.row -->",
    "<a class=\"pic\" href=\"/detail/related.html\" title=\"相关推荐\"><img src=\"/static/img/"
    "lazy.gif\" data-original=\"/covers/related.jpg\" alt=\"相关\" /></a>",
    "<footer class=\"site-footer\"><p>Copyright &copy; 2024 All rights reserved.</p></footer>",
};

const std::vector<std::string> names = {
    "<em>星河</em>彼岸的回声",    "穿越<em>星河</em>的信使", "<em>星河</em>之下??重逢",
    "<em>星河</em>列车???特别版", "<em>星河</em>旅店",       "远方的<em>星河</em>????导演剪辑版",
};

// A UTF-8 search page with CR LF lines: head, then entries each followed by
// 2 to 5 KB of markup, until it holds `entries` entries or reaches `size` bytes.
Bytes make_page(std::size_t size, int entries) {
  std::mt19937 random(936);
  std::uniform_int_distribution<std::size_t> gap(2048, 5120);
  std::uniform_int_distribution<std::size_t> pick(0, filler_lines.size() - 1);
  std::string page =
      "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"><title>“星河”的搜索结果</title>"
      "</head>\r\n<body class=\"search-page\">\r\n<ul class=\"result-list\">\r\n";
  for (int entry = 0; (size == 0 || page.size() < size) && (entries == 0 || entry < entries);
       ++entry) {
    const std::string n = std::to_string(1000 + entry);
    page += "<li class=\"item\">\r\n<a class=\"pic fl\" href=\"http://127.0.0.1:18472/movie/" + n +
            ".html\"><img width=\"96px\" height=\"128px\" alt=\"" + names[entry % names.size()] +
            "\" src=\"http://127.0.0.1:18472/cover/" + n + ".jpg\"/></a>\r\n";
    for (std::size_t until = page.size() + gap(random); page.size() < until;) {
      page += filler_lines[pick(random)];
      page += "\r\n";
    }
  }
  page += "</ul></body></html>\r\n";
  return Bytes(page.begin(), page.end());
}

const Bytes& page_of(std::size_t size, int entries) {
  static std::map<std::pair<std::size_t, int>, Bytes> pages;
  auto found = pages.find({size, entries});
  if (found == pages.end())
    found = pages.emplace(std::pair{size, entries}, make_page(size, entries)).first;
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
