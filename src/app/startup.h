// What runs while the main window is being created, before it is shown: the
// start-up notice (notes into 标签8, and the update offer that ends the program
// when a newer version is announced), then the usage counter (the total into 标签7).
// Both requests block; with no network each fails and the window still opens.
#pragma once

#include <string_view>

#include "text/text.h"

namespace netdisk {

// The program's own version, compared with the one the notice announces.
inline constexpr std::string_view own_version = "2.2";

// The main window's created handler.
void on_main_window_created();

void show_startup_notice();
void show_usage_count();

// For tests only: the notice page and counter page are read from these addresses
// instead of the built-in ones; an empty address brings the built-in one back.
// Call it before the window loads; the program never does.
void set_startup_addresses_for_testing(std::string_view notice_address,
                                       std::string_view counter_address);

// The fields of a notice page as the start-up reads them: the page converted from
// UTF-8 to GB18030 as a whole (nothing at all when any of it is not valid UTF-8),
// its first section from "////开始" to "////结束", and each field in that section.
struct Notice {
  Text version;         // after "最新版本=", up to "!"
  Text notes;           // after "更新说明=", up to "*"; lines separated by "|"
  Text update_address;  // after "更新地址=", up to "完毕"
};
Notice read_notice(const Bytes& page);

// The total a counter reply carries between "累计访问：" and "&#", byte for byte.
Text read_usage_total(std::string_view reply);

// True for an address that starts with "http://" or "https://", letters in any
// case: the only kind the update offer hands to the system to open.
bool is_web_address(std::string_view address);

}  // namespace netdisk
