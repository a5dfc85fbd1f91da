// The control operations of a Toolkit kept in a ControlModel, shared by the Qt
// toolkit and the headless one: what a caller writes is what it reads back, on any
// thread, whether or not a screen shows it.
#pragma once

#include <functional>

#include "ui/control_model.h"
#include "ui/toolkit.h"

namespace netdisk::ui {

// Runs a handler or a thread's routine so that no exception leaves it: a failure
// stays inside the routine, as it does on screen.
inline void run_quietly(const std::function<void()>& routine) {
  if (!routine) return;
  try {
    routine();
  } catch (...) {
  }
}

class ModelToolkit : public Toolkit {
 public:
  Text caption(std::string_view control) const override { return state.text(control); }
  void set_caption(std::string_view control, std::string_view text) override {
    state.set_text(control, text);
  }
  Text content(std::string_view control) const override { return state.text(control); }
  void set_content(std::string_view control, std::string_view text) override {
    state.set_text(control, text);
  }
  void delete_all_rows(std::string_view list) override { state.clear_rows(list); }
  int append_row(std::string_view list) override { return state.append_row(list); }
  void set_cell_text(std::string_view list, int row, int column,
                     std::string_view text) override {
    state.set_cell(list, row, column, text);
  }
  Text cell_text(std::string_view list, int row, int column) const override {
    return state.cell(list, row, column);
  }
  int current_selection(std::string_view list) const override { return state.selection(list); }
  void set_picture(std::string_view box, const Bytes& picture) override {
    state.set_picture(box, picture);
  }
  void set_display_mode(std::string_view box, int mode) override {
    state.set_display_mode(box, mode);
  }

  // The controls' state, for tests and for the code that mirrors it on screen.
  ControlModel& model() { return state; }
  const ControlModel& model() const { return state; }

 protected:
  ControlModel state;
};

}  // namespace netdisk::ui
