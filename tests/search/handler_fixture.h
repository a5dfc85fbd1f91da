// What the handler tests share: the main window's controls in a headless toolkit
// that also logs the calls the handlers make, the handlers bound to the events as
// the program binds them, g_regex made as at start-up, and a loopback fixture site
// that the search base points at.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/main_window.h"
#include "fixture_site.h"
#include "search/result_detail.h"
#include "search/search_command.h"
#include "text/codepage.h"
#include "ui/control_names.h"
#include "ui/headless_toolkit.h"

namespace netdisk::search_test {

namespace controls = ui::controls;

inline Text ansi(std::string_view utf8) { return utf8_to_ansi(utf8); }

// Readable names for the log and for failure messages.
inline std::string short_name(std::string_view control) {
  if (control == controls::edit_box_1) return "edit1";
  if (control == controls::edit_box_2) return "edit2";
  if (control == controls::edit_box_3) return "edit3";
  if (control == controls::label_1) return "label1";
  if (control == controls::list_view_1) return "list";
  if (control == controls::picture_box_2) return "picture2";
  return "other";
}

// A HeadlessToolkit that logs, in call order and from any thread, the writes and
// reads the handlers make.
class RecordingToolkit : public ui::HeadlessToolkit {
 public:
  using HeadlessToolkit::HeadlessToolkit;

  std::vector<std::string> log() const {
    std::lock_guard lock(log_mutex);
    return entries;
  }
  void clear_log() {
    std::lock_guard lock(log_mutex);
    entries.clear();
  }
  // Runs on the window's thread after the handler asks for a thread and before
  // the thread starts: what the user does in between.
  void before_thread_start(std::function<void()> action) { before_thread = std::move(action); }

  void set_cell_text(std::string_view list, int row, int column, std::string_view text) override {
    note("cell " + std::to_string(row) + "," + std::to_string(column));
    HeadlessToolkit::set_cell_text(list, row, column, text);
  }
  void process_pending_events() override {
    note("events");
    HeadlessToolkit::process_pending_events();
  }
  void set_picture(std::string_view box, const Bytes& picture) override {
    note("picture " + short_name(box));
    HeadlessToolkit::set_picture(box, picture);
  }
  void start_thread(std::function<void()> routine) override {
    note("thread");
    if (before_thread) before_thread();
    HeadlessToolkit::start_thread(std::move(routine));
  }
  void set_content(std::string_view control, std::string_view text) override {
    note("write " + short_name(control) + "=" + std::string(text));
    HeadlessToolkit::set_content(control, text);
  }
  void set_caption(std::string_view control, std::string_view text) override {
    note("write " + short_name(control) + "=" + std::string(text));
    HeadlessToolkit::set_caption(control, text);
  }
  Text caption(std::string_view control) const override {
    note("read " + short_name(control));
    return HeadlessToolkit::caption(control);
  }

 private:
  void note(std::string entry) const {
    std::lock_guard lock(log_mutex);
    entries.push_back(std::move(entry));
  }

  mutable std::mutex log_mutex;
  mutable std::vector<std::string> entries;
  std::function<void()> before_thread;
};

using Row = std::array<Text, 4>;

class HandlerTest : public ::testing::Test {
 protected:
  HandlerTest() : installed(toolkit) {
    g_regex = std::make_unique<RegexObject>();
    ui::EventBindings bindings;
    bindings.clicked.emplace_back(Text(controls::button_1), on_search_clicked);
    bindings.double_clicked.emplace_back(Text(controls::list_view_1), on_result_double_clicked);
    toolkit.load_window(main_window_layout(), std::move(bindings));
    set_search_base_for_testing(site.url("/key/"));
  }

  ~HandlerTest() override {
    toolkit.join_threads();
    set_search_base_for_testing("");
    g_regex.reset();
  }

  void search(std::string_view keyword) {
    toolkit.set_content(controls::edit_box_1, keyword);
    toolkit.click(controls::button_1);
  }

  std::vector<Row> rows() const {
    std::vector<Row> out;
    const ui::ControlModel& model = toolkit.model();
    for (int row = 0; row < model.row_count(controls::list_view_1); ++row) {
      Row cells;
      for (int column = 0; column < 4; ++column)
        cells[column] = model.cell(controls::list_view_1, row, column);
      out.push_back(cells);
    }
    return out;
  }

  // A row as the search command writes it: index, detail, cleaned name, cover.
  int add_row(std::string_view detail, std::string_view name, std::string_view cover) {
    const int row = toolkit.append_row(controls::list_view_1);
    toolkit.set_cell_text(controls::list_view_1, row, 0, number_to_text(row));
    toolkit.set_cell_text(controls::list_view_1, row, 2, name);
    toolkit.set_cell_text(controls::list_view_1, row, 1, detail);
    toolkit.set_cell_text(controls::list_view_1, row, 3, cover);
    return row;
  }

  Text content(std::string_view control) const { return toolkit.model().text(control); }
  Bytes picture() const { return toolkit.model().picture(controls::picture_box_2); }

  FixtureSite site;
  RecordingToolkit toolkit;
  ui::ScopedToolkit installed;
};

}  // namespace netdisk::search_test
