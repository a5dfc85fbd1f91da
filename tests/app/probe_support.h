// What the test programs around the program's frame share: counting how often the
// main window is shown, finding it, and printing bytes so a test can compare them.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <atomic>
#include <string>
#include <string_view>

namespace netdisk::testing {

// Counts the Show events of the widget it filters into `shows`.
class ShowCounter : public QObject {
 public:
  ShowCounter(QObject* parent, std::atomic<int>& shows) : QObject(parent), shows_(shows) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) ++shows_;
    return false;
  }

 private:
  std::atomic<int>& shows_;
};

inline QWidget* main_window() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == QStringLiteral("main_window")) return widget;
  }
  return nullptr;
}

}  // namespace netdisk::testing
