// The model contact sheet: every compiled-in model drawn from the side, the front and above, flat
// shaded with one colour per texture slot, so shapes and proportions can be reviewed at a glance.
#pragma once
#include "Image.h"
#include "Widgets.h"

Image MakeModelSheet(const Fonts& fonts);

namespace dm::models {
struct ModelTable;
}
// One model seen from its left side, fitted into w x h on the background; a silhouette is one dark
// colour on a transparent ground.
Image ModelSideView(const dm::models::ModelTable& m, int w, int h, bool silhouette, Rgb background);
