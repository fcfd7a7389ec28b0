#include "battle/Campaign.h"

Campaign* gCampaign = nullptr;

Campaign::~Campaign() {
    mOpFlags.EmptyOut(true);
    if (gCampaign == this) gCampaign = nullptr;
}
