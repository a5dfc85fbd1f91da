// The main window: its layout as data, and which handler each of its events runs.
#pragma once

#include "ui/layout.h"
#include "ui/toolkit.h"

namespace netdisk {

// Built once; the same object on every call.
const ui::WindowLayout& main_window_layout();
// created: on_main_window_created; 按钮1 clicked: on_search_clicked;
// 超级列表框1 double-clicked: on_result_double_clicked.
ui::EventBindings main_window_bindings();

}  // namespace netdisk
