#pragma once
// The header picture: a JPEG stored in the program's resources, decoded with WIC at full
// size (Wine's WIC scaler is nearest-neighbour only) and drawn shrunk with HALFTONE.
#include "platform/win32/Handle.h"

namespace zem {

constexpr int HeaderPictureResource = 101;

// Decodes the RCDATA resource into a 32-bit bitmap; empty when it cannot be decoded.
win::ScopedGdiObject LoadJpegResource(HINSTANCE instance, int id, SIZE& size);

} // namespace zem
