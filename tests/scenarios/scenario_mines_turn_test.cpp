// Mines in computed turns of the winter battle: the defender's
// anti-personnel field, moved to a quiet place in the attacker's rear, is
// driven over to and fro by a tank with a team aboard, and walked, crawled
// and sneaked over by the same team on foot. Found fields of every kind
// are kept out of the path grids, and a tank ordered into one keeps the
// rest of its move.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "ScenarioPaths.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "map/AIPath.h"
#include "map/Map.h"
#include "tools/scenarios/BattleRunner.h"
#include "tools/scenarios/OrderScript.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Hack.h"
#include "units/Inanimate.h"
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
    // The defender's field of the kind, moved to (x, y); hatten lays no
    // daisy chain, so one is laid there as the set-up lays it.
    Unit* FieldAt(InanimateType kind, float x, float y) {
        Battle* battle = mRunner->GetBattle();
        for (Unit* m : battle->mUnits->Inanimates())
            if (m->mSubtype == kind && m->GetAffiliation() == kAllies) {
                m->AISetLocation(x, y);
                return m;
            }
        auto* laid = new Inanimate;
        laid->IInanimate(kind, 0, x, y, 0.0f);
        laid->mSide = kAllies;
        battle->mUnits->Add(laid);
        return laid;
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

// A crawling squad lies as a holding one does, and so is harder to see
// and to hit than a standing one, whatever either's pace kind or fire.
TEST_F(MinesInATurn, ACrawlingTeamIsAsLowAsAHoldingOne) {
    Load();
    auto* team = static_cast<Infantry*>(Axis('A', 1, 0));
    team->AISetLocation(kFieldX - 11.0f, kFieldY);
    const MovementSpeedType crawl = ConvertOrderToSpeed(24);
    const MovementSpeedChart &row = gMovementSpeedChart[crawl], &hold = gMovementSpeedChart[0],
                             &stand = gMovementSpeedChart[1];
    ASSERT_EQ(row.mOrderCode, 24) << "order 24 has no row of its own";
    EXPECT_EQ(row.mPoseCode[0], hold.mPoseCode[0]);
    EXPECT_EQ(row.mPoseCode[1], hold.mPoseCode[1]);
    EXPECT_EQ(row.mExposureClass, hold.mExposureClass);
    EXPECT_EQ(row.mExposureFigure, hold.mExposureFigure);
    EXPECT_LT(row.mExposureFigure, stand.mExposureFigure)
        << "a crawling team is as easy to spot as a standing one";
    // Fire from 40 m on the move: the crawling team is the smaller target.
    Map* map = mRunner->GetBattle()->mMap;
    const float sx = kFieldX + 29.0f, sz = map->GetZCoord(sx, kFieldY) + 1.5f;
    auto target = [&](MovementSpeedType pace) {
        team->mMoveSpeed = pace;
        return team->GetTEMFromLocation(sx, kFieldY, sz, true, false, false, kWClassSmallArms, false,
                                        nullptr);
    };
    const float standing = target(1);
    ASSERT_GT(standing, 0.0f) << "the shooter does not see the team";
    EXPECT_LT(target(crawl), standing);
}

// A tank ordered onto a found field and on past it halts before the field,
// drops the waypoint inside it and drives on to the next.
TEST_F(MinesInATurn, ATankHaltedByAFoundFieldKeepsTheRestOfItsMove) {
    Load();
    Unit* field = FieldAt(kInanimateATMines, kFieldX, kFieldY);
    auto* tank = static_cast<Vehicle*>(Axis('B', 5, 0));
    tank->AISetLocation(kFieldX - 70.0f, kFieldY);
    const float nx = kFieldX - 40.0f, ny = kFieldY - 60.0f;
    tank->ReceiveMoveOrders(kFieldX, kFieldY, 20, nullptr, true, true, true, true);
    tank->ReceiveMoveOrders(nx, ny, 20, nullptr, true, false, true, true);
    ASSERT_EQ(tank->mNrWaypoints, 2);
    field->mMineNew = true; // found by another unit after the orders
    for (int32_t turn = 0; turn < 3 && std::hypot(tank->mX - nx, tank->mY - ny) > 5.0f; ++turn) {
        RunnerTurn t;
        std::string error;
        ASSERT_TRUE(mRunner->RunTurn(&t, &error)) << error;
        EXPECT_FALSE(std::fabs(tank->mX - kFieldX) <= 12.0f && std::fabs(tank->mY - kFieldY) <= 12.0f)
            << "the tank drove into the found field";
    }
    EXPECT_LT(std::hypot(tank->mX - nx, tank->mY - ny), 5.0f) << "the tank gave up the move beyond the field";
}

// Each kind of field, once found, blocks its squares in every path grid of
// the side that found it.
TEST_F(MinesInATurn, FoundFieldsOfEveryKindAreKeptOutOfThePathGrids) {
    Load();
    Map* map = mRunner->GetBattle()->mMap;
    std::vector<Unit*> fields{mMine};
    fields.push_back(FieldAt(kInanimateATMines, kFieldX + 100.0f, kFieldY));
    fields.push_back(FieldAt(kInanimateDaisyChain, kFieldX + 200.0f, kFieldY));
    auto cost = [&](const Unit* f, PathType type) {
        const PathGrid* grid = map->GetPathGrid(kAxis, type);
        return grid->mCost[map->SquareIndex(static_cast<int32_t>(f->mX * 0.05f),
                                            static_cast<int32_t>(f->mY * 0.05f))];
    };
    map->CalculateAIPathGrids(kAxis, -1);
    for (const Unit* f : fields)
        ASSERT_NE(cost(f, 0), kPathBlocked) << "kind " << f->mSubtype << ": the ground is blocked already";
    for (Unit* f : fields)
        f->mMineNew = true;
    map->CalculateAIPathGrids(kAxis, -1);
    for (const Unit* f : fields)
        for (PathType type = 0; type < kPathTypes; ++type)
            EXPECT_EQ(cost(f, type), kPathBlocked) << "kind " << f->mSubtype << ", path type " << type;
}

// A tank driving at a found anti-tank field looks ahead for it once a
// second, on the whole seconds of the action phase: it halts before the
// field on such a slice and never drives into it. The seconds count from
// each turn's first slice, also after a turn already computed.
TEST_F(MinesInATurn, ATankLooksForAFoundFieldOnceASecond) {
    for (int32_t before = 0; before < 2; ++before) {
        SCOPED_TRACE(before ? "in the second turn" : "in the first turn");
        Load();
        Unit* field = nullptr;
        for (Unit* m : mRunner->GetBattle()->mUnits->Inanimates())
            if (m->mSubtype == kInanimateATMines || m->mSubtype == kInanimateDaisyChain) field = m;
        ASSERT_NE(field, nullptr) << "the battle has no anti-tank field";
        field->AISetLocation(kFieldX, kFieldY);
        field->mMineNew = true;
        mMine->AISetLocation(kFieldX, kFieldY + 200.0f); // the other field out of the way
        auto* tank = static_cast<Vehicle*>(Axis('B', 5, 0));
        tank->AISetLocation(kFieldX - 40.0f, kFieldY);
        RunnerTurn t;
        std::string error;
        if (before) {
            ASSERT_TRUE(mRunner->RunTurn(&t, &error)) << error; // the tank stands
            ASSERT_EQ(tank->mX, kFieldX - 40.0f);
        }
        tank->ReceiveMoveOrders(kFieldX + 60.0f, kFieldY, 20, nullptr, true, true, true, true);
        int32_t halt = -1;
        float closest = 1e9f, moved = 0.0f;
        mRunner->OnComputed([&](const Battle& b) {
            bool driving = false;
            for (int32_t k = 0; k < b.mPackets.GetCount(); ++k) {
                const auto* p = static_cast<const ActionPacket*>(b.mPackets.GetObjectA(k));
                if (p->StateUnit() != tank || p->mType != kPacketUnitState) continue;
                // Outside the field's 24 m square while the larger offset is above 12 m.
                closest = std::min(closest, std::max(std::fabs(p->mX - kFieldX), std::fabs(p->mY - kFieldY)));
                moved = std::max(moved, p->mX - (kFieldX - 40.0f));
                if (p->mMotionA != 0.0f)
                    driving = true;
                else if (driving && halt < 0)
                    halt = p->mTimeSlice;
            }
        });
        ASSERT_TRUE(mRunner->RunTurn(&t, &error)) << error;
        ASSERT_GT(moved, 20.0f) << "the tank did not drive";
        ASSERT_GE(halt, 0) << "the tank never halted";
        EXPECT_EQ(halt % 40, 0) << "halted on slice " << halt;
        EXPECT_GT(closest, 12.0f) << "the tank drove into the field";
    }
}
