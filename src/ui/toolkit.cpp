#include "ui/toolkit.h"

#include <atomic>

#include "ui/headless_toolkit.h"

namespace netdisk::ui {

namespace {

std::atomic<Toolkit*> installed{nullptr};

Toolkit& inert_toolkit() {
  // Never destroyed: handlers on other threads may still reach it at exit.
  static auto* inert = new HeadlessToolkit();
  return *inert;
}

}  // namespace

Toolkit& toolkit() {
  Toolkit* current = installed.load(std::memory_order_acquire);
  return current ? *current : inert_toolkit();
}

void set_toolkit(Toolkit* toolkit) { installed.store(toolkit, std::memory_order_release); }

ScopedToolkit::ScopedToolkit(Toolkit& toolkit)
    : previous(installed.exchange(&toolkit, std::memory_order_acq_rel)) {}

ScopedToolkit::~ScopedToolkit() { installed.store(previous, std::memory_order_release); }

}  // namespace netdisk::ui
