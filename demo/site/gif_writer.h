// A small GIF89a encoder for the demo covers (the image libraries at hand read
// GIF but do not write it): a fixed 256-colour palette with ordered dithering
// and standard variable-width LZW.
#pragma once

#include <cstdint>
#include <vector>

#include "site/cover_art.h"

namespace netdisk::demo {

// An image of 1 to 65535 pixels each way; an empty result for any other size.
std::vector<std::uint8_t> encode_gif(const RgbImage& image);

}  // namespace netdisk::demo
