// Where a shot lands in the bridge battle as the game loads it: an American
// tank fires round after round at a German assault gun, in the open and
// standing just behind the stone wall by the bridge, and the battle lands
// each shell as the action phase does. A miss bursts where it fell (its
// crater there, its blast out of the target's reach); a shot into the wall
// bursts at the wall.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "ScenarioPaths.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

// The stone wall south of the bridge: along y = 540 m from x = 630 to 690 m, 1.8 m high.
constexpr float kWallY = 540.0f, kWallX0 = 630.0f, kWallX1 = 690.0f;
constexpr int32_t kSherman = 307, kStuG = 17;

struct Strike {
    float x, y;  // where the shell is drawn bursting
    float blast; // its blast radius, metres
    bool hit;
    bool crater; // a crater was made there
};

class ShotsInABattle : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(DecryptData());
        mRunner = std::make_unique<BattleRunner>();
        mRunner->PlanSides(false, false);
        mRunner->OverrideSeed(1);
        std::string error;
        ASSERT_TRUE(mRunner->Load(std::string(DM_SCENARIO_BUILT_DIR) + "/bruecke.mvg", &error)) << error;
        mBattle = mRunner->GetBattle();
        for (int32_t i = 0; i < mBattle->mUnits->GetCount(); ++i) {
            Unit* u = mBattle->mUnits->GetUnit(i);
            if (u->mUnitType != kUnitVehicle) continue;
            if (!mFirer && u->mSubtype == kSherman) mFirer = u;
            if (!mTarget && u->mSubtype == kStuG) mTarget = u;
        }
        ASSERT_TRUE(mFirer && mTarget);
        mBattle->mTimeSlice = 0;
    }
    // The firer at (fx, fy) fires `rounds` of `ammo` at the target standing
    // at (tx, ty); each shell lands at its slice.
    std::vector<Strike> Fire(float fx, float fy, float tx, float ty, AmmoClass ammo, int32_t rounds) {
        mFirer->AISetLocation(fx, fy);
        mTarget->AISetLocation(tx, ty);
        mFirer->ReceiveTargetOrders(mTarget, 0.0f, 0.0f, false, 0);
        std::vector<Strike> strikes;
        for (int32_t r = 0; r < rounds && mFirer->mTarget == mTarget && mTarget->mActive; ++r) {
            const int32_t first = mBattle->mPackets.GetCount();
            mFirer->Fire(ammo, 0);
            for (int32_t s = 0; s < 400; ++s) {
                ++mBattle->mTimeSlice;
                mBattle->ResolveDueAttacks();
            }
            const ActionPacket* shell = nullptr;
            std::vector<const ActionPacket*> craters;
            for (int32_t k = first; k < mBattle->mPackets.GetCount(); ++k) {
                const auto* p = static_cast<const ActionPacket*>(mBattle->mPackets.GetObjectA(k));
                if (p->mType == kPacketShell && p->mFirer == mFirer && !shell) shell = p;
                if (p->mType == kPacketCrater) craters.push_back(p);
            }
            if (!shell) break;
            Strike s{shell->mEndX, shell->mEndY, shell->mBlast, shell->mShellHit != 0, false};
            for (const ActionPacket* c : craters)
                s.crater |= std::hypot(c->mX - s.x, c->mY - s.y) < 0.5f;
            strikes.push_back(s);
        }
        return strikes;
    }

    std::unique_ptr<BattleRunner> mRunner;
    Battle* mBattle = nullptr;
    Unit* mFirer = nullptr;
    Unit* mTarget = nullptr;
};

} // namespace

// At 500 m the tank misses round after round; each burst and its crater
// lie where the shell fell, beyond its blast's reach of the target.
TEST_F(ShotsInABattle, AMissAtAVehicleBurstsWhereItFell) {
    const std::vector<Strike> strikes = Fire(900.0f, 200.0f, 900.0f, 700.0f, kAmmoAP, 12);
    int32_t misses = 0;
    for (const Strike& s : strikes) {
        if (s.hit) continue;
        ++misses;
        EXPECT_GT(std::hypot(s.x - mTarget->mX, s.y - mTarget->mY), s.blast) << s.x << " " << s.y;
        EXPECT_TRUE(s.crater) << s.x << " " << s.y;
    }
    EXPECT_GE(misses, 6);
}

// The assault gun stands 3 m behind the wall, and so does a German squad:
// a round that flies into the wall (a miss at the gun, or a shell at the
// squad) bursts on the wall, and none passes through it.
TEST_F(ShotsInABattle, AShotIntoTheWallBurstsAtTheWall) {
    Unit* squad = nullptr;
    for (int32_t i = 0; i < mBattle->mUnits->GetCount() && !squad; ++i) {
        Unit* u = mBattle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitInfantry && u->GetAffiliation() == kAxis) squad = u;
    }
    ASSERT_NE(squad, nullptr);
    const auto expectWallStops = [](const std::vector<Strike>& strikes, const char* what) {
        int32_t atWall = 0;
        for (const Strike& s : strikes) {
            EXPECT_LT(s.y, kWallY + 1.0f) << what << " passed the wall at " << s.x << " " << s.y;
            if (std::fabs(s.y - kWallY) < 1.0f && s.x > kWallX0 && s.x < kWallX1) ++atWall;
        }
        EXPECT_GE(atWall, 3) << what << " of " << strikes.size();
    };
    expectWallStops(Fire(660.0f, 300.0f, 660.0f, kWallY + 3.0f, kAmmoAP, 12), "armour-piercing at the gun");
    mTarget = squad;
    expectWallStops(Fire(660.0f, 300.0f, 660.0f, kWallY + 3.0f, kAmmoHE, 12), "high explosive at the squad");
}
