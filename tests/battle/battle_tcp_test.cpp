// The body of a TCP/IP turn file, read into a stub battle.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "battle/BattleHost.h"
#include "battle/VictoryFlag.h"
#include "battle/battle_fixtures.h"
#include "battle/turn_fixtures.h"
#include "engine/GString.h"
#include "map/BuildingWallCrater.h"
#include "map/Map.h"
#include "units/Inanimate.h"

namespace {

class PeerHost : public BattleHost {
public:
    Affiliation ViewingSide() override { return mSide; }
    bool IsHost() override { return mHost; }
    int32_t TCPTurnCounter() override { return mCounter; }
    void SetTCPTurnCounter(int32_t counter) override { mCounter = counter; }
    void GetPasswordHash(GString* hash) override { hash->ConcatText("abc123"); }
    void SetOtherPasswordHash(const GString& hash) override { mOther = hash; }
    int32_t CPUSpeed() override { return mSpeed; }
    bool ComputesTurn() override { return mComputes; }
    void SetComputesTurn(bool computes) override { mComputes = computes; }

    Affiliation mSide = kAxis;
    bool mHost = true;
    int32_t mCounter = 0;
    GString255 mOther;
    int32_t mSpeed = 100;
    bool mComputes = false;
};

Inanimate* AddObject(UnitList* list, InanimateType type) {
    auto* unit = new Inanimate;
    unit->IInanimate(type, 0, 10.0f, 10.0f, 0.0f);
    list->Add(unit);
    return unit;
}

VictoryFlag* Flag(Battle* battle, int index) {
    return static_cast<VictoryFlag*>(battle->mFlags.GetObjectA(index));
}

} // namespace

TEST(TurnFile, TheJoinersSetUpTurnCarriesPasswordUnitsAndCraters) {
    PeerHost joiner;
    joiner.mHost = false;
    joiner.mSide = kAllies;
    joiner.mCounter = 6;
    joiner.mSpeed = 50;
    Battle sender;
    sender.IBattleStub();
    sender.mHost = &joiner;
    sender.mMap = new Map;
    sender.mMap->IBlankMap(4, 4, 1.0f, 10);
    sender.mAttacker = 0;
    sender.mScenarioLevel = 2;
    sender.mLastTurn = 17;
    sender.mSurrenderState[1] = 1;
    auto* crater = new Crater;
    crater->ICrater(30.0f, 30.0f, 2.0f, 0.5f, 0.3f, 0, kAxis);
    sender.mMap->mCraters->Add(crater);
    Inanimate* first = AddObject(sender.mUnits, kInanimateWire);
    Inanimate* second = AddObject(sender.mUnits, kInanimateRoadblock);
    second->mTarget = first;
    std::unique_ptr<GFile> file(NewScratchFile());
    {
        CurrentBattle current(&sender);
        sender.WritePartialTCP(file.get());
    }
    file->Rewind();

    // The host reads it into a stub beside its own battle.
    PeerHost host;
    host.mSpeed = 80;
    Battle own;
    own.IBattleStub();
    own.mMap = new Map;
    own.mMap->IBlankMap(4, 4, 1.0f, 10);
    Battle stub;
    stub.IBattleStub();
    stub.mHost = &host;
    CurrentBattle current(&own);
    ASSERT_TRUE(stub.ReadPartialTCP(file.get(), false));
    EXPECT_EQ(host.mCounter, 0); // only the joiner takes the counter
    EXPECT_STREQ(host.mOther.GetCString(), "abc123");
    EXPECT_TRUE(host.mComputes); // the peer is slower, so this machine computes
    EXPECT_EQ(stub.mSurrenderState[1], 1);
    ASSERT_EQ(stub.mUnits->GetCount(), 2);
    EXPECT_EQ(stub.mUnits->GetUnit(0)->mLoadNumber, 1);
    EXPECT_EQ(stub.mUnits->GetUnit(1)->mLoadNumber, 0);
    EXPECT_EQ(stub.mUnits->GetUnit(1)->mTarget, stub.mUnits->GetUnit(0));
    EXPECT_EQ(stub.mLastTurn, 30); // the computing machine keeps its own
    ASSERT_EQ(own.mMap->mCraters->GetCount(), 1);
}

TEST(TurnFile, ATruncatedBodyFails) {
    Battle sender;
    sender.IBattleStub();
    AddObject(sender.mUnits, kInanimateWire);
    std::unique_ptr<GFile> file(NewScratchFile());
    {
        CurrentBattle current(&sender);
        sender.WritePartialTCP(file.get());
    }
    std::vector<uint8_t> bytes = FileBytes(file.get());
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        std::unique_ptr<GFile> part(FileWithBytes(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut)));
        Battle stub;
        stub.IBattleStub();
        EXPECT_FALSE(stub.ReadPartialTCP(part.get(), true)) << cut;
    }
}

TEST(TurnFile, ADamagedBodyChangesNeitherTheHostNorTheMap) {
    PeerHost joiner;
    joiner.mHost = false;
    joiner.mSide = kAllies;
    joiner.mCounter = 9;
    Battle sender;
    sender.IBattleStub();
    sender.mHost = &joiner;
    sender.mMap = new Map;
    sender.mMap->IBlankMap(4, 4, 1.0f, 10);
    sender.mAttacker = 0;
    sender.mScenarioLevel = 2;
    for (int i = 0; i < 3; ++i) {
        auto* crater = new Crater;
        crater->ICrater(10.0f * i, 5.0f, 2.0f, 0.5f, 0.3f, 0, kAxis);
        sender.mMap->mCraters->Add(crater);
    }
    std::unique_ptr<GFile> file(NewScratchFile());
    {
        CurrentBattle current(&sender);
        sender.WritePartialTCP(file.get());
    }
    std::vector<uint8_t> bytes = FileBytes(file.get());
    bytes.resize(bytes.size() - 3);  // the last crater is cut short

    PeerHost host;
    host.mHost = false;
    host.mCounter = 2;
    Battle own;
    own.IBattleStub();
    own.mMap = new Map;
    own.mMap->IBlankMap(4, 4, 1.0f, 10);
    auto* mine = new Crater;
    mine->ICrater(1.0f, 1.0f, 1.0f, 0.2f, 0.1f, 0, kAllies);
    own.mMap->mCraters->Add(mine);
    Battle stub;
    stub.IBattleStub();
    stub.mHost = &host;
    CurrentBattle current(&own);
    std::unique_ptr<GFile> part(FileWithBytes(bytes));
    EXPECT_FALSE(stub.ReadPartialTCP(part.get(), false));
    EXPECT_EQ(host.mCounter, 2);
    EXPECT_EQ(host.mOther.GetLength(), 0);
    ASSERT_EQ(own.mMap->mCraters->GetCount(), 1);
    EXPECT_EQ(own.mMap->mCraters->GetObjectA(0), mine);
    EXPECT_EQ(stub.mUnits->GetCount(), 0);
}

// A peer's crater list may only hold shell craters on the map: a foxhole or
// a crater far off the map refuses the body and leaves the map alone.
TEST(TurnFile, CratersThatDoNotBelongAreRefused) {
    for (int bad = 0; bad < 2; ++bad) {
        PeerHost joiner;
        joiner.mHost = false;
        joiner.mSide = kAllies;
        Battle sender;
        sender.IBattleStub();
        sender.mHost = &joiner;
        sender.mMap = new Map;
        sender.mMap->IBlankMap(4, 4, 1.0f, 10);
        sender.mAttacker = 0;
        sender.mScenarioLevel = 2;
        auto* crater = new Crater;
        if (bad == 0)
            crater->ICrater(30.0f, 30.0f, 1.0f, 0.5f, 0.1f, 2, kAxis); // a foxhole
        else
            crater->ICrater(1.0e6f, 30.0f, 2.0f, 0.5f, 0.1f, 0, kAxis); // far off the map
        sender.mMap->mCraters->Add(crater);
        std::unique_ptr<GFile> file(NewScratchFile());
        {
            CurrentBattle current(&sender);
            sender.WritePartialTCP(file.get());
        }
        file->Rewind();

        PeerHost host;
        Battle own;
        own.IBattleStub();
        own.mMap = new Map;
        own.mMap->IBlankMap(4, 4, 1.0f, 10);
        Battle stub;
        stub.IBattleStub();
        stub.mHost = &host;
        CurrentBattle current(&own);
        EXPECT_FALSE(stub.ReadPartialTCP(file.get(), false)) << bad;
        EXPECT_EQ(own.mMap->mCraters->GetCount(), 0) << bad;
    }
}

// The digest both machines compare covers each side's surrender state,
// score, quiet turns and reinforcements, and each flag's state: changing one
// of them on one side (or one flag) alone changes it, and the two sides'
// changes differ.
TEST(BattleDigest, EveryPerSideValueAndFlagStateChangesTheDigestOnItsOwn) {
    auto fresh = [](Battle* b) {
        b->IBattleStub();
        b->mMap = new Map;
        b->mMap->IBlankMap(4, 4, 1.0f, 10);
        for (int i = 0; i < 2; ++i) {
            auto* flag = new VictoryFlag;
            flag->mX = 100.0f + 50.0f * static_cast<float>(i);
            flag->mY = 100.0f;
            b->mFlags.Add(flag);
        }
    };
    Battle base;
    fresh(&base);
    const uint64_t unchanged = base.SimulationDigest();
    using Change = void (*)(Battle*, int);
    const struct {
        const char* what;
        Change change;
    } cases[] = {
        {"surrender state", [](Battle* b, int s) { b->mSurrenderState[s] = 2; }},
        {"score", [](Battle* b, int s) { b->mSideScore[s] = 7; }},
        {"quiet turns", [](Battle* b, int s) { b->mQuietTurns[s] = 3; }},
        {"reinforcements arrived", [](Battle* b, int s) { b->mReinforcementsArrived[s] = true; }},
        {"flag no longer neutral", [](Battle* b, int s) { Flag(b, s)->mNeutral = false; }},
        {"flag a candidate", [](Battle* b, int s) { Flag(b, s)->mCandidate = true; }},
        {"flag the real one", [](Battle* b, int s) { Flag(b, s)->mReal = true; }},
        {"flag's kind", [](Battle* b, int s) { Flag(b, s)->mKind = 1; }},
    };
    for (const auto& c : cases) {
        uint64_t digests[2] = {};
        for (int side = 0; side < 2; ++side) {
            SCOPED_TRACE(std::string(c.what) + (side == 0 ? ", side 0 (flag 0)" : ", side 1 (flag 1)"));
            Battle b;
            fresh(&b);
            c.change(&b, side);
            digests[side] = b.SimulationDigest();
            EXPECT_NE(digests[side], unchanged);
        }
        EXPECT_NE(digests[0], digests[1]) << c.what << ": the two sides' values go into one place";
    }
    // The holder a flag shows is the viewing player's: the machines differ in
    // it, so it stays out (the holder in truth goes in).
    Battle shown;
    fresh(&shown);
    Flag(&shown, 0)->mHolderNation = kNationAmerican;
    EXPECT_EQ(shown.SimulationDigest(), unchanged);
}

// What units carry to the next turn goes into the digest, and a flag's
// holder only as the units around it decide in truth: two battles that
// differ in one carried value differ, two that differ only in what this
// machine's player sees of the flag (the unit near it unseen, the holder
// last shown) do not.
TEST(BattleDigest, CoversTheCarriedStateAndAFlagsHolderInTruthOnly) {
    auto digest = [](const std::function<void(TurnBattle*, ScriptUnit*, VictoryFlag*)>& change) {
        TurnBattle t;
        ScriptUnit* u = t.Add(kUnitInfantry, kAxis, 100.0f, 100.0f);
        u->mOccupation = 10.0f;
        u->mContactLevel = kContactNone;
        auto* flag = new VictoryFlag;
        flag->mX = flag->mY = 100.0f;
        t.battle.mFlags.Add(flag);
        t.host.mViewingSide = kAxis;
        change(&t, u, flag);
        return t.battle.SimulationDigest();
    };
    const uint64_t base = digest([](TurnBattle*, ScriptUnit*, VictoryFlag*) {});
    EXPECT_NE(digest([](TurnBattle*, ScriptUnit* u, VictoryFlag*) { u->mHasMoved = true; }), base);
    EXPECT_NE(digest([](TurnBattle*, ScriptUnit* u, VictoryFlag*) { u->mTargetSliceCount = 1200; }), base);
    EXPECT_NE(digest([](TurnBattle*, ScriptUnit* u, VictoryFlag*) { u->mFreed = true; }), base);
    EXPECT_EQ(digest([](TurnBattle* t, ScriptUnit*, VictoryFlag*) { t->host.mViewingSide = kAllies; }), base);
    EXPECT_EQ(digest([](TurnBattle*, ScriptUnit*, VictoryFlag* f) {
                  f->mNeutral = false;
                  f->mHolderNation = kNationAmerican;
              }),
              base);
}
