// The toolkit on Qt 6 Widgets. Control state lives in the inherited ControlModel;
// the widgets mirror it and are touched only on the thread that made the toolkit
// (the window's thread). Another thread's write lands in the model at once and
// wakes the window's thread through a pipe, so no thread ever waits for the window
// and no Qt call is made off the window's thread. No Qt header is needed here.
//
//   ui::Toolkit& tk = ui::install_qt_toolkit();   // once, on the main thread
//   tk.load_window(layout, bindings);
//   tk.run_message_loop();
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ui/model_toolkit.h"

class QWidget;

namespace netdisk::ui {

class QtToolkit final : public ModelToolkit {
 public:
  // Makes the application object when none exists yet (the platform comes from
  // QT_QPA_PLATFORM as usual; the program passes no command line to Qt).
  QtToolkit();
  ~QtToolkit() override;
  QtToolkit(const QtToolkit&) = delete;
  QtToolkit& operator=(const QtToolkit&) = delete;

  void load_window(const WindowLayout& layout, EventBindings bindings) override;
  void run_message_loop() override;
  void process_pending_events() override;
  int message_box(std::string_view text, std::string_view title) override;
  void open_address(std::string_view address) override;
  void start_thread(std::function<void()> routine) override;

  // Replaces the system's default handler for open_address (tests, tools).
  void set_address_opener(std::function<void(const Text&)> opener);
  // What a user would do, through the widgets (window's thread; tests, tools).
  // Selects a row as a click on it would; -1 clears the selection.
  void select_row(std::string_view list, int row);
  void click(std::string_view button);
  // A left double-click at a point of the list's viewport.
  void double_click(std::string_view list, int x, int y);
  // The window's client area as a PNG file; false when there is no window or the
  // file cannot be written.
  bool save_window_png(const std::string& path);
  // The top-level window, nullptr before load_window.
  QWidget* window() const;

 private:
  struct Gui;
  std::unique_ptr<Gui> gui;
};

// The process's one Qt toolkit, made on first call and installed as ui::toolkit().
// It is never destroyed: worker threads may use it until the process ends.
QtToolkit& install_qt_toolkit();

}  // namespace netdisk::ui
