// Small pieces shared by the web tests: canned raw replies and byte helpers.
#pragma once

#include <string>
#include <string_view>

#include "support/loopback_server.h"
#include "text/text.h"

namespace netdisk::web_test {

inline std::string to_string(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A 200 reply with the body and extra header lines (each ending in CR LF).
inline test_support::RawReply ok_reply(std::string_view body, std::string_view headers = "") {
  return {"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
          std::string(headers) + "\r\n" + std::string(body)};
}

inline test_support::RawReply redirect_reply(int status, std::string_view location) {
  return {"HTTP/1.1 " + std::to_string(status) + " Moved\r\nLocation: " + std::string(location) +
          "\r\nContent-Length: 5\r\n\r\nmoved"};
}

// The head of a raw request, up to and including its empty line.
inline std::string head_of(const std::string& request) {
  std::size_t end = request.find("\r\n\r\n");
  return end == std::string::npos ? request : request.substr(0, end + 4);
}

inline std::string body_of(const std::string& request) {
  std::size_t end = request.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : request.substr(end + 4);
}

inline std::string request_line_of(const std::string& request) {
  return request.substr(0, request.find("\r\n"));
}

inline std::string host_line(int port) { return "Host: 127.0.0.1:" + std::to_string(port) + "\r\n"; }

}  // namespace netdisk::web_test
