#include "site/cover_art.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace netdisk::demo {
namespace {

struct Colour {
  double r, g, b;  // 0 to 1
};

Colour from_hsv(double h, double s, double v) {
  h = h - std::floor(h);
  const double sector = h * 6.0;
  const int i = static_cast<int>(sector) % 6;
  const double f = sector - std::floor(sector);
  const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  switch (i) {
    case 0:
      return {v, t, p};
    case 1:
      return {q, v, p};
    case 2:
      return {p, v, t};
    case 3:
      return {p, q, v};
    case 4:
      return {t, p, v};
    default:
      return {v, p, q};
  }
}

Colour mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

class Canvas {
 public:
  explicit Canvas(RgbImage& image) : image_(image) {}
  Colour get(int x, int y) const {
    const std::uint8_t* p = at(x, y);
    return {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0};
  }
  void set(int x, int y, Colour c) {
    if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) return;
    std::uint8_t* p = at(x, y);
    p[0] = to_byte(c.r);
    p[1] = to_byte(c.g);
    p[2] = to_byte(c.b);
  }
  void blend(int x, int y, Colour c, double alpha) {
    if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) return;
    set(x, y, mix(get(x, y), c, std::clamp(alpha, 0.0, 1.0)));
  }

 private:
  static std::uint8_t to_byte(double v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
  }
  std::uint8_t* at(int x, int y) const {
    return image_.pixels.data() + (static_cast<std::size_t>(y) * image_.width + x) * 3;
  }
  RgbImage& image_;
};

// 3 x 5 digits, one row per 3 bits, top row first.
constexpr int digit_rows[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

void draw_number(Canvas& canvas, int number, int centre_x, int top, int scale, Colour colour) {
  const std::string digits = std::to_string(number);
  const int advance = 4 * scale;
  int x = centre_x - (static_cast<int>(digits.size()) * advance - scale) / 2;
  for (char d : digits) {
    const int(&rows)[5] = digit_rows[d - '0'];
    for (int row = 0; row < 5; ++row) {
      for (int col = 0; col < 3; ++col) {
        if (!(rows[row] & (4 >> col))) continue;
        for (int dy = 0; dy < scale; ++dy) {
          for (int dx = 0; dx < scale; ++dx) {
            canvas.set(x + col * scale + dx, top + row * scale + dy, colour);
          }
        }
      }
    }
    x += advance;
  }
}

}  // namespace

RgbImage draw_cover(int id) {
  RgbImage image{
      cover_width, cover_height,
      std::vector<std::uint8_t>(static_cast<std::size_t>(cover_width) * cover_height * 3)};
  Canvas canvas(image);
  const int w = image.width, h = image.height;
  const double hue = std::fmod(id * 0.6180339887, 1.0);
  const double phase = id * 1.7;

  // Sky: dark at the top, light towards the horizon.
  const Colour sky_top = from_hsv(hue, 0.65, 0.18);
  const Colour sky_low = from_hsv(hue + 0.08, 0.45, 0.92);
  for (int y = 0; y < h; ++y) {
    const Colour c = mix(sky_top, sky_low, std::pow(y / double(h - 1), 0.8));
    for (int x = 0; x < w; ++x) canvas.set(x, y, c);
  }

  // A few stars, from a small fixed generator so every build agrees.
  std::uint32_t state = 2166136261u ^ static_cast<std::uint32_t>(id);
  const auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (int i = 0; i < 24; ++i) {
    const int x = static_cast<int>(next() % w), y = static_cast<int>(next() % 60);
    canvas.blend(x, y, {1, 1, 0.9}, 0.5 + (next() % 50) / 100.0);
  }

  // Moon with a soft rim.
  const double cx = 18 + (id * 37) % 60, cy = 24 + (id * 13) % 22, radius = 9 + id % 7;
  const Colour moon = from_hsv(hue + 0.5, 0.25, 1.0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      if (d < radius + 6)
        canvas.blend(x, y, moon, d <= radius ? 1.0 : 0.35 * (1 - (d - radius) / 6));
    }
  }

  // Two ranges of hills, the nearer one darker.
  const Colour far_hills = from_hsv(hue + 0.55, 0.45, 0.45);
  const Colour near_hills = from_hsv(hue + 0.6, 0.55, 0.22);
  for (int x = 0; x < w; ++x) {
    const double far_top = 72 + 8 * std::sin(x * 0.09 + phase) + 5 * std::sin(x * 0.23 + 2 * phase);
    const double near_top =
        90 + 9 * std::sin(x * 0.06 + 3 * phase) + 4 * std::sin(x * 0.31 + phase);
    for (int y = 0; y < h; ++y) {
      if (y >= near_top) {
        canvas.set(x, y, mix(near_hills, {0, 0, 0}, (y - near_top) / 40.0));
      } else if (y >= far_top) {
        canvas.set(x, y, far_hills);
      }
    }
  }

  // Title band with the entry number, and a thin frame.
  for (int y = 108; y < h; ++y) {
    for (int x = 0; x < w; ++x) canvas.blend(x, y, {0.05, 0.05, 0.08}, 0.75);
  }
  draw_number(canvas, id, w / 2, 111, 3, {0.98, 0.92, 0.75});
  const Colour frame = from_hsv(hue, 0.2, 0.95);
  for (int x = 0; x < w; ++x) {
    canvas.set(x, 0, frame);
    canvas.set(x, h - 1, frame);
  }
  for (int y = 0; y < h; ++y) {
    canvas.set(0, y, frame);
    canvas.set(w - 1, y, frame);
  }
  return image;
}

}  // namespace netdisk::demo
