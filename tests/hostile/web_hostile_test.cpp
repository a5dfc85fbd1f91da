// The request routines and the notice's file reader against loopback servers that
// misbehave on purpose: heads and bodies that trickle in or stop, huge or endless
// bodies and heads, redirect loops and redirects out of the web, servers that
// never answer. Every call must come back within the web layer's limits (stall,
// minimum rate, whole request) with what a failed or partial request leaves: the
// body that arrived (or none), and a raw_headers text of 5000 spaces when no head
// fitted or came.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "hostile_support.h"
#include "web/file_reader.h"
#include "web/request.h"

namespace netdisk::hostile {
namespace {

using namespace std::chrono_literals;
using test_support::RawHttpServer;
using test_support::RawReply;
using test_support::ReplyStream;

std::string as_string(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The three ways into the web layer: the search and detail request, the counter's
// text request, and the notice's file reader.
enum class Entry { request, text, file };
constexpr std::array<Entry, 3> all_entries = {Entry::request, Entry::text, Entry::file};

const char* name_of(Entry entry) {
  switch (entry) {
    case Entry::request:
      return "web_request";
    case Entry::text:
      return "web_request_text";
    case Entry::file:
      return "http_read_file";
  }
  return "";
}

// raw_headers, when given, receives web_request's raw headers.
Bytes fetch(Entry entry, const std::string& address, Text* raw_headers = nullptr) {
  switch (entry) {
    case Entry::request:
      return web_request(address, {.raw_headers = raw_headers});
    case Entry::text:
      return text_to_bytes(web_request_text(address));
    case Entry::file:
      return http_read_file(address);
  }
  return {};
}

struct Fetched {
  Bytes body;
  double seconds = 0;
};

// All three entries at once, each on its own thread, as the window's thread and
// detail workers may request at the same time.
std::array<Fetched, 3> fetch_concurrently(const std::string& address) {
  std::array<Fetched, 3> results;
  std::vector<std::thread> threads;
  for (std::size_t k = 0; k < all_entries.size(); ++k) {
    threads.emplace_back([&, k] {
      Stopwatch clock;
      results[k].body = fetch(all_entries[k], address);
      results[k].seconds = clock.seconds();
    });
  }
  for (std::thread& t : threads) t.join();
  return results;
}

// A stall window (the stall limit) must bring at least 2000 bytes, and a whole
// request ends after 15 windows. With the limit at one second these servers send
// about ten times the minimum, and take longer in all than one window.
TEST(SlowHeaders, ByteByByteWithShortPausesArriveWhole) {
  StallLimit limit(1000ms);
  std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 30000\r\nSet-Cookie: slow=1; Path=/\r\n";
  for (int line = 10; line < 40; ++line)
    head += "X-Slow-" + std::to_string(line) + ": " + std::string(100, 's') + "\r\n";
  head += "\r\n";
  ASSERT_LT(head.size(), 4999u);
  HostileSite site;
  site.route("/slow", [&](ReplyStream& reply) {
    for (std::size_t k = 0; k < head.size(); ++k) {
      if (!reply.write(head.substr(k, 1))) return;
      if (k % 100 == 99 && !reply.pause(5ms)) return;
    }
    for (std::uint64_t from = 0; from < 30000; from += 100)
      if (!write_body(reply, from, from + 100) || !reply.pause(5ms)) return;
  });
  Text raw_headers, received;
  Stopwatch clock;
  const Bytes body =
      web_request(site.url("/slow"), {.received_cookies = &received, .raw_headers = &raw_headers});
  const double took = clock.seconds();
  EXPECT_EQ(body.size(), 30000u);
  EXPECT_EQ(first_difference(body), 30000u);
  EXPECT_EQ(raw_headers, head);
  EXPECT_EQ(received, "slow=1");
  EXPECT_GT(took, 1.0);
}

TEST(SlowHeaders, TrickleBelowTheMinimumRateIsCut) {
  StallLimit limit(1000ms);
  HostileSite site;
  // One byte every 50 ms: never silent for long, but 20 bytes a second.
  site.route("/trickling-head", [](ReplyStream& reply) {
    const std::string head = "HTTP/1.1 200 OK\r\nX-Trickle: " + std::string(10000, 't');
    for (char c : head)
      if (!reply.write(std::string_view(&c, 1)) || !reply.pause(50ms)) return;
  });
  site.route("/trickling-body", [](ReplyStream& reply) {
    if (!reply.write(ok_head(1'000'000))) return;
    for (std::uint64_t at = 0; write_body(reply, at, at + 1) && reply.pause(50ms); ++at) {
    }
  });

  Text raw_headers;
  Stopwatch clock;
  EXPECT_TRUE(web_request(site.url("/trickling-head"), {.raw_headers = &raw_headers}).empty());
  double took = clock.seconds();
  EXPECT_EQ(raw_headers, blank_headers);
  EXPECT_GE(took, 0.95);
  EXPECT_LT(took, 10.0);

  // The head came at once: the body that trickled in is kept.
  clock = Stopwatch();
  const Bytes body = web_request(site.url("/trickling-body"), {.raw_headers = &raw_headers});
  took = clock.seconds();
  EXPECT_GT(body.size(), 0u);
  EXPECT_LT(body.size(), 1000u);
  EXPECT_EQ(first_difference(body), body.size());
  EXPECT_EQ(raw_headers, ok_head(1'000'000));
  EXPECT_GE(took, 0.95);
  EXPECT_LT(took, 10.0);
}

TEST(SlowHeaders, SteadyEndlessBodyEndsAfterFifteenStallWindows) {
  // 200 ms windows: the whole request may last three seconds. The server sends
  // about 100 KB a second, far above the 2000 bytes per window.
  StallLimit limit(200ms);
  HostileSite site;
  site.route("/steady", [](ReplyStream& reply) {
    if (!reply.write(ok_head(body_bound * 2))) return;
    for (std::uint64_t at = 0; write_body(reply, at, at + 1000) && reply.pause(10ms); at += 1000) {
    }
  });
  const auto results = fetch_concurrently(site.url("/steady"));
  for (std::size_t k = 0; k < results.size(); ++k) {
    SCOPED_TRACE(name_of(all_entries[k]));
    const Bytes& body = results[k].body;
    EXPECT_GT(body.size(), 0u);
    EXPECT_LT(body.size(), body_bound);
    EXPECT_EQ(first_difference(body), body.size());
    EXPECT_GE(results[k].seconds, 2.9);
    EXPECT_LT(results[k].seconds, 10.0);
  }
}

TEST(SlowHeaders, HeadThatFallsSilentIsCutAtTheStallLimit) {
  StallLimit limit(500ms);
  HostileSite site;
  site.route("/half", [](ReplyStream& reply) {
    if (reply.write("HTTP/1.1 200 OK\r\nContent-Le")) reply.pause(30s);
  });
  Text raw_headers, location, received = "stale";
  Stopwatch clock;
  const Bytes body = web_request(site.url("/half"), {.received_cookies = &received,
                                                     .location = &location,
                                                     .raw_headers = &raw_headers});
  const double took = clock.seconds();
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(raw_headers, blank_headers);
  EXPECT_EQ(location, blank_headers);
  EXPECT_EQ(received, "");
  EXPECT_GE(took, 0.45);
  EXPECT_LT(took, 10.0);
}

TEST(NeverAnswers, EveryEntryGivesNothingOnceTheStallLimitPasses) {
  StallLimit limit(1000ms);
  HostileSite site;
  site.route("/silent", [](ReplyStream& reply) { reply.pause(60s); });
  const auto results = fetch_concurrently(site.url("/silent"));
  for (std::size_t k = 0; k < results.size(); ++k) {
    SCOPED_TRACE(name_of(all_entries[k]));
    EXPECT_TRUE(results[k].body.empty());
    EXPECT_GE(results[k].seconds, 0.95);
    EXPECT_LT(results[k].seconds, 10.0);
  }
  EXPECT_EQ(site.requests(), 3);

  // What web_request leaves in its out parameters: no response at all.
  Text raw_headers, location;
  EXPECT_TRUE(web_request(site.url("/silent"), {.location = &location, .raw_headers = &raw_headers})
                  .empty());
  EXPECT_EQ(raw_headers, blank_headers);
  EXPECT_EQ(location, blank_headers);
}

TEST(BodyStops, ClosedOrSilentMidBodyKeepsWhatArrived) {
  StallLimit limit(500ms);
  constexpr std::size_t announced = 1'000'000;
  constexpr std::size_t sent = 300'000;
  const std::string head = ok_head(announced);
  HostileSite site;
  site.route("/closes", [&](ReplyStream& reply) {
    if (reply.write(head)) write_body(reply, 0, sent);
  });
  site.route("/falls-silent", [&](ReplyStream& reply) {
    if (reply.write(head) && write_body(reply, 0, sent)) reply.pause(30s);
  });
  for (const char* path : {"/closes", "/falls-silent"}) {
    const auto results = fetch_concurrently(site.url(path));
    for (std::size_t k = 0; k < results.size(); ++k) {
      SCOPED_TRACE(std::string(path) + " " + name_of(all_entries[k]));
      EXPECT_EQ(results[k].body.size(), sent);
      EXPECT_EQ(first_difference(results[k].body), sent);
      EXPECT_LT(results[k].seconds, 10.0);
    }
  }

  // The head did arrive, so it is reported as it came.
  Text raw_headers;
  const Bytes body = web_request(site.url("/closes"), {.raw_headers = &raw_headers});
  EXPECT_EQ(body.size(), sent);
  EXPECT_EQ(raw_headers, head);
}

TEST(LargeBodies, FiftyMegabytesArriveWhole) {
  constexpr std::size_t size = 50'000'000;
  HostileSite site;
  site.route("/sized", [&](ReplyStream& reply) {
    if (reply.write(ok_head(size))) write_body(reply, 0, size);
  });
  // HTTP/1.0 style: no length, the body ends when the server closes.
  site.route("/unsized", [&](ReplyStream& reply) {
    if (reply.write("HTTP/1.0 200 OK\r\n\r\n")) write_body(reply, 0, size);
  });
  const std::size_t bound = 4 * size + 64 * mebibyte;
  {
    PeakMemory peak;
    Stopwatch clock;
    Text raw_headers;
    const Bytes body = web_request(site.url("/sized"), {.raw_headers = &raw_headers});
    std::printf("50 MB body, web_request: %.2f s, peak resident memory +%zu MiB\n", clock.seconds(),
                peak.growth() / mebibyte);
    EXPECT_EQ(body.size(), size);
    EXPECT_EQ(first_difference(body), size);
    EXPECT_EQ(raw_headers, ok_head(size));
    expect_peak_growth_below(peak, bound, "web_request");
  }
  {
    PeakMemory peak;
    Stopwatch clock;
    const Bytes body = http_read_file(site.url("/unsized"));
    std::printf("50 MB body, http_read_file: %.2f s, peak resident memory +%zu MiB\n",
                clock.seconds(), peak.growth() / mebibyte);
    EXPECT_EQ(body.size(), size);
    EXPECT_EQ(first_difference(body), size);
    expect_peak_growth_below(peak, bound, "http_read_file");
  }
}

TEST(LargeBodies, BodyPastTheBoundIsCutThereKeepingWhatArrived) {
  // The server would send 100 MiB or, unsized, never stop: the call still ends,
  // with the first 64 MiB, as a read that failed after them.
  constexpr std::size_t announced = 100 * mebibyte;
  const std::size_t bound = 4 * body_bound + 64 * mebibyte;
  HostileSite site;
  site.route("/sized", [&](ReplyStream& reply) {
    if (reply.write(ok_head(announced))) write_endless_body(reply);
  });
  site.route("/unsized", [&](ReplyStream& reply) {
    if (reply.write("HTTP/1.0 200 OK\r\n\r\n")) write_endless_body(reply);
  });
  const struct {
    Entry entry;
    const char* path;
  } cases[] = {{Entry::request, "/sized"}, {Entry::text, "/unsized"}, {Entry::file, "/unsized"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(name_of(c.entry)) + " " + c.path);
    PeakMemory peak;
    Stopwatch clock;
    Text raw_headers;
    const Bytes body = fetch(c.entry, site.url(c.path), &raw_headers);
    std::printf("endless body %s, %s: %.2f s, peak resident memory +%zu MiB\n", c.path,
                name_of(c.entry), clock.seconds(), peak.growth() / mebibyte);
    EXPECT_EQ(body.size(), body_bound);
    EXPECT_EQ(first_difference(body), body_bound);
    expect_peak_growth_below(peak, bound, name_of(c.entry));
    // A response did arrive: its head is reported as it came.
    if (c.entry == Entry::request) {
      EXPECT_EQ(raw_headers, ok_head(announced));
    }
  }
}

// About 100 KB of header lines, with a cookie and a redirect target among them.
std::string flooded_head(std::string_view body) {
  std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                     "\r\nSet-Cookie: big=1; Path=/\r\nContent-Location: /elsewhere\r\n";
  for (int line = 0; line < 1000; ++line) {
    char name[32];
    std::snprintf(name, sizeof name, "X-Filler-%04d: ", line);
    head.append(name).append(std::string(85, 'f')).append("\r\n");
  }
  return head + "\r\n";
}

TEST(HeaderFlood, HundredKilobyteHeadGivesTheBodyAndBlankHeaders) {
  const std::string body = "body after a big head";
  const std::string head = flooded_head(body);
  ASSERT_GT(head.size(), 100'000u);
  HostileSite site;
  site.route("/big-head", [&](ReplyStream& reply) { reply.write(head + body); });

  // Headers over 4999 bytes do not fit: 5000 spaces, no cookies, and the spaces
  // as the redirect target, since none could be read.
  Text raw_headers, location, received = "stale", cookies;
  EXPECT_EQ(as_string(web_request(site.url("/big-head"), {.cookies = &cookies,
                                                          .received_cookies = &received,
                                                          .location = &location,
                                                          .raw_headers = &raw_headers})),
            body);
  EXPECT_EQ(raw_headers, blank_headers);
  EXPECT_EQ(received, "");
  EXPECT_EQ(cookies, "");
  EXPECT_EQ(location, blank_headers);

  // A redirect target the caller passed in stays.
  Text mine = "mine";
  web_request(site.url("/big-head"), {.location = &mine});
  EXPECT_EQ(mine, "mine");

  for (Entry entry : all_entries) {
    SCOPED_TRACE(name_of(entry));
    EXPECT_EQ(as_string(fetch(entry, site.url("/big-head"))), body);
  }
}

TEST(HeaderFlood, EndlessHeadEndsTheRequestWithoutAResponse) {
  HostileSite site;
  site.route("/endless-head", [](ReplyStream& reply) {
    if (!reply.write("HTTP/1.1 200 OK\r\n")) return;
    const std::string line = "X-Flood: " + std::string(1000, 'h') + "\r\n";
    while (reply.write(line)) {
    }
  });
  PeakMemory peak;
  for (Entry entry : all_entries) {
    SCOPED_TRACE(name_of(entry));
    EXPECT_TRUE(fetch(entry, site.url("/endless-head")).empty());
  }
  Text raw_headers;
  EXPECT_TRUE(web_request(site.url("/endless-head"), {.raw_headers = &raw_headers}).empty());
  EXPECT_EQ(raw_headers, blank_headers);
  expect_peak_growth_below(peak, 64 * mebibyte, "endless head");
}

std::string redirect_to(int status, std::string_view target) {
  return "HTTP/1.1 " + std::to_string(status) + " Moved\r\nLocation: " + std::string(target) +
         "\r\nContent-Length: 5\r\n\r\nmoved";
}

TEST(Redirects, EndlessLoopStopsAfterTenHops) {
  HostileSite site;
  // A chain that never ends, and a page that sends the client back to itself.
  for (int hop = 0; hop <= 20; ++hop) {
    site.route("/chain/" + std::to_string(hop), [hop](ReplyStream& reply) {
      reply.write(redirect_to(302, "/chain/" + std::to_string(hop + 1)));
    });
  }
  site.route("/self", [](ReplyStream& reply) { reply.write(redirect_to(307, "/self")); });

  // One request and ten redirects followed; the eleventh answer comes back as it
  // is, body and redirect target.
  Text location;
  EXPECT_EQ(as_string(web_request(site.url("/chain/0"), {.location = &location})), "moved");
  EXPECT_EQ(location, "/chain/11");
  EXPECT_EQ(site.requests(), 11);

  EXPECT_EQ(as_string(web_request(site.url("/self"))), "moved");
  EXPECT_EQ(site.requests(), 22);
  EXPECT_EQ(web_request_text(site.url("/self")), "moved");
  EXPECT_EQ(site.requests(), 33);
  // The file reader wants a page: a redirect left standing reads as nothing.
  EXPECT_TRUE(http_read_file(site.url("/self")).empty());
  EXPECT_EQ(site.requests(), 44);
}

TEST(Redirects, OtherSchemesAreNotFollowed) {
  // Something listening where the other schemes point: it must see no connection.
  RawHttpServer bystander([](const std::string&) { return RawReply{"HTTP/1.1 200 OK\r\n\r\n"}; });
  const std::string at = "127.0.0.1:" + std::to_string(bystander.port());
  const struct {
    int status;
    std::string target;
  } cases[] = {
      {302, "file:///etc/passwd"},
      {301, "FILE:///etc/hostname"},
      {302, "file://" + at + "/etc/passwd"},
      {303, "ftp://" + at + "/pub/x"},
      {307, "ftp://anonymous:guest@" + at + "/"},
      {308, "gopher://" + at + "/1"},
      {302, "dict://" + at + "/d:word"},
      {302, "telnet://" + at},
      {302, "scp://" + at + "/etc/passwd"},
      {301, "data:text/plain,moved"},
      {302, "javascript:alert(1)"},
  };
  HostileSite site;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    const std::string reply = redirect_to(c.status, c.target);
    site.route("/away", [reply](ReplyStream& out) { out.write(reply); });
    const int before = site.requests();
    Text location;
    EXPECT_EQ(as_string(web_request(site.url("/away"), {.location = &location})), "moved");
    EXPECT_EQ(location, c.target);
    EXPECT_EQ(web_request_text(site.url("/away")), "moved");
    EXPECT_TRUE(http_read_file(site.url("/away")).empty());
    EXPECT_EQ(site.requests(), before + 3);
  }
  EXPECT_TRUE(bystander.requests().empty());
}

TEST(OddFraming, BrokenLengthsAndChunksGiveWhatArrivedOrNothing) {
  const struct {
    const char* name;
    std::string reply;
    std::string body;  // what web_request gives
  } cases[] = {
      // A length far beyond the bound, then the connection closes.
      {"huge_length", "HTTP/1.1 200 OK\r\nContent-Length: 999999999999999\r\n\r\n0123456789",
       "0123456789"},
      // A length that cannot be read is ignored: the body runs until the close.
      {"length_past_64_bits",
       "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999999\r\n\r\nabc", "abc"},
      {"negative_length", "HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nabc", ""},
      {"two_lengths", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 9\r\n\r\nabc",
       "abc"},
      {"chunk_size_not_hex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nabc", ""},
      {"chunk_larger_than_sent",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\nFFFFFFFFFFFFFFF\r\nde",
       "abcde"},
      {"status_line_only", "HTTP/1.1 200 OK\r\n", ""},
      {"no_status_code", "HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc", ""},
  };
  HostileSite site;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string reply = c.reply;
    site.route("/odd", [reply](ReplyStream& out) { out.write(reply); });
    EXPECT_EQ(as_string(web_request(site.url("/odd"))), c.body);
  }
}

}  // namespace
}  // namespace netdisk::hostile
