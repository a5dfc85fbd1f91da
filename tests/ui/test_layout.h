// A small window for toolkit tests: one control of each kind, with names that are
// code page 936 bytes like the program's own.
#pragma once

#include "ui/layout.h"

namespace netdisk::ui::testing {

// 标签1, 编辑框1, 按钮1, 超级列表框1 (four columns, widths 0 0 320 0), 图片框2 (mode 1),
// 外形框1 holding them.
inline constexpr const char* frame = "\xCD\xE2\xD0\xCE\xBF\xF2" "1";
inline constexpr const char* label = "\xB1\xEA\xC7\xA9" "1";
inline constexpr const char* edit = "\xB1\xE0\xBC\xAD\xBF\xF2" "1";
inline constexpr const char* button = "\xB0\xB4\xC5\xA5" "1";
inline constexpr const char* list = "\xB3\xAC\xBC\xB6\xC1\xD0\xB1\xED\xBF\xF2" "1";
inline constexpr const char* picture = "\xCD\xBC\xC6\xAC\xBF\xF2" "2";

inline ControlLayout make_control(const char* name, ControlKind kind, const char* parent, int left,
                                  int top, int width, int height) {
  ControlLayout c;
  c.name = name;
  c.kind = kind;
  c.parent = parent;
  c.left = left;
  c.top = top;
  c.width = width;
  c.height = height;
  return c;
}

inline WindowLayout small_window() {
  WindowLayout w;
  w.caption = "toolkit test";
  w.outer_width = 420;
  w.outer_height = 300;
  ControlLayout frame_box = make_control(frame, ControlKind::frame_box, "", 0, 0, 420, 280);
  frame_box.background = Rgb{0, 0, 0};
  frame_box.border_color = Rgb{255, 0, 0};
  ControlLayout label_control = make_control(label, ControlKind::label, frame, 8, 8, 100, 24);
  label_control.caption = "\xB1\xEA\xC7\xA9";  // 标签
  ControlLayout edit_control = make_control(edit, ControlKind::edit_box, frame, 110, 8, 200, 24);
  ControlLayout button_control = make_control(button, ControlKind::button, frame, 320, 8, 80, 24);
  button_control.caption = "\xCB\xD1\xCB\xF7";  // 搜索
  ControlLayout list_control = make_control(list, ControlKind::list_view, frame, 150, 40, 260, 200);
  list_control.background = Rgb{0, 0, 0};
  list_control.text_color = Rgb{255, 255, 0};
  list_control.columns = {{"a", 0, Align::left},
                          {"b", 0, Align::centre},
                          {"c", 320, Align::centre},
                          {"d", 0, Align::left}};
  ControlLayout picture_control =
      make_control(picture, ControlKind::picture_box, frame, 8, 40, 134, 222);
  picture_control.background = Rgb{255, 80, 128};
  picture_control.display_mode = 1;
  w.controls = {frame_box, label_control, edit_control, button_control, list_control,
                picture_control};
  return w;
}

}  // namespace netdisk::ui::testing
