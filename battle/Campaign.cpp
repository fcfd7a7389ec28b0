#include "battle/Campaign.h"

Campaign* gCampaign = nullptr;

Campaign::~Campaign() {
    if (gCampaign == this) gCampaign = nullptr;
}
