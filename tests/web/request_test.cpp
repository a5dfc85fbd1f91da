// web_request, web_request_plain and web_request_text against servers on
// 127.0.0.1 that record every request byte for byte.
//
// Every test asks for paths under its own first segment and scopes the cookies
// it lets into the shared cookie store to that segment, so that tests run in one
// process see no cookies of each other.
#include "web/request.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "support/loopback_server.h"
#include "web_test_helpers.h"

namespace netdisk {
namespace {

using test_support::RawHttpServer;
using test_support::RawReply;
using namespace web_test;

const std::string standard_agent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; ZORVE; .NET CLR 2.0.50727; .NET CLR "
    "3.0.04506.648; .NET CLR 3.5.21022)";
const std::string plain_agent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; 8Rim; .NET CLR 2.0.50727; .NET CLR "
    "3.0.04506.648; .NET CLR 3.5.21022)";
const std::string default_tail =
    "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded";

TEST(WebRequest, AddressOnlyGetSendsTheDefaultHeadersInOrder) {
  RawHttpServer server([](const std::string&) { return ok_reply("page body"); });
  const std::string address = server.url("/only/key/%E7%94%B5/?x=1");
  const std::string expected = "GET /only/key/%E7%94%B5/?x=1 HTTP/1.1\r\n" +
                               host_line(server.port()) + "User-Agent: " + standard_agent +
                               "\r\nReferer: " + address + default_tail + "\r\n\r\n";

  EXPECT_EQ(to_string(web_request(address)), "page body");
  EXPECT_EQ(server.last_request(), expected);
  // The search passes method 0 as well; the request is the same.
  EXPECT_EQ(to_string(web_request(address, 0)), "page body");
  EXPECT_EQ(server.last_request(), expected);
}

TEST(WebRequest, OutParametersReceiveHeadersBlockAndLocation) {
  RawHttpServer server([](const std::string&) { return ok_reply("abc", "X-Test: 1\r\n"); });
  const std::string address = server.url("/outs/page");
  Text extra_headers, raw_headers, location, received_cookies = "stale";
  web_request(address, {.received_cookies = &received_cookies,
                        .extra_headers = &extra_headers,
                        .location = &location,
                        .raw_headers = &raw_headers});

  EXPECT_EQ(extra_headers, "Referer: " + address + default_tail);
  EXPECT_EQ(raw_headers, "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nX-Test: 1\r\n\r\n");
  EXPECT_EQ(received_cookies, "");
  // No Location line: the whole raw headers stand in.
  EXPECT_EQ(location, raw_headers);
}

struct BlockCase {
  const char* name;
  std::string extra_in;
  std::string agent_line;  // the separate User-Agent line, empty when the block has its own
  std::string block_out;   // with "@" standing for the address
};

std::string with_address(std::string text, const std::string& address) {
  for (std::size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, address);
  return text;
}

TEST(WebRequest, HeaderBlockCompletionTable) {
  const BlockCase cases[] = {
      {"agent line alone", "User-Agent: X", "", "User-Agent: X\r\nReferer: @" + default_tail},
      {"agent line last", "X-A: 1\r\nUser-Agent: Y", "",
       "X-A: 1\r\nUser-Agent: Y\r\nReferer: @" + default_tail},
      // "User-Agent:" inside another name still sets the agent, from the first
      // colon of the whole block on.
      {"agent text inside another name", "X-User-Agent: Z", "User-Agent: Z\r\n",
       "X-User-Agent: Z\r\nReferer: @" + default_tail},
      {"agent text inside another name, more lines", "X-User-Agent: Z \r\nB: 2",
       "User-Agent: Z\r\n", "X-User-Agent: Z \r\nB: 2\r\nReferer: @" + default_tail},
      {"defaults present", "Referer: r\r\nAccept: text/html\r\nAccept-Language: en\r\nContent-Type: t/p",
       "User-Agent: " + standard_agent + "\r\n",
       "Referer: r\r\nAccept: text/html\r\nAccept-Language: en\r\nContent-Type: t/p"},
      // Another letter case does not count: the defaults join.
      {"defaults in lower case",
       "referer: r\r\naccept: text/html\r\naccept-language: en\r\ncontent-type: t/p",
       "User-Agent: " + standard_agent + "\r\n",
       "referer: r\r\naccept: text/html\r\naccept-language: en\r\ncontent-type: t/p\r\nReferer: "
       "@" + default_tail},
  };
  RawHttpServer server([](const std::string&) { return ok_reply("ok"); });
  const std::string address = server.url("/block/x");
  for (const BlockCase& row : cases) {
    SCOPED_TRACE(row.name);
    Text extra_headers = row.extra_in;
    EXPECT_EQ(to_string(web_request(address, {.extra_headers = &extra_headers})), "ok");
    const std::string block = with_address(row.block_out, address);
    EXPECT_EQ(extra_headers, block);
    EXPECT_EQ(server.last_request(), "GET /block/x HTTP/1.1\r\n" + host_line(server.port()) +
                                         row.agent_line + block + "\r\n\r\n");
  }
}

TEST(WebRequest, GivenCookiesAreSentAndMergedWithTheReceivedOnes) {
  RawHttpServer server([](const std::string&) {
    return ok_reply("", "Set-Cookie: b=3; Path=/given\r\nSet-Cookie: c = 4 ; HttpOnly\r\n");
  });
  Text cookies = "a=1; b=2";
  Text extra_headers = "Cookie: x=y";
  Text received;
  web_request(server.url("/given/x"),
              {.cookies = &cookies, .received_cookies = &received, .extra_headers = &extra_headers});

  // A Cookie line of the caller's does not stop the one built from `cookies`.
  EXPECT_EQ(head_of(server.last_request()),
            "GET /given/x HTTP/1.1\r\n" + host_line(server.port()) + "User-Agent: " +
                standard_agent + "\r\nCookie: x=y\r\nReferer: " + server.url("/given/x") +
                default_tail + "\r\nCookie: a=1; b=2\r\n\r\n");
  EXPECT_EQ(cookies, "b=3; c=4; a=1");
  EXPECT_EQ(received, "b=3;c=4");
}

TEST(WebRequest, GivenEmptyCookiesSendNoCookieLineAndTakeTheMerge) {
  RawHttpServer server([](const std::string&) {
    return ok_reply("",
                    "Set-Cookie: a=1; Path=/\r\nSet-Cookie: x = 2 ; Path=/\r\n"
                    "Set-Cookie: a=1; Path=/\r\nSet-Cookie: gone=deleted; Path=/\r\n");
  });
  Text cookies;
  Text received;
  web_request(server.url("/empty-given/x"), {.cookies = &cookies, .received_cookies = &received});

  EXPECT_EQ(server.last_request().find("Cookie"), std::string::npos);
  EXPECT_EQ(cookies, "a=1; x=2");
  EXPECT_EQ(received, "a=1;x=2;a=1;gone=deleted");
}

TEST(WebRequest, SetCookieScanKeepsItsQuirks) {
  // b=2 has no ";" after it and gives an empty pair; the lower-case line is not
  // seen at all.
  RawHttpServer server([](const std::string&) {
    return ok_reply("",
                    "Set-Cookie: a=1; Path=/scan\r\nSet-Cookie: b=2\r\n"
                    "set-cookie: c=3; Path=/scan\r\n");
  });
  Text received = "stale";
  web_request(server.url("/scan/x"), {.received_cookies = &received});
  EXPECT_EQ(received, "a=1; ");
}

TEST(WebRequest, RedirectNotFollowedGivesTheLocation) {
  RawHttpServer server([](const std::string&) { return redirect_reply(302, "/nofollow/final"); });
  Text location, raw_headers;
  Bytes body = web_request(server.url("/nofollow/start"),
                           {.location = &location, .no_redirect = true, .raw_headers = &raw_headers});
  EXPECT_EQ(to_string(body), "moved");
  EXPECT_EQ(location, "/nofollow/final");
  EXPECT_EQ(raw_headers,
            "HTTP/1.1 302 Moved\r\nLocation: /nofollow/final\r\nContent-Length: 5\r\n\r\n");
  EXPECT_EQ(server.requests().size(), 1u);
}

TEST(WebRequest, RedirectFollowedGivesTheFinalResponse) {
  RawHttpServer server([](const std::string& request) {
    if (request_line_of(request) == "GET /follow/start HTTP/1.1")
      return redirect_reply(302, "/follow/final");
    return ok_reply("final body");
  });
  const std::string address = server.url("/follow/start");
  Text location, raw_headers;
  Bytes body = web_request(address, {.location = &location, .raw_headers = &raw_headers});

  EXPECT_EQ(to_string(body), "final body");
  EXPECT_EQ(raw_headers, "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
  EXPECT_EQ(location, raw_headers);
  const std::vector<std::string> requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  // The second hop carries the same header block.
  EXPECT_EQ(requests[1], "GET /follow/final HTTP/1.1\r\n" + host_line(server.port()) +
                             "User-Agent: " + standard_agent + "\r\nReferer: " + address +
                             default_tail + "\r\n\r\n");
}

TEST(WebRequest, LocationLinesAndTheCallersLocation) {
  struct Case {
    const char* name;
    std::string headers;
    std::string location_in;
    std::string location_out;
  };
  const Case cases[] = {
      {"content-location counts", "Content-Location: /loc/alt \r\n", "", "/loc/alt"},
      {"the last line wins", "Content-Location: /a\r\nLocation:  /b\r\n", "", "/b"},
      {"the caller's text stays", "X-None: 1\r\n", "kept", "kept"},
      {"a location line overwrites the caller's text", "Location: /c\r\n", "kept", "/c"},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    RawHttpServer server([&](const std::string&) { return ok_reply("x", row.headers); });
    Text location = row.location_in;
    web_request(server.url("/loc/x"), {.location = &location});
    EXPECT_EQ(location, row.location_out);
  }
}

TEST(WebRequest, PostRedirectsFollowTheMethodRules) {
  struct Case {
    int status;
    std::string second_request;
  };
  const std::string body = "k=v&w=1";
  for (const Case& row : {Case{302, "GET"}, Case{303, "GET"}, Case{307, "POST"}, Case{308, "POST"}}) {
    SCOPED_TRACE(row.status);
    RawHttpServer server([&](const std::string& request) {
      if (request_line_of(request).find("/post-redirect/start") != std::string::npos)
        return redirect_reply(row.status, "/post-redirect/final");
      return ok_reply("done");
    });
    EXPECT_EQ(to_string(web_request(server.url("/post-redirect/start"),
                                    {.method = 1, .post_text = body})),
              "done");
    const std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(body_of(requests[0]), body);
    EXPECT_EQ(request_line_of(requests[1]), row.second_request + " /post-redirect/final HTTP/1.1");
    if (row.second_request == "POST") {
      EXPECT_EQ(body_of(requests[1]), body);
    } else {
      EXPECT_EQ(requests[1].find("Content-Length"), std::string::npos);
      EXPECT_EQ(body_of(requests[1]), "");
    }
  }
}

TEST(WebRequest, RedirectsEndAtOtherSchemesAndAfterTen) {
  RawHttpServer file_server([](const std::string&) { return redirect_reply(302, "file:///etc/passwd"); });
  Text location;
  EXPECT_EQ(to_string(web_request(file_server.url("/schemes/x"), {.location = &location})), "moved");
  EXPECT_EQ(location, "file:///etc/passwd");
  EXPECT_EQ(file_server.requests().size(), 1u);

  std::atomic<int> hops{0};
  RawHttpServer loop_server([&](const std::string&) {
    return redirect_reply(301, "/schemes/loop" + std::to_string(++hops));
  });
  location.clear();
  EXPECT_EQ(to_string(web_request(loop_server.url("/schemes/loop0"), {.location = &location})),
            "moved");
  // The first request and ten redirects: the eleventh answer stands.
  EXPECT_EQ(loop_server.requests().size(), 11u);
  EXPECT_EQ(location, "/schemes/loop11");
}

TEST(WebRequest, RedirectToAnotherServerDropsTheCallersCookieLine) {
  RawHttpServer target([](const std::string&) { return ok_reply("there"); });
  RawHttpServer origin([&](const std::string&) {
    return redirect_reply(302, target.url("/elsewhere/final"));
  });
  Text cookies = "s=1";
  EXPECT_EQ(to_string(web_request(origin.url("/elsewhere/start"), {.cookies = &cookies})), "there");
  EXPECT_NE(origin.last_request().find("\r\nCookie: s=1\r\n"), std::string::npos);
  EXPECT_EQ(target.last_request().find("Cookie"), std::string::npos);
  EXPECT_NE(target.last_request().find("\r\nReferer: "), std::string::npos);
}

TEST(WebRequest, PostBodies) {
  RawHttpServer server([](const std::string&) { return ok_reply("ok"); });
  const std::string address = server.url("/post/x");

  Bytes post_bytes;
  web_request(address, {.method = 1, .post_text = "a=1&b=2", .post_bytes = &post_bytes});
  EXPECT_EQ(to_string(post_bytes), "a=1&b=2");
  EXPECT_EQ(server.last_request(), "POST /post/x HTTP/1.1\r\n" + host_line(server.port()) +
                                       "User-Agent: " + standard_agent + "\r\nReferer: " +
                                       address + default_tail +
                                       "\r\nContent-Length: 7\r\n\r\na=1&b=2");

  // Given bytes win over the text.
  post_bytes = {'x', 0, 'y'};
  web_request(address, {.method = 1, .post_text = "ignored", .post_bytes = &post_bytes});
  EXPECT_EQ(body_of(server.last_request()), std::string("x\0y", 3));

  // Both empty: an empty body.
  web_request(address, {.method = 1});
  EXPECT_NE(server.last_request().find("\r\nContent-Length: 0\r\n\r\n"), std::string::npos);
  EXPECT_EQ(body_of(server.last_request()), "");

  // A large body goes out at once, without waiting for "100 Continue".
  std::string large(300000, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7);
  Bytes large_bytes(large.begin(), large.end());
  web_request(address, {.method = 1, .post_bytes = &large_bytes});
  EXPECT_EQ(head_of(server.last_request()).find("Expect"), std::string::npos);
  EXPECT_EQ(body_of(server.last_request()), large);
}

TEST(WebRequest, OtherMethodNumbersMakeAGet) {
  RawHttpServer server([](const std::string&) { return ok_reply("ok"); });
  Bytes post_bytes;
  EXPECT_EQ(to_string(web_request(server.url("/method/x"),
                                  {.method = 2, .post_text = "t", .post_bytes = &post_bytes})),
            "ok");
  EXPECT_EQ(request_line_of(server.last_request()), "GET /method/x HTTP/1.1");
  EXPECT_TRUE(post_bytes.empty());
}

std::string response_with_header_block_of(std::size_t size) {
  const std::string start = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nSet-Cookie: k=v; Path=/big\r\nX-Pad: ";
  const std::string end = "\r\n\r\n";
  return start + std::string(size - start.size() - end.size(), 'p') + end + "ok";
}

TEST(WebRequest, RawHeadersOfUpTo4999BytesFit) {
  const std::string reply = response_with_header_block_of(4999);
  RawHttpServer server([&](const std::string&) { return RawReply{reply}; });
  Text raw_headers, received, location;
  Text cookies;  // given, so the cookie stays out of the shared store
  web_request(server.url("/big/x"), {.cookies = &cookies,
                                     .received_cookies = &received,
                                     .location = &location,
                                     .raw_headers = &raw_headers});
  EXPECT_EQ(raw_headers, reply.substr(0, 4999));
  EXPECT_EQ(cookies, "k=v");
}

TEST(WebRequest, RawHeadersOf5000BytesLeaveTheSpaces) {
  const std::string reply = response_with_header_block_of(5000);
  RawHttpServer server([&](const std::string&) { return RawReply{reply}; });
  Text raw_headers, received = "stale", location;
  Text cookies;
  Bytes body = web_request(server.url("/big/y"), {.cookies = &cookies,
                                                  .received_cookies = &received,
                                                  .location = &location,
                                                  .raw_headers = &raw_headers});
  EXPECT_EQ(to_string(body), "ok");
  EXPECT_EQ(raw_headers, std::string(5000, ' '));
  EXPECT_EQ(received, "");
  EXPECT_EQ(location, std::string(5000, ' '));
  EXPECT_EQ(cookies, "");
}

TEST(WebRequest, RawHeadersEndEachLineWithCrLf) {
  RawHttpServer server([](const std::string&) {
    return RawReply{"HTTP/1.1 200 OK\nContent-Length: 2\nLocation: /lf\n\nok"};
  });
  Text raw_headers, location;
  EXPECT_EQ(to_string(web_request(server.url("/lf/x"),
                                  {.location = &location, .no_redirect = true, .raw_headers = &raw_headers})),
            "ok");
  EXPECT_EQ(raw_headers, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nLocation: /lf\r\n\r\n");
  EXPECT_EQ(location, "/lf");
}

TEST(WebRequest, ProxyGivenSeesAnAbsoluteAddress) {
  RawHttpServer proxy([](const std::string&) { return ok_reply("via proxy"); });
  const std::string proxy_text = "127.0.0.1:" + std::to_string(proxy.port());
  // The origin's name is only ever seen by the proxy: nothing resolves it.
  const std::string address = "http://origin.test/proxied/p?x=1";
  EXPECT_EQ(to_string(web_request(address, {.proxy = proxy_text})), "via proxy");
  const std::string request = proxy.last_request();
  EXPECT_EQ(request_line_of(request), "GET http://origin.test/proxied/p?x=1 HTTP/1.1");
  EXPECT_NE(request.find("\r\nHost: origin.test\r\n"), std::string::npos);
  EXPECT_NE(request.find("\r\nReferer: " + address + "\r\n"), std::string::npos);
}

TEST(WebRequest, ProxyGivenEmptyGoesDirect) {
  RawHttpServer server([](const std::string&) { return ok_reply("direct"); });
  EXPECT_EQ(to_string(web_request(server.url("/noproxy/x"), {.proxy = ""})), "direct");
  EXPECT_EQ(request_line_of(server.last_request()), "GET /noproxy/x HTTP/1.1");
}

TEST(WebRequest, HttpsAddressesGoSecureAndBypassAnHttpProxy) {
  RawHttpServer proxy([](const std::string&) { return ok_reply("wrong"); });
  RawHttpServer server([](const std::string&) { return ok_reply("plain"); });
  const std::string address = "https://127.0.0.1:" + std::to_string(server.port()) + "/tls/x";
  Text raw_headers;
  EXPECT_TRUE(web_request(address, {.proxy = "127.0.0.1:" + std::to_string(proxy.port()),
                                    .raw_headers = &raw_headers})
                  .empty());
  // A TLS handshake record arrived directly, not a plain request nor a tunnel.
  const std::string received = server.last_request();
  ASSERT_GE(received.size(), 2u);
  EXPECT_EQ(received[0], '\x16');
  EXPECT_EQ(received[1], '\x03');
  EXPECT_TRUE(proxy.requests().empty());
  EXPECT_EQ(raw_headers, std::string(5000, ' '));
}

TEST(WebRequest, SharedCookieStoreServesRequestsWithoutGivenCookies) {
  RawHttpServer server([](const std::string& request) {
    const std::string line = request_line_of(request);
    if (line.find("/store/set-hidden") != std::string::npos)
      return ok_reply("", "Set-Cookie: hidden=1; Path=/store\r\n");
    if (line.find("/store/set") != std::string::npos)
      return ok_reply("", "Set-Cookie: shared=1; Path=/store\r\n");
    return ok_reply("");
  });
  web_request(server.url("/store/set"));
  web_request(server.url("/store/read"));
  EXPECT_NE(server.last_request().find("\r\nCookie: shared=1\r\n"), std::string::npos);

  // Given cookies keep the store out, both ways.
  Text cookies;
  web_request(server.url("/store/read"), {.cookies = &cookies});
  EXPECT_EQ(server.last_request().find("Cookie"), std::string::npos);
  web_request(server.url("/store/set-hidden"), {.cookies = &cookies});
  EXPECT_EQ(cookies, "hidden=1");
  web_request(server.url("/store/read"));
  EXPECT_EQ(server.last_request().find("hidden"), std::string::npos);

  // The plain variant never uses it either.
  web_request_plain(server.url("/store/read"));
  EXPECT_EQ(server.last_request().find("Cookie"), std::string::npos);
  web_request_plain(server.url("/store/set-hidden"));
  web_request(server.url("/store/read"));
  EXPECT_NE(server.last_request().find("\r\nCookie: shared=1\r\n"), std::string::npos);
  EXPECT_EQ(server.last_request().find("hidden"), std::string::npos);
}

TEST(WebRequestPlain, CounterCallUsesItsOwnAgentAndGoesDirect) {
  RawHttpServer server([](const std::string&) {
    return ok_reply(std::string("total=12\0tail", 13), "Set-Cookie: t=1; Path=/plain\r\n");
  });
  const std::string address = server.url("/plain/count?id=1");
  EXPECT_EQ(web_request_text(address), "total=12");
  EXPECT_EQ(server.last_request(), "GET /plain/count?id=1 HTTP/1.1\r\n" + host_line(server.port()) +
                                       "User-Agent: " + plain_agent + "\r\nReferer: " + address +
                                       default_tail + "\r\n\r\n");
  EXPECT_EQ(to_string(web_request_plain(address)), std::string("total=12\0tail", 13));
  EXPECT_EQ(server.last_request().find("Cookie"), std::string::npos);
}

TEST(WebRequestPlain, MergeAlwaysRunsAndKeepsRepeats) {
  RawHttpServer server([](const std::string&) {
    return ok_reply("", "Set-Cookie: a=1; Path=/plain-merge\r\nSet-Cookie: a=1; Path=/plain-merge\r\n");
  });
  Text cookies = "z=9";
  Text received;
  web_request_plain(server.url("/plain-merge/x"), {.cookies = &cookies, .received_cookies = &received});
  EXPECT_EQ(cookies, "a=1; a=1; z=9");
  EXPECT_EQ(received, "a=1;a=1");

  // Not given: the merge still runs on the received cookies (spaces removed).
  received.clear();
  web_request_plain(server.url("/plain-merge/x"), {.received_cookies = &received});
  EXPECT_EQ(received, "a=1;a=1");

  // The standard routine drops the repeat.
  cookies = "z=9";
  web_request(server.url("/plain-merge/x"), {.cookies = &cookies});
  EXPECT_EQ(cookies, "a=1; z=9");
}

TEST(WebRequestText, PassesOutParametersThrough) {
  RawHttpServer server([](const std::string&) {
    return ok_reply("body", "Location: /text/next\r\nSet-Cookie: q = 1 ; Path=/text\r\n");
  });
  Text cookies, received, location, extra_headers = "X-Mine: 1";
  EXPECT_EQ(web_request_text(server.url("/text/x"), {.cookies = &cookies,
                                                     .received_cookies = &received,
                                                     .extra_headers = &extra_headers,
                                                     .location = &location,
                                                     .no_redirect = true}),
            "body");
  EXPECT_EQ(cookies, "q=1");
  EXPECT_EQ(received, "q=1");
  EXPECT_EQ(location, "/text/next");
  EXPECT_EQ(extra_headers, "X-Mine: 1\r\nReferer: " + server.url("/text/x") + default_tail);
}

TEST(WebRequest, ManyThreadsAtOnce) {
  RawHttpServer server([](const std::string& request) {
    const std::string line = request_line_of(request);
    const std::string path = line.substr(4, line.find(' ', 4) - 4);
    const std::string dir = path.substr(0, path.rfind('/') + 1);
    return ok_reply(path, "Set-Cookie: n=" + path + "; Path=" + dir + "\r\n");
  });
  constexpr int thread_count = 4;
  constexpr int rounds = 6;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < thread_count; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < rounds; ++i) {
        const std::string path = "/threads/" + std::to_string(t) + "/" + std::to_string(i);
        Text cookies;
        Text received;
        // Half the calls use the shared cookie store, half bring their own cookies.
        Bytes body = i % 2 == 0 ? web_request(server.url(path), {.received_cookies = &received})
                                : web_request(server.url(path), {.cookies = &cookies});
        const bool ok = to_string(body) == path &&
                        (i % 2 == 0 ? received == "n=" + path : cookies == "n=" + path);
        if (!ok) ++wrong;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(server.requests().size(), static_cast<std::size_t>(thread_count * rounds));
}

}  // namespace
}  // namespace netdisk
