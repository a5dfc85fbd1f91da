#include "ui/control_model.h"

#include <utility>

namespace netdisk::ui {

namespace {

bool holds_text(ControlKind kind) {
  return kind == ControlKind::label || kind == ControlKind::edit_box ||
         kind == ControlKind::button;
}

bool valid_display_mode(int mode) { return mode >= 0 && mode <= 2; }

ControlModel::Change change_of(ControlModel::Change::Kind kind, std::string_view control,
                               int row = -1, int column = -1) {
  ControlModel::Change change;
  change.kind = kind;
  change.control.assign(control);
  change.row = row;
  change.column = column;
  return change;
}

}  // namespace

void ControlModel::reset(const WindowLayout& layout) {
  std::lock_guard lock(mutex);
  controls.clear();
  changes.clear();
  for (const ControlLayout& c : layout.controls) {
    Control control;
    control.kind = c.kind;
    if (holds_text(c.kind)) control.text = c.caption;
    control.columns = c.kind == ControlKind::list_view ? static_cast<int>(c.columns.size()) : 0;
    control.display_mode = valid_display_mode(c.display_mode) ? c.display_mode : 0;
    controls.insert_or_assign(c.name, std::move(control));
  }
}

bool ControlModel::has_control(std::string_view name) const {
  std::lock_guard lock(mutex);
  return controls.find(name) != controls.end();
}

const ControlModel::Control* ControlModel::find(std::string_view name, ControlKind kind) const {
  auto it = controls.find(name);
  return it != controls.end() && it->second.kind == kind ? &it->second : nullptr;
}

ControlModel::Control* ControlModel::find(std::string_view name, ControlKind kind) {
  auto it = controls.find(name);
  return it != controls.end() && it->second.kind == kind ? &it->second : nullptr;
}

const ControlModel::Control* ControlModel::find_text_holder(std::string_view name) const {
  auto it = controls.find(name);
  return it != controls.end() && holds_text(it->second.kind) ? &it->second : nullptr;
}

ControlModel::Control* ControlModel::find_text_holder(std::string_view name) {
  auto it = controls.find(name);
  return it != controls.end() && holds_text(it->second.kind) ? &it->second : nullptr;
}

bool ControlModel::log(Change change) {
  const bool first = changes.empty();
  changes.push_back(std::move(change));
  return first;
}

void ControlModel::notify(bool logged, bool first) {
  // wake is set before other threads start and never changes afterwards.
  if (logged && wake) wake(first);
}

Text ControlModel::text(std::string_view name) const {
  std::lock_guard lock(mutex);
  const Control* control = find_text_holder(name);
  return control ? control->text : Text();
}

void ControlModel::set_text(std::string_view name, std::string_view text) {
  bool logged = false;
  bool first = false;
  {
    std::lock_guard lock(mutex);
    Control* control = find_text_holder(name);
    if (!control) return;
    control->text.assign(text);
    if (logging) {
      logged = true;
      first = log(change_of(Change::Kind::text, name));
    }
  }
  notify(logged, first);
}

void ControlModel::note_typed_text(std::string_view name, std::string_view text) {
  std::lock_guard lock(mutex);
  if (Control* control = find_text_holder(name)) control->text.assign(text);
}

void ControlModel::clear_rows(std::string_view name) {
  bool logged = false;
  bool first = false;
  {
    std::lock_guard lock(mutex);
    Control* control = find(name, ControlKind::list_view);
    if (!control) return;
    control->rows.clear();
    control->rows.shrink_to_fit();
    control->selection = -1;
    if (logging) {
      logged = true;
      first = log(change_of(Change::Kind::rows_cleared, name));
    }
  }
  notify(logged, first);
}

int ControlModel::append_row(std::string_view name) {
  bool logged = false;
  bool first = false;
  int row = -1;
  {
    std::lock_guard lock(mutex);
    Control* control = find(name, ControlKind::list_view);
    if (!control) return -1;
    row = static_cast<int>(control->rows.size());
    control->rows.emplace_back(static_cast<std::size_t>(control->columns));
    if (logging) {
      logged = true;
      first = log(change_of(Change::Kind::row_appended, name, row));
    }
  }
  notify(logged, first);
  return row;
}

void ControlModel::set_cell(std::string_view name, int row, int column, std::string_view text) {
  bool logged = false;
  bool first = false;
  {
    std::lock_guard lock(mutex);
    Control* control = find(name, ControlKind::list_view);
    if (!control || row < 0 || row >= static_cast<int>(control->rows.size()) || column < 0 ||
        column >= control->columns) {
      return;
    }
    control->rows[row][column].assign(text);
    if (logging) {
      logged = true;
      Change change = change_of(Change::Kind::cell, name, row, column);
      change.text.assign(text);
      first = log(std::move(change));
    }
  }
  notify(logged, first);
}

Text ControlModel::cell(std::string_view name, int row, int column) const {
  std::lock_guard lock(mutex);
  const Control* control = find(name, ControlKind::list_view);
  if (!control || row < 0 || row >= static_cast<int>(control->rows.size()) || column < 0 ||
      column >= control->columns) {
    return Text();
  }
  return control->rows[row][column];
}

int ControlModel::row_count(std::string_view name) const {
  std::lock_guard lock(mutex);
  const Control* control = find(name, ControlKind::list_view);
  return control ? static_cast<int>(control->rows.size()) : 0;
}

int ControlModel::column_count(std::string_view name) const {
  std::lock_guard lock(mutex);
  const Control* control = find(name, ControlKind::list_view);
  return control ? control->columns : 0;
}

int ControlModel::selection(std::string_view name) const {
  std::lock_guard lock(mutex);
  const Control* control = find(name, ControlKind::list_view);
  return control ? control->selection : -1;
}

void ControlModel::note_selection(std::string_view name, int row) {
  std::lock_guard lock(mutex);
  Control* control = find(name, ControlKind::list_view);
  if (!control) return;
  control->selection = row >= 0 && row < static_cast<int>(control->rows.size()) ? row : -1;
}

void ControlModel::set_picture(std::string_view name, const Bytes& picture) {
  bool logged = false;
  bool first = false;
  {
    std::lock_guard lock(mutex);
    Control* control = find(name, ControlKind::picture_box);
    if (!control) return;
    control->picture = picture;
    if (logging) {
      logged = true;
      Change change = change_of(Change::Kind::picture, name);
      change.picture = picture;
      first = log(std::move(change));
    }
  }
  notify(logged, first);
}

Bytes ControlModel::picture(std::string_view name) const {
  std::lock_guard lock(mutex);
  const Control* control = find(name, ControlKind::picture_box);
  return control ? control->picture : Bytes();
}

void ControlModel::set_display_mode(std::string_view name, int mode) {
  if (!valid_display_mode(mode)) return;
  bool logged = false;
  bool first = false;
  {
    std::lock_guard lock(mutex);
    Control* control = find(name, ControlKind::picture_box);
    if (!control) return;
    control->display_mode = mode;
    if (logging) {
      logged = true;
      first = log(change_of(Change::Kind::display_mode, name));
    }
  }
  notify(logged, first);
}

int ControlModel::display_mode(std::string_view name) const {
  std::lock_guard lock(mutex);
  const Control* control = find(name, ControlKind::picture_box);
  return control ? control->display_mode : 0;
}

void ControlModel::log_changes(std::function<void(bool first)> wake_up) {
  std::lock_guard lock(mutex);
  logging = true;
  wake = std::move(wake_up);
}

std::vector<ControlModel::Change> ControlModel::take_changes() {
  std::lock_guard lock(mutex);
  std::vector<Change> taken;
  taken.swap(changes);
  return taken;
}

}  // namespace netdisk::ui
