#include "web/request.h"

#include <array>
#include <cstring>

#include "text/markers.h"
#include "web/address.h"
#include "web/cookies.h"
#include "web/header_scan.h"
#include "web/internet/internet.h"

namespace netdisk {
namespace {

constexpr int read_unit = 1024;
constexpr int header_buffer_size = 5000;

enum class Variant {
  standard,  // web_request
  plain,     // web_request_plain
};

Bytes run_request(Variant variant, std::string_view address_arg, const WebRequestArgs& args) {
  // Inputs are copied first: a caller may pass views of the very texts that are
  // written below.
  const Text address(address_arg);
  const Text post_text(args.post_text);
  const std::optional<Text> proxy =
      args.proxy ? std::optional<Text>(Text(*args.proxy)) : std::nullopt;
  const bool cookies_given = args.cookies != nullptr;

  Text scratch_cookies, scratch_received, scratch_extra, scratch_location, scratch_raw;
  Bytes scratch_post;
  Text& cookies = cookies_given ? *args.cookies : scratch_cookies;
  Text& received_cookies = args.received_cookies ? *args.received_cookies : scratch_received;
  Text& extra_headers = args.extra_headers ? *args.extra_headers : scratch_extra;
  Text& location = args.location ? *args.location : scratch_location;
  Bytes& post_bytes = args.post_bytes ? *args.post_bytes : scratch_post;
  Text& raw_headers = args.raw_headers ? *args.raw_headers : scratch_raw;

  const bool post = args.method == 1;

  Text agent;
  if (find_text(extra_headers, "User-Agent:", 1, true) != -1) {
    agent = trim_spaces(text_between(extra_headers, "User-Agent:", "\r\n"));
    // The agent line is the last one: everything after the block's first colon.
    if (agent.empty()) agent = header_value(extra_headers);
  } else {
    agent = variant == Variant::plain ? plain_user_agent : default_user_agent;
  }

  internet::SessionHandle session =
      proxy ? internet::open_session(agent, internet::Access::proxy, concat_text("http=", *proxy))
            : internet::open_session(agent, internet::Access::direct, "");
  if (!session) return {};
  internet::ConnectionHandle connection =
      internet::connect(*session, url_host(address), url_port(address));
  if (!connection) return {};

  unsigned flags = internet::flag_reload;
  if (cookies_given || variant == Variant::plain) flags |= internet::flag_no_cookies;
  if (args.no_redirect) flags |= internet::flag_no_auto_redirect;
  if (text_left(to_lower(address), 5) == "https") {
    flags |= internet::flag_secure;
  } else {
    flags |= internet::flag_allow_redirect_to_https;
  }
  internet::RequestHandle request = internet::open_request(
      *connection, post ? "POST" : "GET", url_path(address), "HTTP/1.1", flags);
  if (!request) return {};

  // The defaults count as present only in exactly this letter case.
  if (find_text(extra_headers, "Referer:") == -1) {
    extra_headers = extra_headers.empty() ? concat_text("Referer: ", address)
                                          : concat_text(extra_headers, "\r\nReferer: ", address);
  }
  if (find_text(extra_headers, "Accept:") == -1) extra_headers += "\r\nAccept: */*";
  if (find_text(extra_headers, "Accept-Language:") == -1)
    extra_headers += "\r\nAccept-Language: zh-cn";
  if (find_text(extra_headers, "Content-Type:") == -1)
    extra_headers += "\r\nContent-Type: application/x-www-form-urlencoded";
  if (!cookies.empty()) extra_headers += concat_text("\r\nCookie: ", cookies);

  if (post) {
    if (post_bytes.empty()) post_bytes = text_to_bytes(post_text);
    internet::send_request(*request, extra_headers, post_bytes);
  } else {
    internet::send_request(*request, extra_headers);
  }

  // A read delivers 0 bytes at the end of the body and after a failure alike.
  Bytes body;
  body.reserve(internet::bytes_available(*request));
  std::array<std::uint8_t, read_unit> unit;
  for (;;) {
    const std::size_t got = internet::read_response(*request, unit);
    if (got == 0) break;
    body.insert(body.end(), unit.begin(), unit.begin() + static_cast<std::ptrdiff_t>(got));
  }

  // Headers that do not fit, or no response at all, leave the spaces in place.
  raw_headers = blank_text(header_buffer_size);
  std::size_t length = raw_headers.size();
  if (internet::query_raw_headers(*request, raw_headers, length))
    raw_headers.resize(std::strlen(raw_headers.c_str()));

  request.reset();
  connection.reset();
  session.reset();

  scan_response_headers(raw_headers, location, received_cookies);

  if (variant == Variant::plain) {
    merge_cookies(cookies, received_cookies, false);
  } else if (cookies_given) {
    merge_cookies(cookies, received_cookies);
  }

  if (location.empty()) location = raw_headers;
  return body;
}

}  // namespace

void scan_response_headers(const Text& raw_headers, Text& location, Text& received_cookies) {
  received_cookies.clear();
  for (const Text& line : split_text(raw_headers, "\r\n")) {
    // Content-Location lines count too: they contain the text.
    if (find_text(line, "Location:") != -1) location = header_value(line);
    if (find_text(line, "Set-Cookie") != -1) {
      received_cookies += trim_spaces(text_between(line, "Set-Cookie:", ";"));
      received_cookies += "; ";
    }
  }
  received_cookies = text_left(received_cookies, text_length(received_cookies) - 2);
}

bool web_global_init() { return internet::global_init(); }

Bytes web_request(std::string_view address, const WebRequestArgs& args) {
  return run_request(Variant::standard, address, args);
}

Bytes web_request(std::string_view address, int method) {
  WebRequestArgs args;
  args.method = method;
  return run_request(Variant::standard, address, args);
}

Bytes web_request_plain(std::string_view address, const WebRequestArgs& args) {
  return run_request(Variant::plain, address, args);
}

Text web_request_text(std::string_view address, const WebRequestArgs& args) {
  WebRequestArgs given = args;
  Text scratch_cookies;
  if (given.cookies == nullptr) given.cookies = &scratch_cookies;
  if (!given.proxy) given.proxy = std::string_view();
  return bytes_to_text(web_request_plain(address, given));
}

}  // namespace netdisk
