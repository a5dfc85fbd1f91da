// The HTTP file reader that fetches the start-up notice.
#include "web/file_reader.h"

#include <gtest/gtest.h>

#include "support/loopback_server.h"
#include "web/internet/internet.h"
#include "web_test_helpers.h"

namespace netdisk {
namespace {

using test_support::RawHttpServer;
using test_support::RawReply;
using test_support::RefusingPort;
using namespace web_test;

TEST(FileReader, OneHttp10GetWithoutTheFragment) {
  RawHttpServer server([](const std::string&) { return ok_reply("notice page"); });
  EXPECT_EQ(to_string(http_read_file(server.url("/reader/notice.html?v=2#section"))),
            "notice page");
  EXPECT_EQ(server.last_request(),
            "GET /reader/notice.html?v=2 HTTP/1.0\r\n" + host_line(server.port()) +
                "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"
                "Accept: */*\r\nPragma: no-cache\r\n\r\n");
  EXPECT_EQ(server.requests().size(), 1u);
}

TEST(FileReader, ReadsAnAddressWithoutSchemeAndFollowsRedirects) {
  RawHttpServer server([](const std::string& request) {
    if (request_line_of(request).find("/reader/old") != std::string::npos)
      return redirect_reply(301, "/reader/new");
    return ok_reply("moved page");
  });
  const std::string address = "127.0.0.1:" + std::to_string(server.port()) + "/reader/old";
  EXPECT_EQ(to_string(http_read_file(address)), "moved page");
  EXPECT_EQ(server.requests().size(), 2u);
}

TEST(FileReader, BrokenBodyGivesWhatArrived) {
  RawHttpServer server([](const std::string&) {
    return RawReply{"HTTP/1.0 200 OK\r\nContent-Length: 50\r\n\r\n////\xBF\xAA"};
  });
  EXPECT_EQ(to_string(http_read_file(server.url("/reader/cut"))), "////\xBF\xAA");

  // Without a length the body runs until the server closes.
  RawHttpServer unsized([](const std::string&) { return RawReply{"HTTP/1.0 200 OK\r\n\r\nall of it"}; });
  EXPECT_EQ(to_string(http_read_file(unsized.url("/reader/close"))), "all of it");
}

TEST(FileReader, NothingReadGivesEmptyBytes) {
  internet::make_unresolvable_for_tests("notice.unknown.test");
  RefusingPort refusing;
  RawHttpServer missing([](const std::string&) {
    return RawReply{"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"};
  });
  RawHttpServer failing([](const std::string&) {
    return RawReply{"HTTP/1.1 500 Oops\r\nContent-Length: 4\r\n\r\noops"};
  });
  RawHttpServer silent([](const std::string&) { return RawReply{""}; });
  const std::string addresses[] = {
      "http://notice.unknown.test/n.html",
      refusing.url("/n.html"),
      missing.url("/reader/n.html"),
      failing.url("/reader/n.html"),
      silent.url("/reader/n.html"),
      "ftp://127.0.0.1/n.html",
      "",
      "http://bad host/x",
  };
  for (const std::string& address : addresses) {
    SCOPED_TRACE(address);
    EXPECT_TRUE(http_read_file(address).empty());
  }
}

}  // namespace
}  // namespace netdisk
