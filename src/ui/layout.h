// A window described as data: its frame and every control with its name, parent,
// place, size, texts, colours and fonts. The toolkit builds the window from this
// description; the program never creates, moves or resizes a control in code.
// All texts (names, captions, font faces) are code page 936 bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "text/text.h"

namespace netdisk::ui {

enum class ControlKind { frame_box, label, edit_box, button, list_view, picture_box };

enum class Align { left, centre, right };

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

struct FontSpec {
  Text face;              // preferred face; the toolkit substitutes a similar one when absent
  int pixel_height = 0;   // character height in pixels
  int weight = 400;       // 400 normal, 700 bold
};

struct ListColumn {
  Text caption;
  int width = 0;  // 0 keeps the column as hidden storage
  Align align = Align::left;
};

struct ControlLayout {
  Text name;
  ControlKind kind = ControlKind::label;
  Text parent;  // empty: the window's client area
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool visible = true;
  Text caption;                     // labels, buttons; edit boxes start with it as content
  std::optional<Rgb> text_color;    // empty: the toolkit's default
  std::optional<Rgb> background;    // empty: the default button-face colour
  std::optional<Rgb> border_color;  // frame boxes: the one-pixel rectangle along the edge
  std::optional<FontSpec> font;     // empty: the default dialog font
  Align align = Align::left;        // labels and buttons; always vertically centred
  int display_mode = 0;             // picture boxes: 0 top-left, 1 stretched, 2 centred
  std::vector<ListColumn> columns;  // list views
};

struct WindowLayout {
  Text caption;
  int outer_width = 0;  // frame and caption bar included
  int outer_height = 0;
  Bytes icon;  // image data in any format a picture box decodes (ICO here)
  // Parents come before their children.
  std::vector<ControlLayout> controls;
};

}  // namespace netdisk::ui
