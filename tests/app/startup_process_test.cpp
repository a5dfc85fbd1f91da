// The start-up as the real program runs it, in a child process: a newer version
// asks the update question before any window shows, opens the address on Yes
// only, and ends the program with code 0 without counting the use; otherwise the
// use is counted and the window opens.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>

#include "hex_text.h"
#include "subprocess.h"
#include "support/loopback_server.h"
#include "text/codepage.h"

namespace netdisk {
namespace {

using testing::hex;

int count(const std::string& text, const std::string& needle) {
  int n = 0;
  for (std::size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + needle.size()))
    ++n;
  return n;
}

class StartupProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    server.server().Get("/notice.html", [this](const httplib::Request&, httplib::Response& res) {
      std::lock_guard lock(notice_mutex);
      res.set_content(notice, "text/html; charset=utf-8");
    });
    server.server().Get("/count1/count.asp", [this](const httplib::Request&, httplib::Response& res) {
      ++counter_hits;
      res.set_content(utf8_to_ansi("累计访问：") + "9&#20154;", "text/html");
    });
    server.start();
  }

  testing::ChildResult run(const std::string& answer) {
    return testing::run_child(NETDISK_STARTUP_PROBE,
                              {server.url("/notice.html"),
                               server.url("/count1/count.asp?id=1&sx=1&ys=43"), answer});
  }

  void serve_notice(std::string page) {
    std::lock_guard lock(notice_mutex);
    notice = std::move(page);
  }

  test_support::LoopbackHttpServer server;
  std::mutex notice_mutex;
  std::string notice;
  std::atomic<int> counter_hits{0};
};

std::string notice_page(std::string_view version, std::string_view address) {
  return "<p>////开始\r\n最新版本=" + std::string(version) + "!\r\n更新说明=a|b*\r\n更新地址=" +
         std::string(address) + "完毕\r\n////结束</p>";
}

void expect_ended_before_the_window(const testing::ChildResult& child) {
  ASSERT_TRUE(child.started);
  ASSERT_FALSE(child.timed_out) << child.output;
  EXPECT_TRUE(child.exited) << child.output;
  EXPECT_EQ(child.exit_code, 0) << child.output;
  EXPECT_EQ(count(child.output, "exit-routine regex=freed address=freed shows=0\n"), 1)
      << child.output;
  EXPECT_EQ(count(child.output, "created handler returned"), 0) << child.output;
  EXPECT_EQ(count(child.output, "program_main returned"), 0) << child.output;
}

TEST_F(StartupProcess, NewerVersionAsksThenEndsOpeningTheAddressOnYesOnly) {
  const std::string question = "更新说明：\r\na\r\nb\r\n";
  struct Case {
    const char* version;
    const char* answer;
    bool opened;
  } cases[] = {
      {"2.3", "yes", true}, {"2.3", "no", false}, {"2.2000002", "yes", true}, {"10", "no", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.version) + " " + c.answer);
    serve_notice(notice_page(c.version, "http://127.0.0.1:9/update"));
    const testing::ChildResult child = run(c.answer);
    expect_ended_before_the_window(child);
    EXPECT_EQ(count(child.output, "question title=发现最新版本，是否更新？ text=" + hex(question) + "\n"), 1)
        << child.output;
    EXPECT_EQ(count(child.output, "opened " + hex("http://127.0.0.1:9/update") + "\n"),
              c.opened ? 1 : 0)
        << child.output;
  }
  EXPECT_EQ(counter_hits.load(), 0);
}

TEST_F(StartupProcess, AddressThatIsNoWebAddressIsNeverOpened) {
  for (const char* address : {"file:///etc/passwd", "/usr/bin/xterm", ""}) {
    SCOPED_TRACE(address);
    serve_notice(notice_page("2.3", address));
    const testing::ChildResult child = run("yes");
    expect_ended_before_the_window(child);
    EXPECT_EQ(count(child.output, "question title="), 1) << child.output;
    EXPECT_EQ(count(child.output, "opened"), 0) << child.output;
  }
  EXPECT_EQ(counter_hits.load(), 0);
}

TEST_F(StartupProcess, SameVersionCountsTheUseAndShowsTheWindow) {
  serve_notice(notice_page("2.2", "http://127.0.0.1:9/update"));
  const testing::ChildResult child = run("yes");
  ASSERT_FALSE(child.timed_out) << child.output;
  EXPECT_EQ(child.exit_code, 0) << child.output;
  EXPECT_EQ(count(child.output, "question"), 0) << child.output;
  EXPECT_EQ(count(child.output, "shown label7=" + hex(utf8_to_ansi("使用次数：9")) +
                                    " label8=" + hex("a\r\nb\r\n") + "\n"),
            1)
      << child.output;
  EXPECT_EQ(count(child.output, "exit-routine regex=freed address=freed shows=1\n"), 1)
      << child.output;
  EXPECT_EQ(counter_hits.load(), 1);
}

TEST(StartupOffline, RefusedAddressesStillShowTheWindowWithTheEmptyCount) {
  test_support::RefusingPort refused;
  const testing::ChildResult child = testing::run_child(
      NETDISK_STARTUP_PROBE, {test_support::loopback_url(refused.port(), "/notice.html"),
                              test_support::loopback_url(refused.port(), "/count1/count.asp"),
                              "yes"});
  ASSERT_FALSE(child.timed_out) << child.output;
  EXPECT_EQ(child.exit_code, 0) << child.output;
  EXPECT_EQ(count(child.output, "question"), 0) << child.output;
  EXPECT_EQ(count(child.output, "shown label7=" + hex(utf8_to_ansi("使用次数：")) + " label8=\n"), 1)
      << child.output;
}

}  // namespace
}  // namespace netdisk
