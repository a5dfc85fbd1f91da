#include "site/gif_writer.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace netdisk::demo {
namespace {

// Palette: a 6 x 7 x 6 colour cube (green gets the extra step, the eye is most
// sensitive to it) followed by four greys.
constexpr int red_steps = 6, green_steps = 7, blue_steps = 6;
constexpr int cube_size = red_steps * green_steps * blue_steps;  // 252

std::array<std::uint8_t, 256 * 3> make_palette() {
  std::array<std::uint8_t, 256 * 3> palette{};
  for (int r = 0; r < red_steps; ++r) {
    for (int g = 0; g < green_steps; ++g) {
      for (int b = 0; b < blue_steps; ++b) {
        const int index = (r * green_steps + g) * blue_steps + b;
        palette[index * 3 + 0] = static_cast<std::uint8_t>(r * 255 / (red_steps - 1));
        palette[index * 3 + 1] = static_cast<std::uint8_t>(g * 255 / (green_steps - 1));
        palette[index * 3 + 2] = static_cast<std::uint8_t>(b * 255 / (blue_steps - 1));
      }
    }
  }
  constexpr std::uint8_t greys[4] = {32, 96, 160, 224};
  for (int k = 0; k < 4; ++k) {
    for (int c = 0; c < 3; ++c) palette[(cube_size + k) * 3 + c] = greys[k];
  }
  return palette;
}

constexpr int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// One channel to its cube step, nudged by the dither threshold at (x, y).
int quantise(int value, int steps, int x, int y) {
  const double spread = 255.0 / (steps - 1);
  const double threshold = (bayer[y & 3][x & 3] + 0.5) / 16.0 - 0.5;
  const int step = static_cast<int>(value / spread + threshold + 0.5);
  return std::clamp(step, 0, steps - 1);
}

class BitWriter {
 public:
  void put(unsigned code, int width) {
    buffer_ |= static_cast<std::uint32_t>(code) << filled_;
    filled_ += width;
    while (filled_ >= 8) {
      bytes_.push_back(static_cast<std::uint8_t>(buffer_ & 0xFF));
      buffer_ >>= 8;
      filled_ -= 8;
    }
  }
  std::vector<std::uint8_t> finish() {
    if (filled_ > 0) bytes_.push_back(static_cast<std::uint8_t>(buffer_ & 0xFF));
    buffer_ = 0;
    filled_ = 0;
    return std::move(bytes_);
  }

 private:
  std::uint32_t buffer_ = 0;
  int filled_ = 0;
  std::vector<std::uint8_t> bytes_;
};

// LZW with 8-bit roots. The code width grows when the next free code no longer
// fits, as decoders expect; a full 4096-entry table is answered with a clear code.
std::vector<std::uint8_t> lzw_compress(const std::vector<std::uint8_t>& indices) {
  constexpr unsigned clear_code = 256, end_code = 257, max_codes = 4096;
  // table[prefix * 256 + byte] = code + 1 (0 means absent).
  std::vector<std::uint16_t> table(max_codes * 256, 0);
  BitWriter out;
  int width = 9;
  unsigned next_code = end_code + 1;
  out.put(clear_code, width);
  if (indices.empty()) {
    out.put(end_code, width);
    return out.finish();
  }
  unsigned prefix = indices[0];
  for (std::size_t i = 1; i < indices.size(); ++i) {
    const unsigned byte = indices[i];
    const std::uint16_t found = table[prefix * 256 + byte];
    if (found != 0) {
      prefix = found - 1u;
      continue;
    }
    out.put(prefix, width);
    if (next_code < max_codes) {
      table[prefix * 256 + byte] = static_cast<std::uint16_t>(next_code + 1);
      ++next_code;
      if (next_code > (1u << width) && width < 12) ++width;
    } else {
      out.put(clear_code, width);
      std::fill(table.begin(), table.end(), 0);
      width = 9;
      next_code = end_code + 1;
    }
    prefix = byte;
  }
  out.put(prefix, width);
  // The decoder makes one more table entry for the last code; follow it so the
  // end code is read with the width the decoder expects.
  if (next_code < max_codes) {
    ++next_code;
    if (next_code > (1u << width) && width < 12) ++width;
  }
  out.put(end_code, width);
  return out.finish();
}

void put_u16(std::vector<std::uint8_t>& out, int value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

}  // namespace

std::vector<std::uint8_t> encode_gif(const RgbImage& image) {
  if (image.width < 1 || image.height < 1 || image.width > 65535 || image.height > 65535 ||
      image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 3) {
    return {};
  }
  static const auto palette = make_palette();

  std::vector<std::uint8_t> indices(static_cast<std::size_t>(image.width) * image.height);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::size_t at = static_cast<std::size_t>(y) * image.width + x;
      const std::uint8_t* p = &image.pixels[at * 3];
      const int r = quantise(p[0], red_steps, x, y);
      const int g = quantise(p[1], green_steps, x, y);
      const int b = quantise(p[2], blue_steps, x, y);
      indices[at] = static_cast<std::uint8_t>((r * green_steps + g) * blue_steps + b);
    }
  }

  std::vector<std::uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  put_u16(out, image.width);
  put_u16(out, image.height);
  out.push_back(0xF7);  // global colour table of 2^(7+1) entries, 8 bits per primary
  out.push_back(0);     // background colour index
  out.push_back(0);     // no aspect ratio given
  out.insert(out.end(), palette.begin(), palette.end());

  out.push_back(0x2C);  // image descriptor covering the whole screen
  put_u16(out, 0);
  put_u16(out, 0);
  put_u16(out, image.width);
  put_u16(out, image.height);
  out.push_back(0);  // no local table, not interlaced

  out.push_back(8);  // LZW minimum code size
  const std::vector<std::uint8_t> data = lzw_compress(indices);
  for (std::size_t at = 0; at < data.size(); at += 255) {
    const std::size_t length = std::min<std::size_t>(255, data.size() - at);
    out.push_back(static_cast<std::uint8_t>(length));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
               data.begin() + static_cast<std::ptrdiff_t>(at + length));
  }
  out.push_back(0);     // end of the image data
  out.push_back(0x3B);  // trailer
  return out;
}

}  // namespace netdisk::demo
