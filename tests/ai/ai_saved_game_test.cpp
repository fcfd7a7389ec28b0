// The computer opponent's groups inside a whole saved game: written after
// the presence char, read before the battle is rebuilt, and resolved to the
// loaded battle's units.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "ai/AIPlanning.h"
#include "battle/Battle.h"
#include "battle/GameFile.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "engine/FileTestFolder.h"
#include "engine/GFile.h"
#include "map/Map.h"
#include "units/Inanimate.h"

namespace {

struct Current {
    explicit Current(Battle* b) : mOld(gBattle) { gBattle = b; }
    ~Current() { gBattle = mOld; }
    Battle* mOld;
};

// A battle at turn 3 with three objects on the map and one to come, the
// Allied ones in two groups of the computer's side.
std::unique_ptr<Battle> MakeBattle() {
    auto battle = std::make_unique<Battle>();
    battle->IBattleStub();
    battle->mStub = false;
    battle->mMap = new Map;
    battle->mMap->IBlankMap(6, 5, 1.0f, 10);
    battle->mTurn = 3;
    battle->mLastTurn = 15;
    battle->mNominalLastTurn = 15;
    battle->mSetupPhase = false;
    battle->mTitle.IStringText("Hecken");
    for (int i = 0; i < 3; ++i) {
        auto* unit = new Inanimate;
        unit->IInanimate(kInanimateWire, 0, 20.0f + 10 * i, 30.0f, 0.0f);
        unit->mSide = 0;
        battle->mUnits->Add(unit);
    }
    auto* reinforcement = new Reinforcement;
    reinforcement->mArrivalTurn = 5;
    auto* later = new Inanimate;
    later->IInanimate(kInanimateAPMines, 30, 50.0f, 50.0f, 0.0f);
    reinforcement->mUnits->Add(later);
    battle->mReinforcements[1].Add(reinforcement);

    battle->mAIGroups[kAllies] = new GList;
    auto* first = new AIGroup;
    first->mOrder = kAIOrderGoToNode + 1;
    first->Add(battle->mUnits->GetObjectA(2));
    first->Add(battle->mUnits->GetObjectA(0));
    auto* second = new AIGroup;
    second->mOrder = kAIOrderHold;
    second->Add(battle->mUnits->GetObjectA(1));
    second->Add(later);
    battle->mAIGroups[kAllies]->Add(first);
    battle->mAIGroups[kAllies]->Add(second);
    return battle;
}

GameFileState SavingState() {
    GameFileState state;
    state.players = 1;
    state.scenarioName.IStringText("Hecken");
    state.passwordSet[0] = state.passwordSet[1] = true;
    return state;
}

std::vector<uint8_t> Bytes(GFile* file) {
    std::vector<uint8_t> bytes(static_cast<size_t>(file->GetFileLength()));
    if (!bytes.empty()) file->ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

class AISavedGameTest : public testing::Test {
protected:
    std::vector<uint8_t> Write(Battle* battle) {
        Current current(battle);
        GFile file;
        EXPECT_TRUE(file.IFile(mPath.c_str(), kFileModePlainWrite));
        GameFileState state = SavingState();
        WriteGameFile(&file, &state, battle, nullptr);
        file.Rewind();
        return Bytes(&file);
    }
    GameFileResult Read(const std::vector<uint8_t>& bytes, GameFileContents* contents) {
        {
            GFile out;
            EXPECT_TRUE(out.IFile(mPath.c_str(), kFileModePlainWrite));
            out.WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
        }
        GFile file;
        if (!file.IFile(mPath.c_str(), kFileModePlainRead)) return kGameFileDamaged;
        GameFileState state;
        return ReadGameFile(&file, &state, contents);
    }
    FileTestFolder mFolder;
    std::string mPath = mFolder.File("game.mvg");
};

} // namespace

TEST_F(AISavedGameTest, GroupsTravelWithTheGameAndResolveToTheLoadedUnits) {
    auto battle = MakeBattle();
    const std::vector<uint8_t> first = Write(battle.get());

    GameFileContents contents;
    ASSERT_EQ(Read(first, &contents), kGameFileLoaded);
    std::unique_ptr<Battle> loaded(contents.battle);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->mAIGroups[kAxis], nullptr);
    GList* groups = loaded->mAIGroups[kAllies];
    ASSERT_NE(groups, nullptr);
    ASSERT_EQ(groups->GetCount(), 2);
    auto* g0 = static_cast<AIGroup*>(groups->GetObjectA(0));
    auto* g1 = static_cast<AIGroup*>(groups->GetObjectA(1));
    EXPECT_EQ(g0->mOrder, kAIOrderGoToNode + 1);
    ASSERT_EQ(g0->GetCount(), 2);
    EXPECT_EQ(g0->GetObjectA(0), loaded->mUnits->GetObjectA(2));
    EXPECT_EQ(g0->GetObjectA(1), loaded->mUnits->GetObjectA(0));
    ASSERT_EQ(g1->GetCount(), 2);
    auto* reinforcement = static_cast<Reinforcement*>(loaded->mReinforcements[1].GetObjectA(0));
    EXPECT_EQ(g1->GetObjectA(1), reinforcement->mUnits->GetObjectA(0));
    EXPECT_EQ(Write(loaded.get()), first);
}

TEST_F(AISavedGameTest, DamagedGroupsRefuseTheWholeGame) {
    auto battle = MakeBattle();
    std::vector<uint8_t> bytes = Write(battle.get());
    // The presence char of the group block sits before its two side chars;
    // find the Allied block (0, 1, 1, count 2) and damage its keep char.
    const std::vector<uint8_t> block = {1, 0, 1, 1, 0, 0, 0, 2};
    auto at = std::search(bytes.begin(), bytes.end(), block.begin(), block.end());
    ASSERT_NE(at, bytes.end());
    at[3] = 5;
    GameFileContents contents;
    EXPECT_EQ(Read(bytes, &contents), kGameFileDamaged);
    EXPECT_EQ(contents.battle, nullptr);
}

TEST_F(AISavedGameTest, TrenchesStampedIntoTheMapLeaveTheGroups) {
    auto battle = MakeBattle();
    auto* trench = new Inanimate;
    trench->IInanimate(kInanimateTrenches, 0, 60.0f, 60.0f, 0.0f);
    battle->mUnits->Add(trench);
    static_cast<AIGroup*>(battle->mAIGroups[kAllies]->GetObjectA(1))->Add(trench);
    GameFileContents contents;
    ASSERT_EQ(Read(Write(battle.get()), &contents), kGameFileLoaded);
    std::unique_ptr<Battle> loaded(contents.battle);
    EXPECT_EQ(loaded->mUnits->GetCount(), 3);
    auto* g1 = static_cast<AIGroup*>(loaded->mAIGroups[kAllies]->GetObjectA(1));
    ASSERT_EQ(g1->GetCount(), 2);
    for (int32_t i = 0; i < g1->GetCount(); ++i)
        EXPECT_NE(static_cast<Unit*>(g1->GetObjectA(i))->mSubtype, kInanimateTrenches);

    // The end of the set-up turn stamps them too.
    auto setup = MakeBattle();
    setup->mSetupPhase = true;
    auto* dug = new Inanimate;
    dug->IInanimate(kInanimateTrenches, 0, 60.0f, 60.0f, 0.0f);
    setup->mUnits->Add(dug);
    auto* g = static_cast<AIGroup*>(setup->mAIGroups[kAllies]->GetObjectA(0));
    g->Add(dug);
    Current current(setup.get());
    setup->HandleCommand(9);
    EXPECT_FALSE(setup->mSetupPhase);
    EXPECT_EQ(g->GetCount(), 2);
    EXPECT_FALSE(g->IsMember(dug));
}

TEST_F(AISavedGameTest, GoOfAOnePlayerTurnPlansTheComputersSide) {
    auto battle = MakeBattle();
    Current current(battle.get());
    GList* groups = battle->mAIGroups[kAllies];
    battle->HandleCommand(9);
    // Wire cannot fight: its groups' units went to a new fall-back group;
    // the groups left empty go at the next planning run.
    ASSERT_EQ(groups->GetCount(), 3);
    EXPECT_EQ(static_cast<AIGroup*>(groups->GetObjectA(0))->GetCount(), 0);
    EXPECT_EQ(static_cast<AIGroup*>(groups->GetObjectA(1))->GetCount(), 0);
    auto* fallBack = static_cast<AIGroup*>(groups->GetObjectA(2));
    EXPECT_EQ(fallBack->mOrder, kAIOrderFallBack);
    EXPECT_EQ(fallBack->GetCount(), 4);
    EXPECT_NE(battle->mObjectiveGraph, nullptr);
    EXPECT_FALSE(battle->mAIThinking);
}
