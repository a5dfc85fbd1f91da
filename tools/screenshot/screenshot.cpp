// netdisk-screenshot: builds the main window offscreen, optionally plays a short
// script against it, and writes a PNG of the window.
//
//   netdisk-screenshot OUT.png [--handlers] [--keyword TEXT] [--search]
//       [--rows N] [--select ROW] [--double-click ROW] [--picture FILE]
//       [--link TEXT] [--password TEXT] [--wait MS]
//
// The steps run in the order given. Texts are UTF-8 on the command line. Without
// --handlers the window's events run nothing, so no request leaves the program;
// with it they run the program's own handlers (start-up notice included).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <iterator>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/globals.h"
#include "app/main_window.h"
#include "text/codepage.h"
#include "text/text.h"
#include "ui/control_names.h"
#include "ui/qt/qt_toolkit.h"

namespace {

namespace c = netdisk::ui::controls;

int usage() {
  std::fputs(
      "usage: netdisk-screenshot OUT.png [--handlers] [--keyword TEXT] [--search] [--rows N]\n"
      "       [--select ROW] [--double-click ROW] [--picture FILE] [--link TEXT]\n"
      "       [--password TEXT] [--wait MS]\n",
      stderr);
  return 2;
}

bool read_file(const std::string& path, netdisk::Bytes& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool to_int(const char* text, int& out) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < -1 || value > 1000000) return false;
  out = static_cast<int>(value);
  return true;
}

// Runs the window's events for a while, e.g. until a detail worker has written.
void wait_for(netdisk::ui::QtToolkit& toolkit, int milliseconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  do {
    toolkit.process_pending_events();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  } while (std::chrono::steady_clock::now() < until);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') return usage();
  const std::string output = argv[1];
  std::vector<std::string_view> args(argv + 2, argv + argc);

  bool handlers = false;
  for (std::string_view arg : args) handlers = handlers || arg == "--handlers";

  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  netdisk::ui::QtToolkit& toolkit = netdisk::ui::install_qt_toolkit();
  // The program's handlers need what program_main makes before the window loads.
  if (handlers) netdisk::g_regex = std::make_unique<netdisk::RegexObject>();
  toolkit.load_window(netdisk::main_window_layout(),
                      handlers ? netdisk::main_window_bindings() : netdisk::ui::EventBindings{});

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const bool has_value = i + 1 < args.size();
    const char* value = has_value ? argv[2 + i + 1] : nullptr;
    int number = 0;
    if (arg == "--handlers") continue;
    if (arg == "--search") {
      toolkit.click(c::button_1);
    } else if (arg == "--keyword" && has_value) {
      toolkit.set_content(c::edit_box_1, netdisk::utf8_to_ansi(value));
      ++i;
    } else if (arg == "--link" && has_value) {
      toolkit.set_content(c::edit_box_2, netdisk::utf8_to_ansi(value));
      ++i;
    } else if (arg == "--password" && has_value) {
      toolkit.set_content(c::edit_box_3, netdisk::utf8_to_ansi(value));
      ++i;
    } else if (arg == "--rows" && has_value && to_int(value, number)) {
      for (int n = 0; n < number; ++n) {
        const int row = toolkit.append_row(c::list_view_1);
        toolkit.set_cell_text(c::list_view_1, row, 0, netdisk::number_to_text(row));
        toolkit.set_cell_text(c::list_view_1, row, 2,
                              netdisk::utf8_to_ansi("示例影片 " + std::to_string(n + 1)));
        toolkit.process_pending_events();
      }
      ++i;
    } else if (arg == "--select" && has_value && to_int(value, number)) {
      toolkit.select_row(c::list_view_1, number);
      ++i;
    } else if (arg == "--double-click" && has_value && to_int(value, number)) {
      toolkit.select_row(c::list_view_1, number);
      // The middle of the visible column, on the row (or below the rows).
      const int row_height = 20;
      toolkit.double_click(c::list_view_1, 150, number >= 0 ? number * row_height + 5 : 200);
      ++i;
    } else if (arg == "--picture" && has_value) {
      netdisk::Bytes picture;
      if (!read_file(value, picture)) {
        std::fprintf(stderr, "cannot read %s\n", value);
        return 1;
      }
      toolkit.set_picture(c::picture_box_2, picture);
      ++i;
    } else if (arg == "--wait" && has_value && to_int(value, number)) {
      wait_for(toolkit, number);
      ++i;
    } else {
      return usage();
    }
    toolkit.process_pending_events();
  }

  toolkit.process_pending_events();
  if (!toolkit.save_window_png(output)) {
    std::fprintf(stderr, "cannot write %s\n", output.c_str());
    std::fflush(nullptr);
    std::_Exit(1);
  }
  std::printf("%s\n", output.c_str());
  std::fflush(nullptr);
  // The toolkit lives for the whole process; end without tearing Qt down under it.
  std::_Exit(0);
}
