// Text layer throughput over a realistic 1 MB UTF-8 page: mostly ASCII markup,
// Chinese text, CRLF lines, with the markers near its end.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstring>
#include <string>

#include "text/codepage.h"
#include "text/markers.h"

namespace {

const std::string& utf8_page() {
  static const std::string page = [] {
    // 电影 and 资源 in UTF-8.
    const std::string film = "\xE7\x94\xB5\xE5\xBD\xB1";
    const std::string resource = "\xE8\xB5\x84\xE6\xBA\x90";
    std::string p = "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"><title>" + film +
                    "</title></head>\r\n<body>\r\n";
    for (int i = 0; p.size() < 1000000; ++i) {
      p += "<div class=\"item\"><a class=\"pic fl\" href=\"/movie/" + std::to_string(i) +
           ".html\"><img width=\"96px\" height=\"128px\" alt=\"" + film + resource + std::to_string(i) +
           "\" src=\"/cover/" + std::to_string(i) + ".jpg\"/></a>\r\n";
      p += "<p class=\"desc\">" + film + film + resource + " update " + std::to_string(i) +
           " &nbsp; <span>HD</span></p></div>\r\n";
    }
    p += "<div class=\"res\">" + resource + "<a href=\"https://pan.example.invalid/s/1\">x</a></div>\r\n";
    return p;
  }();
  return page;
}

void BM_Utf8ToAnsi(benchmark::State& state) {
  const std::string& page = utf8_page();
  for (auto _ : state) benchmark::DoNotOptimize(netdisk::utf8_to_ansi(page));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * page.size());
}
BENCHMARK(BM_Utf8ToAnsi);

// One plain iconv pass UTF-8 -> CP936 over the same buffer: the yardstick.
void BM_IconvBaseline(benchmark::State& state) {
  const std::string& page = utf8_page();
  iconv_t cd = iconv_open("CP936", "UTF-8");
  std::string out(page.size(), '\0');
  for (auto _ : state) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(page.data());
    std::size_t in_left = page.size();
    char* o = out.data();
    std::size_t out_left = out.size();
    iconv(cd, &in, &in_left, &o, &out_left);
    benchmark::DoNotOptimize(out.data());
  }
  iconv_close(cd);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * page.size());
}
BENCHMARK(BM_IconvBaseline);

const std::string& ansi_page() {
  static const std::string page = netdisk::utf8_to_ansi(utf8_page());
  return page;
}

// The detail page cut: a marker near the end of 1 MB, searched ignoring case.
void BM_TextBetween(benchmark::State& state) {
  const std::string& page = ansi_page();
  const std::string start = "<div class=\"res\">";
  for (auto _ : state) benchmark::DoNotOptimize(netdisk::text_between(page, start, "</div>"));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * page.size());
}
BENCHMARK(BM_TextBetween);

void BM_MemmemBaseline(benchmark::State& state) {
  const std::string& page = ansi_page();
  const std::string start = "<div class=\"res\">";
  for (auto _ : state) {
    const void* hit = memmem(page.data(), page.size(), start.data(), start.size());
    const char* from = static_cast<const char*>(hit) + start.size();
    benchmark::DoNotOptimize(memmem(from, page.data() + page.size() - from, "</div>", 6));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * page.size());
}
BENCHMARK(BM_MemmemBaseline);

}  // namespace
