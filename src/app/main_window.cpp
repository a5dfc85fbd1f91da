#include "app/main_window.h"

#include <string_view>

#include "app/startup.h"
#include "app/window_icon.h"
#include "search/result_detail.h"
#include "search/search_command.h"
#include "ui/control_names.h"

namespace netdisk {

namespace {

using ui::Align;
using ui::ControlKind;
using ui::ControlLayout;
using ui::FontSpec;
using ui::Rgb;
namespace c = ui::controls;

// Texts in code page 936, the Chinese beside each.
constexpr std::string_view window_caption =
    "\xCD\xF8\xC5\xCC\xCB\xD1\xCB\xF7|By:Tarnek";        // 网盘搜索|By:Tarnek
constexpr std::string_view netdisk_search = "\xCD\xF8\xC5\xCC\xCB\xD1\xCB\xF7";  // 网盘搜索
constexpr std::string_view search = "\xCB\xD1\xCB\xF7";                          // 搜索
constexpr std::string_view password = "\xC3\xDC\xC2\xEB";                        // 密码
constexpr std::string_view label_text = "\xB1\xEA\xC7\xA9";                      // 标签
// 支持全网搜索视频、特别是电影更新比官网快
constexpr std::string_view slogan =
    "\xD6\xA7\xB3\xD6\xC8\xAB\xCD\xF8\xCB\xD1\xCB\xF7\xCA\xD3\xC6\xB5\xA1\xA2"
    "\xCC\xD8\xB1\xF0\xCA\xC7\xB5\xE7\xD3\xB0\xB8\xFC\xD0\xC2\xB1\xC8\xB9\xD9\xCD\xF8\xBF\xEC";
constexpr std::string_view kai_face = "\xBB\xAA\xCE\xC4\xBF\xAC\xCC\xE5";  // 华文楷体

constexpr Rgb red{255, 0, 0};
constexpr Rgb black{0, 0, 0};
constexpr Rgb yellow{255, 255, 0};
constexpr Rgb violet{144, 0, 255};
constexpr Rgb pink{255, 80, 128};

struct Place {
  int left;
  int top;
  int width;
  int height;
};

ControlLayout control(std::string_view name, ControlKind kind, std::string_view parent,
                      Place place, bool visible = true) {
  ControlLayout c;
  c.name = name;
  c.kind = kind;
  c.parent = parent;
  c.left = place.left;
  c.top = place.top;
  c.width = place.width;
  c.height = place.height;
  c.visible = visible;
  return c;
}

FontSpec kai(int pixel_height, int weight) { return FontSpec{Text(kai_face), pixel_height, weight}; }

ControlLayout frame_box(std::string_view name, std::string_view parent, Place place,
                        std::optional<Rgb> background) {
  ControlLayout box = control(name, ControlKind::frame_box, parent, place);
  box.background = background;
  box.border_color = red;
  return box;
}

// The captions of the search and result rows and the slogan strip.
ControlLayout caption_label(std::string_view name, std::string_view parent, Place place,
                            std::string_view caption, Rgb text_color, FontSpec font,
                            Align align) {
  ControlLayout label = control(name, ControlKind::label, parent, place);
  label.caption = caption;
  label.text_color = text_color;
  label.background = black;
  label.font = font;
  label.align = align;
  return label;
}

// Hidden holders of texts that the program writes and never shows.
ControlLayout hidden_label(std::string_view name, std::string_view parent, Place place,
                           std::string_view caption) {
  ControlLayout label = control(name, ControlKind::label, parent, place, false);
  label.caption = caption;
  label.text_color = black;
  return label;
}

ControlLayout edit_box(std::string_view name, std::string_view parent, Place place) {
  ControlLayout edit = control(name, ControlKind::edit_box, parent, place);
  edit.text_color = yellow;
  edit.background = black;
  edit.font = kai(14, 700);
  return edit;
}

ui::WindowLayout make_layout() {
  ui::WindowLayout window;
  window.caption = window_caption;
  window.outer_width = 471;
  window.outer_height = 386;
  window.icon = window_icon();

  ControlLayout button = control(c::button_1, ControlKind::button, c::frame_box_4, {360, 1, 87, 32});
  button.caption = search;
  button.font = kai(16, 700);
  button.align = Align::centre;

  ControlLayout cover = control(c::picture_box_2, ControlKind::picture_box, c::frame_box_3,
                                {1, 1, 134, 222});
  cover.background = pink;
  cover.display_mode = 1;

  ControlLayout results = control(c::list_view_1, ControlKind::list_view, c::frame_box_5,
                                  {1, 1, 302, 222});
  results.text_color = yellow;
  results.background = black;
  results.columns = {
      {"\xD0\xF2\xBA\xC5", 0, Align::left},                // 序号: row index
      {"\xB5\xD8\xD6\xB7", 0, Align::centre},              // 地址: detail page address
      {"\xCD\xF8\xC5\xCC\xC3\xFB\xB3\xC6", 320, Align::centre},  // 网盘名称: entry name
      {"\xCD\xBC\xC6\xAC", 0, Align::left},                // 图片: cover picture address
  };

  const std::string_view window_area;  // empty parent: the window's client area
  window.controls = {
      frame_box(c::frame_box_1, window_area, {0, 0, 471, 358}, black),
      frame_box(c::frame_box_4, c::frame_box_1, {8, 8, 448, 34}, std::nullopt),
      caption_label(c::label_5, c::frame_box_4, {0, 1, 80, 32}, netdisk_search, violet,
                    kai(16, 700), Align::left),
      edit_box(c::edit_box_1, c::frame_box_4, {80, 1, 280, 32}),
      button,
      frame_box(c::frame_box_2, c::frame_box_1, {8, 56, 448, 34}, std::nullopt),
      caption_label(c::label_2, c::frame_box_2, {1, 1, 79, 32}, netdisk_search, red,
                    kai(16, 700), Align::left),
      edit_box(c::edit_box_2, c::frame_box_2, {80, 1, 224, 32}),
      caption_label(c::label_6, c::frame_box_2, {304, 1, 40, 32}, password, red, kai(16, 700),
                    Align::left),
      edit_box(c::edit_box_3, c::frame_box_2, {344, 1, 103, 32}),
      frame_box(c::frame_box_6, c::frame_box_1, {8, 96, 448, 20}, black),
      caption_label(c::label_3, c::frame_box_6, {8, 1, 432, 18}, slogan, yellow, kai(14, 400),
                    Align::centre),
      frame_box(c::frame_box_3, c::frame_box_1, {8, 120, 136, 224}, std::nullopt),
      cover,
      frame_box(c::frame_box_5, c::frame_box_1, {152, 120, 304, 224}, std::nullopt),
      results,
      hidden_label(c::label_7, c::frame_box_5, {96, 24, 72, 24}, ""),
      hidden_label(c::label_8, c::frame_box_5, {88, 80, 80, 16}, ""),
      hidden_label(c::label_4, c::frame_box_1, {360, 336, 64, 16}, label_text),
      hidden_label(c::label_1, window_area, {0, 8, 64, 16}, label_text),
      control(c::picture_box_1, ControlKind::picture_box, window_area, {-8, 112, 120, 152},
              false),
  };
  return window;
}

}  // namespace

const ui::WindowLayout& main_window_layout() {
  static const ui::WindowLayout layout = make_layout();
  return layout;
}

ui::EventBindings main_window_bindings() {
  ui::EventBindings bindings;
  bindings.created = [] { on_main_window_created(); };
  bindings.clicked.emplace_back(Text(ui::controls::button_1), [] { on_search_clicked(); });
  bindings.double_clicked.emplace_back(Text(ui::controls::list_view_1),
                                       [] { on_result_double_clicked(); });
  return bindings;
}

}  // namespace netdisk
