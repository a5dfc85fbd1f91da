// The demo resource site, started in-process on an ephemeral loopback port (and,
// for its command line, as the real program): the pages must have exactly the
// forms the search client picks apart.
#include "site/demo_site.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QImage>
#include <algorithm>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "site/assets.h"
#include "site/catalogue.h"
#include "site/cover_art.h"
#include "site/gif_writer.h"
#include "site/html.h"
#include "site/pages.h"

extern char** environ;

namespace netdisk::demo {
namespace {

using ::testing::ElementsAreArray;

// What a client cuts out between two markers: the first start marker, then the
// first end marker after it, ASCII letters compared without case; empty when
// either is missing.
std::string between(std::string_view text, std::string_view start, std::string_view end) {
  const std::size_t from = find_ascii_nocase(text, start);
  if (from == std::string_view::npos) return {};
  const std::size_t body = from + start.size();
  const std::size_t to = find_ascii_nocase(text, end, body);
  if (to == std::string_view::npos) return {};
  return std::string(text.substr(body, to - body));
}

std::string remove_all(std::string text, std::string_view what) {
  for (std::size_t at = find_ascii_nocase(text, what); at != std::string::npos;
       at = find_ascii_nocase(text, what, at)) {
    text.erase(at, what.size());
  }
  return text;
}

// The cleaning the search client applies to a listed name, pair by pair in order.
std::string clean_name(std::string name) {
  for (std::string_view what : {"<em>", "</em>", "????", "???", "??"})
    name = remove_all(name, what);
  return name;
}

// The cleaning the client applies to the raw password text.
std::string clean_password(std::string raw) {
  for (std::string_view what : {":", "：", "&nbsp;", "</span>", "<br/>"})
    raw = remove_all(raw, what);
  return raw;
}

struct Listed {
  std::string detail, name, cover;
};

// The entries of a search page, found with the client's own result pattern:
// 93 characters and a carriage return.
std::vector<Listed> listed_entries(const std::string& page) {
  static const std::regex pattern(
      "<a class=\"pic fl\" href=\"(.*?)\"><img width=\"96px\" height=\"128px\" alt=\"(.*?)\" "
      "src=\"(.*?)\"/></a>\r");
  std::vector<Listed> out;
  for (auto it = std::sregex_iterator(page.begin(), page.end(), pattern);
       it != std::sregex_iterator(); ++it) {
    out.push_back({(*it)[1].str(), (*it)[2].str(), (*it)[3].str()});
  }
  return out;
}

std::size_t count_of(std::string_view text, std::string_view what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string_view::npos;
       at = text.find(what, at + what.size())) {
    ++count;
  }
  return count;
}

const CatalogueEntry& entry_by_id(int id) {
  for (const CatalogueEntry& entry : site_catalogue()) {
    if (entry.id == id) return entry;
  }
  throw std::runtime_error("no entry " + std::to_string(id));
}

class DemoSiteTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    site_ = DemoSite::start({.port = 0}, &error).release();
    ASSERT_NE(site_, nullptr) << error;
  }
  static void TearDownTestSuite() {
    delete site_;
    site_ = nullptr;
  }

  static httplib::Result get(const std::string& path, const httplib::Headers& headers = {}) {
    httplib::Client client("127.0.0.1", site_->port());
    client.set_connection_timeout(10);
    client.set_read_timeout(30);
    return client.Get(path, headers);
  }

  // The body of a page that must be served with 200, asked for with the header
  // lines the search client sends (a form content type on a GET among them).
  static std::string page(const std::string& path) {
    auto result = get(path, {{"Referer", origin() + path},
                             {"Accept", "*/*"},
                             {"Accept-Language", "zh-cn"},
                             {"Content-Type", "application/x-www-form-urlencoded"}});
    EXPECT_TRUE(result) << path;
    if (!result) return {};
    EXPECT_EQ(result->status, 200) << path;
    return result->body;
  }

  static std::string origin() { return site_->origin(); }

  static DemoSite* site_;
};

DemoSite* DemoSiteTest::site_ = nullptr;

// --- search page ------------------------------------------------------------

struct SearchCase {
  const char* label;
  const char* encoded_keyword;  // as the client sends it: every byte percent-encoded
  std::vector<int> ids;         // catalogue order
};

TEST_F(DemoSiteTest, SearchListsMatchingEntriesInTheClientsExactEntryForm) {
  const SearchCase cases[] = {
      {"several results",
       "%E6%98%9F%E6%B2%B3",  // 星河
       {1001, 1002, 1003, 1004, 1005, 1051, 1066}},
      {"detective", "%E4%BE%A6%E6%8E%A2", {1006, 1007, 1008, 1052, 1064}},  // 侦探
      {"one result, stored <EM> tags", "%E8%93%9D%E5%85%89", {1059}},       // 蓝光
      {"ASCII letters in another case", "%34%6B", {1009}},                  // 4k
      {"spaces around are trimmed",
       "%20%E5%B1%B1%E6%B5%B7%20",  // " 山海 "
       {1009, 1010, 1011, 1053}},
      {"no result", "%E4%B8%8D%E5%AD%98%E5%9C%A8", {}},  // 不存在
  };
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string body = page(std::string("/key/") + c.encoded_keyword + "/");
    const std::vector<Listed> listed = listed_entries(body);
    // Every entry line is well-formed: nothing that starts like one fails the pattern.
    EXPECT_EQ(count_of(body, "<a class=\"pic fl\""), listed.size());
    std::vector<int> ids;
    for (const Listed& entry : listed) {
      const int id = std::stoi(between(entry.detail, "/movie/", ".html"));
      ids.push_back(id);
      const CatalogueEntry& expected = entry_by_id(id);
      EXPECT_EQ(entry.detail, origin() + "/movie/" + std::to_string(id) + ".html");
      EXPECT_EQ(entry.cover,
                origin() + "/cover/" + std::to_string(id) + "." + expected.cover_format);
      EXPECT_EQ(remove_all(remove_all(entry.name, "<em>"), "</em>"), plain_name(expected.name));
    }
    EXPECT_THAT(ids, ElementsAreArray(c.ids));
    if (c.ids.empty()) {
      EXPECT_NE(body.find("没有找到"), std::string::npos);
    }
  }
}

TEST_F(DemoSiteTest, KeywordIsWrappedInEmInsideTheListedName) {
  const std::vector<Listed> listed = listed_entries(page("/key/%E6%98%9F%E6%B2%B3/"));  // 星河
  ASSERT_EQ(listed.size(), 7u);
  EXPECT_EQ(listed[2].name, "穿越<em>星河</em>的信使");
  EXPECT_EQ(listed[4].name, "<em>星河</em>之下??重逢");

  const std::vector<Listed> ascii = listed_entries(page("/key/%34%6B/"));  // 4k
  ASSERT_EQ(ascii.size(), 1u);
  // The site marks the text as it stands in the name, 4K, inside the stored tags.
  EXPECT_EQ(ascii[0].name, "<em><em>4K</em>修复</em>山海旧梦");
}

TEST_F(DemoSiteTest, EmptyKeywordListsTheWholeCatalogueWithNamesToClean) {
  const std::vector<Listed> listed = listed_entries(page("/key//"));
  ASSERT_EQ(listed.size(), site_catalogue().size());
  ASSERT_GE(listed.size(), 60u);
  std::map<int, std::string> cleaned;
  for (std::size_t i = 0; i < listed.size(); ++i) {
    EXPECT_EQ(listed[i].detail, detail_address(origin(), site_catalogue()[i]));
    cleaned[site_catalogue()[i].id] = clean_name(listed[i].name);
  }
  // Names as stored, and as the client shows them after its cleaning.
  const std::map<int, std::string> expected = {
      {1005, "星河之下重逢"},        // ?? removed
      {1009, "4K修复山海旧梦"},      // <em> tags removed
      {1012, "雾岛来信导演剪辑版"},  // ??? removed
      {1014, "北纬四十度的约定"},    // ???? removed
      {1015, "双城记事?番外"},       // a run of five leaves one
      {1016, "今晚谁买单?第三季"},   // a single ? stays
      {1059, "蓝光夏日终章"},        // <EM> in capitals removed too
  };
  for (const auto& [id, name] : expected) EXPECT_EQ(cleaned[id], name) << id;
  EXPECT_EQ(listed_entries(page("/key/")).size(), listed.size()) << "no trailing slash";
}

TEST_F(DemoSiteTest, SearchPageIsCrLfUtf8HtmlWithMarkupBetweenEntries) {
  const std::string body = page("/key//");
  EXPECT_EQ(body.rfind("<!DOCTYPE html>\r\n<html", 0), 0u);
  for (std::string_view part : {"<head>", "<title>", "</head>", "<ul class=\"nav", "</html>"}) {
    EXPECT_NE(body.find(part), std::string::npos) << part;
  }
  EXPECT_TRUE(is_valid_utf8(body));
  for (std::size_t at = body.find('\n'); at != std::string::npos; at = body.find('\n', at + 1)) {
    ASSERT_TRUE(at > 0 && body[at - 1] == '\r') << "bare line feed at byte " << at;
  }
  std::vector<std::size_t> starts;
  for (std::size_t at = body.find("<a class=\"pic fl\""); at != std::string::npos;
       at = body.find("<a class=\"pic fl\"", at + 1)) {
    starts.push_back(at);
  }
  ASSERT_GE(starts.size(), 2u);
  for (std::size_t i = 1; i < starts.size(); ++i) {
    EXPECT_GE(starts[i] - starts[i - 1], 1500u) << "a few KB of markup between entries";
  }
}

TEST_F(DemoSiteTest, OddKeywordsGiveAnOrdinaryPageWithoutEntries) {
  const std::string long_keyword(300, 'a');
  for (const std::string& path :
       std::vector<std::string>{"/key/%FF%FE/", "/key/%/", "/key/%zz%4/", "/key/a%2Fb/",
                                "/key/%00/", "/key/%0D%0A/", "/key/" + long_keyword + "/"}) {
    SCOPED_TRACE(path);
    const std::string body = page(path);
    EXPECT_TRUE(listed_entries(body).empty());
    EXPECT_TRUE(is_valid_utf8(body));
    EXPECT_EQ(body.find('\0'), std::string::npos);
  }
  // What the visitor typed comes back escaped, never as markup.
  const std::string body = page("/key/%3Cscript%3Ealert(1)%3C%2Fscript%3E%22/");
  EXPECT_EQ(body.find("<script>alert"), std::string::npos);
  EXPECT_NE(body.find("&lt;script&gt;alert(1)&lt;/script&gt;&quot;"), std::string::npos);
}

TEST_F(DemoSiteTest, AbsoluteLinksFollowTheHostHeaderAndIgnoreAForgedOne) {
  const std::string port = std::to_string(site_->port());
  auto named = get("/key/%E5%B1%B1%E6%B5%B7/", {{"Host", "localhost:" + port}});
  ASSERT_TRUE(named);
  const std::vector<Listed> listed = listed_entries(named->body);
  ASSERT_FALSE(listed.empty());
  EXPECT_EQ(listed[0].detail.rfind("http://localhost:" + port + "/movie/", 0), 0u);

  auto forged = get("/key/%E5%B1%B1%E6%B5%B7/", {{"Host", "x\"><script>y"}});
  ASSERT_TRUE(forged);
  EXPECT_EQ(forged->body.find("<script>y"), std::string::npos);
  const std::vector<Listed> fallback = listed_entries(forged->body);
  ASSERT_FALSE(fallback.empty());
  EXPECT_EQ(fallback[0].detail.rfind(origin() + "/movie/", 0), 0u);
}

// --- detail pages -----------------------------------------------------------

TEST_F(DemoSiteTest, EveryDetailPageGivesItsShareLinkAndPasswordFromTheResourceSection) {
  std::set<PasswordForm> forms;
  bool capital_close_seen = false;
  for (const CatalogueEntry& entry : site_catalogue()) {
    SCOPED_TRACE(entry.id);
    const std::string body = page("/movie/" + std::to_string(entry.id) + ".html");
    ASSERT_EQ(count_of(body, "资源列表"), 1u);
    const std::string section = between(body, "资源列表", "</div>");
    ASSERT_FALSE(section.empty());
    const std::string link = between(section, "<a href=\"", "\"");
    EXPECT_EQ(link, share_address(entry));
    EXPECT_EQ(link.rfind("https://pan.example.invalid/s/", 0), 0u);
    const std::string raw_password = between(section, "密码", "</p>");
    EXPECT_EQ(clean_password(raw_password), entry.password) << raw_password;

    // Links above the section, a share link among them, that a reader must pass by.
    const std::string before = body.substr(0, body.find("资源列表"));
    const std::string first_link = between(before, "<a href=\"", "\"");
    EXPECT_FALSE(first_link.empty());
    EXPECT_NE(first_link, link);
    EXPECT_NE(before.find("https://pan.example.invalid/s/"), std::string::npos);
    EXPECT_EQ(before.find(share_address(entry)), std::string::npos);

    forms.insert(entry.password_form);
    capital_close_seen |= body.find("</DIV>") != std::string::npos;
  }
  EXPECT_EQ(forms.size(), 6u) << "every password form is served somewhere";
  EXPECT_TRUE(capital_close_seen);
}

TEST_F(DemoSiteTest, PasswordParagraphsComeInTheFormsTheClientCleans) {
  const struct {
    int id;
    const char* raw;  // between "密码" and "</p>"
  } cases[] = {
      {1001, "：&nbsp;vhd4<br/>"},  // full-width colon, &nbsp;, <br/>
      {1006, ":z5cj"},              // ASCII colon
      {1005, "：</span>duwp"},      // label in a span
      {1004, ":&nbsp;2bx3&nbsp;<br/>"},
      {1003, "：4rds<br/>"},
      {1002, ""},  // no password needed
  };
  for (const auto& c : cases) {
    const std::string body = page("/movie/" + std::to_string(c.id) + ".html");
    EXPECT_EQ(between(between(body, "资源列表", "</div>"), "密码", "</p>"), c.raw) << c.id;
  }
}

TEST_F(DemoSiteTest, UnknownPagesAre404) {
  for (const char* path : {"/movie/999999.html", "/movie/abc.html", "/movie/99999999999999.html",
                           "/cover/1001.png", "/cover/424242.jpg", "/nothing/here"}) {
    auto result = get(path);
    ASSERT_TRUE(result) << path;
    EXPECT_EQ(result->status, 404) << path;
  }
}

// --- covers -----------------------------------------------------------------

TEST_F(DemoSiteTest, CoversAreRealPicturesInAllFourFormats) {
  const std::map<std::string, std::pair<std::string, std::string>> kinds = {
      // extension: content type, leading bytes
      {"jpg", {"image/jpeg", std::string("\xFF\xD8\xFF", 3)}},
      {"png", {"image/png", std::string("\x89PNG\r\n\x1A\n", 8)}},
      {"gif", {"image/gif", "GIF89a"}},
      {"bmp", {"image/bmp", "BM"}},
  };
  std::set<std::string> seen;
  std::set<std::string> distinct_bodies;
  for (const CatalogueEntry& entry : site_catalogue()) {
    SCOPED_TRACE(entry.id);
    auto result = get("/cover/" + std::to_string(entry.id) + "." + entry.cover_format);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->status, 200);
    const auto& [type, magic] = kinds.at(entry.cover_format);
    EXPECT_EQ(result->get_header_value("Content-Type"), type);
    EXPECT_EQ(result->body.compare(0, magic.size(), magic), 0);
    QImage image;
    ASSERT_TRUE(
        image.loadFromData(QByteArray(result->body.data(), qsizetype(result->body.size()))));
    ASSERT_EQ(image.width(), cover_width);
    ASSERT_EQ(image.height(), cover_height);
    // The decoded picture is the one drawn for this entry, give or take the loss
    // of JPEG and the dither of the GIF palette, which 4 x 4 block means even out.
    const RgbImage drawn = draw_cover(entry.id);
    double difference = 0;
    for (int by = 0; by < cover_height; by += 4) {
      for (int bx = 0; bx < cover_width; bx += 4) {
        for (int channel = 0; channel < 3; ++channel) {
          int got = 0, want = 0;
          for (int y = by; y < by + 4; ++y) {
            for (int x = bx; x < bx + 4; ++x) {
              const QRgb pixel = image.pixel(x, y);
              got += channel == 0 ? qRed(pixel) : channel == 1 ? qGreen(pixel) : qBlue(pixel);
              want += drawn.pixels[(std::size_t(y) * cover_width + x) * 3 + channel];
            }
          }
          difference += std::abs(got - want) / 16.0;
        }
      }
    }
    EXPECT_LT(difference / (cover_width * cover_height * 3 / 16), 4.0) << entry.cover_format;
    seen.insert(entry.cover_format);
    distinct_bodies.insert(result->body);
  }
  EXPECT_EQ(seen.size(), 4u);
  EXPECT_EQ(distinct_bodies.size(), site_catalogue().size()) << "each entry has its own cover";
}

// Random palette colours defeat LZW, so the code table fills and is cleared many
// times; exact palette colours must come back unchanged through the dither.
TEST(GifWriterTest, NoisyImageRoundTripsThroughADecoderAcrossTableResets) {
  const int levels_r[] = {0, 51, 102, 153, 204, 255};
  const int levels_g[] = {0, 42, 85, 127, 170, 212, 255};
  std::mt19937 random(7);
  RgbImage image{200, 150, {}};
  for (int i = 0; i < image.width * image.height; ++i) {
    image.pixels.push_back(static_cast<std::uint8_t>(levels_r[random() % 6]));
    image.pixels.push_back(static_cast<std::uint8_t>(levels_g[random() % 7]));
    image.pixels.push_back(static_cast<std::uint8_t>(levels_r[random() % 6]));
  }
  const std::vector<std::uint8_t> gif = encode_gif(image);
  ASSERT_GT(gif.size(), 30000u) << "noise must not compress much, or the resets are not reached";
  QImage decoded;
  ASSERT_TRUE(decoded.loadFromData(
      QByteArray(reinterpret_cast<const char*>(gif.data()), qsizetype(gif.size())), "GIF"));
  ASSERT_EQ(decoded.width(), image.width);
  ASSERT_EQ(decoded.height(), image.height);
  int wrong = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t* p = &image.pixels[(std::size_t(y) * image.width + x) * 3];
      if (decoded.pixel(x, y) != qRgb(p[0], p[1], p[2])) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST(GifWriterTest, SizesAtTheEdges) {
  QImage one;
  const std::vector<std::uint8_t> gif = encode_gif({1, 1, {255, 0, 0}});
  ASSERT_TRUE(one.loadFromData(
      QByteArray(reinterpret_cast<const char*>(gif.data()), qsizetype(gif.size())), "GIF"));
  EXPECT_EQ(one.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_TRUE(encode_gif({0, 0, {}}).empty());
  EXPECT_TRUE(encode_gif({2, 2, {1, 2, 3}}).empty()) << "pixel data shorter than the size";
}

// --- notice and counter -----------------------------------------------------

TEST_F(DemoSiteTest, NoticeAnnouncesTheProgramsOwnVersionByDefault) {
  const std::string body = page("/notice.html");
  EXPECT_TRUE(is_valid_utf8(body));
  const std::string section = between(body, "////开始", "////结束");
  ASSERT_FALSE(section.empty());
  EXPECT_EQ(between(section, "最新版本=", "!"), "2.2");
  const std::string notes = between(section, "更新说明=", "*");
  EXPECT_GE(count_of(notes, "|"), 1u) << notes;
  const std::string address = between(section, "更新地址=", "完毕");
  EXPECT_EQ(address, origin() + "/download.html");
  EXPECT_FALSE(page(address.substr(origin().size())).empty());
}

TEST(DemoSiteOptionsTest, NewerVersionFlagAnnouncesAHigherVersion) {
  std::string error;
  auto site = DemoSite::start({.port = 0, .newer_version = true}, &error);
  ASSERT_TRUE(site) << error;
  httplib::Client client("127.0.0.1", site->port());
  auto result = client.Get("/notice.html");
  ASSERT_TRUE(result);
  const std::string section = between(result->body, "////开始", "////结束");
  const std::string version = between(section, "最新版本=", "!");
  EXPECT_EQ(version, "2.3");
  EXPECT_GT(std::stod(version), 2.2 + 1e-7);
  EXPECT_EQ(between(section, "更新地址=", "完毕"), site->origin() + "/download.html");
}

// 累计访问：in code page 936.
const std::string counter_marker_936 = "\xC0\xDB\xBC\xC6\xB7\xC3\xCE\xCA\xA3\xBA";

long long counter_total(const std::string& body) {
  const std::string total = between(body, counter_marker_936, "&#");
  return total.empty() ? -1 : std::stoll(total);
}

TEST_F(DemoSiteTest, CounterRepliesInCodePage936AndCountsEachHit) {
  const std::string path = "/count1/count.asp?id=5550123&sx=1&ys=43";
  const std::string first = page(path);
  const std::string second = page(path);
  EXPECT_NE(first.find(counter_marker_936), std::string::npos);
  EXPECT_EQ(first.find("累计访问"), std::string::npos) << "not UTF-8";
  const long long total = counter_total(first);
  EXPECT_GE(total, 1);
  EXPECT_EQ(counter_total(second), total + 1);
  EXPECT_NE(second.find(counter_marker_936 + std::to_string(total + 1) + "&#20154;"),
            std::string::npos);
  // Another account keeps its own total.
  EXPECT_EQ(counter_total(page("/count1/count.asp?id=5550999&sx=1&ys=43")), 1);
}

TEST_F(DemoSiteTest, CounterCountsEveryHitFromManyThreads) {
  const std::string path = "/count1/count.asp?id=concurrent&sx=1&ys=43";
  constexpr int threads = 4, hits = 25;
  std::vector<std::vector<long long>> totals(threads);
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      httplib::Client client("127.0.0.1", site_->port());
      for (int i = 0; i < hits; ++i) {
        auto result = client.Get(path);
        totals[t].push_back(result ? counter_total(result->body) : -1);
      }
    });
  }
  for (auto& worker : workers) worker.join();
  std::set<long long> all;
  for (const auto& list : totals) all.insert(list.begin(), list.end());
  ASSERT_EQ(all.size(), std::size_t(threads * hits)) << "every hit got a total of its own";
  EXPECT_EQ(*all.begin(), 1);
  EXPECT_EQ(*all.rbegin(), threads * hits);
}

TEST_F(DemoSiteTest, CounterRefusesAMissingOrOddId) {
  for (const char* path : {"/count1/count.asp", "/count1/count.asp?id=&sx=1&ys=43",
                           "/count1/count.asp?id=a%20b&sx=1&ys=43"}) {
    auto result = get(path);
    ASSERT_TRUE(result) << path;
    EXPECT_EQ(result->status, 400) << path;
    EXPECT_EQ(counter_total(result->body), -1) << path;
  }
}

// --- catalogue --------------------------------------------------------------

TEST(CatalogueTest, EmbeddedCatalogueParsesCleanly) {
  const ParsedCatalogue parsed = parse_catalogue(embedded_catalogue());
  EXPECT_THAT(parsed.errors, ::testing::IsEmpty());
  EXPECT_GE(parsed.entries.size(), 60u);
  EXPECT_EQ(parsed.entries.size(), embedded_covers().size());
}

TEST(CatalogueTest, BadLinesAreLeftOutAndNamed) {
  const std::string good = "7\t电影\t2020\t大陆\tjpg\tabc123\tpw12\t1\t名字\t简介。";
  const struct {
    const char* label;
    std::string line;
  } cases[] = {
      {"too few fields", "7\t电影\t2020"},
      {"id not a number", "x7\t电影\t2020\t大陆\tjpg\tabc123\tpw12\t1\t名字\t简介。"},
      {"unknown cover format", "8\t电影\t2020\t大陆\ttif\tabc123\tpw12\t1\t名字\t简介。"},
      {"colon in password", "9\t电影\t2020\t大陆\tjpg\tabc123\tp:w\t1\t名字\t简介。"},
      {"password with form 6", "10\t电影\t2020\t大陆\tjpg\tabc123\tpw12\t6\t名字\t简介。"},
      {"no password, other form", "11\t电影\t2020\t大陆\tjpg\tabc123\t-\t2\t名字\t简介。"},
      {"quote in name", "12\t电影\t2020\t大陆\tjpg\tabc123\tpw12\t1\t名\"字\t简介。"},
      {"other tag in name", "13\t电影\t2020\t大陆\tjpg\tabc123\tpw12\t1\t<b>名字</b>\t简介。"},
      {"section marker in synopsis", "14\t电影\t2020\t大陆\tjpg\tabc123\tpw12\t1\t名字\t资源列表"},
      {"repeated id", good},
      {"invalid UTF-8", "15\t电影\t2020\t大陆\tjpg\tabc123\tpw12\t1\t\xFF\xFE\t简介。"},
  };
  std::string text = "# comment\r\n\r\n" + good + "\r\n";
  for (const auto& c : cases) text += c.line + "\n";
  const ParsedCatalogue parsed = parse_catalogue(text);
  ASSERT_EQ(parsed.entries.size(), 1u);
  EXPECT_EQ(parsed.entries[0].name, "名字");
  EXPECT_EQ(parsed.entries[0].synopsis, "简介。") << "CR of a CR LF line end dropped";
  EXPECT_EQ(parsed.errors.size(), std::size(cases));
}

TEST(PagesTest, HighlightWrapsEveryOccurrenceAndKeepsStoredTags) {
  const struct {
    const char* name;
    const char* keyword;
    const char* expected;
  } cases[] = {
      {"夜行侦探", "侦探", "夜行<em>侦探</em>"},
      {"abcabc", "B", "a<em>b</em>ca<em>b</em>c"},
      {"<EM>蓝光</EM>夏日终章", "夏日", "<EM>蓝光</EM><em>夏日</em>终章"},
      {"<em>4K修复</em>山海", "4k", "<em><em>4K</em>修复</em>山海"},
      {"夜行侦探", "", "夜行侦探"},
      {"夜行侦探", "猫", "夜行侦探"},
      {"aaa", "aa", "<em>aa</em>a"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(highlight_keyword(c.name, c.keyword), c.expected) << c.name << " / " << c.keyword;
  }
}

// --- lifecycle and the program ----------------------------------------------

TEST(DemoSiteLifecycleTest, APortInUseOrOutOfRangeIsRefused) {
  auto first = DemoSite::start({.port = 0});
  ASSERT_TRUE(first);
  std::string error;
  EXPECT_FALSE(DemoSite::start({.port = first->port()}, &error));
  EXPECT_THAT(error, ::testing::HasSubstr(std::to_string(first->port())));
  EXPECT_FALSE(DemoSite::start({.port = 70000}, &error));
  EXPECT_FALSE(DemoSite::start({.port = -1}, &error));
  first->stop();
  first->stop();  // a second stop is harmless
  first->wait();
}

// Runs the real program with a pipe on its stdout.
class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    args.insert(args.begin(), NETDISK_DEMO_SITE_PROGRAM);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }

  // The first line of stdout, waiting at most timeout_ms for it.
  std::string first_line(int timeout_ms = 30000) {
    std::string line;
    char c;
    while (line.size() < 200) {
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, timeout_ms) <= 0) break;
      if (read(out_, &c, 1) != 1 || c == '\n') break;
      line += c;
    }
    return line;
  }

  // Exit code after the process ends, or -1 when it died of a signal.
  int wait_exit() {
    int status = 0;
    if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void terminate() {
    if (pid_ > 0) kill(pid_, SIGTERM);
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

TEST(DemoSiteProgramTest, PrintsItsPortServesAndEndsCleanlyOnSigterm) {
  Program program({"--port", "0", "--host", "127.0.0.1"});
  const std::string line = program.first_line();
  ASSERT_EQ(line.rfind("listening on 127.0.0.1:", 0), 0u) << line;
  const int port = std::stoi(line.substr(line.rfind(':') + 1));
  ASSERT_GT(port, 0);
  httplib::Client client("127.0.0.1", port);
  auto result = client.Get("/notice.html");
  ASSERT_TRUE(result);
  EXPECT_EQ(between(between(result->body, "////开始", "////结束"), "最新版本=", "!"), "2.2");
  program.terminate();
  EXPECT_EQ(program.wait_exit(), 0);
}

TEST(DemoSiteProgramTest, BadArgumentsAndABusyPortFail) {
  const struct {
    std::vector<std::string> args;
    int code;
  } cases[] = {
      {{"--host", "0.0.0.0"}, 2}, {{"--port", "70000"}, 2},
      {{"--port", "12ab"}, 2},    {{"--port"}, 2},
      {{"--bogus"}, 2},
  };
  for (const auto& c : cases) {
    Program program(c.args);
    EXPECT_EQ(program.wait_exit(), c.code) << c.args[0];
  }
  auto taken = DemoSite::start({.port = 0});
  ASSERT_TRUE(taken);
  Program program({"--port=" + std::to_string(taken->port())});
  EXPECT_EQ(program.wait_exit(), 1);
}

}  // namespace
}  // namespace netdisk::demo
