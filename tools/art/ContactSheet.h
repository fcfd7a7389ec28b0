// One overview picture of the generated pictures for review: the screens put together as the
// game lays them out, then every picture with its number (the large ones at a quarter).
#pragma once
#include <map>

#include "Widgets.h"

Image MakeContactSheet(const std::map<int32_t, Image>& pictures, const Fonts& fonts);
