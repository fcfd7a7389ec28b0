#pragma once
#include <algorithm>
// Shared pieces of the action-phase tests: a small battle with a blank map
// built in code, a walking stand-in unit whose speed reads the terrain, and
// table rows a test can fill.

#include <cmath>
#include <vector>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "battle/battle_fixtures.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Unit.h"

// What a unit's packet would show, recorded when the unit writes one.
struct PacketShot {
    int32_t mSlice;
    float mX, mY, mHeading;
    bool operator==(const PacketShot&) const = default;
};

// An infantry-like unit: 0.1 m a slice over anything but water and off the
// map, 5 degrees a slice of turning, a weapon that reaches mRange metres.
class Walker : public StandInUnit {
public:
    explicit Walker(UnitType kind = kUnitInfantry) : StandInUnit(kind) { mActive = true; }
    float MoveSpeed(float*) override {
        Map* map = gBattle ? gBattle->mMap : nullptr;
        if (!map || !map->OnMap(mX, mY)) return 0.0f;
        return map->GetTerrain(mX, mY, false) == kTerrainWater ? 0.0f : mPace;
    }
    float RotationSpeed() override { return 5.0f; }
    bool CouldMoveIfNotBogged() override { return true; }
    bool InRange(float d, bool, float factor) override { return d <= mRange * factor; }
    bool HasFunctioningWeapon() override { return mArmed; }
    bool IsHiding(bool) override { return mHiding; }
    void ComputeAction() override {
        if (mWalks) Walk();
    }
    void FearReaction() override { ++mFears; }
    void TakeMineHit(bool reduced) override { mMineHits += reduced ? 100 : 1; }
    // The tests set contact levels themselves; spotting keeps out of them.
    void BeSpotted(bool, bool) override {}
    ActionPacket* FillPacket() override {
        mPackets.push_back({mSliceCount, mX, mY, mHeading});
        return nullptr;
    }
    // The kind's movement in its least form: wait out the delay, face the
    // next waypoint, look ahead, step, and take the waypoint on arrival.
    void Walk() {
        if (mCommandDelay > 0.0f || mNrWaypoints == 0) {
            Stop(true);
            return;
        }
        float gx = mWaypoints[0].mX, gy = mWaypoints[0].mY;
        if (!RotateBodyToward(gx, gy, false)) {
            Stop(false);
            return;
        }
        mPlaybackSpeed = MoveSpeed(nullptr);
        // A vehicle's look-ahead marks the real vehicle it takes this for.
        if (mUnitType != kUnitVehicle) LookAhead();
        if (mNrWaypoints == 0 || mWaypoints[0].mX != gx || mWaypoints[0].mY != gy) return;
        float dx = gx - mX, dy = gy - mY;
        if (std::sqrt(dx * dx + dy * dy) <= mPlaybackSpeed) {
            mX = gx;
            mY = gy;
            for (int32_t i = 0; i + 1 < mNrWaypoints; ++i)
                mWaypoints[i] = mWaypoints[i + 1];
            --mNrWaypoints;
            return;
        }
        float h = mHeading * static_cast<float>(M_PI / 180.0);
        mX += mPlaybackSpeed * std::cos(h);
        mY += mPlaybackSpeed * std::sin(h);
    }

    float mPace = 0.1f;
    float mRange = 1000.0f;
    bool mArmed = true;
    bool mWalks = true;
    int32_t mFears = 0;
    int32_t mMineHits = 0; // 1 a full hit, 100 a reduced one
    std::vector<PacketShot> mPackets;
};

// The current battle for a test: a blank map of cols x rows 20 m squares,
// open ground at height 0, its units called slice by slice.
class SmallBattle {
public:
    explicit SmallBattle(int32_t cols = 10, int32_t rows = 10) {
        mBattle.IBattleStub();
        mBattle.mMap = new Map;
        mBattle.mMap->IBlankMap(cols, rows, 1.0f, 0);
        mBattle.mSetupPhase = false;
    }
    Map& map() { return *mBattle.mMap; }
    Walker* Add(Affiliation side, float x, float y, UnitType kind = kUnitInfantry) {
        auto* u = new Walker(kind);
        u->mSide = side == kAxis ? 1 : 0;
        u->mX = x;
        u->mY = y;
        mBattle.mUnits->Add(u);
        return u;
    }
    // Paints terrain t into the 2 m cells of [x0, x1) x [y0, y1).
    // Cells beyond the map are left alone.
    void Paint(float x0, float y0, float x1, float y1, Terrain t) {
        const int32_t i1 = std::min(static_cast<int32_t>(x1 / 2), map().mPointsX);
        const int32_t j1 = std::min(static_cast<int32_t>(y1 / 2), map().mPointsY);
        for (int32_t i = std::max(static_cast<int32_t>(x0 / 2), 0); i < i1; ++i)
            for (int32_t j = std::max(static_cast<int32_t>(y0 / 2), 0); j < j1; ++j)
                map().SetPoint(i, j, EncodePoint(map().GetPoint(i, j) & 0x3ff, t));
    }
    void Prepare() {
        for (int32_t i = 0; i < mBattle.mUnits->GetCount(); ++i)
            mBattle.mUnits->GetUnit(i)->PrepareForAction();
    }
    void RunSlices(int32_t count) {
        mBattle.mComputing = true;
        for (int32_t s = 0; s < count; ++s, ++mSlice) {
            mBattle.mTimeSlice = mSlice;
            for (int32_t i = 0; i < mBattle.mUnits->GetCount(); ++i)
                mBattle.mUnits->GetUnit(i)->MasterControl();
        }
    }

    Battle mBattle;
    CurrentBattle mCurrent{&mBattle};
    int32_t mSlice = 0;
};

// Attaches rows of a test's own to a table and restores the old rows after.
template <class T> class TableRows {
public:
    TableRows(DataTable<T>& table, int32_t count)
        : mTable(table), mOldRows(const_cast<T*>(table.Rows())), mOldCount(table.Count()),
          mRows(static_cast<size_t>(count)) {
        mTable.Attach(mRows.data(), count);
    }
    ~TableRows() { mTable.Attach(mOldRows, mOldCount); }
    T& operator[](int32_t i) { return mRows[static_cast<size_t>(i)]; }

private:
    DataTable<T>& mTable;
    T* mOldRows;
    int32_t mOldCount;
    std::vector<T> mRows;
};
