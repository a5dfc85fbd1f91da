// The three handlers the main window's events run (bound in app/main_window.cpp):
// created before the window shows (app/startup.cpp), the search button's click
// (search/search_command.cpp), and a double-click anywhere in the result list
// (search/result_detail.cpp). All run on the window's thread.
#pragma once

namespace netdisk {

void on_main_window_created();
void on_search_clicked();
void on_result_double_clicked();

}  // namespace netdisk
