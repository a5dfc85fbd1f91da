// One HTTP(S) request per call: browser-like default headers, an optional body,
// an optional proxy, and back come the body, the raw response headers, the
// redirect target and the cookies the server set. Each call opens and closes
// its own handles and may run on any thread. Failures give an empty body.
//
//   Bytes page = web_request(address);
//   Text cookies;  // given: sent, and afterwards merged with what came back
//   web_request(address, {.method = 1, .post_text = "a=1", .cookies = &cookies});
#pragma once

#include <optional>
#include <string_view>

#include "text/text.h"

namespace netdisk {

inline constexpr std::string_view default_user_agent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; ZORVE; .NET CLR 2.0.50727; .NET CLR "
    "3.0.04506.648; .NET CLR 3.5.21022)";
inline constexpr std::string_view plain_user_agent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; 8Rim; .NET CLR 2.0.50727; .NET CLR "
    "3.0.04506.648; .NET CLR 3.5.21022)";

// Sets up libcurl and the process-wide cookie store. Call it from main() before
// any thread starts; the first request calls it too, and later calls do nothing.
// False when the web layer cannot work (every request then gives empty bodies).
bool web_global_init();

// The optional arguments, in the routine's order. An out or in/out argument left
// null works on a scratch value; only `cookies` and `proxy` matter by being given.
struct WebRequestArgs {
  int method = 0;                // 1: POST with a body; anything else: GET
  std::string_view post_text{};  // the POST body when post_bytes is empty
  Text* cookies = nullptr;       // in/out; given: the shared cookie store stays out
  Text* received_cookies = nullptr;  // out: the pairs the response set, joined by "; "
  Text* extra_headers = nullptr;     // in/out: header lines joined by CR LF; then all sent
  Text* location = nullptr;          // out, not cleared on entry
  bool no_redirect = false;
  Bytes* post_bytes = nullptr;             // in/out
  std::optional<std::string_view> proxy{};  // "host:port"; given (even empty): proxy access
  Text* raw_headers = nullptr;            // out
};

Bytes web_request(std::string_view address, const WebRequestArgs& args = {});
Bytes web_request(std::string_view address, int method);

// The start-up counter's variant: its own user agent, never the cookie store,
// and a cookie merge that always runs and keeps exact repeats.
Bytes web_request_plain(std::string_view address, const WebRequestArgs& args = {});

// web_request_plain with every argument given (so always proxy access, which
// with no proxy text goes direct), the body as Text up to its first zero byte.
Text web_request_text(std::string_view address, const WebRequestArgs& args = {});

}  // namespace netdisk
