// Filling the result list through the toolkit the way the search command does:
// one row of four cells at a time, pending events processed after each row, on
// the offscreen platform with the main window shown.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "app/main_window.h"
#include "text/text.h"
#include "ui/control_names.h"
#include "ui/qt/qt_toolkit.h"

namespace {

netdisk::ui::QtToolkit& shown_main_window() {
  // Made on first use and never destroyed, as in the program.
  static netdisk::ui::QtToolkit* const toolkit = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    auto* made = new netdisk::ui::QtToolkit();
    made->load_window(netdisk::main_window_layout(), {});
    made->process_pending_events();
    return made;
  }();
  return *toolkit;
}

void BM_AppendRows(benchmark::State& state) {
  netdisk::ui::QtToolkit& toolkit = shown_main_window();
  const auto list = netdisk::ui::controls::list_view_1;
  const int rows = static_cast<int>(state.range(0));
  // 示例影片 [1080P] in code page 936, and addresses of the demo site's length.
  const netdisk::Text name = "\xCA\xBE\xC0\xFD\xD3\xB0\xC6\xAC [1080P]";
  for (auto _ : state) {
    toolkit.delete_all_rows(list);
    for (int i = 0; i < rows; ++i) {
      const int row = toolkit.append_row(list);
      const netdisk::Text index = netdisk::number_to_text(row);
      toolkit.set_cell_text(list, row, 0, index);
      toolkit.set_cell_text(list, row, 2, name + " " + index);
      toolkit.set_cell_text(list, row, 1, "http://127.0.0.1:8080/detail/" + index + ".html");
      toolkit.set_cell_text(list, row, 3, "http://127.0.0.1:8080/cover/" + index + ".jpg");
      toolkit.process_pending_events();
    }
  }
  state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_AppendRows)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
