// A test program around the program's frame: run_program with a created handler
// that reports on stdout and then, depending on its one argument, ends the
// program the way a user or the update offer would:
//   end            end_program(0) from inside the created handler
//   escape         Esc in the shown window
//   close          the window's close box
//   escape-worker  Esc while a worker thread waits forever on a static object
// Every line it prints is checked by program_process_test.cpp.
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "app/exit.h"
#include "app/globals.h"
#include "app/program.h"
#include "probe_support.h"
#include "ui/control_names.h"
#include "ui/toolkit.h"

namespace {

std::string mode;
std::atomic<int> shows{0};

// The worker of escape-worker waits on these; a static destructor run at exit
// would have to wait for it.
std::mutex never_mutex;
std::condition_variable never_signalled;
std::atomic<bool> worker_waiting{false};

using netdisk::testing::main_window;

// Registered from the created handler, so it runs after program_cleanup.
void report_at_exit() {
  std::printf("exit-routine regex=%s address=%s shows=%d\n",
              netdisk::g_regex ? "alive" : "freed",
              netdisk::g_update_address.empty() ? "freed" : "alive", shows.load());
}

void end_as_the_user() {
  QWidget* window = main_window();
  std::printf("loop-entered shows=%d visible=%d\n", shows.load(), window && window->isVisible());
  std::fflush(stdout);
  if (!window || !QTest::qWaitForWindowExposed(window)) return;
  if (mode == "escape-worker") {
    netdisk::ui::toolkit().start_thread([] {
      netdisk::ui::toolkit().set_caption(netdisk::ui::controls::label_1, "worker");
      std::unique_lock lock(never_mutex);
      worker_waiting = true;
      never_signalled.wait(lock, [] { return false; });
    });
    if (!QTest::qWaitFor([] { return worker_waiting.load(); }, 10000)) return;
  }
  if (mode == "close") {
    window->windowHandle()->close();
  } else {
    window->activateWindow();
    QWidget* focused = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(focused, Qt::Key_Escape);
  }
}

void on_created() {
  std::printf("created regex=%s\n", netdisk::g_regex ? "made" : "missing");
  netdisk::register_exit_routine(report_at_exit);
  netdisk::g_update_address = "http://127.0.0.1/update";
  if (QWidget* window = main_window()) {
    std::printf("created visible=%d\n", window->isVisible());
    window->installEventFilter(new netdisk::testing::ShowCounter(window, shows));
  }
  // Fires only once the message loop runs.
  QTimer::singleShot(0, [] { end_as_the_user(); });
  if (mode == "end") {
    std::printf("ending\n");
    netdisk::end_program(0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  mode = argv[1];
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  netdisk::ui::EventBindings bindings;
  bindings.created = on_created;
  const int code = netdisk::run_program(bindings);
  std::printf("program_main returned %d\n", code);
  netdisk::end_program(code);
}
