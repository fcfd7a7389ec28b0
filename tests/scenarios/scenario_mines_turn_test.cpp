// Mines in computed turns of the winter battle: the defender's
// anti-personnel field, moved to a quiet place in the attacker's rear, is
// driven over to and fro by a tank with a team aboard, and walked, crawled
// and sneaked over by the same team on foot.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "ScenarioPaths.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "tools/scenarios/BattleRunner.h"
#include "tools/scenarios/OrderScript.h"
#include "units/Hack.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

constexpr float kFieldX = 150.0f, kFieldY = 710.0f; // a square's centre

class MinesInATurn : public testing::Test {
protected:
    // Hatten (seed 1, no side planned) with its anti-personnel field moved;
    // the mines' blasts of every computed turn are counted.
    void Load() {
        ASSERT_TRUE(DecryptData());
        mRunner = std::make_unique<BattleRunner>();
        mRunner->PlanSides(false, false);
        mRunner->OverrideSeed(1);
        std::string error;
        ASSERT_TRUE(mRunner->Load(std::string(DM_SCENARIO_BUILT_DIR) + "/hatten.mvg", &error)) << error;
        mBlasts = 0;
        for (Unit* m : mRunner->GetBattle()->mUnits->Inanimates())
            if (m->mSubtype == kInanimateAPMines && m->GetAffiliation() == kAllies) mMine = m;
        ASSERT_NE(mMine, nullptr);
        mMine->AISetLocation(kFieldX, kFieldY);
        mBlow = 0.0f;
        mFirstBlast = -1;
        mBefore = 0.0f;
        mRunner->OnComputed([this](const Battle& b) {
            // The blow: the rise of the walker's suppression over the first
            // blast, from its last packet before that slice to its packets of
            // the slice and the next (its packet of the blast's slice may come
            // before or after the blast's own). Later blasts find the squad
            // sent running.
            const auto at = [&b](int32_t k) { return static_cast<const ActionPacket*>(b.mPackets.GetObjectA(k)); };
            for (int32_t k = 0; k < b.mPackets.GetCount(); ++k) {
                const ActionPacket* p = at(k);
                if (p->mType == kPacketShell && p->mLook == 1 && p->mShellFlags == 0x05) {
                    ++mBlasts;
                    if (mFirstBlast < 0) mFirstBlast = p->mTimeSlice;
                }
            }
            for (int32_t k = 0; k < b.mPackets.GetCount() && mWalker; ++k) {
                const ActionPacket* p = at(k);
                if (p->mType != kPacketUnitState || p->StateUnit() != mWalker) continue;
                if (mFirstBlast < 0 || p->mTimeSlice < mFirstBlast)
                    mBefore = p->mSuppression;
                else if (p->mTimeSlice <= mFirstBlast + 1)
                    mBlow = std::max(mBlow, p->mSuppression - mBefore);
            }
        });
    }
    Unit* Axis(char company, int32_t platoon, int32_t index) {
        return FindScriptUnit(mRunner->GetBattle(), {kAxis, company, platoon, index});
    }
    // Eight legs of 22 m inside the field (a vehicle backs up every other
    // one), then ten turns computed or fewer, until the field is found.
    void Cross(Unit* u, bool reverse, int32_t order = 20) {
        u->AISetLocation(kFieldX - 11.0f, kFieldY);
        for (int32_t leg = 0; leg < 8; ++leg)
            u->ReceiveMoveOrders(kFieldX + (leg % 2 ? -11.0f : 11.0f), kFieldY, reverse && leg % 2 ? 25 : order,
                                 nullptr, true, leg == 0, true, true);
        for (int32_t turn = 0; turn < 10 && !mMine->mMineNew; ++turn) {
            RunnerTurn t;
            std::string error;
            ASSERT_TRUE(mRunner->RunTurn(&t, &error)) << error;
        }
    }

    std::unique_ptr<BattleRunner> mRunner;
    Unit* mMine = nullptr;
    int32_t mBlasts = 0;
    Unit* mWalker = nullptr; // whose blow is measured
    float mBlow = 0.0f;
    int32_t mFirstBlast = -1; // slice of the first blast, once there is one
    float mBefore = 0.0f;     // the walker's suppression before it
};

} // namespace

// Only the carrier may set a field off: a tank is proof against the
// anti-personnel field and the team aboard rides its 176 m over it
// unharmed, while the same team walking the same legs is hit.
TEST_F(MinesInATurn, RidersSetNothingOffTheSameTeamOnFootDoes) {
    Load();
    auto* tank = static_cast<Vehicle*>(Axis('B', 5, 0));
    auto* team = static_cast<Infantry*>(Axis('A', 1, 0));
    tank->AISetLocation(kFieldX - 11.0f, kFieldY);
    team->AISetLocation(tank->mX, tank->mY);
    team->mEmbarkTarget = tank;
    ASSERT_TRUE(team->Embark());
    Cross(tank, true);
    EXPECT_EQ(tank->mNrWaypoints, 0) << "the tank did not drive all its legs";
    EXPECT_EQ(team->mTransport, tank);
    EXPECT_EQ(team->mCasualties, 0);
    EXPECT_EQ(mBlasts, 0);
    EXPECT_FALSE(mMine->mMineNew);

    Load();
    team = static_cast<Infantry*>(Axis('A', 1, 0));
    Cross(team, false);
    EXPECT_GT(mBlasts, 0);
    EXPECT_GT(team->mCasualties, 0);
    EXPECT_TRUE(mMine->mMineNew);
}

// Crawling and sneaking squads move into the field; a sneaking one treads
// lightly: the field's blow (140 at the most, times the morale factor)
// comes at a third.
TEST_F(MinesInATurn, CrawlingAndSneakingTeamsCrossTheFieldTheSneakersHitLighter) {
    for (const int32_t order : {24, 30}) {
        SCOPED_TRACE(order);
        Load();
        auto* team = static_cast<Infantry*>(Axis('A', 1, 0));
        mWalker = team;
        Cross(team, false, order);
        ASSERT_GT(mBlasts, 0); // it moved into the field
        if (order != 30) continue;
        const float f = 1.0f - 0.1f * static_cast<float>(team->GetEffectiveExperience(kLeadMorale));
        EXPECT_GT(mBlow, 0.0f);
        EXPECT_LE(mBlow, 140.0f * f * 0.33f);
    }
}
