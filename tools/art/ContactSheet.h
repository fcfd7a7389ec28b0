// One overview picture of the generated pictures, for review.
#pragma once
#include <map>

#include "Widgets.h"

// Lays the pictures out in rows, each captioned with its number; fonts are shown enlarged,
// pictures wider than 520 pixels at half size.
Image MakeContactSheet(const std::map<int32_t, Image>& pictures, const Fonts& fonts);
