// The game's own tables at work: the paces, infantry and weapon rows the
// game ships, read by the rules in computed turns of the demo battles as the
// game loads them. Each case is one thing a player sees on the battlefield.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ScenarioPaths.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "map/Map.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Infantry.h"
#include "units/InfantryConduct.h"
#include "units/Unit.h"

namespace {

using infantry::AngleOff;
using infantry::Bearing;
using infantry::kDegToRad;
using infantry::kPaceHold;
using infantry::kPaceStand;

// Infantry rows of the demo battles.
constexpr InfantryType kUSRifleSquad = 1;
constexpr InfantryType kGrenadierSquad = 252;
constexpr InfantryType kHeavyMGTeam = 258;

class ShippedTables : public testing::Test {
protected:
    void Load(const char* battle, bool planned, uint16_t seed = 1) {
        ASSERT_TRUE(DecryptData());
        mRunner = std::make_unique<BattleRunner>();
        mRunner->PlanSides(planned, planned);
        mRunner->OverrideSeed(seed);
        std::string error;
        ASSERT_TRUE(mRunner->Load(std::string(DM_SCENARIO_BUILT_DIR) + "/" + battle + ".mvg", &error)) << error;
        mBattle = mRunner->GetBattle();
    }
    void Turns(int32_t n) {
        for (int32_t i = 0; i < n && !mRunner->Over(); ++i) {
            RunnerTurn t;
            std::string error;
            ASSERT_TRUE(mRunner->RunTurn(&t, &error)) << error;
        }
    }
    // The first infantry unit on foot of that row (and side, when given).
    Infantry* First(InfantryType type, int32_t side = -1) {
        for (int32_t i = 0; i < mBattle->mUnits->GetCount(); ++i) {
            Unit* u = mBattle->mUnits->GetUnit(i);
            if (u->mUnitType == kUnitInfantry && u->mActive && u->mSubtype == type && !u->mTransport &&
                (side < 0 || u->mSide == side))
                return static_cast<Infantry*>(u);
        }
        return nullptr;
    }
    // Shell packets of every computed turn, by firer.
    void CountShots(std::function<void(const Unit*)> each) {
        mRunner->OnComputed([each](const Battle& b) {
            for (int32_t k = 0; k < b.mPackets.GetCount(); ++k) {
                const auto* p = static_cast<const ActionPacket*>(b.mPackets.GetObjectA(k));
                if (p->mType == kPacketShell && p->mFirer) each(p->mFirer);
            }
        });
    }
    // Orders a move of `metres` straight ahead.
    static void Ahead(Unit* u, float metres, int32_t order) {
        const double h = u->mHeading * kDegToRad;
        u->ReceiveMoveOrders(u->mX + metres * static_cast<float>(std::cos(h)),
                             u->mY + metres * static_cast<float>(std::sin(h)), order, nullptr, true, true, true, true);
    }

    std::unique_ptr<BattleRunner> mRunner;
    Battle* mBattle = nullptr;
};

WeaponClass HeavyClass(const Unit* u) {
    const WeaponType w = gInfantryData[u->mSubtype].mHeavyWeapon;
    return w == kWeaponNone ? -1 : gWeaponData[w].mClass;
}

} // namespace

// The bridge battle, both sides planned, to its end: the German mortars and
// the PaK 40 fire at the Americans in their reach from where they stand (the
// PaK not at every seed).
TEST_F(ShippedTables, MortarAndAntiTankGunCrewsFireFromWhereTheyStand) {
    int32_t mortar = 0, gun = 0;
    for (uint16_t seed = 1; seed <= 3 && gun == 0; ++seed) {
        Load("bruecke", true, seed);
        CountShots([&](const Unit* firer) {
            if (firer->mUnitType != kUnitInfantry) return;
            mortar += HeavyClass(firer) == kWClassMortar;
            gun += HeavyClass(firer) == kWClassGun;
        });
        Turns(20);
    }
    EXPECT_GT(mortar, 0) << "no mortar team fired";
    EXPECT_GT(gun, 0) << "no gun crew fired";
}

// American rifle squads fire while they stand (no waypoint, no motion in
// their last state packet), in the bridge battle with both sides planned.
TEST_F(ShippedTables, StandingRifleSquadsFire) {
    Load("bruecke", true);
    int32_t standing = 0, moving = 0;
    mRunner->OnComputed([&](const Battle& b) {
        std::map<const Unit*, bool> still; // by the unit's last state packet
        for (int32_t k = 0; k < b.mPackets.GetCount(); ++k) {
            const auto* p = static_cast<const ActionPacket*>(b.mPackets.GetObjectA(k));
            if (p->mType == kPacketUnitState && p->StateUnit())
                still[p->StateUnit()] = p->mMovementCode == kPaceStand && p->mMotionA == 0.0f;
            if (p->mType != kPacketShell || !p->mFirer || p->mFirer->mUnitType != kUnitInfantry ||
                p->mFirer->mSubtype != kUSRifleSquad)
                continue;
            auto at = still.find(p->mFirer);
            (at != still.end() && at->second ? standing : moving) += 1;
        }
    });
    Turns(10);
    EXPECT_GT(standing, 0) << "no rifle squad fired standing";
}

// A squad that assaulted for a turn and then rests recovers: its fatigue
// falls again, whether it stands or hides (lying low, as pinned men do).
TEST_F(ShippedTables, ASquadRestingAfterAnAssaultRecovers) {
    for (const bool hide : {false, true}) {
        SCOPED_TRACE(hide ? "hiding" : "standing");
        Load("bruecke", false);
        Infantry* squad = First(kGrenadierSquad);
        ASSERT_NE(squad, nullptr);
        Ahead(squad, 150.0f, 22);
        Turns(1);
        const float tired = squad->mFatigue;
        ASSERT_GT(tired, 10.0f) << "the assault did not tire the squad";
        squad->CancelMovementOrders();
        if (hide) squad->ReceiveMoveOrders(squad->mX, squad->mY, kOrderHide, nullptr, true, true, true, true);
        Turns(2);
        EXPECT_EQ(squad->mMoveSpeed, hide ? kPaceHold : kPaceStand);
        EXPECT_LT(squad->mFatigue, tired) << "resting, the squad's fatigue did not fall";
    }
}

// A heavy-MG team (speed class 2) ordered to hurry gets further in a turn
// than the same team ordered to walk.
TEST_F(ShippedTables, AnMGTeamOrderedToHurryOutpacesOneThatWalks) {
    float metres[2] = {};
    const int32_t orders[2] = {20, 21};
    for (int32_t i = 0; i < 2; ++i) {
        Load("bruecke", false);
        Infantry* team = First(kHeavyMGTeam);
        ASSERT_NE(team, nullptr);
        ASSERT_EQ(team->GetSpeedClass(), kSpeedHeavy);
        ASSERT_TRUE(team->CanDoOrder(orders[i]));
        const float x = team->mX, y = team->mY;
        Ahead(team, 150.0f, orders[i]);
        Turns(1);
        metres[i] = std::hypot(team->mX - x, team->mY - y);
    }
    EXPECT_GT(metres[0], 10.0f) << "the walking team did not move";
    EXPECT_GT(metres[1], metres[0] * 1.2f) << "hurrying: " << metres[1] << " m, walking: " << metres[0] << " m";
}

// A squad sneaking towards a minefield it knows of goes round it the way
// a path leads, facing where it goes: no leg of its detour is walked
// backwards.
TEST_F(ShippedTables, ASneakingSquadGoesRoundAnObstacleFacingForward) {
    Load("hatten", false);
    // The Americans' anti-personnel field, found, in a quiet place.
    constexpr float kFieldX = 150.0f, kFieldY = 710.0f;
    Unit* mine = nullptr;
    for (Unit* m : mBattle->mUnits->Inanimates())
        if (m->mSubtype == kInanimateAPMines && m->GetAffiliation() == kAllies) mine = m;
    ASSERT_NE(mine, nullptr);
    mine->AISetLocation(kFieldX, kFieldY);
    mine->mMineNew = true;
    Infantry* squad = nullptr;
    for (int32_t i = 0; i < mBattle->mUnits->GetCount() && !squad; ++i) {
        Unit* u = mBattle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitInfantry && u->GetAffiliation() == kAxis && !u->mTransport &&
            static_cast<Infantry*>(u)->IsSquad() && u->CanDoOrder(30))
            squad = static_cast<Infantry*>(u);
    }
    ASSERT_NE(squad, nullptr);
    squad->AISetLocation(kFieldX - 30.0f, kFieldY);
    squad->mHeading = 0.0f;
    squad->ReceiveMoveOrders(kFieldX + 40.0f, kFieldY, 30, nullptr, true, true, true, true);
    const MovementSpeedType sneak = squad->mWaypoints[0].mOrder;
    int32_t legs = 0, backwards = 0;
    mRunner->OnComputed([&](const Battle&) {
        legs = std::max(legs, squad->mNrWaypoints);
        for (int32_t i = 0; i < squad->mNrWaypoints; ++i)
            backwards += squad->mWaypoints[i].mOrder == kPaceReverse;
    });
    Turns(5);
    EXPECT_GT(legs, 1) << "no detour was laid";
    EXPECT_EQ(backwards, 0) << "a detour leg is walked backwards";
    ASSERT_GT(squad->mNrWaypoints, 0);
    const Waypoint& next = squad->mWaypoints[0];
    EXPECT_EQ(next.mOrder, sneak);
    EXPECT_LT(AngleOff(squad->mHeading, Bearing(squad->mX, squad->mY, next.mX, next.mY)), 45.0f)
        << "the squad faces away from its way";
}
