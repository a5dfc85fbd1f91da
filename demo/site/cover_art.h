// The demo site's cover pictures: a small poster per catalogue entry (sky, moon,
// hills and the entry number), drawn from the entry id alone so that every
// build makes the same pictures.
#pragma once

#include <cstdint>
#include <vector>

namespace netdisk::demo {

inline constexpr int cover_width = 96;
inline constexpr int cover_height = 128;

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // R, G, B per pixel, rows from the top
};

RgbImage draw_cover(int id);

}  // namespace netdisk::demo
