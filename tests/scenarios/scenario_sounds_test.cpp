// The engines of a shipped scenario when its battle screen opens: one sound
// played at once for every vehicle the screen's side can hear, none recorded.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ScenarioPaths.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/UnitList.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Vehicle.h"

namespace {

class EarHost : public BattleHost {
public:
    void PlayPacketSound(ActionPacket* p) override {
        ++played;
        if ((p->mSoundFlags & 0x04) && p->mSource) engines.insert(p->mSource);
    }
    int32_t played = 0;
    std::set<Unit*> engines;
};

} // namespace

TEST(ScenarioSounds, EveryAliveMobileVehicleStartsItsEngineWhenTheScreenOpens) {
    ASSERT_TRUE(DecryptData());
    BattleRunner runner;
    std::string error;
    ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/panzer.mvg", &error)) << error;
    Battle* battle = runner.GetBattle();
    ASSERT_NE(battle, nullptr);
    BattleHost* old = battle->mHost;
    EarHost ear;
    ear.SetViewingSide(kAxis);
    battle->mHost = &ear;
    battle->mSetupPhase = false;
    const int32_t recorded = battle->mPackets.GetCount();
    battle->StartVehicleSounds();
    int32_t expected = 0;
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
        Unit* u = battle->mUnits->GetUnit(i);
        if (u->mUnitType != kUnitVehicle || !u->mActive || u->mImmobile) continue;
        auto* v = static_cast<Vehicle*>(u);
        if (v->Data().mKind == 5 || v->VisibleToSide(false, false) == kContactNone) continue;
        ++expected;
        EXPECT_EQ(ear.engines.count(u), 1u) << "no engine for unit " << i;
    }
    EXPECT_GT(expected, 0);
    EXPECT_EQ(ear.played, expected);
    EXPECT_EQ(battle->mPackets.GetCount(), recorded); // nothing recorded
    battle->mHost = old;
}
