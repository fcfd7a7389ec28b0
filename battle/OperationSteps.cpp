// The steps between two battles of an operation, in one place: the
// application's continue command, the TCP/IP host and the headless runner
// all call Campaign::StepToNextBattle. The rules are in docs/operations.md.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "battle/Battle.h"
#include "battle/BattleMap.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "map/BuildingWallCrater.h"
#include "map/Landmark.h"
#include "map/Map.h"
#include "units/Infantry.h"
#include "units/Unit.h"

namespace {

// A strip of the operation map, in squares.
struct Strip {
    int32_t x = 0, y = 0, w = 0, h = 0;
    float X0() const { return static_cast<float>(x) * kSquareSize; }
    float Y0() const { return static_cast<float>(y) * kSquareSize; }
    bool HoldsPoint(float px, float py) const {
        return px >= X0() && px < static_cast<float>(x + w) * kSquareSize && py >= Y0() &&
               py < static_cast<float>(y + h) * kSquareSize;
    }
};

// Copies of map objects made through their own records, in one pass.
template <class T> std::vector<T*> CloneAll(const std::vector<T*>& originals) {
    std::vector<T*> copies;
    GFile file;
    const bool open = !originals.empty() && file.ITempFile(false);
    for (T* o : originals)
        if (open) o->Write(&file);
    if (open) file.Rewind();
    for (size_t k = 0; k < originals.size(); ++k) {
        auto* copy = new T;
        if (open) copy->Read(&file);
        copies.push_back(copy);
    }
    return copies;
}

// The operation's buildings that stand in the strip, in the map's order:
// the same list when the strip is cut and when its damage comes back.
std::vector<Building*> StripBuildings(Map* op, const Strip& s) {
    std::vector<Building*> found;
    for (int32_t k = 0; k < op->mBuildings->GetCount(); ++k) {
        auto* b = static_cast<Building*>(op->mBuildings->GetObjectA(k));
        if (b->mColumn < s.x || b->mColumn >= s.x + s.w || b->mRow < s.y || b->mRow >= s.y + s.h) continue;
        Building shifted;
        shifted.mColumn = b->mColumn - s.x;
        shifted.mRow = b->mRow - s.y;
        shifted.mType = b->mType;
        shifted.mDamage = b->mDamage;
        for (int i = 0; i < 4; ++i) {
            shifted.mCornerX[i] = b->mCornerX[i] - s.X0();
            shifted.mCornerY[i] = b->mCornerY[i] - s.Y0();
        }
        if (shifted.IsValid(s.w, s.h)) found.push_back(b);
    }
    return found;
}

int32_t AttackerSide(const Campaign* c) {
    return c->mAttacker == 1 ? 1 : 0;
}

// How far a square lies from the attacker's start end, in squares.
int32_t Advance(const Campaign* c, const Map* op, int32_t column, int32_t row) {
    switch (c->mAttackDirection) {
    case 0:
        return column;
    case 1:
        return op->mHeight - 1 - row;
    case 2:
        return op->mWidth - 1 - column;
    default:
        return row;
    }
}

// The strip as a map of its own: ground, squares, set-up zones (the
// attacker's behind the front line, the defender's beyond it, the front's
// own squares nobody's), buildings, walls, craters and landmarks, moved to
// the strip's corner; made through the map's record so that it is whole.
Map* CutMap(const Campaign* c, Map* op, const Strip& s) {
    Map strip;
    if (!strip.IBlankMap(s.w, s.h, op->mHeightScale, 0)) return nullptr;
    for (int32_t i = 0; i < strip.mPointsX; ++i)
        for (int32_t j = 0; j < strip.mPointsY; ++j)
            strip.mPoints[static_cast<size_t>(i) * strip.mPointsY + j] =
                op->mPoints[static_cast<size_t>(s.x * kPointsPerSquare + i) * op->mPointsY +
                            (s.y * kPointsPerSquare + j)];
    const int32_t attacker = AttackerSide(c);
    const uint8_t zone[2] = {4, 1}; // side 0 (Axis), side 1 (Allies)
    for (int32_t col = 0; col < s.w; ++col)
        for (int32_t row = 0; row < s.h; ++row) {
            const int32_t si = strip.SquareIndex(col, row);
            const int32_t oi = op->SquareIndex(s.x + col, s.y + row);
            strip.mLevels[si] = op->mLevels[oi];
            strip.mSquares[si] = op->mSquares[oi];
            strip.mFire[si] = op->mFire[oi];
            strip.mFireAge[si] = op->mFireAge[oi];
            const int32_t a = Advance(c, op, s.x + col, s.y + row);
            uint8_t code = 0;
            if (a < c->mFrontLine)
                code = zone[attacker];
            else if (a > c->mFrontLine)
                code = zone[1 - attacker];
            strip.mSquares[si].mSetupZone = code;
        }
    for (Building* copy : CloneAll(StripBuildings(op, s))) {
        copy->mColumn -= s.x;
        copy->mRow -= s.y;
        for (int i = 0; i < 4; ++i) {
            copy->mCornerX[i] -= s.X0();
            copy->mCornerY[i] -= s.Y0();
        }
        strip.mBuildings->Add(copy);
    }
    const float w = static_cast<float>(s.w) * kSquareSize, h = static_cast<float>(s.h) * kSquareSize;
    std::vector<Wall*> walls;
    for (int32_t k = 0; k < op->mWalls->GetCount(); ++k) {
        auto* wall = static_cast<Wall*>(op->mWalls->GetObjectA(k));
        const float x0 = wall->mX0 - s.X0(), x1 = wall->mX1 - s.X0();
        const float y0 = wall->mY0 - s.Y0(), y1 = wall->mY1 - s.Y0();
        if (x0 >= 0.0f && x0 <= w && x1 >= 0.0f && x1 <= w && y0 >= 0.0f && y0 <= h && y1 >= 0.0f && y1 <= h)
            walls.push_back(wall);
    }
    for (Wall* copy : CloneAll(walls)) {
        copy->mX0 -= s.X0();
        copy->mX1 -= s.X0();
        copy->mY0 -= s.Y0();
        copy->mY1 -= s.Y0();
        if (copy->IsValid(w, h))
            strip.mWalls->Add(copy);
        else
            delete copy;
    }
    for (CraterGroup* group : {op->mCraters, op->mFoxholes}) {
        CraterGroup* into = group == op->mCraters ? strip.mCraters : strip.mFoxholes;
        std::vector<Crater*> craters;
        for (int32_t k = 0; k < group->GetCount(); ++k) {
            auto* crater = static_cast<Crater*>(group->GetObjectA(k));
            if (s.HoldsPoint(crater->mX, crater->mY)) craters.push_back(crater);
        }
        for (Crater* copy : CloneAll(craters)) {
            copy->mX -= s.X0();
            copy->mY -= s.Y0();
            into->Add(copy);
        }
    }
    std::vector<Landmark*> landmarks;
    for (int32_t k = 0; k < op->mLandmarks->GetCount(); ++k) {
        auto* l = static_cast<Landmark*>(op->mLandmarks->GetObjectA(k));
        if (l->mColumn >= s.x && l->mColumn < s.x + s.w && l->mRow >= s.y && l->mRow < s.y + s.h)
            landmarks.push_back(l);
    }
    for (Landmark* copy : CloneAll(landmarks)) {
        copy->mColumn -= s.x;
        copy->mRow -= s.y;
        strip.mLandmarks->Add(copy);
    }
    GFile file;
    if (!file.ITempFile(false)) return nullptr;
    WriteMapRecord(&file, &strip);
    file.Rewind();
    return ReadMapRecord(&file);
}

// What the battle did to its strip goes back to the operation map: fires
// and their age, the squares' overlays (rubble), the buildings' damage, and
// the craters and foxholes (those of the strip replaced by the battle's).
void PasteMap(Map* op, Map* strip, const Strip& s) {
    if (!op || !strip || strip->mWidth != s.w || strip->mHeight != s.h) return;
    for (int32_t col = 0; col < s.w; ++col)
        for (int32_t row = 0; row < s.h; ++row) {
            const int32_t si = strip->SquareIndex(col, row);
            const int32_t oi = op->SquareIndex(s.x + col, s.y + row);
            op->mFire[oi] = strip->mFire[si];
            op->mFireAge[oi] = strip->mFireAge[si];
            Square& to = op->mSquares[oi];
            const Square& from = strip->mSquares[si];
            for (int slot = 0; slot < 2; ++slot) {
                to.mOverlay[slot] = from.mOverlay[slot];
                to.mOverlayMirror[slot] = from.mOverlayMirror[slot];
                to.mOverlayTurn[slot] = from.mOverlayTurn[slot];
            }
        }
    const std::vector<Building*> mine = StripBuildings(op, s);
    if (static_cast<int32_t>(mine.size()) == strip->mBuildings->GetCount()) {
        for (size_t k = 0; k < mine.size(); ++k) {
            auto* from = static_cast<Building*>(strip->mBuildings->GetObjectA(static_cast<int32_t>(k)));
            mine[k]->mDamage = from->mDamage;
            mine[k]->mRuined = from->mRuined;
            mine[k]->mStateFlag = from->mStateFlag;
        }
    }
    for (CraterGroup* group : {op->mCraters, op->mFoxholes}) {
        for (int32_t k = group->GetCount() - 1; k >= 0; --k) {
            auto* crater = static_cast<Crater*>(group->GetObjectA(k));
            if (s.HoldsPoint(crater->mX, crater->mY)) group->DeleteIndex(k, true);
        }
        CraterGroup* from = group == op->mCraters ? strip->mCraters : strip->mFoxholes;
        std::vector<Crater*> craters;
        for (int32_t k = 0; k < from->GetCount(); ++k)
            craters.push_back(static_cast<Crater*>(from->GetObjectA(k)));
        for (Crater* copy : CloneAll(craters)) {
            copy->mX += s.X0();
            copy->mY += s.Y0();
            copy->mMap = op;
            group->Add(copy);
        }
    }
}

// Where a unit stands: a rider where its carrier stands.
const Unit* Bearer(const Unit* u) {
    return u->mTransport ? u->mTransport : u;
}

bool Fights(const Unit* u) {
    return (u->mUnitType == kUnitInfantry || u->mUnitType == kUnitVehicle) && u->mActive && !u->mSurrendered;
}

// Each side's camera opens on its own fighting units: its focus at their
// mean place, its heading and height as a new map's. A side with no unit in
// the strip keeps the strip's middle.
void AimCamerasAtOwnUnits(Battle* battle) {
    double sum[2][2] = {{0.0, 0.0}, {0.0, 0.0}};
    int32_t count[2] = {0, 0};
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
        const Unit* u = battle->mUnits->GetUnit(i);
        const int32_t side = u->GetAffiliation();
        if (!Fights(u) || side < 0 || side > 1) continue;
        sum[side][0] += Bearer(u)->mX;
        sum[side][1] += Bearer(u)->mY;
        ++count[side];
    }
    Map* map = battle->mMap;
    for (int32_t side = 0; side < 2; ++side) {
        if (count[side] == 0) continue;
        map->mCameraX[side] = static_cast<float>(sum[side][0] / count[side]);
        map->mCameraY[side] = static_cast<float>(sum[side][1] / count[side]);
    }
}

Strip CurrentStrip(const Campaign* c) {
    Strip s;
    c->GetSleeveDimensions(&s.x, &s.y, &s.w, &s.h);
    return s;
}

} // namespace

void Campaign::StripUnitCounts(int32_t counts[2]) const {
    counts[0] = counts[1] = 0;
    if (!mUnits || !mMap) return;
    const Strip s = CurrentStrip(this);
    for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
        const Unit* u = mUnits->GetUnit(i);
        const Unit* at = Bearer(u);
        if (Fights(u) && s.HoldsPoint(at->mX, at->mY)) ++counts[u->GetAffiliation()];
    }
}

void Campaign::RetrieveBattleData(Battle* finished) {
    if (!finished || !mMap) return;
    Strip s;
    s.x = mSleeveOffsetX;
    s.y = mSleeveOffsetY;
    s.w = finished->mMap ? finished->mMap->mWidth : 0;
    s.h = finished->mMap ? finished->mMap->mHeight : 0;
    // The flags: their holders after the battle, on the operation map.
    for (int32_t k = 0; k < finished->mFlags.GetCount(); ++k) {
        auto* f = static_cast<VictoryFlag*>(finished->mFlags.GetObjectA(k));
        if (f->mKind == 2 || f->mKind == 3) continue;
        const float x = f->mX + s.X0(), y = f->mY + s.Y0();
        VictoryFlag* held = nullptr;
        for (int32_t j = 0; j < mOpFlags.GetCount() && !held; ++j) {
            auto* o = static_cast<VictoryFlag*>(mOpFlags.GetObjectA(j));
            if (o->mX == x && o->mY == y) held = o;
        }
        if (!held) {
            held = new VictoryFlag(*f);
            mOpFlags.Add(held);
        }
        held->mNeutral = f->mNeutral;
        held->mHolderNation = f->mHolderNation;
        held->mX = x;
        held->mY = y;
    }
    PasteMap(mMap, finished->mMap, s);
    // The units: those still in being go back onto the operation map, in
    // the battle's order behind the units that stayed out of it; the dead,
    // the captured, those gone over a hostile edge and aircraft are lost.
    // A gun its crew left, not knocked out, stays for the crew to take back
    // between battles (Clean decides). Mines, wire, road blocks and target
    // reference points stay where they stand (trenches are ground by now).
    UnitList* units = finished->mUnits;
    auto inBeing = [](const Unit* u) {
        if (u->mUnitType == kUnitInanimate)
            return u->mActive && u->mSubtype != kInanimateTrenches && u->mSubtype >= kInanimateRoadblock &&
                   u->mSubtype <= kInanimateDaisyChain;
        return (u->mUnitType == kUnitInfantry || u->mUnitType == kUnitVehicle) && u->mActive && !u->mSurrendered &&
               u->mOffMapState != 1;
    };
    std::vector<const Unit*> leftGuns;
    for (int32_t i = 0; units && i < units->GetCount(); ++i) {
        const Unit* u = units->GetUnit(i);
        if (u->mUnitType != kUnitInfantry || !inBeing(u)) continue;
        const Unit* gun = u->mAbandonedVehicle;
        if (gun && gun->mUnitType == kUnitInfantry && !gun->mGunKnockedOut && gun->mOffMapState == 0)
            leftGuns.push_back(gun);
    }
    const float w = static_cast<float>(mMap->mWidth) * kSquareSize;
    const float h = static_cast<float>(mMap->mHeight) * kSquareSize;
    for (int32_t i = 0; units && i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        const bool kept = inBeing(u) || std::find(leftGuns.begin(), leftGuns.end(), u) != leftGuns.end();
        u->mX = std::clamp(u->mX + s.X0(), 1.0f, w - 1.0f);
        u->mY = std::clamp(u->mY + s.Y0(), 1.0f, h - 1.0f);
        u->mTarget = u->mOrderedTarget = u->mPreviousTarget = nullptr;
        u->mNrWaypoints = 0;
        if (kept) {
            u->mOffMapState = 0;
            mUnits->Add(u);
        } else {
            mOpUnitsB->Add(u);
        }
    }
    if (units) units->EmptyOut(false);
    for (int32_t i = 0; i < mUnits->GetCount(); ++i)
        mUnits->GetUnit(i)->ClearBrokenLinks(mUnits);
    for (int32_t i = 0; i < mOpUnitsB->GetCount(); ++i)
        mOpUnitsB->GetUnit(i)->ClearBrokenLinks(nullptr);
}

void Campaign::CrunchData() {
    // Clean first (split squads joined, crews back to their guns), then the
    // wounded come back (Medic counts this battle's casualties), what is
    // left becomes the unit's lasting loss, the unit is made ready for a new
    // battle, and the side's supply level refills it.
    for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
        Unit* u = mUnits->GetUnit(i);
        // A fixed object is neither tended nor refitted.
        if (u->mUnitType == kUnitInanimate) continue;
        u->Clean();
        u->Medic(true);
        if (u->mUnitType == kUnitInfantry)
            static_cast<Infantry*>(u)->ShiftCasualtiesToOld();
        else
            u->ShiftCasualtiesToOld();
        u->Refit();
        u->Resupply();
    }
    // A gun no crew took back is lost with the rest.
    for (int32_t i = 0; i < mUnits->GetCount();) {
        Unit* u = mUnits->GetUnit(i);
        if (u->mActive && !u->mSurrendered) {
            ++i;
            continue;
        }
        mUnits->DeleteIndex(i, false);
        mOpUnitsB->Add(u);
    }
    for (int32_t i = 0; i < mUnits->GetCount(); ++i)
        mUnits->GetUnit(i)->ClearBrokenLinks(mUnits);
    ReinforcementsArrive();
}

bool Campaign::Normalise() {
    GFile file;
    if (!file.ITempFile(false)) return false;
    Battle* kept = gBattle;
    gBattle = nullptr;
    Write(&file);
    file.Rewind();
    const bool read = ICampaign(&file);
    gBattle = kept;
    return read;
}

Battle* Campaign::BeginNextBattle(BattleHost* host) {
    if (!mMap || !mUnits) return nullptr;
    int32_t counts[2];
    StripUnitCounts(counts);
    if (counts[0] == 0 || counts[1] == 0) return nullptr;
    const Strip s = CurrentStrip(this);
    mSleeveOffsetX = s.x;
    mSleeveOffsetY = s.y;
    Battle* kept = gBattle;
    auto* made = new Battle;
    made->IBattleStub();
    made->mStub = false;
    made->mHost = host;
    made->mMap = CutMap(this, mMap, s);
    if (!made->mMap) {
        delete made;
        gBattle = kept;
        return nullptr;
    }
    made->mDate = mDate;
    made->mSeason = GetSeason(mDate);
    made->mTurn = 1;
    made->mLastTurn = kOperationBattleTurns;
    made->mNominalLastTurn = kOperationBattleTurns;
    made->mAttacker = mAttacker;
    made->mTheatre = mTheatre;
    made->mTemperature = mTemperature;
    made->mGroundCondition = mGroundCondition;
    made->mComputerBonus = mComputerBonus;
    made->mFanaticism[0] = mFanaticism[0];
    made->mFanaticism[1] = mFanaticism[1];
    made->mRarityMode = mRarityMode;
    made->mTitle = mTitle;
    made->mSetupPhase = true;
    made->mEditorScenario = false;
    made->mMap->mFoxholeAllowance = mFoxholeAllowance;
    made->mMap->mFoxholesLeft = mFoxholeAllowance;
    StartBattle(made);
    for (int32_t k = 0; k < mOpFlags.GetCount(); ++k) {
        auto* f = static_cast<VictoryFlag*>(mOpFlags.GetObjectA(k));
        if (f->mKind == 2 || f->mKind == 3 || !s.HoldsPoint(f->mX, f->mY)) continue;
        auto* copy = new VictoryFlag(*f);
        copy->mX -= s.X0();
        copy->mY -= s.Y0();
        made->mFlags.Add(copy);
    }
    // The strip's units leave the operation's list for the battle; links
    // between those that fight and those that stay out are dropped.
    for (int32_t i = 0; i < mUnits->GetCount();) {
        Unit* u = mUnits->GetUnit(i);
        const Unit* at = Bearer(u);
        if (!s.HoldsPoint(at->mX, at->mY)) {
            ++i;
            continue;
        }
        mUnits->DeleteIndex(i, false);
        made->mUnits->Add(u);
    }
    for (int32_t i = 0; i < made->mUnits->GetCount(); ++i) {
        Unit* u = made->mUnits->GetUnit(i);
        u->ClearBrokenLinks(made->mUnits);
        u->mX -= s.X0();
        u->mY -= s.Y0();
        u->mSetupZone = 0;
    }
    for (int32_t i = 0; i < mUnits->GetCount(); ++i)
        mUnits->GetUnit(i)->ClearBrokenLinks(mUnits);
    AimCamerasAtOwnUnits(made);
    // The battle as a saved game holds it, so that a game saved now goes on
    // as this one does.
    Battle* next = nullptr;
    GFile file;
    if (file.ITempFile(false)) {
        GameFileState state;
        state.players = 1;
        state.scenarioName = mTitle;
        gBattle = made;
        WriteGameFile(&file, &state, made, nullptr);
        gBattle = kept;
        file.Rewind();
        GameFileContents contents;
        if (ReadGameFile(&file, &state, &contents, {.takeSeed = false, .host = host}) == kGameFileLoaded)
            next = contents.battle;
        delete contents.campaign;
    }
    gBattle = kept;
    delete made;
    gBattle = kept;
    if (next) StartBattle(next);
    return next;
}

Battle* Campaign::StepToNextBattle(Battle* finished, uint32_t seed, BattleHost* host) {
    SeedRandomGenerator(seed);
    Battle* kept = gBattle;
    // Without a finished battle the operation's first battle is cut as the
    // operation stands.
    if (finished) {
        gBattle = finished;
        RetrieveBattleData(finished);
        gBattle = nullptr;
        CrunchData();
    }
    gBattle = nullptr;
    Normalise();
    Battle* next = Over() ? nullptr : BeginNextBattle(host);
    // A strip without a unit of one side: that side has nothing left to
    // fight with at the front, and the operation ends.
    if (!next && !Over()) mTurn = mLastTurn + 1;
    gBattle = kept;
    return next;
}
