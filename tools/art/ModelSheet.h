// The model contact sheet: every compiled-in model drawn from the side, the front and above, flat
// shaded with one colour per texture slot, so shapes and proportions can be reviewed at a glance.
#pragma once
#include "Image.h"
#include "Widgets.h"

Image MakeModelSheet(const Fonts& fonts);
