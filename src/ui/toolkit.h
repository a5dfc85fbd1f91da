// The window toolkit as the program sees it: load the one window, run its loop, and
// read and write controls by their layout names (code page 936 bytes; take them from
// "ui/control_names.h"). Handlers reach the installed toolkit through ui::toolkit():
//
//   auto keyword = ui::toolkit().content(ui::controls::edit_box_1);
//   int row = ui::toolkit().append_row(ui::controls::list_view_1);
//
// Every operation may be called from any thread. Reads and writes of control state
// never wait for the window's thread, and a written text reads back byte for byte
// (also bytes that are not valid code page 936). An unknown name, or an operation the
// named control does not have, reads as empty (-1 for indexes) and writes nothing.
// Tests install a ui::HeadlessToolkit ("ui/headless_toolkit.h") with ScopedToolkit.
#pragma once

#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "text/text.h"
#include "ui/layout.h"

namespace netdisk::ui {

// What message_box returns.
inline constexpr int answer_yes = 5;
inline constexpr int answer_no = 6;

using Handler = std::function<void()>;

// The events of a window that run program code. A handler runs on the window's
// thread; an exception leaving a handler is dropped there.
struct EventBindings {
  Handler created;  // all controls exist; the window is not shown yet
  std::vector<std::pair<Text, Handler>> clicked;         // button name, handler
  std::vector<std::pair<Text, Handler>> double_clicked;  // list view name, handler: left
                                                         // double-click anywhere inside it
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Builds every control of the layout, runs bindings.created while nothing is
  // visible, then shows the window centred on the screen.
  virtual void load_window(const WindowLayout& layout, EventBindings bindings) = 0;
  // Returns once the window has been closed.
  virtual void run_message_loop() = 0;

  // Labels and buttons have a caption, edit boxes a content; both are the control's
  // one text, so either pair of calls reaches it.
  virtual Text caption(std::string_view control) const = 0;
  virtual void set_caption(std::string_view control, std::string_view text) = 0;
  virtual Text content(std::string_view control) const = 0;
  virtual void set_content(std::string_view control, std::string_view text) = 0;

  // List views. Rows and columns count from 0; rows keep the order of appending.
  virtual void delete_all_rows(std::string_view list) = 0;
  // The new row's index; -1 when list names no list view.
  virtual int append_row(std::string_view list) = 0;
  // Hidden (zero-width) columns hold their texts like visible ones.
  virtual void set_cell_text(std::string_view list, int row, int column,
                             std::string_view text) = 0;
  virtual Text cell_text(std::string_view list, int row, int column) const = 0;
  // The first selected row, -1 when none is selected.
  virtual int current_selection(std::string_view list) const = 0;

  // Picture boxes decode JPEG, PNG, BMP, GIF (first frame), icon and cursor data;
  // data that decodes to nothing leaves the box empty.
  virtual void set_picture(std::string_view box, const Bytes& picture) = 0;
  // 0 own size at the top-left, 1 stretched over the box, 2 centred and shrunk to fit
  // keeping proportions. Other values are ignored.
  virtual void set_display_mode(std::string_view box, int mode) = 0;

  // On the window's thread: shows what was written and runs every waiting event
  // (clicks included) before returning. On any other thread: returns at once.
  virtual void process_pending_events() = 0;
  // A modal Yes/No question with no owner window: answer_yes or answer_no.
  virtual int message_box(std::string_view text, std::string_view title) = 0;
  // Hands the address to the system's default handler; no result.
  virtual void open_address(std::string_view address) = 0;
  // Runs routine on a new thread that nobody waits for. A routine's exception is
  // dropped; a thread that cannot be started is not reported.
  virtual void start_thread(std::function<void()> routine) = 0;
};

// The installed toolkit; before any is installed, an inert one whose controls
// all read as empty.
Toolkit& toolkit();
// Installs toolkit for the whole process (not owned); nullptr restores the inert one.
void set_toolkit(Toolkit* toolkit);

// Installs a toolkit for one scope and puts the previous one back afterwards.
class ScopedToolkit {
 public:
  explicit ScopedToolkit(Toolkit& toolkit);
  ~ScopedToolkit();
  ScopedToolkit(const ScopedToolkit&) = delete;
  ScopedToolkit& operator=(const ScopedToolkit&) = delete;

 private:
  Toolkit* previous;
};

}  // namespace netdisk::ui
