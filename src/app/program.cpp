#include "app/program.h"

#include <memory>
#include <utility>

#include "app/exit.h"
#include "app/globals.h"
#include "app/main_window.h"
#include "ui/qt/qt_toolkit.h"

namespace netdisk {

int program_main() { return run_program(main_window_bindings()); }

int run_program(ui::EventBindings bindings) {
  ui::Toolkit& toolkit = ui::install_qt_toolkit();
  g_regex = std::make_unique<RegexObject>();
  register_exit_routine(program_cleanup);
  toolkit.load_window(main_window_layout(), std::move(bindings));
  toolkit.run_message_loop();
  return 0;
}

void program_cleanup() {
  if (g_regex) {
    g_regex->destroy();
    g_regex.reset();
  }
  if (!g_update_address.empty()) {
    g_update_address.clear();
    g_update_address.shrink_to_fit();
  }
}

}  // namespace netdisk
