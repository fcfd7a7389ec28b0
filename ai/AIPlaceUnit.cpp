// Where one unit of the computer side stands at set-up: the score of a
// point, the scan of the unit's zone, guards near an objective and leaders
// near their platoon.

#include <cmath>

#include "ai/AIGeometry.h"
#include "ai/AISetup.h"
#include "ai/FlagsNode.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "engine/GDynamicArray.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Unit.h"

namespace {

float U() {
    return static_cast<float>(RandomFraction());
}

Map* SetupMap() {
    return gBattle ? gBattle->mMap : nullptr;
}

float NearRating(uint16_t v) {
    return static_cast<float>(v & 0xff);
}
float FarRating(uint16_t v) {
    return static_cast<float>(v >> 8);
}
float FarSight(uint16_t v) {
    return 0.667f * FarRating(v) + 0.333f * NearRating(v);
}

// The crowding sum of the point: (30 - d)^3 over the other grouped units
// within 30 m.
float Crowding(const Unit* unit, float x, float y) {
    GList* groups = gBattle->mAIGroups[gAISide];
    float sum = 0.0f;
    for (int32_t g = 0; groups && g < groups->GetCount(); ++g) {
        auto* group = static_cast<AIGroup*>(groups->GetObjectA(g));
        for (int32_t i = 0; i < group->GetCount(); ++i) {
            auto* other = static_cast<Unit*>(group->GetObjectA(i));
            if (other == unit) continue;
            const float dx = other->mX - x, dy = other->mY - y;
            if (dx < -30.0f || dx > 30.0f || dy < -30.0f || dy > 30.0f) continue;
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d >= 30.0f) continue;
            const float e = 30.0f - d;
            sum += e * e * e;
        }
    }
    return sum;
}

bool HasGunRecord(Unit* unit, WeaponType* weapon) {
    if (unit->mUnitType != kUnitInfantry) return false;
    *weapon = gInfantryData[unit->mSubtype].mHeavyWeapon;
    return *weapon != kWeaponNone;
}

struct ScoreFlags {
    bool gun = false, gunClass5 = false, support = false;
};

ScoreFlags FlagsOf(Unit* unit) {
    ScoreFlags f;
    f.gun = unit->HasOrdnance(false, true);
    WeaponType w = kWeaponNone;
    f.gunClass5 = HasGunRecord(unit, &w) && gWeaponData[w].mClass == 5;
    f.support = unit->IsSupportWeapon(false);
    return f;
}

float ScoreAt(Unit* unit, GDynamicArray* grid, float x, float y, const ScoreFlags& f) {
    return AIScoreSetupLocation(unit, grid, x, y, f.gun, f.gunClass5, f.support);
}

} // namespace

float AIEdgeFactor(int32_t side, float x, float y) {
    Map* map = SetupMap();
    const int32_t* owner = gBattle->mEdgeOwner; // West, North, East, South
    const float w = map->mWidthMetres, h = map->mHeightMetres;
    float ey = 1.0f, ex = 1.0f;
    if (owner[1] == side && owner[3] != side) {
        ey = std::pow(y / h, 0.76f);
        if (owner[3] == 2) ey = (ey + 1.0f) / 2.0f;
    } else if (owner[3] == side && owner[1] != side) {
        ey = std::pow(1.0f - y / h, 0.76f);
        if (owner[1] == 2) ey = (ey + 1.0f) / 2.0f;
    }
    if (owner[2] == side && owner[0] != side) {
        ex = std::pow(x / w, 0.76f);
        if (owner[0] == 2) ex = (ex + 1.0f) / 2.0f;
    } else if (owner[0] == side && owner[2] != side) {
        ex = std::pow(1.0f - x / w, 0.76f);
        if (owner[2] == 2) ex = (ex + 1.0f) / 2.0f;
    }
    return ey * ex;
}

float AIFlagGuardSetupRange(Unit* unit) {
    if (unit->mUnitType != kUnitInfantry || unit->IsSupportWeapon(false)) return 200.0f;
    return 100.0f;
}

float AIScoreSetupLocation(Unit* unit, GDynamicArray* grid, float x, float y, bool gun, bool gunClass5,
                           bool support) {
    Map* map = SetupMap();
    if (!map || !unit->CanOccupyLocation(x, y, true) || x < 0.0f || y < 0.0f || x >= map->mWidthMetres ||
        y >= map->mHeightMetres)
        return -999.0f;
    unit->mX = x;
    unit->mY = y;
    if (!unit->AllowedToTarget()) return -1.0f;
    const bool defend = gAIDefending;
    const bool vehicle = unit->mUnitType == kUnitVehicle;
    float t = unit->GetGenericTEM(x, y, false, defend && !vehicle);
    int32_t c;
    if (!unit->CanMovePhysically()) {
        c = 1;
    } else if (unit->mUnitType == kUnitInfantry && gun) {
        c = 1;
        if (defend) {
            WeaponType w = kWeaponNone;
            if (!HasGunRecord(unit, &w))
                c = 2;
            else if (gWeaponData[w].mClass == 6)
                c = 4;
            else if (gWeaponData[w].mMinRange > 600.0f)
                c = 1;
            else
                c = 2;
        }
    } else if (unit->mUnitType == kUnitInfantry) {
        c = gunClass5 || support ? 1 : (defend ? 0 : 3);
    } else {
        t = std::pow(std::max(t, 0.25f), 0.3f);
        c = 4;
    }
    const uint16_t v = AIGridValue(grid, x, y);
    const float n = NearRating(v), fr = FarRating(v);
    float b = 0.0f;
    switch (c) {
    case 0:
        b = n;
        break;
    case 1:
        b = 0.667f * fr + 0.333f * n;
        break;
    case 2:
        b = n - 0.333f * fr;
        if (b < 0.0f) b = 0.0f;
        break;
    case 3:
        b = 0.0f;
        break;
    default:
        b = 100.0f - (0.667f * fr + 0.333f * n);
        break;
    }
    float s = (b + 10.0f) * (7.569f * t * t - 15.95f * t + 9.189f);
    const float a = std::min(Crowding(unit, x, y), 16000.0f);
    s = s * (16000.0f - a) / 16000.0f;
    const Terrain terrain = map->GetTerrain(x, y, true);
    if (terrain == 19 || terrain == 38 || terrain == 39)
        s = s * 0.1f;
    else if (vehicle && terrain == 4)
        s = s * 0.3f;
    if (gCampaign && gCampaign->mOperationType == 2) {
        float d = 0.0f;
        FlagsNode* node = AIGetNearestFlagsNode(x, y, &d);
        if (!node || d >= 1000.0f) {
            s = s * 0.1f;
        } else {
            float visibility = 0.0f, l = 0.0f;
            const bool ok =
                map->CheckLOS(false, true, false, x, y, map->GetZCoord(x, y), node->mCenterX, node->mCenterY,
                              map->GetZWithBuilding(node->mCenterX, node->mCenterY), &visibility, &l, nullptr,
                              nullptr, nullptr);
            if (ok && visibility > 0.0f)
                s = s * (1.0f + 0.0003875f * l - 9.152e-06f * l * l + 1.48e-08f * l * l * l -
                         6.94e-12f * l * l * l * l);
            else
                s = s * (1.0f - 0.003394f * l + 4.409e-06f * l * l - 1.915e-09f * l * l * l);
        }
    }
    return s;
}

void AIPlace(Unit* unit, GDynamicArray* grid, bool ignoreCentre) {
    Map* map = SetupMap();
    if (!map || !unit) return;
    const bool armouredGun =
        unit->IsArmoredVehicle(0, false) && unit->HasOrdnance(false, false) && unit->CanMovePhysically();
    const bool edgeWeighted = unit->mUnitType == kUnitVehicle || unit->HasOrdnance(true, true);
    const ScoreFlags flags = FlagsOf(unit);
    const bool defend = gAIDefending;
    const int32_t own = gAISide, enemy = gAISide == kAxis ? kAllies : kAxis;
    const float w = map->mWidthMetres, h = map->mHeightMetres;
    const float v = gBattle->mVisibilityDistance;
    float best = -9.0e20f, bestX = 0.0f, bestY = 0.0f;
    for (int32_t col = map->mWidth - 1; col >= 0; --col)
        for (int32_t row = map->mHeight - 1; row >= 0; --row) {
            const Square* square = map->GetSquare(col, row);
            if (!square || !AIZoneFits(unit->mSetupZone, square->mSetupZone, own)) continue;
            const float cx = (static_cast<float>(col) + 0.5f) * 20.0f;
            const float cy = (static_cast<float>(row) + 0.5f) * 20.0f;
            const float px = cx + 6.0f * U() - 3.0f;
            const float py = cy + 6.0f * U() - 3.0f;
            const float qx = cx + 18.0f * U() - 9.0f;
            const float qy = cy + 18.0f * U() - 9.0f;
            float sQ = ScoreAt(unit, grid, qx, qy, flags);
            float sP = defend ? ScoreAt(unit, grid, px, py, flags) : -900000.0f;
            if (defend) {
                if (!ignoreCentre) {
                    const float dx = w / 2.0f - qx, dy = h / 2.0f - qy;
                    const float f = 1.0f - 0.5f * std::sqrt((dx * dx + dy * dy) / ((w / 2.0f) * (w / 2.0f) +
                                                                                   (h / 2.0f) * (h / 2.0f)));
                    sQ *= f;
                    sP *= f;
                }
                if (edgeWeighted) {
                    float e = AIEdgeFactor(own, qx, qy);
                    if (v < 500.0f) {
                        const float k = 1.0f - 0.002f * v;
                        e = (1.0f - k) * e + k;
                    }
                    sQ *= e;
                    sP *= e;
                }
            } else if (!flags.gunClass5) {
                const float e = AIEdgeFactor(enemy, qx, qy);
                sQ *= e;
                sP *= e;
            }
            sQ *= 0.8f + 0.4f * U();
            sP *= 0.8f + 0.4f * U();
            if (armouredGun && (sQ > 0.0f || sP > 0.0f) && std::max(sQ, sP) >= best) {
                // A firing position nearby lends the square its sight.
                const int32_t r = defend ? 3 : 2;
                float q = 0.05f;
                for (int32_t i = std::max(col - r, 0); i <= std::min(col + r, map->mWidth - 1); ++i)
                    for (int32_t j = std::max(row - r, 0); j <= std::min(row + r, map->mHeight - 1); ++j) {
                        if (i == col && j == row) continue;
                        const float ox = (static_cast<float>(i) + 0.5f) * 20.0f;
                        const float oy = (static_cast<float>(j) + 0.5f) * 20.0f;
                        if (!map->OnMap(ox, oy) || !unit->CanOccupyLocation(ox, oy, true)) continue;
                        unit->mX = ox;
                        unit->mY = oy;
                        const float value =
                            unit->AllowedToTarget() ? FarSight(AIGridValue(grid, ox, oy)) * 0.01f : 0.0f;
                        if (value > q) q = value;
                    }
                if (sQ > 0.0f) sQ *= q;
                if (sP > 0.0f) sP *= q;
            }
            if (sQ > sP) {
                if (sQ > best) {
                    best = sQ;
                    bestX = qx;
                    bestY = qy;
                }
            } else if (sP > best) {
                best = sP;
                bestX = px;
                bestY = py;
            }
        }
    if (best >= -1.0f)
        unit->AISetLocation(bestX, bestY);
    else if (unit->mX >= 99999.0f)
        unit->AISetLocation(unit->mX - 99999.0f, unit->mY);
    else
        unit->AISetLocation(unit->mX, unit->mY); // riders join it where the scoring left it
}

bool AIPlaceDefender(Unit* unit, FlagsNode* node, GDynamicArray* grid) {
    Map* map = SetupMap();
    if (!map || !unit || !node) return false;
    const float range = AIFlagGuardSetupRange(unit);
    const ScoreFlags flags = FlagsOf(unit);
    float best = -9.0e20f, bestX = 0.0f, bestY = 0.0f;
    for (int32_t col = map->mWidth - 1; col >= 0; --col)
        for (int32_t row = map->mHeight - 1; row >= 0; --row) {
            const Square* square = map->GetSquare(col, row);
            if (!square || !AIZoneFits(unit->mSetupZone, square->mSetupZone, gAISide)) continue;
            const float cx = (static_cast<float>(col) + 0.5f) * 20.0f;
            const float cy = (static_cast<float>(row) + 0.5f) * 20.0f;
            const float dx = cx - node->mCenterX, dy = cy - node->mCenterY;
            const float d = std::sqrt(dx * dx + dy * dy);
            if (!(d < range)) continue;
            const float px = cx + 6.0f * U() - 3.0f;
            const float py = cy + 6.0f * U() - 3.0f;
            const float qx = cx + 18.0f * U() - 9.0f;
            const float qy = cy + 18.0f * U() - 9.0f;
            const float sQ = ScoreAt(unit, grid, qx, qy, flags);
            const float sP = ScoreAt(unit, grid, px, py, flags);
            float s = sQ > sP ? sQ : sP;
            s *= 1.0f - 0.6f * d / range;
            if (s > best) {
                best = s;
                bestX = sQ > sP ? qx : px;
                bestY = sQ > sP ? qy : py;
            }
        }
    if (best >= 0.0f) {
        unit->AISetLocation(bestX, bestY);
        return true;
    }
    unit->AISetLocation(unit->mX, unit->mY);
    return false;
}

bool AIPlaceLeaderWithPlatoon(Unit* leader, GDynamicArray* grid) {
    int32_t level = 0;
    if (!leader || leader->mUnitType != kUnitInfantry || !leader->IsLeader(&level) || level != 1 ||
        leader->mSetupZone == 7)
        return false;
    Map* map = SetupMap();
    if (!map) return false;
    GList platoon;
    platoon.PreserveObjects();
    UnitList* units = gBattle->mUnits;
    for (int32_t i = 0; units && i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (u->mUnitType == kUnitInfantry && u->mPlatoonHQ == leader) platoon.Add(u);
    }
    if (platoon.GetCount() == 0) {
        AIPlace(leader, grid, false);
        AIAdvanceProgress();
        return false;
    }
    Unit* centre = nullptr;
    float bestSum = 0.0f;
    for (int32_t i = 0; i < platoon.GetCount(); ++i) {
        auto* a = static_cast<Unit*>(platoon.GetObjectA(i));
        float sum = 0.0f;
        for (int32_t j = 0; j < platoon.GetCount(); ++j) {
            auto* b = static_cast<Unit*>(platoon.GetObjectA(j));
            if (a != b) sum += Distance(a->mX, a->mY, a->GetZ(), b->mX, b->mY, b->GetZ());
        }
        if (!centre || sum < bestSum) {
            centre = a;
            bestSum = sum;
        }
    }
    const float angle = centre->mHeading * 3.14159265358979f / 180.0f;
    const float r = 25.0f * U() + 5.0f;
    const float aimX = centre->mX + r * std::cos(angle);
    const float aimY = centre->mY + r * std::sin(angle);
    // A leader still parked off the map returns to the map if no place is found.
    const float oldX = leader->mX >= 99999.0f ? leader->mX - 99999.0f : leader->mX;
    const float oldY = leader->mY;
    bool placed = false;
    for (int32_t i = 1; i <= 1000 && !placed; ++i) {
        const float x = aimX + 60.0f * U() - 30.0f;
        const float y = aimY + 60.0f * U() - 30.0f;
        leader->mX = x;
        leader->mY = y;
        placed = (map->IsCoverAt(x, y, i < 250) || i >= 500) && leader->CanOccupyLocation(x, y, true) &&
                 map->OnMap(x, y) && leader->InSetupZone(x, y) &&
                 !leader->ViolatesStackingLimits(x, y, 0.0f, nullptr);
    }
    if (placed)
        leader->AISetLocation(leader->mX, leader->mY);
    else
        leader->AISetLocation(oldX, oldY);
    if (gAIDefending) {
        AIGroup* gc = AIGroupHolding(centre);
        AIGroup* gl = AIGroupHolding(leader);
        if (gc && gl && gc != gl) {
            gc->Add(leader);
            return true;
        }
    }
    AIAdvanceProgress();
    return false;
}
