// The catalogue text and the cover pictures, embedded into the site at build time
// by netdisk-demo-cover-maker (the definitions live in the generated source).
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace netdisk::demo {

struct CoverAsset {
  int id;
  std::string_view format;  // "jpg", "png", "gif" or "bmp"
  const unsigned char* data;
  std::size_t size;
};

std::string_view embedded_catalogue();
std::span<const CoverAsset> embedded_covers();

}  // namespace netdisk::demo
