#include "app/window_icon.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace netdisk {

namespace {

constexpr int size = 200;

struct Point {
  double x;
  double y;
};

double length(double x, double y) { return std::sqrt(x * x + y * y); }

// Signed distances in pixels: negative inside a shape.
double circle(Point p, Point centre, double radius) {
  return length(p.x - centre.x, p.y - centre.y) - radius;
}

double segment(Point p, Point a, Point b, double radius) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  return length(p.x - (a.x + t * dx), p.y - (a.y + t * dy)) - radius;
}

double rounded_square(Point p, double half, double radius) {
  const double qx = std::abs(p.x - size / 2.0) - (half - radius);
  const double qy = std::abs(p.y - size / 2.0) - (half - radius);
  return length(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - radius;
}

// How much of the pixel a shape covers, from its distance at the pixel's centre.
double coverage(double distance) { return std::clamp(0.5 - distance, 0.0, 1.0); }

struct Rgba {
  double r = 0;
  double g = 0;
  double b = 0;
  double a = 0;
};

void paint(Rgba& under, double r, double g, double b, double alpha) {
  const double out = alpha + under.a * (1 - alpha);
  if (out <= 0) return;
  under.r = (r * alpha + under.r * under.a * (1 - alpha)) / out;
  under.g = (g * alpha + under.g * under.a * (1 - alpha)) / out;
  under.b = (b * alpha + under.b * under.a * (1 - alpha)) / out;
  under.a = out;
}

Rgba pixel(Point p) {
  Rgba colour;
  // Black tile with a violet glow at the top and a red rim, like the window.
  const double tile = rounded_square(p, 96, 34);
  const double glow = std::clamp(1.0 - p.y / 150.0, 0.0, 1.0);
  paint(colour, 110 * glow, 0, 200 * glow, coverage(tile));
  paint(colour, 255, 0, 0, coverage(std::abs(tile + 3) - 3));

  // A yellow cloud: three puffs on a flat base.
  const double cloud = std::min({circle(p, {70, 104}, 28), circle(p, {104, 84}, 38),
                                 circle(p, {138, 104}, 27), segment(p, {64, 116}, {142, 116}, 17)});
  paint(colour, 255, 230, 0, coverage(cloud));

  // A white magnifying glass over the cloud's lower right.
  const double lens = std::abs(circle(p, {128, 132}, 25)) - 5;
  const double handle = segment(p, {147, 151}, {170, 174}, 7);
  paint(colour, 40, 40, 40, 0.35 * coverage(circle(p, {128, 132}, 21)));
  paint(colour, 255, 255, 255, coverage(std::min(lens, handle)));
  return colour;
}

void put16(Bytes& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void put32(Bytes& out, unsigned value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

Bytes make_icon() {
  constexpr unsigned mask_stride = ((size + 31) / 32) * 4;
  constexpr unsigned pixel_bytes = size * size * 4;
  constexpr unsigned mask_bytes = mask_stride * size;
  constexpr unsigned header_bytes = 40;
  constexpr unsigned image_bytes = header_bytes + pixel_bytes + mask_bytes;

  Bytes out;
  out.reserve(6 + 16 + image_bytes);
  // Icon directory with one entry.
  put16(out, 0);
  put16(out, 1);
  put16(out, 1);
  out.push_back(size);
  out.push_back(size);
  out.push_back(0);  // colour count: none, true colour
  out.push_back(0);
  put16(out, 1);   // planes
  put16(out, 32);  // bits per pixel
  put32(out, image_bytes);
  put32(out, 6 + 16);
  // Bitmap header; the height counts the colour rows and the mask rows.
  put32(out, header_bytes);
  put32(out, size);
  put32(out, size * 2);
  put16(out, 1);
  put16(out, 32);
  put32(out, 0);  // uncompressed
  put32(out, pixel_bytes + mask_bytes);
  put32(out, 0);
  put32(out, 0);
  put32(out, 0);
  put32(out, 0);

  Bytes mask(mask_bytes, 0);
  // Rows run bottom-up; each pixel is blue, green, red, alpha.
  for (int row = size - 1; row >= 0; --row) {
    const unsigned stored_row = static_cast<unsigned>(size - 1 - row);
    for (int column = 0; column < size; ++column) {
      const Rgba c = pixel({column + 0.5, row + 0.5});
      const auto byte = [](double v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0))); };
      out.push_back(byte(c.b));
      out.push_back(byte(c.g));
      out.push_back(byte(c.r));
      out.push_back(byte(c.a * 255));
      if (c.a <= 0) {
        mask[stored_row * mask_stride + column / 8] |= static_cast<std::uint8_t>(0x80 >> (column % 8));
      }
    }
  }
  out.insert(out.end(), mask.begin(), mask.end());
  return out;
}

}  // namespace

const Bytes& window_icon() {
  static const Bytes icon = make_icon();
  return icon;
}

}  // namespace netdisk
