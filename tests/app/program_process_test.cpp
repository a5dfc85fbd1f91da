// The program's two ways out, run as real processes: the window closed by the user
// (Esc, close box, also with a worker stuck in a wait) and end_program from inside
// the created handler. Each must end with code 0 after the exit routines ran once.
#include <gtest/gtest.h>

#include <string>

#include "subprocess.h"

namespace netdisk {
namespace {

int count(const std::string& text, const std::string& needle) {
  int n = 0;
  for (std::size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + needle.size())) {
    ++n;
  }
  return n;
}

testing::ChildResult run_probe(const std::string& mode) {
  return testing::run_child(NETDISK_PROGRAM_PROBE, {mode});
}

class ClosedByTheUser : public ::testing::TestWithParam<const char*> {};

TEST_P(ClosedByTheUser, EndsWithCodeZeroAfterCleanupRanOnce) {
  const testing::ChildResult child = run_probe(GetParam());
  ASSERT_TRUE(child.started);
  ASSERT_FALSE(child.timed_out) << child.output;
  EXPECT_TRUE(child.exited) << "ended by a signal\n" << child.output;
  EXPECT_EQ(child.exit_code, 0) << child.output;
  EXPECT_EQ(count(child.output, "created regex=made\n"), 1) << child.output;
  EXPECT_EQ(count(child.output, "created visible=0\n"), 1) << child.output;
  EXPECT_EQ(count(child.output, "loop-entered shows=1 visible=1\n"), 1) << child.output;
  EXPECT_EQ(count(child.output, "program_main returned 0\n"), 1) << child.output;
  EXPECT_EQ(count(child.output, "exit-routine"), 1) << child.output;
  EXPECT_EQ(count(child.output, "exit-routine regex=freed address=freed shows=1\n"), 1)
      << child.output;
}

// escape-worker: a worker thread waits forever on a static condition variable.
// Ending through static destructors would block in that variable's destructor.
INSTANTIATE_TEST_SUITE_P(Paths, ClosedByTheUser,
                         ::testing::Values("escape", "close", "escape-worker"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name) c = c == '-' ? '_' : c;
                           return name;
                         });

TEST(EndProgramFromCreatedHandler, EndsBeforeTheWindowShowsOrTheLoopRuns) {
  const testing::ChildResult child = run_probe("end");
  ASSERT_TRUE(child.started);
  ASSERT_FALSE(child.timed_out) << child.output;
  EXPECT_TRUE(child.exited) << child.output;
  EXPECT_EQ(child.exit_code, 0) << child.output;
  EXPECT_EQ(count(child.output, "ending\n"), 1) << child.output;
  EXPECT_EQ(count(child.output, "exit-routine"), 1) << child.output;
  EXPECT_EQ(count(child.output, "exit-routine regex=freed address=freed shows=0\n"), 1)
      << child.output;
  EXPECT_EQ(count(child.output, "loop-entered"), 0) << "the message loop ran\n" << child.output;
  EXPECT_EQ(count(child.output, "program_main returned"), 0) << child.output;
}

}  // namespace
}  // namespace netdisk
