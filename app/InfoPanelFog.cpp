// The knowledge tests of the unit panel and the unit balloon.
#include "app/InfoPanelFog.h"

#include "app/Editor.h"
#include "app/MVApplication.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

// The own-unit test: the unit's Axis flag matches the player's side.
bool IsViewersUnit(Unit* u, Affiliation side) {
    return (u->mSide != 0) == (side == kAxis);
}

ViewerFacts CurrentViewer() {
    ViewerFacts v;
    MVApplication* app = TheApp();
    BattleHost* host = gBattle ? gBattle->Host() : app;
    if (host) {
        v.side = host->ViewingSide();
        v.fog = host->FogOfWarLevel();
        v.state = host->InteractionState();
    }
    v.editor = gEditor != nullptr;
    if (gCampaign)
        v.over = gCampaign->Over();
    else if (gBattle)
        v.over = gBattle->Over();
    return v;
}

bool KnowsInternals(Unit* u, const ViewerFacts& v) {
    if (u->mSurrendered || v.editor || v.fog == 0 || v.over) return true;
    if (v.fog == 1 && u->IsSpottedNow()) return true;
    return IsViewersUnit(u, v.side);
}

bool ShowsName(Unit* u, bool K, const ViewerFacts& v) {
    if (u->mUnitType == kUnitInanimate) return false;
    if (u->mUnitType == kUnitVehicle && static_cast<Vehicle*>(u)->IsFixed()) return false;
    return (K && !u->mSurrendered) || v.over;
}

bool KillDetailsKnown(Unit* u, const ViewerFacts& v) {
    if (IsViewersUnit(u, v.side) || v.editor || v.fog <= 1 || v.over) return true;
    return false;
}
