// The frame's parts that need no window: the exit clean-up, the exit routine list
// (in child processes, since the list runs once per process), the window icon and
// the event bindings.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/exit.h"
#include "app/globals.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/window_icon.h"
#include "subprocess.h"
#include "ui/control_names.h"
#include "ui/headless_toolkit.h"

namespace netdisk {
namespace {

TEST(ProgramCleanup, DestroysTheRegexAndFreesTheUpdateAddress) {
  g_regex = std::make_unique<RegexObject>();
  ASSERT_TRUE(g_regex->create("a(b)", "xaby"));
  g_update_address = "http://127.0.0.1/update";
  program_cleanup();
  EXPECT_EQ(g_regex, nullptr);
  EXPECT_TRUE(g_update_address.empty());
  program_cleanup();  // a second run finds nothing left to free
  EXPECT_EQ(g_regex, nullptr);
}

// The exit routine list, exercised in child processes of this test program: with
// NETDISK_EXIT_CHILD set, main() below runs one scenario and ends.
const char* const child_flag = "NETDISK_EXIT_CHILD";

struct ExitCase {
  const char* name;
  const char* expected_output;
  int expected_code;
};

class ExitRoutines : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ExitRoutines, RunOnceInOrderBeforeTheProcessEnds) {
  setenv(child_flag, GetParam().name, 1);
  const testing::ChildResult child = testing::run_child("/proc/self/exe", {});
  unsetenv(child_flag);
  ASSERT_TRUE(child.started);
  ASSERT_FALSE(child.timed_out);
  EXPECT_TRUE(child.exited);
  EXPECT_EQ(child.exit_code, GetParam().expected_code);
  EXPECT_EQ(child.output, GetParam().expected_output);
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, ExitRoutines,
    ::testing::Values(
        // end_program runs the list, flushes what was written without a newline,
        // and ends with the given code.
        ExitCase{"end", "first second unflushed", 0},
        ExitCase{"end_with_code", "first second unflushed", 3},
        // run_exit_routines twice, then end_program: each routine still once.
        ExitCase{"run_twice", "first second end", 0},
        // A routine that ends the program itself does not run the list again.
        ExitCase{"nested", "first nested ", 0},
        // A routine's exception does not stop the ones after it.
        ExitCase{"throwing", "first thrower second ", 0}),
    [](const auto& info) { return std::string(info.param.name); });

void first() { std::fputs("first ", stdout); }
void second() { std::fputs("second ", stdout); }
void nested() {
  std::fputs("nested ", stdout);
  end_program(0);
}
void thrower() {
  std::fputs("thrower ", stdout);
  throw 1;
}

[[noreturn]] void run_exit_child(const std::string& scenario) {
  register_exit_routine(first);
  if (scenario == "nested") register_exit_routine(nested);
  if (scenario == "throwing") register_exit_routine(thrower);
  register_exit_routine(second);
  register_exit_routine(nullptr);  // ignored
  if (scenario == "run_twice") {
    run_exit_routines();
    run_exit_routines();
    std::fputs("end", stdout);
  }
  if (scenario == "end" || scenario == "end_with_code") {
    // Standard output is a pipe here, so this stays in the buffer until the end.
    register_exit_routine([] { std::fputs("unflushed", stdout); });
  }
  end_program(scenario == "end_with_code" ? 3 : 0);
}

TEST(WindowIcon, IsOneTwoHundredPixelThirtyTwoBitIconFile) {
  const Bytes& icon = window_icon();
  ASSERT_EQ(icon.size(), 165662u);
  EXPECT_EQ(&icon, &window_icon()) << "made once";
  const auto u16 = [&](std::size_t at) { return icon[at] | icon[at + 1] << 8; };
  const auto u32 = [&](std::size_t at) {
    return static_cast<unsigned>(u16(at)) | static_cast<unsigned>(u16(at + 2)) << 16;
  };
  EXPECT_EQ(u16(0), 0);  // reserved
  EXPECT_EQ(u16(2), 1);  // icon, not cursor
  EXPECT_EQ(u16(4), 1);  // one image
  EXPECT_EQ(icon[6], 200);
  EXPECT_EQ(icon[7], 200);
  EXPECT_EQ(u16(12), 32);
  EXPECT_EQ(u32(14), 165662u - 22u);
  EXPECT_EQ(u32(18), 22u);
  EXPECT_EQ(u32(22), 40u);
  EXPECT_EQ(u32(26), 200u);
  EXPECT_EQ(u32(30), 400u);

  // Pixels are stored bottom-up as blue, green, red, alpha.
  const auto alpha = [&](int x, int y) { return icon[22 + 40 + ((199 - y) * 200 + x) * 4 + 3]; };
  EXPECT_EQ(alpha(0, 0), 0) << "the corners stay transparent";
  EXPECT_EQ(alpha(199, 199), 0);
  EXPECT_EQ(alpha(100, 100), 255) << "the middle is opaque";
  // The mask marks the transparent corner and leaves the middle.
  const std::size_t mask = 22 + 40 + 200 * 200 * 4;
  EXPECT_EQ(icon[mask + 199 * 28] & 0x80, 0x80);
  EXPECT_EQ(icon[mask + 100 * 28 + 100 / 8] & (0x80 >> (100 % 8)), 0);
}

TEST(MainWindowBindings, BindTheCreatedEventTheSearchButtonAndTheResultList) {
  const ui::EventBindings bindings = main_window_bindings();
  EXPECT_TRUE(bindings.created);
  ASSERT_EQ(bindings.clicked.size(), 1u);
  EXPECT_EQ(bindings.clicked[0].first, ui::controls::button_1);
  EXPECT_TRUE(bindings.clicked[0].second);
  ASSERT_EQ(bindings.double_clicked.size(), 1u);
  EXPECT_EQ(bindings.double_clicked[0].first, ui::controls::list_view_1);
  EXPECT_TRUE(bindings.double_clicked[0].second);

  // The layout's controls answer the toolkit's operations by their names.
  ui::HeadlessToolkit fake;
  fake.load_window(main_window_layout(), bindings);
  EXPECT_TRUE(fake.window_shown());
  EXPECT_EQ(fake.append_row(ui::controls::list_view_1), 0);
  fake.set_cell_text(ui::controls::list_view_1, 0, 3, "cover");
  EXPECT_EQ(fake.cell_text(ui::controls::list_view_1, 0, 3), "cover");
  for (std::string_view name : ui::controls::all) {
    EXPECT_TRUE(fake.model().has_control(name)) << name;
  }
  fake.set_caption(ui::controls::label_1, "\x81\xFF");
  EXPECT_EQ(fake.caption(ui::controls::label_1), "\x81\xFF");
}

}  // namespace
}  // namespace netdisk

int main(int argc, char** argv) {
  if (const char* scenario = std::getenv(netdisk::child_flag)) netdisk::run_exit_child(scenario);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
