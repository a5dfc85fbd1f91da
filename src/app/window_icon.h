// The main window's icon: our own 200 x 200 artwork (a cloud under a magnifying
// glass), drawn in code and packed as icon-file data with one 32-bit image.
#pragma once

#include "text/text.h"

namespace netdisk {

// The icon file's bytes (165,662 of them); the same bytes on every call.
const Bytes& window_icon();

}  // namespace netdisk
