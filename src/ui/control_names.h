// The layout names of the main window's controls, as code page 936 bytes: the form
// in which every toolkit operation takes a control name. Use these constants rather
// than spelling the bytes again; the Chinese name stands in the comment beside each.
// (Separate literals keep a hex escape from swallowing the digit after it.)
#pragma once

#include <array>
#include <string_view>

namespace netdisk::ui::controls {

inline constexpr std::string_view frame_box_1 = "\xCD\xE2\xD0\xCE\xBF\xF2" "1";  // 外形框1
inline constexpr std::string_view frame_box_2 = "\xCD\xE2\xD0\xCE\xBF\xF2" "2";  // 外形框2
inline constexpr std::string_view frame_box_3 = "\xCD\xE2\xD0\xCE\xBF\xF2" "3";  // 外形框3
inline constexpr std::string_view frame_box_4 = "\xCD\xE2\xD0\xCE\xBF\xF2" "4";  // 外形框4
inline constexpr std::string_view frame_box_5 = "\xCD\xE2\xD0\xCE\xBF\xF2" "5";  // 外形框5
inline constexpr std::string_view frame_box_6 = "\xCD\xE2\xD0\xCE\xBF\xF2" "6";  // 外形框6

inline constexpr std::string_view label_1 = "\xB1\xEA\xC7\xA9" "1";  // 标签1
inline constexpr std::string_view label_2 = "\xB1\xEA\xC7\xA9" "2";  // 标签2
inline constexpr std::string_view label_3 = "\xB1\xEA\xC7\xA9" "3";  // 标签3
inline constexpr std::string_view label_4 = "\xB1\xEA\xC7\xA9" "4";  // 标签4
inline constexpr std::string_view label_5 = "\xB1\xEA\xC7\xA9" "5";  // 标签5
inline constexpr std::string_view label_6 = "\xB1\xEA\xC7\xA9" "6";  // 标签6
inline constexpr std::string_view label_7 = "\xB1\xEA\xC7\xA9" "7";  // 标签7
inline constexpr std::string_view label_8 = "\xB1\xEA\xC7\xA9" "8";  // 标签8

inline constexpr std::string_view edit_box_1 = "\xB1\xE0\xBC\xAD\xBF\xF2" "1";  // 编辑框1
inline constexpr std::string_view edit_box_2 = "\xB1\xE0\xBC\xAD\xBF\xF2" "2";  // 编辑框2
inline constexpr std::string_view edit_box_3 = "\xB1\xE0\xBC\xAD\xBF\xF2" "3";  // 编辑框3

inline constexpr std::string_view button_1 = "\xB0\xB4\xC5\xA5" "1";  // 按钮1

inline constexpr std::string_view picture_box_1 = "\xCD\xBC\xC6\xAC\xBF\xF2" "1";  // 图片框1
inline constexpr std::string_view picture_box_2 = "\xCD\xBC\xC6\xAC\xBF\xF2" "2";  // 图片框2

// 超级列表框1, the result list.
inline constexpr std::string_view list_view_1 = "\xB3\xAC\xBC\xB6\xC1\xD0\xB1\xED\xBF\xF2" "1";

// Every control of the main window, in the depth-first order of its layout.
inline constexpr std::array<std::string_view, 21> all = {
    frame_box_1, frame_box_4, label_5,     edit_box_1, button_1,      frame_box_2, label_2,
    edit_box_2,  label_6,     edit_box_3,  frame_box_6, label_3,      frame_box_3, picture_box_2,
    frame_box_5, list_view_1, label_7,     label_8,    label_4,       label_1,     picture_box_1,
};

}  // namespace netdisk::ui::controls
