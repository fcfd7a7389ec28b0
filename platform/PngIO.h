#pragma once
#include "platform/PixelTarget.h"
#include <string>

// Reads a PNG file (any colour type libpng can turn into 8-bit RGBA) into
// *out. False, with *out left empty, for a missing, damaged or oversized file.
bool LoadPngRGBA(const std::string& path, PictureRGBA* out);
