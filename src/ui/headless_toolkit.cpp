#include "ui/headless_toolkit.h"

#include <utility>

namespace netdisk::ui {

HeadlessToolkit::HeadlessToolkit(const WindowLayout& layout) { state.reset(layout); }

HeadlessToolkit::~HeadlessToolkit() { join_threads(); }

void HeadlessToolkit::load_window(const WindowLayout& layout, EventBindings new_bindings) {
  state.reset(layout);
  Handler created;
  {
    std::lock_guard lock(mutex);
    bindings = std::move(new_bindings);
    created = bindings.created;
    shown = false;
  }
  run_quietly(created);
  std::lock_guard lock(mutex);
  shown = true;
}

void HeadlessToolkit::run_message_loop() {}

void HeadlessToolkit::process_pending_events() {
  std::function<void()> hook;
  {
    std::lock_guard lock(mutex);
    ++event_calls;
    hook = pending_hook;
  }
  run_quietly(hook);
}

int HeadlessToolkit::message_box(std::string_view text, std::string_view title) {
  std::lock_guard lock(mutex);
  asked.push_back({Text(text), Text(title)});
  if (answers.empty()) return answer_no;
  const int answer = answers.front();
  answers.erase(answers.begin());
  return answer;
}

void HeadlessToolkit::open_address(std::string_view address) {
  std::lock_guard lock(mutex);
  addresses.emplace_back(address);
}

void HeadlessToolkit::start_thread(std::function<void()> routine) {
  std::lock_guard lock(mutex);
  ++started;
  try {
    threads.emplace_back([routine = std::move(routine)] { run_quietly(routine); });
  } catch (...) {
    // A thread that cannot start is not reported to the caller.
  }
}

void HeadlessToolkit::run_bound(const std::vector<std::pair<Text, Handler>>& bound,
                                std::string_view control) {
  Handler handler;
  {
    std::lock_guard lock(mutex);
    for (const auto& [name, h] : bound) {
      if (name == control) handler = h;
    }
  }
  run_quietly(handler);
}

void HeadlessToolkit::click(std::string_view button) { run_bound(bindings.clicked, button); }

void HeadlessToolkit::double_click(std::string_view list) {
  run_bound(bindings.double_clicked, list);
}

void HeadlessToolkit::select_row(std::string_view list, int row) {
  state.note_selection(list, row);
}

bool HeadlessToolkit::window_shown() const {
  std::lock_guard lock(mutex);
  return shown;
}

std::vector<HeadlessToolkit::Question> HeadlessToolkit::questions() const {
  std::lock_guard lock(mutex);
  return asked;
}

std::vector<Text> HeadlessToolkit::opened_addresses() const {
  std::lock_guard lock(mutex);
  return addresses;
}

int HeadlessToolkit::pending_event_calls() const {
  std::lock_guard lock(mutex);
  return event_calls;
}

int HeadlessToolkit::threads_started() const {
  std::lock_guard lock(mutex);
  return started;
}

void HeadlessToolkit::queue_answers(std::vector<int> more) {
  std::lock_guard lock(mutex);
  answers.insert(answers.end(), more.begin(), more.end());
}

void HeadlessToolkit::on_pending_events(std::function<void()> hook) {
  std::lock_guard lock(mutex);
  pending_hook = std::move(hook);
}

void HeadlessToolkit::join_threads() {
  // A routine may start further threads while we wait, so take them in rounds.
  for (;;) {
    std::vector<std::thread> running;
    {
      std::lock_guard lock(mutex);
      running.swap(threads);
    }
    if (running.empty()) return;
    for (std::thread& t : running) t.join();
  }
}

}  // namespace netdisk::ui
