#include "site/pages.h"

#include <cstdint>
#include <string>

#include "site/html.h"

namespace netdisk::demo {
namespace {

constexpr std::string_view site_name = "云上影库";

// Collects lines and ends each with CR LF, the way the pages are served.
class Page {
 public:
  Page& line(std::string_view text) {
    out_.append(text).append("\r\n");
    return *this;
  }
  template <typename... Parts>
  Page& join(const Parts&... parts) {
    (out_.append(parts), ...);
    out_.append("\r\n");
    return *this;
  }
  std::string take() { return std::move(out_); }

 private:
  std::string out_;
};

std::string trim_ascii_spaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

// The keyword after trimming; usable is false when it can match nothing.
struct Keyword {
  std::string text;
  bool usable = true;
};

Keyword prepare_keyword(std::string_view raw) {
  Keyword keyword{trim_ascii_spaces(raw)};
  keyword.usable = keyword.text.size() <= max_keyword_bytes && is_valid_utf8(keyword.text);
  return keyword;
}

// Deterministic trimmings from the entry id: cast, score, date, view counts.
constexpr std::string_view family_names[] = {"林", "陈", "周", "苏", "沈", "叶", "许", "顾",
                                             "程", "陆", "温", "宋", "韩", "唐", "方", "江"};
constexpr std::string_view given_names[] = {"若溪", "子墨", "一帆", "星野", "晚晴", "知远", "清禾",
                                            "予安", "景行", "思齐", "南乔", "北辰", "知夏", "听澜",
                                            "望舒", "疏影", "亦舟", "临川", "霁月", "念初"};

// A well-mixed 32-bit hash, so neighbouring ids get unrelated trimmings.
std::uint32_t mix_bits(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352du;
  x ^= x >> 15;
  x *= 0x846ca68bu;
  x ^= x >> 16;
  return x;
}

std::string cast_list(const CatalogueEntry& entry) {
  std::string cast;
  for (std::uint32_t i = 0; i < 3; ++i) {
    const std::uint32_t bits = mix_bits(static_cast<std::uint32_t>(entry.id) * 3u + i);
    if (i > 0) cast += " / ";
    cast += family_names[bits % std::size(family_names)];
    cast += given_names[(bits >> 8) % std::size(given_names)];
  }
  return cast;
}

std::string score_text(const CatalogueEntry& entry) {
  const int tenths = 60 + (entry.id * 7) % 35;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::string update_date(const CatalogueEntry& entry) {
  const int month = 1 + entry.id % 12, day = 1 + (entry.id * 7) % 28;
  std::string date = "2024-";
  if (month < 10) date += '0';
  date += std::to_string(month) + "-";
  if (day < 10) date += '0';
  return date + std::to_string(day);
}

std::string view_count(const CatalogueEntry& entry) {
  return std::to_string(1200 + (entry.id * 7919) % 48000);
}

// The first two characters of a UTF-8 text, for "more like this" searches.
std::string leading_characters(std::string_view text, int count) {
  std::size_t end = 0;
  for (int taken = 0; taken < count && end < text.size(); ++taken) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  }
  return std::string(text.substr(0, end));
}

std::string search_address(std::string_view origin, std::string_view keyword) {
  return std::string(origin) + "/key/" + percent_encode(keyword) + "/";
}

void head(Page& page, std::string_view title, std::string_view keywords,
          std::string_view description) {
  page.line("<!DOCTYPE html>")
      .line("<html lang=\"zh-CN\">")
      .line("<head>")
      .line("<meta charset=\"utf-8\"/>")
      .line("<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\"/>")
      .line("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>")
      .join("<title>", title, "</title>")
      .join("<meta name=\"keywords\" content=\"", keywords, "\"/>")
      .join("<meta name=\"description\" content=\"", description, "\"/>")
      .line("<link rel=\"stylesheet\" type=\"text/css\" href=\"/static/style.css\"/>")
      .line("<script type=\"text/javascript\" src=\"/static/common.js\"></script>")
      .line("</head>");
}

void top_bar(Page& page, std::string_view origin, std::string_view keyword_html) {
  page.line("<div class=\"top\">")
      .line("<div class=\"wrap\">")
      .join("<a class=\"logo fl\" href=\"", origin, "/\" title=\"", site_name, "\">", site_name,
            "</a>")
      .line("<ul class=\"nav fl\">")
      .join("<li class=\"on\"><a href=\"", origin, "/\">首页</a></li>")
      .join("<li><a href=\"", origin, "/#movie\">电影</a></li>")
      .join("<li><a href=\"", origin, "/#series\">剧集</a></li>")
      .join("<li><a href=\"", origin, "/#anime\">动漫</a></li>")
      .join("<li><a href=\"", origin, "/#documentary\">纪录片</a></li>")
      .join("<li><a href=\"", origin, "/#variety\">综艺</a></li>")
      .join("<li><a href=\"", origin, "/download.html\">客户端</a></li>")
      .line("</ul>")
      .line(
          "<form class=\"search fr\" action=\"/key/\" method=\"get\" "
          "onsubmit=\"return go_search(this);\">")
      .join("<input type=\"text\" name=\"wd\" class=\"input\" value=\"", keyword_html,
            "\" placeholder=\"输入片名搜索\" autocomplete=\"off\"/>")
      .line("<input type=\"submit\" class=\"btn\" value=\"搜索\"/>")
      .line("</form>")
      .line("</div>")
      .line("</div>");
}

void footer(Page& page, std::string_view origin) {
  page.line("<div class=\"footer\">")
      .line("<div class=\"wrap\">")
      .join("<p><a href=\"", origin, "/\">首页</a> | <a href=\"", origin,
            "/download.html\">客户端下载</a> | <a href=\"", origin, "/notice.html\">公告</a></p>")
      .line("<p>本站为演示站点，所列条目、封面与分享地址均为虚构，仅供程序测试使用。</p>")
      .line("<p>Copyright &copy; 2024 云上影库 demo</p>")
      .line("</div>")
      .line("</div>")
      .line("<script type=\"text/javascript\">")
      .line(
          "function go_search(f){var w=f.wd.value.replace(/^\\s+|\\s+$/g,'');"
          "location.href='/key/'+encodeURIComponent(w)+'/';return false;}")
      .line("</script>")
      .line("</body>")
      .line("</html>");
}

// Up to count other entries after entry, wrapping round the catalogue.
std::vector<const CatalogueEntry*> related_entries(const Catalogue& catalogue,
                                                   const CatalogueEntry& entry, std::size_t count) {
  std::vector<const CatalogueEntry*> related;
  if (catalogue.empty()) return related;
  std::size_t at = 0;
  while (at < catalogue.size() && catalogue[at].id != entry.id) ++at;
  for (std::size_t step = 1; step < catalogue.size() && related.size() < count; ++step) {
    related.push_back(&catalogue[(at + step * 7) % catalogue.size()]);
    if (related.back()->id == entry.id) related.pop_back();
  }
  return related;
}

void result_item(Page& page, const Catalogue& catalogue, const CatalogueEntry& entry,
                 std::string_view keyword, std::string_view origin) {
  const std::string detail = detail_address(origin, entry);
  const std::string plain = plain_name(entry.name);
  page.line("<li class=\"item\">")
      .line(result_entry(origin, entry, keyword))
      .line("<div class=\"txt fl\">")
      .join("<h3><a href=\"", detail, "\" title=\"", plain, "\" target=\"_blank\">",
            highlight_keyword(entry.name, keyword), "</a><span class=\"year\">(",
            std::to_string(entry.year), ")</span></h3>")
      .join("<p><span class=\"label\">类型：</span>", entry.category, "</p>")
      .join("<p><span class=\"label\">地区：</span>", entry.region, "</p>")
      .join("<p><span class=\"label\">年份：</span>", std::to_string(entry.year), "</p>")
      .join("<p><span class=\"label\">主演：</span>", cast_list(entry), "</p>")
      .join("<p><span class=\"label\">更新：</span>", update_date(entry), "</p>")
      .join("<p class=\"desc\"><span class=\"label\">简介：</span>", entry.synopsis,
            "本条目的网盘分享已整理完毕，进入详情页即可查看分享地址与提取方式；"
            "如遇链接失效，请在详情页留言反馈，我们会尽快补充。</p>")
      .join("<div class=\"score\"><i class=\"star s", std::to_string((entry.id * 7) % 5 + 1),
            "\"></i><b>", score_text(entry), "</b>分 &middot; ", view_count(entry), "人浏览</div>")
      .join("<div class=\"ops\"><a class=\"btn-detail\" href=\"", detail,
            "\" target=\"_blank\">查看详情</a><a class=\"btn-fav\" "
            "href=\"javascript:void(0);\" onclick=\"fav(",
            std::to_string(entry.id),
            ");\">收藏</a><a class=\"btn-report\" "
            "href=\"javascript:void(0);\" onclick=\"report(",
            std::to_string(entry.id), ");\">报错</a></div>")
      .line("</div>")
      .line("<div class=\"side fr\">")
      .line("<h4>猜你喜欢</h4>")
      .line("<ul>");
  for (const CatalogueEntry* other : related_entries(catalogue, entry, 8)) {
    page.join("<li><a href=\"", detail_address(origin, *other), "\" title=\"",
              plain_name(other->name), "\">", plain_name(other->name), "</a><em>",
              score_text(*other), "</em></li>");
  }
  page.line("</ul>")
      .line("</div>")
      .line("<div class=\"clear\"></div>")
      .line("<!-- list row ad -->")
      .join("<div class=\"ad-row\"><script type=\"text/javascript\">show_ad(\"list_row\", ",
            std::to_string(entry.id), ");</script></div>")
      .line("</li>");
}

void password_paragraph(Page& page, const CatalogueEntry& entry) {
  const std::string& pw = entry.password;
  switch (entry.password_form) {
    case PasswordForm::full_width_nbsp_br:
      page.join("<p>提取密码：&nbsp;", pw, "<br/></p>");
      break;
    case PasswordForm::ascii_colon:
      page.join("<p>密码:", pw, "</p>");
      break;
    case PasswordForm::span_label:
      page.join("<p><span class=\"label\">密码：</span>", pw, "</p>");
      break;
    case PasswordForm::ascii_nbsp_both:
      page.join("<p>密码:&nbsp;", pw, "&nbsp;<br/></p>");
      break;
    case PasswordForm::full_width_br:
      page.join("<p>网盘密码：", pw, "<br/></p>");
      break;
    case PasswordForm::none:
      page.line("<p>本资源无需密码</p>");
      break;
  }
}

}  // namespace

std::string detail_address(std::string_view origin, const CatalogueEntry& entry) {
  return std::string(origin) + "/movie/" + std::to_string(entry.id) + ".html";
}

std::string cover_address(std::string_view origin, const CatalogueEntry& entry) {
  return std::string(origin) + "/cover/" + std::to_string(entry.id) + "." + entry.cover_format;
}

bool name_matches(const CatalogueEntry& entry, std::string_view raw_keyword) {
  const Keyword keyword = prepare_keyword(raw_keyword);
  if (!keyword.usable) return false;
  if (keyword.text.empty()) return true;
  return find_ascii_nocase(plain_name(entry.name), keyword.text) != std::string::npos;
}

std::string highlight_keyword(std::string_view name, std::string_view raw_keyword) {
  const Keyword keyword = prepare_keyword(raw_keyword);
  if (!keyword.usable || keyword.text.empty()) return std::string(name);

  // Map every byte of the visible name back to its place in the listed name.
  std::string plain;
  std::vector<std::size_t> origin_of;
  for (std::size_t pos = 0; pos < name.size();) {
    if (find_ascii_nocase(name, "<em>", pos) == pos) {
      pos += 4;
    } else if (find_ascii_nocase(name, "</em>", pos) == pos) {
      pos += 5;
    } else {
      plain += name[pos];
      origin_of.push_back(pos++);
    }
  }
  std::vector<std::size_t> opens, closes;  // places in name, ascending
  for (std::size_t at = find_ascii_nocase(plain, keyword.text); at != std::string::npos;
       at = find_ascii_nocase(plain, keyword.text, at + keyword.text.size())) {
    opens.push_back(origin_of[at]);
    closes.push_back(origin_of[at + keyword.text.size() - 1] + 1);
  }
  std::string out;
  out.reserve(name.size() + opens.size() * 9);
  std::size_t next_open = 0, next_close = 0;
  for (std::size_t pos = 0; pos <= name.size(); ++pos) {
    while (next_close < closes.size() && closes[next_close] == pos) {
      out += "</em>";
      ++next_close;
    }
    while (next_open < opens.size() && opens[next_open] == pos) {
      out += "<em>";
      ++next_open;
    }
    if (pos < name.size()) out += name[pos];
  }
  return out;
}

std::string result_entry(std::string_view origin, const CatalogueEntry& entry,
                         std::string_view keyword) {
  std::string line = "<a class=\"pic fl\" href=\"";
  line += detail_address(origin, entry);
  line += "\"><img width=\"96px\" height=\"128px\" alt=\"";
  line += highlight_keyword(entry.name, keyword);
  line += "\" src=\"";
  line += cover_address(origin, entry);
  line += "\"/></a>";
  return line;
}

std::string search_page(const Catalogue& catalogue, std::string_view raw_keyword,
                        std::string_view origin) {
  const Keyword keyword = prepare_keyword(raw_keyword);
  // What the visitor typed is echoed escaped, and as valid UTF-8 whatever arrived.
  const std::string shown = html_escape(sanitize_utf8(keyword.text));
  std::vector<const CatalogueEntry*> found;
  for (const CatalogueEntry& entry : catalogue) {
    if (name_matches(entry, keyword.text)) found.push_back(&entry);
  }
  const std::string count = std::to_string(found.size());

  Page page;
  if (keyword.text.empty()) {
    head(page, std::string("全部资源 - ").append(site_name), "网盘资源,高清影视,云上影库",
         "云上影库收录的全部影视网盘资源。");
  } else {
    head(page, "“" + shown + "”的搜索结果 - " + std::string(site_name),
         shown + ",网盘资源,高清影视",
         "云上影库为您找到" + count + "部与“" + shown + "”相关的影视资源。");
  }
  page.line("<body class=\"search-page\">");
  top_bar(page, origin, shown);
  page.line("<div class=\"wrap main\">")
      .join("<div class=\"crumbs\">当前位置：<a href=\"", origin, "/\">首页</a> &gt; 搜索结果",
            keyword.text.empty() ? "" : " &gt; ", shown, "</div>")
      .line("<div class=\"hot-words\">热门搜索：");
  for (std::string_view word : {"星河", "侦探", "山海", "夜", "海"}) {
    page.join("<a href=\"", search_address(origin, word), "\">", word, "</a>");
  }
  page.line("</div>");
  if (found.empty()) {
    page.join("<div class=\"empty\">抱歉，没有找到与“", shown,
              "”相关的资源，换个关键词试试吧。</div>");
  } else {
    page.join("<div class=\"result-info\">共找到 <b>", count, "</b> 部",
              keyword.text.empty() ? std::string("资源") : "与“<em>" + shown + "</em>”相关的资源",
              "</div>")
        .line("<ul class=\"list\">");
    for (const CatalogueEntry* entry : found)
      result_item(page, catalogue, *entry, keyword.text, origin);
    page.line("</ul>");
  }
  page.line(
          "<div class=\"pages\"><span class=\"current\">1</span><span "
          "class=\"total\">共1页</span></div>")
      .line("</div>");
  footer(page, origin);
  return page.take();
}

std::string detail_page(const Catalogue& catalogue, const CatalogueEntry& entry,
                        std::string_view origin) {
  const std::string plain = plain_name(entry.name);
  const std::string year = std::to_string(entry.year);
  const std::vector<const CatalogueEntry*> related = related_entries(catalogue, entry, 6);

  Page page;
  head(page, plain + "(" + year + ")网盘资源 - " + std::string(site_name),
       plain + ",网盘,分享,高清", plain + "：" + entry.synopsis);
  page.line("<body class=\"detail-page\">");
  top_bar(page, origin, "");
  page.line("<div class=\"wrap main\">")
      .join("<div class=\"crumbs\">当前位置：<a href=\"", origin, "/\">首页</a> &gt; ",
            entry.category, " &gt; ", plain, "</div>");
  // A share link of another entry above the resource section; a reader of the
  // page must take the link inside the section, not the first one on the page.
  if (!related.empty()) {
    page.join("<div class=\"hot-bar\">本周热门：<a href=\"", share_address(*related.front()),
              "\" target=\"_blank\" rel=\"nofollow\">", plain_name(related.front()->name),
              "</a> | <a href=\"", detail_address(origin, *related.front()), "\">详情</a></div>");
  }
  page.line("<div class=\"movie\">")
      .join("<div class=\"poster fl\"><img src=\"", cover_address(origin, entry),
            "\" width=\"192\" height=\"256\" alt=\"", plain, "\"/></div>")
      .line("<div class=\"info fl\">")
      .join("<h1>", plain, "</h1>")
      .join("<p>类型：", entry.category, "　地区：", entry.region, "　年份：", year, "</p>")
      .join("<p>主演：", cast_list(entry), "</p>")
      .join("<p>评分：<b>", score_text(entry), "</b>　浏览：", view_count(entry), "　更新：",
            update_date(entry), "</p>")
      .join("<p><a href=\"", search_address(origin, leading_characters(plain, 2)),
            "\">更多同类资源</a></p>")
      .line("</div>")
      .line("<div class=\"clear\"></div>")
      .line("</div>")
      .join("<div class=\"intro\"><h2>剧情简介</h2><p>", entry.synopsis, "</p></div>")
      .line("<div class=\"down\">")
      .line("<h2>资源列表</h2>")
      .join("<p class=\"tip\">网盘链接：<a href=\"", share_address(entry),
            "\" target=\"_blank\" rel=\"nofollow\">", share_address(entry), "</a></p>");
  password_paragraph(page, entry);
  // Some entries close the section in capitals, as older pages of such sites do.
  page.line(entry.id % 9 == 0 ? "</DIV>" : "</div>")
      .line("<div class=\"help\">")
      .line("<h3>下载说明</h3>")
      .line("<p>1. 链接失效请在下方留言，我们会尽快补链。</p>")
      .line("<p>2. 提取密码区分大小写，请按页面所示输入。</p>")
      .join("<p>3. 推荐使用<a href=\"", origin,
            "/download.html\">搜索助手客户端</a>一键获取资源。</p>")
      .line("</div>")
      .line("<div class=\"related\">")
      .line("<h3>相关推荐</h3>")
      .line("<ul>");
  for (const CatalogueEntry* other : related) {
    page.join("<li><a href=\"", detail_address(origin, *other), "\"><img src=\"",
              cover_address(origin, *other), "\" width=\"96\" height=\"128\" alt=\"",
              plain_name(other->name), "\"/><span>", plain_name(other->name), "</span></a></li>");
  }
  page.line("</ul>")
      .line("</div>")
      .line("<div class=\"comments\">")
      .line("<h3>网友评论</h3>")
      .line("<p class=\"none\">暂无评论，快来抢沙发吧。</p>")
      .line("</div>")
      .line("</div>");
  footer(page, origin);
  return page.take();
}

std::string notice_page(std::string_view version, bool newer, std::string_view origin) {
  const std::string notes =
      newer ? "新增按年份筛选搜索结果|修复部分封面无法显示的问题|建议所有用户更新"
            : "当前已是最新版本|搜索结果、封面与分享地址均来自演示站点";
  Page page;
  page.line("<!DOCTYPE html>")
      .line("<html lang=\"zh-CN\">")
      .line("<head>")
      .line("<meta charset=\"utf-8\"/>")
      .line("<title>搜索助手公告</title>")
      .line("</head>")
      .line("<body>")
      .line("<h1>搜索助手公告</h1>")
      .line("<p>感谢使用搜索助手！下面一段由程序在启动时读取，请勿改动格式。</p>")
      .line("<pre>")
      .line("////开始")
      .join("最新版本=", version, "!")
      .join("更新说明=", notes, "*")
      .join("更新地址=", origin, "/download.html完毕")
      .line("////结束")
      .line("</pre>")
      .join("<p>历次版本说明见<a href=\"", origin, "/download.html\">下载页</a>。</p>")
      .line("</body>")
      .line("</html>");
  return page.take();
}

std::string download_page(std::string_view version, std::string_view origin) {
  Page page;
  head(page, "搜索助手下载 - " + std::string(site_name), "搜索助手,下载", "搜索助手客户端下载。");
  page.line("<body>");
  top_bar(page, origin, "");
  page.line("<div class=\"wrap main\">")
      .join("<h1>搜索助手 ", version, "</h1>")
      .line("<p>输入片名即可找到网盘分享地址与提取密码。</p>")
      .line("<p>本站为演示站点，不提供真实下载。</p>")
      .line("</div>");
  footer(page, origin);
  return page.take();
}

std::string home_page(const Catalogue& catalogue, std::string_view origin) {
  Page page;
  head(page, std::string(site_name) + " - 影视网盘资源搜索", "网盘资源,高清影视,云上影库",
       "云上影库：影视网盘资源整理与搜索。");
  page.line("<body class=\"home-page\">");
  top_bar(page, origin, "");
  page.line("<div class=\"wrap main\">");
  struct Section {
    std::string_view anchor, category;
  };
  for (const Section& section :
       {Section{"movie", "电影"}, Section{"series", "剧集"}, Section{"anime", "动漫"},
        Section{"documentary", "纪录片"}, Section{"variety", "综艺"}}) {
    page.join("<h2 id=\"", section.anchor, "\">", section.category, "</h2>")
        .line("<ul class=\"grid\">");
    for (const CatalogueEntry& entry : catalogue) {
      if (entry.category != section.category) continue;
      page.join("<li><a href=\"", detail_address(origin, entry), "\"><img src=\"",
                cover_address(origin, entry), "\" width=\"96\" height=\"128\" alt=\"",
                plain_name(entry.name), "\"/><span>", plain_name(entry.name), "</span></a></li>");
    }
    page.line("</ul>");
  }
  page.line("</div>");
  footer(page, origin);
  return page.take();
}

std::string not_found_page(std::string_view origin) {
  Page page;
  head(page, "页面不存在 - " + std::string(site_name), site_name, "页面不存在。");
  page.line("<body>");
  top_bar(page, origin, "");
  page.line("<div class=\"wrap main\">")
      .line("<h1>404</h1>")
      .join("<p>您访问的页面不存在，<a href=\"", origin, "/\">返回首页</a>。</p>")
      .line("</div>");
  footer(page, origin);
  return page.take();
}

std::string counter_reply(long long total) {
  return "document.write('<span class=\"counter\">累计访问：" + std::to_string(total) +
         "&#20154;&#27425;</span>');\r\n";
}

}  // namespace netdisk::demo
