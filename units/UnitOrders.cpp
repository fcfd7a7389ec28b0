// Move orders: taking them into the waypoint store (at most 50 order
// waypoints), the command delay before they take effect, editing and
// cancelling them.
//
// A waypoint's kind: 0 active, 1 active and the end of an order, 2 planned,
// 3 planned and the end of an order. Planned waypoints become active when the
// action phase starts.

#include <cmath>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/BattleMap.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Unit.h"

namespace {

constexpr uint32_t kNoRadioFlag = 0x10000;
constexpr float kMaxCommandDelay = 180.0f; // seconds
constexpr MovementSpeedType kPaceDoublesDelay = kPaceBuildingOnly;

Map* BattleMap() {
    return gBattle ? gBattle->mMap : nullptr;
}

Terrain MapTerrain(float x, float y) {
    Map* map = BattleMap();
    return map ? map->GetTerrain(x, y, false) : kTerrainOpen;
}

bool IsBuildingWithFloors(Terrain t) {
    return t >= kTerrainUpperLight && t <= kTerrainUpperHeavyClosed;
}

bool IsActive(int32_t kind) {
    return kind == kWaypointActive || kind == kWaypointActiveEnd;
}

const MovementSpeedChart& PaceRow(MovementSpeedType pace) {
    return gMovementSpeedChart[pace];
}

bool HasVehicleRadio(const Unit& u) {
    return u.mUnitType == kUnitVehicle && (gVehicleData[u.mSubtype].mFlags & kNoRadioFlag) == 0;
}

void RefreshPanel() {
    if (gBattle) gBattle->RefreshInfoPanel();
}

} // namespace

bool Unit::LockedIntoMovementOrders() {
    if (!gBattle || gBattle->mComputing || mNrWaypoints <= 0) return false;
    auto fixed = [this](int32_t i) {
        return IsActive(mWaypoints[i].mKind) && !PaceRow(mWaypoints[i].mOrder).mChangeable;
    };
    if (fixed(mNrWaypoints - 1) || fixed(0)) return true;
    int32_t selected = gBattle->mSelectedIndex;
    if (selected < 0 || selected >= mNrWaypoints) return false;
    if (fixed(selected)) return true;
    return selected + 1 < mNrWaypoints && !PaceRow(mWaypoints[selected + 1].mOrder).mMixable;
}

bool Unit::CanShowHideButton() {
    return !mHiding && !mSurrendered && !(IsForwardObserver() && mAreaTarget) && mNrWaypoints > 0 &&
           !mWaypoints[mNrWaypoints - 1].mHide;
}

bool Unit::HideOrderToggled() const {
    return mNrWaypoints == 0 ? mHiding : mWaypoints[mNrWaypoints - 1].mHide != 0;
}

void Unit::RemoveCurrentRotation() {
    if (!LastWaypointIsRotation()) return;
    --mNrWaypoints;
    if (mNrWaypoints > 0) {
        Destination& last = mWaypoints[mNrWaypoints - 1];
        last.mKind = IsActive(last.mKind) ? kWaypointActiveEnd : kWaypointPlannedEnd;
    }
}

void Unit::ReceiveMoveOrders(float x, float y, int32_t order, Vehicle* carrier, bool quiet, bool replace,
                             bool recompute, bool planned) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    if (order == kOrderHide) {
        if (mNrWaypoints == 0) {
            mHiding = !mHiding;
            mQueuedDelay = 0;
        } else {
            int8_t& hide = mWaypoints[mNrWaypoints - 1].mHide;
            hide = hide ? 0 : 1;
        }
        ResetAnimation();
        return;
    }
    bool valid = order == kOrderRotate || order == kOrderNoGroundNeeded;
    if (!valid) {
        // An unspotted wire or road block there is judged where it stands.
        float tx = x, ty = y, ox = x, oy = y;
        if (UnspottedWireOrRdBlkAt(x, y, ox, oy)) {
            tx = ox;
            ty = oy;
        }
        valid = CanOccupyLocation(tx, ty, true) && (order != kOrderHeavyBuilding || MapTerrain(x, y) == 53);
    }
    if (!valid) {
        ResetAnimation();
        return;
    }
    bool infantry = mUnitType == kUnitInfantry;
    if ((!CouldMoveIfNotBogged() && !(infantry && order == kOrderRotate)) ||
        (infantry && GetSpeedClass() == kSpeedCannotMove && order != kOrderRotate)) {
        MakeDestinationStubs(x, y);
        return;
    }

    bool hadWaypoints = mNrWaypoints > 0;
    MovementSpeedType oldFirstPace = hadWaypoints ? mWaypoints[0].mOrder : kPaceDefaultMove;
    int32_t i;
    if (replace) {
        i = 0;
        if (mNrWaypoints == 0) mNrWaypoints = 1;
    } else if (mNrWaypoints > 0 && mWaypoints[mNrWaypoints - 1].mOrder == kPaceRotate) {
        i = mNrWaypoints - 1; // a trailing rotation gives way
    } else if (mNrWaypoints >= kMaxWaypoints) {
        mNrWaypoints = kMaxWaypoints;
        i = kMaxWaypoints - 1; // the 50th is overwritten
    } else {
        i = mNrWaypoints++;
    }
    Destination& w = mWaypoints[i];
    w.mX = x;
    w.mY = y;
    Map* map = BattleMap();
    w.mZ = map ? map->GetZCoord(x, y) : 0.0f;

    if (order == kOrderRotate) {
        w.mOrder = kPaceRotate;
        if (i == 0) {
            w.mOnBuildingLevel = mZ > 0.5f ? 1 : 0;
            w.mHide = mHiding ? 1 : 0;
            w.mKind = kWaypointActiveEnd;
        } else {
            Destination& prev = mWaypoints[i - 1];
            w.mKind = IsActive(prev.mKind) ? kWaypointActiveEnd : kWaypointPlannedEnd;
            w.mOnBuildingLevel = prev.mOnBuildingLevel;
            w.mHide = prev.mHide;
            if (prev.mKind == kWaypointActiveEnd) prev.mKind = kWaypointActive;
            if (prev.mKind == kWaypointPlannedEnd) prev.mKind = kWaypointPlanned;
            prev.mHide = 0;
        }
    } else {
        MovementSpeedType pace = ConvertOrderToSpeed(order);
        if (replace && hadWaypoints && PaceRow(oldFirstPace).mKeepsOnReplace) pace = oldFirstPace;
        w.mOrder = pace;
        w.mOnBuildingLevel = 0;
        w.mHide = 0;
        if (!planned) {
            if (!replace) {
                for (int32_t k = 0; k < mNrWaypoints; ++k)
                    mWaypoints[k].mKind = kWaypointActive;
                w.mKind = kWaypointActiveEnd;
            } else {
                w.mKind = mNrWaypoints == 1 ? kWaypointActiveEnd : kWaypointActive;
            }
        } else {
            w.mKind = kWaypointPlannedEnd;
            mOrderPoints[i] = OrderPoint{x, y, 0};
            if (i > 0 && mWaypoints[i - 1].mKind == kWaypointPlannedEnd)
                mWaypoints[i - 1].mKind = kWaypointPlanned;
        }
    }
    if (i > 0) mWaypoints[i - 1].mHide = 0;
    if (recompute && (mWaypoints[0].mKind == kWaypointPlanned || mWaypoints[0].mKind == kWaypointPlannedEnd))
        OrdersDelay(false, false);
    bool locked = gBattle && gBattle->mFloorMenuLock;
    if (!quiet && !locked && order != kOrderHeavyBuilding && IsBuildingWithFloors(MapTerrain(x, y)) &&
        AllowedInsideBuilding() && gBattle)
        gBattle->Host()->CreateFloorChoiceMenu(this);
    mHiding = false;
    ResetAnimation();
}

// The command delay in seconds: a base set by command experience, a share
// for each planned leg, doubled for a sewer move, raised by suppression.
void Unit::OrdersDelay(bool convert, bool firstTwoOnly) {
    int32_t score = GetEffectiveExperience(kLeadCommand);
    if (IsEfficientNation(GetNation())) ++score;
    if (HasVehicleRadio(*this))
        score += 2;
    else if (mUnitType == kUnitInfantry && !InLeadership() && !gInfantryData[mSubtype].mIsSquad)
        ++score;
    if (score > 10) score = 10;
    float base = 50.0f * std::exp(-0.3750835f * static_cast<float>(score));
    float leg = 0.3f * base;
    float growth = InLeadership() ? 1.2f : 1.3f;
    int32_t count = mNrWaypoints < kMaxWaypoints + 1 ? mNrWaypoints : kMaxWaypoints + 1;
    if (firstTwoOnly && count > 2) count = 2;
    bool doubled = false;
    for (int32_t i = 0; i < count; ++i) {
        const Destination& w = mWaypoints[i];
        if (i == 0 && w.mOrder == kPaceDoublesDelay) doubled = true;
        if (IsActive(w.mKind)) {
            if (i == 0) base = 0.0f;
            break;
        }
        float factor = PaceRow(w.mOrder).mDelayFactor;
        if (i == 0 && w.mOrder == kPaceNoSuppression) base *= factor;
        base += leg * factor;
        leg *= growth;
    }
    if (doubled) base = 2.0f * base + 15.0f;
    base *= 1.0f + 0.01f * mSuppression;
    if (base > kMaxCommandDelay) base = kMaxCommandDelay;
    mCommandDelay = base + mCarriedDelay;
    RefreshPanel();
    if (convert) {
        mPlaybackSpeed = 0.0f;
        ConvertWaypointsToActive();
    }
}

void Unit::ConvertWaypointsToActive() {
    for (int32_t i = 0; i < mNrWaypoints && i < kMaxWaypoints + 1; ++i) {
        int32_t& kind = mWaypoints[i].mKind;
        if (kind == kWaypointPlanned) kind = kWaypointActive;
        if (kind == kWaypointPlannedEnd) kind = kWaypointActiveEnd;
    }
}

void Unit::CancelMovementOrders() {
    mNrWaypoints = 0;
    // The figures' poses are the screen's; the computer's planning (which
    // shows its own side while it runs) leaves them, and the generator, alone.
    if (gBattle && !gBattle->mComputing && !gBattle->mAIThinking &&
        GetAffiliation() == gBattle->Host()->ViewingSide())
        ResetAnimation();
    mQueuedDelay = 0;
    mCommandDelay = 0.0f;
    mCarriedDelay = 0.0f;
    RefreshPanel();
    if (gBattle) gBattle->mSelectedIndex = -1;
}

void Unit::MoveWaypoint(int32_t index, float x, float y) {
    if (index < 0 || index >= mNrWaypoints || index >= kMaxWaypoints || !CanReceiveOrders()) return;
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    Destination& w = mWaypoints[index];
    if (w.mOrder == kPaceSplitApproach || mWaypoints[0].mOrder == kPaceSplitApproach) return;
    OrderPoint& origin = mOrderPoints[index];
    bool acceptable = CanOccupyLocation(x, y, true);
    if (acceptable && w.mOrder == kPaceBuildingOnly) {
        acceptable = MapTerrain(x, y) == 53;
        if (acceptable && !IsActive(w.mKind)) {
            origin.mX = x;
            origin.mY = y;
        }
    }
    if (acceptable && IsActive(w.mKind)) {
        // An active waypoint may move only so far from where it was ordered.
        w.mOnBuildingLevel = origin.mFlag;
        if (WaypointInbounds(index, x, y)) {
            w.mX = x;
            w.mY = y;
        } else {
            float dx = x - origin.mX;
            float dy = y - origin.mY;
            float length = std::sqrt(dx * dx + dy * dy);
            float reach = GetMaxWaypointAdjustment();
            w.mX = origin.mX + dx / length * reach;
            w.mY = origin.mY + dy / length * reach;
        }
    } else if (acceptable) {
        w.mX = x;
        w.mY = y;
    } else {
        w.mX = origin.mX;
        w.mY = origin.mY;
        w.mOnBuildingLevel = origin.mFlag;
    }
    if (!IsBuildingWithFloors(MapTerrain(w.mX, w.mY))) w.mOnBuildingLevel = 0;
    Map* map = BattleMap();
    if (map) w.mZ = w.mOnBuildingLevel ? map->GetZWithBuilding(w.mX, w.mY) : map->GetZCoord(w.mX, w.mY);
    RefreshPanel();
}

bool Unit::WaypointInbounds(int32_t index, float x, float y) {
    if (index < 0 || index >= mNrWaypoints || index >= kMaxWaypoints) return false;
    if (mWaypoints[index].mOrder == kPaceRotate) return true;
    float dx = x - mOrderPoints[index].mX;
    float dy = y - mOrderPoints[index].mY;
    return std::sqrt(dx * dx + dy * dy) <= GetMaxWaypointAdjustment();
}

float Unit::GetMaxWaypointAdjustment() {
    return static_cast<float>(GetEffectiveExperience(kLeadCommand) + 2) * 5.0f;
}

void Unit::ChangeWaypointSpeed(int32_t order) {
    if (!gBattle) return;
    int32_t selected = gBattle->mSelectedIndex;
    if (selected >= 0 && selected < mNrWaypoints) mWaypoints[selected].mOrder = ConvertOrderToSpeed(order);
}
