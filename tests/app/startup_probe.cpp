// A test program around the real start-up: the program's own bindings and created
// handler, with the notice and counter pages read from the addresses given, the
// update question answered by a timer and the system's address opener replaced by
// a printout. Usage:
//   startup_probe <notice address> <counter address> yes|no
// It prints what the program asked and opened, whether the window was shown, and,
// from an exit routine registered after program_cleanup, what the clean-up left.
// When the window is shown it prints 标签7 and closes the window.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <string>

#include "app/exit.h"
#include "app/globals.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/startup.h"
#include "hex_text.h"
#include "probe_support.h"
#include "text/codepage.h"
#include "ui/control_names.h"
#include "ui/qt/qt_toolkit.h"
#include "web/request.h"

namespace {

std::atomic<int> shows{0};
QMessageBox::StandardButton answer = QMessageBox::No;

using netdisk::testing::hex;
using netdisk::testing::main_window;

void report_at_exit() {
  std::printf("exit-routine regex=%s address=%s shows=%d\n", netdisk::g_regex ? "alive" : "freed",
              netdisk::g_update_address.empty() ? "freed" : "alive", shows.load());
}

// Answers the update question as soon as it is on screen.
void answer_questions() {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box == nullptr || !box->isVisible()) continue;
      std::printf("question title=%s text=%s\n", box->windowTitle().toUtf8().constData(),
                  hex(box->text().toUtf8().toStdString()).c_str());
      std::fflush(stdout);
      if (QAbstractButton* button = box->button(answer)) button->click();
    }
  });
  timer->start(20);
}

void report_shown_window() {
  netdisk::ui::Toolkit& toolkit = netdisk::ui::toolkit();
  std::printf("shown label7=%s label8=%s\n",
              hex(toolkit.caption(netdisk::ui::controls::label_7)).c_str(),
              hex(toolkit.caption(netdisk::ui::controls::label_8)).c_str());
  std::fflush(stdout);
  if (QWidget* window = main_window()) window->close();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  netdisk::web_global_init();
  answer = std::string(argv[3]) == "yes" ? QMessageBox::Yes : QMessageBox::No;
  netdisk::set_startup_addresses_for_testing(argv[1], argv[2]);

  netdisk::ui::QtToolkit& toolkit = netdisk::ui::install_qt_toolkit();
  toolkit.set_address_opener([](const netdisk::Text& address) {
    std::printf("opened %s\n", hex(address).c_str());
    std::fflush(stdout);
  });
  answer_questions();

  netdisk::ui::EventBindings bindings = netdisk::main_window_bindings();
  auto created = bindings.created;
  bindings.created = [created] {
    netdisk::register_exit_routine(report_at_exit);
    if (QWidget* window = main_window())
      window->installEventFilter(new netdisk::testing::ShowCounter(window, shows));
    created();
    std::printf("created handler returned\n");
    QTimer::singleShot(0, report_shown_window);
  };
  const int code = netdisk::run_program(bindings);
  std::printf("program_main returned %d\n", code);
  netdisk::end_program(code);
}
