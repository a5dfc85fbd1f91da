// The three handlers the main window's events run (bound in app/main_window.cpp):
// created before the window shows, the search button's click, and a double-click
// anywhere in the result list. All run on the window's thread.
#pragma once

namespace netdisk {

void on_main_window_created();
void on_search_clicked();
void on_result_double_clicked();

}  // namespace netdisk
