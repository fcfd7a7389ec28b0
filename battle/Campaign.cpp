#include "battle/Campaign.h"

#include "battle/UnitList.h"

Campaign* gCampaign = nullptr;

Campaign::Campaign() {
    mOpUnitsA = new UnitList;
    mOpUnitsA->IList();
    mOpUnitsB = new UnitList;
    mOpUnitsB->IList();
}

Campaign::~Campaign() {
    mOpFlags.EmptyOut(true);
    delete mOpUnitsB;
    delete mOpUnitsA;
    if (gCampaign == this) gCampaign = nullptr;
}
