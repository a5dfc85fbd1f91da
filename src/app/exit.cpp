#include "app/exit.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

namespace netdisk {

namespace {

struct ExitRoutines {
  std::mutex mutex;
  std::condition_variable finished;
  std::vector<void (*)()> routines;
  bool started = false;
  bool done = false;
  std::thread::id runner;
};

ExitRoutines& exit_routines() {
  // Never destroyed: the list must outlive every static destructor that could run.
  static auto* const list = new ExitRoutines();
  return *list;
}

}  // namespace

void register_exit_routine(void (*routine)()) {
  if (!routine) return;
  ExitRoutines& list = exit_routines();
  std::lock_guard lock(list.mutex);
  list.routines.push_back(routine);
}

void run_exit_routines() {
  ExitRoutines& list = exit_routines();
  std::vector<void (*)()> routines;
  {
    std::unique_lock lock(list.mutex);
    if (list.started) {
      if (list.runner != std::this_thread::get_id()) {
        list.finished.wait(lock, [&] { return list.done; });
      }
      return;
    }
    list.started = true;
    list.runner = std::this_thread::get_id();
    routines = list.routines;
  }
  for (void (*routine)() : routines) {
    try {
      routine();
    } catch (...) {
      // The remaining routines still run.
    }
  }
  {
    std::lock_guard lock(list.mutex);
    list.done = true;
  }
  list.finished.notify_all();
}

void end_program(int code) {
  run_exit_routines();
  std::cout.flush();
  std::cerr.flush();
  std::clog.flush();
  std::fflush(nullptr);
  // Not std::exit: static destructors would run while worker threads still use
  // the objects they destroy.
  std::_Exit(code);
}

}  // namespace netdisk
