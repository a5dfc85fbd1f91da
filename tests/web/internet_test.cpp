// The internet-client layer on its own: handles, the header block on the wire,
// proxy lists, buffers, redirects and why a request failed.
#include "web/internet/internet.h"

#include <gtest/gtest.h>

#include <numeric>

#include "support/loopback_server.h"
#include "web_test_helpers.h"

namespace netdisk::internet {
namespace {

using test_support::RawHttpServer;
using test_support::RawReply;
using test_support::RefusingPort;
using namespace web_test;

struct Opened {
  SessionHandle session;
  ConnectionHandle connection;
  RequestHandle request;
};

Opened open(int port, std::string_view path, unsigned flags = 0, std::string_view verb = "GET",
            Access access = Access::direct, std::string_view proxy_list = "",
            std::string_view host = "127.0.0.1") {
  Opened o;
  o.session = open_session("agent/1", access, proxy_list);
  if (o.session) o.connection = connect(*o.session, host, port);
  if (o.connection) o.request = open_request(*o.connection, verb, path, "HTTP/1.1", flags);
  return o;
}

std::string read_all(Request& request, std::size_t unit) {
  std::string body;
  std::vector<std::uint8_t> buffer(unit);
  for (;;) {
    const std::size_t got = read_response(request, buffer);
    EXPECT_LE(got, unit);
    if (got == 0) break;
    body.append(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
  }
  return body;
}

TEST(Internet, OpeningCallsRefuseWhatTheyCannotUse) {
  SessionHandle session = open_session("a", Access::direct, "");
  ASSERT_TRUE(session);
  for (std::string_view host : {"", "a b", "a/b", "a@b", "a:1", "[::1", "x\r\ny"}) {
    SCOPED_TRACE(host);
    EXPECT_FALSE(connect(*session, host, 80));
  }
  EXPECT_FALSE(connect(*session, "localhost", -1));
  EXPECT_FALSE(connect(*session, "localhost", 65536));
  ConnectionHandle connection = connect(*session, "Host-1.example_x", 0);
  ASSERT_TRUE(connection);
  EXPECT_TRUE(connect(*session, "[::1]", 8080));
  EXPECT_FALSE(open_request(*connection, "PUT", "/", "", 0));
  EXPECT_FALSE(open_request(*connection, "get", "/", "", 0));
  EXPECT_FALSE(open_request(*connection, "GET", "/", "HTTP/2", 0));
  EXPECT_TRUE(open_request(*connection, "", "", "", 0));
  for (std::string_view list : {"http=a b:x", "http=h:0", "http=h:70000", "h:1:2:3", "http=u@h:1"}) {
    SCOPED_TRACE(list);
    EXPECT_FALSE(open_session("a", Access::proxy, list));
  }
  EXPECT_TRUE(open_session("a", Access::proxy, "http="));
  EXPECT_TRUE(open_session("a", Access::proxy, "ftp=h:21 http=h"));
}

TEST(Internet, HeaderBlockGoesOutAsGiven) {
  RawHttpServer server([](const std::string&) { return ok_reply("ok"); });
  Opened o = open(server.port(), "/wire/a b\x01\xE4?q=\"1\"#frag");
  ASSERT_TRUE(o.request);
  // A lone LF still ends a line, an empty value is sent empty, a line without a
  // colon is no header, and the layer's own Content-Length stands.
  ASSERT_TRUE(send_request(*o.request,
                           "user-agent: mine\r\nX-Empty:\r\nX-A: 1\nX-B: 2\r\nno colon\r\n"
                           "Content-Length: 99\r\n\r\nX-Last: z"));
  EXPECT_EQ(server.last_request(), "GET /wire/a%20b%01%E4?q=%221%22 HTTP/1.1\r\n" +
                                       host_line(server.port()) +
                                       "user-agent: mine\r\nX-Empty:\r\nX-A: 1\r\nX-B: 2\r\n"
                                       "X-Last: z\r\n\r\n");
  EXPECT_EQ(status_code(*o.request), 200);
  EXPECT_EQ(last_failure(*o.request), Failure::none);
}

TEST(Internet, SessionAgentOnlyWithoutAnAgentLine) {
  RawHttpServer server([](const std::string&) { return ok_reply("ok"); });
  Opened o = open(server.port(), "/agent");
  ASSERT_TRUE(send_request(*o.request, "Accept: text/plain"));
  EXPECT_EQ(server.last_request(), "GET /agent HTTP/1.1\r\n" + host_line(server.port()) +
                                       "User-Agent: agent/1\r\nAccept: text/plain\r\n\r\n");
}

TEST(Internet, ReadsHandOutTheBodyInPiecesOfAtMostTheAskedSize) {
  std::string body(10000, '\0');
  std::iota(body.begin(), body.end(), '\0');
  RawHttpServer server([&](const std::string&) { return ok_reply(body); });
  Opened o = open(server.port(), "/pieces");
  std::vector<std::uint8_t> one(1);
  EXPECT_EQ(read_response(*o.request, one), 0u);  // nothing sent yet
  ASSERT_TRUE(send_request(*o.request, ""));
  EXPECT_EQ(read_all(*o.request, 7), body);
  EXPECT_EQ(read_response(*o.request, one), 0u);
}

TEST(Internet, RawHeadersNeedRoomForATerminatingZero) {
  RawHttpServer server([](const std::string&) { return ok_reply("ok", "X-A: 1\r\n"); });
  const std::string block = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nX-A: 1\r\n\r\n";
  Opened o = open(server.port(), "/raw");
  std::string buffer(block.size(), '#');
  std::size_t length = buffer.size();
  EXPECT_FALSE(query_raw_headers(*o.request, buffer, length));
  EXPECT_EQ(length, 0u);
  ASSERT_TRUE(send_request(*o.request, ""));

  length = buffer.size();
  EXPECT_FALSE(query_raw_headers(*o.request, buffer, length));
  EXPECT_EQ(length, block.size() + 1);
  EXPECT_EQ(buffer, std::string(block.size(), '#'));

  buffer.assign(block.size() + 1, '#');
  length = buffer.size();
  EXPECT_TRUE(query_raw_headers(*o.request, buffer, length));
  EXPECT_EQ(length, block.size());
  EXPECT_EQ(buffer, block + '\0');
}

TEST(Internet, InterimResponsesAndTrailersStayOutOfTheHeaderBlock) {
  RawHttpServer server([](const std::string&) {
    return RawReply{
        "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
        "3\r\nabc\r\n0\r\nX-Trailer: t\r\n\r\n"};
  });
  Opened o = open(server.port(), "/interim");
  ASSERT_TRUE(send_request(*o.request, ""));
  std::string buffer(200, ' ');
  std::size_t length = buffer.size();
  ASSERT_TRUE(query_raw_headers(*o.request, buffer, length));
  EXPECT_EQ(buffer.substr(0, length), "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
  EXPECT_EQ(read_all(*o.request, 1024), "abc");
}

TEST(Internet, CompressedBodiesArriveAsSent) {
  const std::string gzip_bytes("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\x4b\x04\x00\x43\xbe\xb7\xe8\x01\x00\x00\x00", 21);
  RawHttpServer server([&](const std::string&) {
    return ok_reply(gzip_bytes, "Content-Encoding: gzip\r\n");
  });
  Opened o = open(server.port(), "/gzip");
  ASSERT_TRUE(send_request(*o.request, ""));
  EXPECT_EQ(read_all(*o.request, 1024), gzip_bytes);
}

TEST(Internet, FailuresSayWhy) {
  make_unresolvable_for_tests("unknown-name.test");
  Opened unresolvable = open(80, "/", 0, "GET", Access::direct, "", "unknown-name.test");
  ASSERT_TRUE(unresolvable.request);
  EXPECT_EQ(last_failure(*unresolvable.request), Failure::not_sent);
  EXPECT_FALSE(send_request(*unresolvable.request, ""));
  EXPECT_EQ(last_failure(*unresolvable.request), Failure::resolve);

  RefusingPort refusing;
  Opened refused = open(refusing.port(), "/");
  EXPECT_FALSE(send_request(*refused.request, ""));
  EXPECT_EQ(last_failure(*refused.request), Failure::connect);
  EXPECT_EQ(status_code(*refused.request), 0);

  RawHttpServer plain([](const std::string&) { return ok_reply("x"); });
  Opened tls = open(plain.port(), "/", flag_secure);
  EXPECT_FALSE(send_request(*tls.request, ""));
  EXPECT_EQ(last_failure(*tls.request), Failure::tls);

  RawHttpServer cut([](const std::string&) {
    return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"};
  });
  Opened broken = open(cut.port(), "/");
  EXPECT_TRUE(send_request(*broken.request, ""));
  EXPECT_EQ(last_failure(*broken.request), Failure::broken);
  EXPECT_EQ(read_all(*broken.request, 1024), "abc");
}

TEST(Internet, UnresolvableNameBehindAProxyFailsAsAProxyResolve) {
  make_unresolvable_for_tests("unknown-proxy.test");
  RawHttpServer server([](const std::string&) { return ok_reply("x"); });
  Opened o = open(server.port(), "/", 0, "GET", Access::proxy, "http=unknown-proxy.test:3128");
  ASSERT_TRUE(o.request);
  EXPECT_FALSE(send_request(*o.request, ""));
  EXPECT_EQ(last_failure(*o.request), Failure::resolve);
  EXPECT_TRUE(server.requests().empty());
}

TEST(Internet, StalledTransferEndsKeepingWhatArrived) {
  set_stall_limit_for_tests(std::chrono::milliseconds(300));
  RawHttpServer server([](const std::string&) {
    return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst", std::chrono::seconds(30)};
  });
  Opened o = open(server.port(), "/stall");
  EXPECT_TRUE(send_request(*o.request, ""));
  set_stall_limit_for_tests(std::chrono::seconds(20));
  EXPECT_EQ(last_failure(*o.request), Failure::timeout);
  EXPECT_EQ(read_all(*o.request, 1024), "first");
}

TEST(Internet, BodyStopsAt64MiB) {
  constexpr std::size_t bound = std::size_t{64} << 20;
  RawHttpServer server([&](const std::string&) {
    return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(bound + 4096) +
                    "\r\n\r\n" + std::string(bound + 4096, 'z')};
  });
  Opened o = open(server.port(), "/huge");
  EXPECT_TRUE(send_request(*o.request, ""));
  EXPECT_EQ(last_failure(*o.request), Failure::too_large);
  std::vector<std::uint8_t> buffer(1 << 20);
  std::size_t total = 0;
  for (std::size_t got; (got = read_response(*o.request, buffer)) != 0;) total += got;
  EXPECT_EQ(total, bound);
}

TEST(Internet, ProxyListsKeepTheirSchemeMeaning) {
  RawHttpServer proxy([](const std::string&) { return ok_reply("proxied"); });
  RawHttpServer origin([](const std::string&) { return ok_reply("origin"); });
  const std::string proxy_at = "127.0.0.1:" + std::to_string(proxy.port());
  const std::string origin_at = "127.0.0.1:" + std::to_string(origin.port());

  // "http=": http through the proxy.
  Opened http = open(origin.port(), "/p", 0, "GET", Access::proxy, "http=" + proxy_at);
  ASSERT_TRUE(send_request(*http.request, ""));
  EXPECT_EQ(read_all(*http.request, 1024), "proxied");
  EXPECT_EQ(request_line_of(proxy.last_request()), "GET http://" + origin_at + "/p HTTP/1.1");

  // "http=" does not cover https: it goes direct, so the origin sees TLS.
  Opened https = open(origin.port(), "/s", flag_secure, "GET", Access::proxy, "http=" + proxy_at);
  EXPECT_FALSE(send_request(*https.request, ""));
  EXPECT_EQ(origin.last_request().substr(0, 1), "\x16");
  EXPECT_EQ(proxy.requests().size(), 1u);

  // A bare entry covers https too, through a tunnel.
  Opened tunnel = open(origin.port(), "/t", flag_secure, "GET", Access::proxy, proxy_at);
  EXPECT_FALSE(send_request(*tunnel.request, ""));
  EXPECT_EQ(request_line_of(proxy.last_request()), "CONNECT " + origin_at + " HTTP/1.1");

  // "https=" alone leaves http direct; an empty "http=" too.
  for (std::string list : {"https=" + proxy_at, std::string("http=")}) {
    SCOPED_TRACE(list);
    Opened direct = open(origin.port(), "/d", 0, "GET", Access::proxy, list);
    ASSERT_TRUE(send_request(*direct.request, ""));
    EXPECT_EQ(read_all(*direct.request, 1024), "origin");
    EXPECT_EQ(request_line_of(origin.last_request()), "GET /d HTTP/1.1");
  }
}

TEST(Internet, RedirectToHttpsNeedsItsFlag) {
  RawHttpServer server([](const std::string& request) {
    if (request_line_of(request).find("/start") != std::string::npos) {
      const std::string host = request.substr(request.find("Host: ") + 6);
      return redirect_reply(302, "https://" + host.substr(0, host.find('\r')) + "/secure");
    }
    return ok_reply("x");
  });
  Opened kept = open(server.port(), "/start");
  EXPECT_TRUE(send_request(*kept.request, ""));
  EXPECT_EQ(status_code(*kept.request), 302);
  EXPECT_EQ(read_all(*kept.request, 1024), "moved");

  Opened followed = open(server.port(), "/start", flag_allow_redirect_to_https);
  EXPECT_FALSE(send_request(*followed.request, ""));
  EXPECT_EQ(last_failure(*followed.request), Failure::tls);
  EXPECT_EQ(server.last_request().substr(0, 1), "\x16");

  Opened not_followed = open(server.port(), "/start", flag_allow_redirect_to_https | flag_no_auto_redirect);
  EXPECT_TRUE(send_request(*not_followed.request, ""));
  EXPECT_EQ(status_code(*not_followed.request), 302);
}

struct ParseCase {
  const char* address;
  bool ok;
  bool secure;
  const char* host;
  int port;
  const char* path;
};

TEST(Internet, ParseAddressTable) {
  const ParseCase cases[] = {
      {"http://Example.org/a/b?c=d#frag", true, false, "example.org", 80, "/a/b?c=d"},
      {"https://h:8443", true, true, "h", 8443, "/"},
      {"127.0.0.1:81/notice.html", true, false, "127.0.0.1", 81, "/notice.html"},
      {"HTTP://h/x#a#b", true, false, "h", 80, "/x"},
      {"ftp://h/x", false, false, "", 0, ""},
      {"file:///etc/passwd", false, false, "", 0, ""},
      {"http://", false, false, "", 0, ""},
      {"", false, false, "", 0, ""},
  };
  for (const ParseCase& row : cases) {
    SCOPED_TRACE(row.address);
    std::optional<AddressParts> parts = parse_address(row.address);
    ASSERT_EQ(parts.has_value(), row.ok);
    if (!parts) continue;
    EXPECT_EQ(parts->secure, row.secure);
    EXPECT_EQ(parts->host, row.host);
    EXPECT_EQ(parts->port, row.port);
    EXPECT_EQ(parts->path, row.path);
  }
}

}  // namespace
}  // namespace netdisk::internet
