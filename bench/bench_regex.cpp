// The result pattern over synthetic search pages, against a bare 8-bit PCRE2 loop
// over the same bytes. Pages are code page 936 with CRLF lines: a few KB of
// ordinary markup and Chinese text between entries, as the site's pages have.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "support/pcre2_baseline.h"
#include "regex/regex_object.h"
#include "text/codepage.h"

namespace {

const netdisk::Text result_pattern =
    "<a class=\"pic fl\" href=\"(.*?)\"><img width=\"96px\" height=\"128px\" alt=\"(.*?)\" "
    "src=\"(.*?)\"/></a>\r";

const std::vector<std::string> filler_lines = {
    "<div class=\"row clearfix\"><div class=\"col-md-8 col-sm-12\"><ul class=\"list-unstyled\">",
    "<li class=\"nav-item\"><a class=\"nav-link\" href=\"/category/movie/\">电影</a></li>",
    "<li class=\"nav-item\"><a class=\"nav-link\" href=\"/category/tv/\">电视剧</a></li>",
    "<p class=\"desc\">本站资源均来自网友分享，仅供学习交流，请在下载后二十四小时内删除。</p>",
    "<span class=\"tag\">高清</span><span class=\"tag\">国语中字</span><span "
    "class=\"date\">2024-03-18</span>",
    "<script type=\"text/javascript\">var _hmt = _hmt || []; (function() { var hm = "
    "document.createElement(\"script\"); hm.async = true; })();</script>",
    "<meta name=\"keywords\" content=\"网盘资源,电影下载,高清电影,最新电视剧\" />",
    "<link rel=\"stylesheet\" href=\"/static/css/style.min.css?v=20240318\" type=\"text/css\" />",
    "<div class=\"info\"><em>导演</em>：张艺谋 <em>主演</em>：沈腾 易烊千玺 张译 雷佳音</div>",
    "</ul></div></div><!-- /.row -->",
    "<a class=\"pic\" href=\"/detail/related.html\" title=\"相关推荐\"><img src=\"/static/img/"
    "lazy.gif\" data-original=\"/covers/related.jpg\" alt=\"相关\" /></a>",
    "<footer class=\"site-footer\"><p>Copyright &copy; 2024 All rights reserved.</p></footer>",
};

// A page of about size bytes: entries separated by 2 to 5 KB of filler.
netdisk::Text make_page(std::size_t size) {
  std::vector<std::string> filler;
  for (const std::string& line : filler_lines) filler.push_back(netdisk::utf8_to_ansi(line));
  const std::string name_prefix = netdisk::utf8_to_ansi("流浪地球 <em>国语</em>中字 ");
  std::mt19937 random(936);
  std::uniform_int_distribution<std::size_t> gap(2048, 5120);
  std::uniform_int_distribution<std::size_t> pick(0, filler.size() - 1);
  netdisk::Text page = "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"></head><body>\r\n";
  for (int entry = 0; page.size() < size; ++entry) {
    for (std::size_t until = page.size() + gap(random); page.size() < until;) {
      page += filler[pick(random)];
      page += "\r\n";
    }
    std::string n = std::to_string(entry);
    page += "<a class=\"pic fl\" href=\"/detail/" + n +
            ".html\"><img width=\"96px\" height=\"128px\" alt=\"" + name_prefix + n +
            "\" src=\"https://img.example.org/covers/" + n + ".jpg\"/></a>\r\n";
  }
  return page + "</body></html>\r\n";
}

const netdisk::Text& page_of(std::size_t size) {
  static std::map<std::size_t, netdisk::Text> pages;
  auto found = pages.find(size);
  if (found == pages.end()) found = pages.emplace(size, make_page(size)).first;
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
