// What web_request leaves in its parameters when the request goes wrong: before
// a request exists (nothing is written), at send (no response), and while the
// body arrives (what came is kept).
#include <gtest/gtest.h>

#include "support/loopback_server.h"
#include "web/internet/internet.h"
#include "web/request.h"
#include "web_test_helpers.h"

namespace netdisk {
namespace {

using test_support::RawHttpServer;
using test_support::RawReply;
using test_support::RefusingPort;
using namespace web_test;

// Every out and in/out parameter, filled with recognisable values.
struct Outs {
  Text cookies = "k=v";
  Text received = "stale-received";
  Text extra_headers = "X-Mine: 1";
  Text location;
  Bytes post_bytes;
  Text raw_headers = "stale-raw";

  WebRequestArgs args(int method, std::optional<std::string_view> proxy = std::nullopt) {
    return {.method = method,
            .post_text = "p=1",
            .cookies = &cookies,
            .received_cookies = &received,
            .extra_headers = &extra_headers,
            .location = &location,
            .post_bytes = &post_bytes,
            .proxy = proxy,
            .raw_headers = &raw_headers};
  }
};

struct SendFailureCase {
  const char* name;
  std::string address;
};

// The request exists but no response arrives: the routine runs to its end.
TEST(WebRequestFailure, NoResponseAtSend) {
  internet::make_unresolvable_for_tests("no-such-host.test");
  RefusingPort refusing;
  const SendFailureCase cases[] = {
      {"unresolvable host", "http://no-such-host.test/gone/x"},
      {"refused port", refusing.url("/gone/x")},
  };
  for (const SendFailureCase& row : cases) {
    for (int method : {0, 1}) {
      SCOPED_TRACE(std::string(row.name) + (method == 1 ? " POST" : " GET"));
      Outs outs;
      EXPECT_TRUE(web_request(row.address, outs.args(method)).empty());
      EXPECT_EQ(outs.extra_headers, "X-Mine: 1\r\nReferer: " + row.address +
                                        "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nContent-"
                                        "Type: application/x-www-form-urlencoded\r\nCookie: k=v");
      EXPECT_EQ(outs.raw_headers, std::string(5000, ' '));
      EXPECT_EQ(outs.received, "");
      EXPECT_EQ(outs.location, std::string(5000, ' '));
      EXPECT_EQ(outs.cookies, "k=v");
      EXPECT_EQ(to_string(outs.post_bytes), method == 1 ? "p=1" : "");
    }
  }
}

TEST(WebRequestFailure, NoResponseKeepsTheCallersLocation) {
  RefusingPort refusing;
  Outs outs;
  outs.location = "mine";
  web_request(refusing.url("/gone/y"), outs.args(0));
  EXPECT_EQ(outs.location, "mine");
}

// No request could be opened: every parameter keeps what the caller passed.
TEST(WebRequestFailure, NothingIsWrittenWhenNoRequestOpens) {
  RawHttpServer server([](const std::string&) { return ok_reply("never"); });
  const std::string port = std::to_string(server.port());
  struct Case {
    const char* name;
    std::string address;
    std::optional<std::string> proxy;
  };
  const Case cases[] = {
      {"host with a space", "http://bad host/x", std::nullopt},
      {"empty host", "http:///x", std::nullopt},
      {"port beyond 65535", "http://127.0.0.1:70000/x", std::nullopt},
      {"proxy that is no host:port", server.url("/x"), "127.0.0.1:" + port + "/path"},
      {"proxy with a bad port", server.url("/x"), "127.0.0.1:http"},
  };
  for (const Case& row : cases) {
    for (int method : {0, 1}) {
      SCOPED_TRACE(row.name);
      Outs outs;
      outs.location = "mine";
      std::optional<std::string_view> proxy;
      if (row.proxy) proxy = *row.proxy;
      EXPECT_TRUE(web_request(row.address, outs.args(method, proxy)).empty());
      Outs untouched;
      EXPECT_EQ(outs.cookies, untouched.cookies);
      EXPECT_EQ(outs.received, untouched.received);
      EXPECT_EQ(outs.extra_headers, untouched.extra_headers);
      EXPECT_EQ(outs.location, "mine");
      EXPECT_TRUE(outs.post_bytes.empty());
      EXPECT_EQ(outs.raw_headers, untouched.raw_headers);
    }
  }
  EXPECT_TRUE(server.requests().empty());
}

TEST(WebRequestFailure, ConnectionClosedInTheBodyKeepsWhatArrived) {
  const std::string part(40, 'b');
  RawHttpServer server([&](const std::string&) {
    return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\nSet-Cookie: c=1; Path=/cut\r\n\r\n" +
                    part};
  });
  Text raw_headers, received;
  Bytes body = web_request(server.url("/cut/x"),
                           {.received_cookies = &received, .raw_headers = &raw_headers});
  EXPECT_EQ(to_string(body), part);
  EXPECT_EQ(raw_headers,
            "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nSet-Cookie: c=1; Path=/cut\r\n\r\n");
  EXPECT_EQ(received, "c=1");
}

TEST(WebRequestFailure, ServerThatClosesWithoutAnswering) {
  RawHttpServer server([](const std::string&) { return RawReply{""}; });
  Text raw_headers;
  EXPECT_TRUE(web_request(server.url("/silent/x"), {.raw_headers = &raw_headers}).empty());
  EXPECT_EQ(raw_headers, std::string(5000, ' '));
}

TEST(WebRequestFailure, GarbageInsteadOfHttp) {
  RawHttpServer server([](const std::string&) {
    return RawReply{std::string("\x00\xFF\r\n\r\nnot http at all", 21)};
  });
  Text raw_headers;
  EXPECT_TRUE(web_request(server.url("/garbage/x"), {.raw_headers = &raw_headers}).empty());
  EXPECT_EQ(raw_headers, std::string(5000, ' '));
}

}  // namespace
}  // namespace netdisk
