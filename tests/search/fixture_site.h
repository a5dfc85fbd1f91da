// A loopback site for the handler tests: a RawHttpServer that answers each path
// with the bytes a test gave it (404 for any other path) and remembers every
// request line exactly as it arrived, plus helpers that write pages in the forms
// the handlers pick apart.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "support/loopback_server.h"

namespace netdisk::search_test {

class FixtureSite {
 public:
  FixtureSite() : server([this](const std::string& request) { return answer(request); }) {}

  // Serves body at path ("/detail/1.html"); the body goes out as it stands.
  void serve(const std::string& path, std::string body) {
    std::lock_guard lock(mutex);
    pages[path] = std::move(body);
  }

  std::string url(std::string_view path) const { return server.url(path); }

  // The request targets in arrival order, as the client wrote them.
  std::vector<std::string> targets() const {
    std::vector<std::string> out;
    for (const std::string& request : server.requests()) out.push_back(target_of(request));
    return out;
  }

 private:
  static std::string target_of(const std::string& request) {
    const std::size_t from = request.find(' ');
    if (from == std::string::npos) return {};
    const std::size_t to = request.find(' ', from + 1);
    if (to == std::string::npos) return {};
    return request.substr(from + 1, to - from - 1);
  }

  test_support::RawReply answer(const std::string& request) {
    std::lock_guard lock(mutex);
    const auto found = pages.find(target_of(request));
    if (found == pages.end()) {
      return {"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"};
    }
    return {"HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
            std::to_string(found->second.size()) + "\r\nConnection: close\r\n\r\n" + found->second};
  }

  mutable std::mutex mutex;
  std::map<std::string, std::string> pages;
  test_support::RawHttpServer server;
};

// One result entry exactly as the site lists it, without its line end.
inline std::string result_entry(std::string_view detail, std::string_view name,
                                std::string_view cover) {
  std::string line = "<a class=\"pic fl\" href=\"";
  line.append(detail).append("\"><img width=\"96px\" height=\"128px\" alt=\"");
  line.append(name).append("\" src=\"").append(cover).append("\"/></a>");
  return line;
}

// A search page in UTF-8 with CR LF lines: head, navigation, then each entry
// line followed by ordinary markup, as a real listing has.
inline std::string search_page(const std::vector<std::string>& entry_lines) {
  std::string page =
      "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"><title>搜索结果</title></head>\r\n"
      "<body><div class=\"nav\"><a href=\"/\">首页</a> <a href=\"/key/\">搜索</a></div>\r\n"
      "<ul class=\"list\">\r\n";
  for (const std::string& line : entry_lines) {
    page += "<li class=\"item\">\r\n" + line +
            "\r\n<div class=\"txt fl\"><h3><a href=\"/other.html\">相关</a></h3>"
            "<p>简介：一段介绍文字。</p></div></li>\r\n";
  }
  return page + "</ul></body></html>\r\n";
}

}  // namespace netdisk::search_test
