// A Toolkit without a screen, for tests of code that drives the window: controls
// live only in their model, user actions are simulated by calls, and what the
// program asked of the system (questions, addresses, threads) is recorded.
//
//   ui::HeadlessToolkit fake(netdisk::main_window_layout());
//   ui::ScopedToolkit installed(fake);
//   fake.queue_answers({ui::answer_yes});
//   ... run the handler under test ...
//   EXPECT_EQ(fake.opened_addresses(), std::vector<Text>{"http://..."});
#pragma once

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "ui/model_toolkit.h"

namespace netdisk::ui {

class HeadlessToolkit : public ModelToolkit {
 public:
  struct Question {
    Text text;
    Text title;
    bool operator==(const Question&) const = default;
  };

  // No controls until load_window.
  HeadlessToolkit() = default;
  // The layout's controls exist at once; no handler runs and nothing is "shown".
  explicit HeadlessToolkit(const WindowLayout& layout);
  // Waits for the threads that start_thread started.
  ~HeadlessToolkit() override;

  // Takes the layout's controls, runs the created handler, then counts as shown.
  void load_window(const WindowLayout& layout, EventBindings bindings) override;
  // Nothing to wait for: returns at once.
  void run_message_loop() override;
  // Counts the call and runs the hook set by on_pending_events, if any.
  void process_pending_events() override;
  // Records the question; answers with the next queued answer, answer_no when none.
  int message_box(std::string_view text, std::string_view title) override;
  void open_address(std::string_view address) override;
  // A real thread; join_threads (or the destructor) waits for it.
  void start_thread(std::function<void()> routine) override;

  // What a user would do. A click or double-click runs the bound handler on the
  // calling thread; a control without a binding does nothing.
  void click(std::string_view button);
  void double_click(std::string_view list);
  void select_row(std::string_view list, int row);

  // What the program did.
  bool window_shown() const;
  std::vector<Question> questions() const;
  std::vector<Text> opened_addresses() const;
  int pending_event_calls() const;
  int threads_started() const;

  void queue_answers(std::vector<int> answers);
  // Runs inside every process_pending_events, e.g. to click while a list fills.
  void on_pending_events(std::function<void()> hook);
  void join_threads();

 private:
  void run_bound(const std::vector<std::pair<Text, Handler>>& bound, std::string_view control);

  mutable std::mutex mutex;
  EventBindings bindings;
  bool shown = false;
  std::vector<Question> asked;
  std::vector<int> answers;
  std::vector<Text> addresses;
  int event_calls = 0;
  int started = 0;
  std::function<void()> pending_hook;
  std::vector<std::thread> threads;
};

}  // namespace netdisk::ui
