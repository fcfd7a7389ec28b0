// The orders a player has given, drawn where they lie: each leg of a path
// in the row of its pace, a marker at every waypoint (the selected unit's
// markers answer a pick), the line of the order being placed, target and
// incoming-fire lines, covered arcs and refused destinations. Only the
// viewer's own units show their orders until the battle is over, but for
// the target line of a selected enemy the viewer sees. Nothing
// here changes a unit or draws from the generator.
#include "draw/OrderLines.h"

#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/UnitList.h"
#include "draw/Draw3D.h"
#include "draw/DrawSettings.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/OrderMarkHook.h"
#include "units/Unit.h"

namespace orderlines {

namespace {

constexpr float kArcReach = 300.0f;     // metres drawn of an arc without its own reach
constexpr uint32_t kRefusedMs = 2000;   // how long a refused destination shows
constexpr int32_t kRefusedCapacity = 16; // marks kept at once; the oldest give way
constexpr float kMarkerSize = 0.7f;     // metres at close range

struct RefusedMark {
    float x = 0.0f, y = 0.0f;
    char side = 0;
    uint32_t at = 0;
    bool used = false;
};
RefusedMark sRefused[kRefusedCapacity];
int32_t sNextRefused = 0;

Map* BattleMap() {
    return gBattle ? gBattle->mMap : nullptr;
}

Affiliation Viewer() {
    return gBattle ? gBattle->Host()->ViewingSide() : kAxis;
}

bool SideIsViewers(char side) {
    return (side != 0) == (Viewer() == kAxis);
}

// Game aids are switched off for the playback.
bool AidsHidden() {
    const DrawSettings& s = CurrentDrawSettings();
    return s.mHideGameAids && s.mState == 8;
}

// The target is still one of the battle's units (a unit that left is no
// longer in the list; its pointer is compared, never followed).
bool InBattle(Unit* unit) {
    UnitList* units = gBattle ? gBattle->mUnits : nullptr;
    if (!unit || !units) return false;
    for (int32_t i = 0; i < units->GetCount(); ++i)
        if (units->GetUnit(i) == unit) return true;
    return false;
}

float Finite(float v) {
    return std::isfinite(v) ? v : 0.0f;
}

// The waypoint markers may answer only the pick of a click on the map in
// the plain state (a drag's pick must find the ground beneath them).
bool MarkersPickable(Map* map) {
    const int32_t state = CurrentDrawSettings().mState;
    return map->mPickWanted && (state == 0 || state == 8);
}

// An upright diamond: two four-sided pyramids meeting at a ring.
void Diamond(float x, float y, float z, float s) {
    const float top[18] = {x,     y, z + 2.0f * s, x + s, y,     z + s, x,     y + s, z + s,
                           x - s, y, z + s,        x,     y - s, z + s, x + s, y,     z + s};
    const float bottom[18] = {x,     y, z,     x + s, y,     z + s, x,     y - s, z + s,
                              x - s, y, z + s, x,     y + s, z + s, x + s, y,     z + s};
    d3::Fan(true, 4, top);
    d3::Fan(true, 4, bottom);
}

void WaypointMarker(Map* map, Unit* unit, int32_t index, bool picked) {
    const Destination& w = unit->mWaypoints[index];
    const float x = Finite(w.mX), y = Finite(w.mY);
    const float z = map->GetZCoord(x, y) + 0.2f;
    const float far = map->DistanceToCamera(x, y, z, nullptr);
    float s = kMarkerSize * std::max(1.0f, far / 60.0f);
    if (picked) s *= 1.4f;
    if (!d3::PickPass()) {
        if (picked)
            d3::Color(1.0f, 1.0f, 1.0f);
        else if (w.mOrder == kPaceRotate)
            d3::Color(1.0f, 0.85f, 0.2f);
        else if (w.mHide)
            d3::Color(0.3f, 0.6f, 0.25f);
        else if (unit->mSide != 0)
            d3::Color(154.0f / 255.0f, 180.0f / 255.0f, 220.0f / 255.0f);
        else
            d3::Color(120.0f / 255.0f, 215.0f / 255.0f, 0.0f);
    }
    // Seen (and picked) from any side.
    d3::SetCull(false);
    Diamond(x, y, z, s);
    d3::SetCull(true);
}

void Line(Map* map, int32_t row, bool wide, float x1, float y1, float z1, float x2, float y2, float z2) {
    map->SetConformingLineTexture(row);
    map->DrawConforming3DLine(true, wide, Finite(x1), Finite(y1), Finite(z1), Finite(x2), Finite(y2),
                              Finite(z2));
}

void CoveredArc(Map* map, Unit* unit, bool selected) {
    const int32_t row = unit->mArcKind ? kRowArmourArc : kRowArc;
    const float reach = unit->mArcC > 0.0f ? unit->mArcC : kArcReach;
    const float z = unit->GetZ();
    for (float bearing : {unit->mArcA, unit->mArcB}) {
        const float r = bearing * 0.017453292f;
        const float x = unit->mX + reach * std::cos(r), y = unit->mY + reach * std::sin(r);
        Line(map, row, selected, unit->mX, unit->mY, z, x, y, map->GetZCoord(x, y));
    }
}

void RefusedMarks(Map* map) {
    const uint32_t now = DrawClockNow();
    for (RefusedMark& m : sRefused) {
        if (!m.used) continue;
        if (now - m.at > kRefusedMs) {
            m.used = false;
            continue;
        }
        if (!SideIsViewers(m.side)) continue;
        const float z = map->GetZCoord(m.x, m.y);
        Line(map, kRowRefused, true, m.x - 2.5f, m.y - 2.5f, z, m.x + 2.5f, m.y + 2.5f, z);
        Line(map, kRowRefused, true, m.x - 2.5f, m.y + 2.5f, z, m.x + 2.5f, m.y - 2.5f, z);
    }
}

void RecordRefused(float x, float y, char side) {
    RefusedMark& m = sRefused[sNextRefused];
    sNextRefused = (sNextRefused + 1) % kRefusedCapacity;
    m.x = x;
    m.y = y;
    m.side = side;
    m.at = DrawClockNow();
    m.used = true;
}

// The drawing takes the marks from the order taking as soon as it is in
// the program.
[[maybe_unused]] const bool kRefusedInstalled = [] {
    gRefusedDestinationMark = RecordRefused;
    return true;
}();

} // namespace

int32_t RowOfPace(MovementSpeedType pace) {
    switch (pace) {
    case 0:
    case 1:
    case 11:
    case 16:
        return kRowQuiet;
    case 2:
    case 8:
        return kRowFast;
    case 3:
        return kRowAssault;
    case 5:
    case 7:
        return kRowHunt;
    case 9:
    case 14:
    case 20:
    case 21:
        return kRowWithdraw;
    case 10:
        return kRowReverse;
    case 15:
        return kRowSewer;
    case 17:
        return kRowRotate;
    default:
        return kRowMove;
    }
}

int32_t RowOfOrder(int32_t order) {
    return RowOfPace(ConvertOrderToSpeed(order));
}

bool OrdersShown(Unit* unit) {
    if (!unit || !gBattle) return false;
    return unit->IsOwnUnit(Viewer()) || gBattle->Over();
}

void AddRefusedMark(float x, float y, char side) {
    RecordRefused(x, y, side);
}

void ClearRefusedMarks() {
    for (RefusedMark& m : sRefused)
        m.used = false;
}

int32_t RefusedMarkCount() {
    const uint32_t now = DrawClockNow();
    int32_t n = 0;
    for (const RefusedMark& m : sRefused)
        if (m.used && now - m.at <= kRefusedMs) ++n;
    return n;
}

void DrawOrders(Battle* battle) {
    Map* map = battle ? battle->mMap : nullptr;
    UnitList* units = battle ? battle->mUnits : nullptr;
    if (!map || !units || AidsHidden()) return;
    Unit* selected = battle->mSelectedUnit;
    if (d3::PickPass()) {
        if (selected) selected->DrawOneMoveLine();
        return;
    }
    const DrawSettings& s = CurrentDrawSettings();
    const bool paths = s.mPaths == 1 || s.mPaths == 3;
    const bool targets = s.mPaths == 2 || s.mPaths == 3;
    const int32_t arcs = s.mArcs;
    d3::SetCull(false);
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (!u || !u->mActive || u->mOffMapState != 0 || !OrdersShown(u)) continue;
        const bool isSelected = u == selected;
        if (isSelected || paths) u->DrawOneMoveLine();
        if (!isSelected && targets) u->DrawTargetLine(false);
        if (u->mCoveredArc && (arcs == 2 || (arcs == 1 && isSelected))) CoveredArc(map, u, isSelected);
    }
    RefusedMarks(map);
    d3::SetCull(true);
}

} // namespace orderlines

using namespace orderlines;

// ---------------------------------------------------------------- paths

void Unit::DrawOneMoveLine() {
    Map* map = BattleMap();
    if (!map || mNrWaypoints <= 0 || mOffMapState != 0 || !OrdersShown(this) || AidsHidden()) return;
    const int32_t n = std::min(mNrWaypoints, kMaxWaypoints);
    const bool selected = gBattle->mSelectedUnit == this;
    const int32_t picked = selected ? gBattle->mSelectedIndex : -1;
    if (d3::PickPass()) {
        // Only the selected unit's markers answer, and only a click's pick.
        if (!selected || !MarkersPickable(map)) return;
        for (int32_t i = 0; i < n; ++i) {
            const bool second = g3D && g3D->mPickPass == 2;
            const bool hitBefore = second && g3D->mPickHit;
            if (second) g3D->mPickHit = false;
            WaypointMarker(map, this, i, false);
            if (second) {
                if (g3D->mPickHit) {
                    gBattle->mSelectedIndex = i;
                    map->SetPickedUnit(this);
                }
                g3D->mPickHit = g3D->mPickHit || hitBefore;
            }
        }
        return;
    }
    float x = mX, y = mY, z = GetZ();
    for (int32_t i = 0; i < n; ++i) {
        const Destination& w = mWaypoints[i];
        const float wz = map->GetZCoord(Finite(w.mX), Finite(w.mY));
        Line(map, RowOfPace(w.mOrder), selected, x, y, z, w.mX, w.mY, wz);
        // A rotation only points: the next leg starts where the unit stands.
        if (w.mOrder != kPaceRotate) {
            x = w.mX;
            y = w.mY;
            z = wz;
        }
    }
    for (int32_t i = 0; i < n; ++i)
        WaypointMarker(map, this, i, i == picked);
}

bool Unit::DrawNewMoveLine(float x, float y, float z, int32_t order) {
    Map* map = BattleMap();
    if (!map) return false;
    bool ok = true;
    // The sewers end only under heavy buildings.
    if (order == 33) ok = map->GetTerrain(x, y, false) == 53 && CanDoOrder(33);
    // Order 29 places its firing position first, as a plain move.
    int32_t row = RowOfOrder(order == 29 && CurrentDrawSettings().mState == 3 ? 20 : order);
    if (!ok) row = kRowRefused;
    float sx = mX, sy = mY, sz = GetZ();
    for (int32_t i = std::min(mNrWaypoints, kMaxWaypoints) - 1; i >= 0; --i) {
        if (mWaypoints[i].mOrder == kPaceRotate) continue;
        sx = mWaypoints[i].mX;
        sy = mWaypoints[i].mY;
        sz = map->GetZCoord(Finite(sx), Finite(sy));
        break;
    }
    if (!AidsHidden()) Line(map, row, true, sx, sy, sz, x, y, z);
    return ok;
}

// ---------------------------------------------------------------- fire

// Wide for the selected unit, narrow for the overview of all units. An
// enemy's line shows only while the viewer sees it now (contact 2 or more,
// not a lost contact's marker); the overview never takes enemies.
void Unit::DrawTargetLine(bool selected) {
    Map* map = BattleMap();
    if (!map || !mActive || mOffMapState != 0 || AidsHidden()) return;
    if (!OrdersShown(this) && (VisibleToPlayer(false) < kContactSeen || ShowsSpotMarker())) return;
    float tx = 0.0f, ty = 0.0f, tz = 0.0f;
    int32_t row;
    if (mTarget) {
        if (!InBattle(mTarget)) return;
        tx = mTarget->mX;
        ty = mTarget->mY;
        tz = mTarget->GetZ();
        if (!mTarget->IsOwnUnit(Viewer()) && !gBattle->Over() && !mTarget->GetApparentLocation(&tx, &ty, &tz))
            return;
        row = mTargetKindFlag ? kRowCoverFire : kRowTarget;
    } else if (mAreaTarget) {
        tx = mAreaTargetX;
        ty = mAreaTargetY;
        tz = map->GetZCoord(Finite(tx), Finite(ty));
        row = IsForwardObserver() ? kRowObserver : (mAreaFireFlag || mSmokeScreen) ? kRowSmoke : kRowAreaFire;
    } else {
        return;
    }
    Line(map, row, selected, mX, mY, GetZ(), tx, ty, tz);
}

void Unit::DrawIncomingTargetLines() {
    Map* map = BattleMap();
    UnitList* units = gBattle ? gBattle->mUnits : nullptr;
    if (!map || !units || !mActive || mOffMapState != 0 || AidsHidden()) return;
    float ex = mX, ey = mY, ez = GetZ();
    if (!IsOwnUnit(Viewer()) && !gBattle->Over() && !GetApparentLocation(&ex, &ey, &ez)) return;
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (!u || u == this || u->mTarget != this || !u->mActive || u->mOffMapState != 0) continue;
        float sx = u->mX, sy = u->mY, sz = u->GetZ();
        if (!OrdersShown(u)) {
            // An enemy shooter shows only when seen, where it is thought to be.
            if (u->VisibleToPlayer(false) < kContactSeen || !u->GetApparentLocation(&sx, &sy, &sz)) continue;
        }
        Line(map, kRowIncoming, false, sx, sy, sz, ex, ey, ez);
    }
}

void Unit::GetUnitScreenCenter(int32_t* x, int32_t* y) {
    float sx = mX, sy = mY;
    const float z = GetZ() + (mUnitType == kUnitVehicle ? 1.2f : 0.8f);
    d3::WorldToScreen(&sx, &sy, z, true);
    if (x) *x = static_cast<int32_t>(Finite(sx));
    if (y) *y = static_cast<int32_t>(Finite(sy));
}
