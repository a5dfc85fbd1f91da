// The synthetic search pages the benchmarks share: UTF-8 with CR LF lines, a head,
// then result entries in the site's form, each followed by 2 to 5 KB of ordinary
// markup and Chinese text. The same seed gives the same page every time.
#pragma once

#include <cstddef>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace netdisk::bench {

// Markup of the kind a search page carries between its entries (UTF-8).
inline const std::vector<std::string> filler_lines = {
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

inline const std::vector<std::string> entry_names = {
    "<em>星河</em>彼岸的回声",    "穿越<em>星河</em>的信使", "<em>星河</em>之下??重逢",
    "<em>星河</em>列车???特别版", "<em>星河</em>旅店",       "远方的<em>星河</em>????导演剪辑版",
};

// Entries until the page holds `entries` of them or reaches `size` bytes (0: no
// bound of that kind).
inline std::string make_search_page(std::size_t size, int entries) {
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
            ".html\"><img width=\"96px\" height=\"128px\" alt=\"" + entry_names[entry % entry_names.size()] +
            "\" src=\"http://127.0.0.1:18472/cover/" + n + ".jpg\"/></a>\r\n";
    for (std::size_t until = page.size() + gap(random); page.size() < until;) {
      page += filler_lines[pick(random)];
      page += "\r\n";
    }
  }
  page += "</ul></body></html>\r\n";
  return page;
}

// Built once per size and entry count.
inline const std::string& search_page(std::size_t size, int entries) {
  static std::map<std::pair<std::size_t, int>, std::string> pages;
  auto found = pages.find({size, entries});
  if (found == pages.end())
    found = pages.emplace(std::pair{size, entries}, make_search_page(size, entries)).first;
  return found->second;
}

}  // namespace netdisk::bench
