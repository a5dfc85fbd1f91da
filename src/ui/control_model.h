// The state of every control of a window (texts, list rows, selection, picture,
// display mode), safe to read and write from any thread. A toolkit keeps its
// controls here and mirrors them on screen: each write that changes what is shown
// is logged, and the window's thread takes the log and applies it to its widgets.
// Reads never wait for that thread.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string_view>
#include <vector>

#include "text/text.h"
#include "ui/layout.h"

namespace netdisk::ui {

class ControlModel {
 public:
  struct Change {
    enum class Kind { text, rows_cleared, row_appended, cell, picture, display_mode };
    Kind kind = Kind::text;
    Text control;
    int row = -1;
    int column = -1;
    Text text;        // cell
    Bytes picture;    // picture
  };

  ControlModel() = default;
  ControlModel(const ControlModel&) = delete;
  ControlModel& operator=(const ControlModel&) = delete;

  // Forgets every control and the change log, then takes the controls of layout
  // with their initial captions, display modes and column counts.
  void reset(const WindowLayout& layout);

  bool has_control(std::string_view name) const;

  // Labels, buttons and edit boxes.
  Text text(std::string_view name) const;
  void set_text(std::string_view name, std::string_view text);
  // A text the user typed: stored, but not logged, since the widget already shows it.
  void note_typed_text(std::string_view name, std::string_view text);

  // List views.
  void clear_rows(std::string_view name);
  int append_row(std::string_view name);
  void set_cell(std::string_view name, int row, int column, std::string_view text);
  Text cell(std::string_view name, int row, int column) const;
  int row_count(std::string_view name) const;
  int column_count(std::string_view name) const;
  int selection(std::string_view name) const;
  // The row the user selected on screen, -1 for none; a row that does not exist
  // (the screen lagging behind a clear) reads as none.
  void note_selection(std::string_view name, int row);

  // Picture boxes.
  void set_picture(std::string_view name, const Bytes& picture);
  Bytes picture(std::string_view name) const;
  void set_display_mode(std::string_view name, int mode);
  int display_mode(std::string_view name) const;

  // Turns logging on. wake runs after every logged write, outside the lock, with
  // true when the log had been empty before it.
  void log_changes(std::function<void(bool first)> wake);
  std::vector<Change> take_changes();

 private:
  struct Control {
    ControlKind kind = ControlKind::label;
    Text text;
    std::vector<std::vector<Text>> rows;
    int columns = 0;
    int selection = -1;
    Bytes picture;
    int display_mode = 0;
  };
  using Controls = std::map<Text, Control, std::less<>>;

  const Control* find(std::string_view name, ControlKind kind) const;
  Control* find(std::string_view name, ControlKind kind);
  const Control* find_text_holder(std::string_view name) const;
  Control* find_text_holder(std::string_view name);
  // Appends to the log under the held lock; true when the log was empty.
  bool log(Change change);
  void notify(bool logged, bool first);

  mutable std::mutex mutex;
  Controls controls;
  std::vector<Change> changes;
  bool logging = false;
  std::function<void(bool)> wake;
};

}  // namespace netdisk::ui
