// Writes pictures as PNG files with fixed settings and no time stamp, so the bytes never change.
#pragma once
#include <string>

#include "Image.h"

// withAlpha false writes RGB (the alpha channel is dropped). Returns false when the file cannot be written.
bool WritePng(const std::string& path, const Image& image, bool withAlpha);
