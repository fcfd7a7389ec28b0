#include "tools/scenarios/OperationRunner.h"

#include <chrono>
#include <vector>

#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/VictoryFlag.h"
#include "engine/GEncoder.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "map/Map.h"

uint32_t OperationStepSeed(uint16_t seed, int32_t battle) {
    return RunnerTurnSeed(seed, 100000 + battle);
}

std::string OperationFileDigest(Campaign* operation, Battle* battle) {
    GFile file;
    if (!file.ITempFile(false)) return std::string();
    GameFileState state;
    state.players = 1;
    state.side = kAxis;
    if (operation) state.scenarioName = operation->mTitle;
    Battle* keptBattle = gBattle;
    gBattle = battle;
    WriteGameFile(&file, &state, battle, operation);
    gBattle = keptBattle;
    file.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return HavalHex(HavalHash256(bytes.data(), bytes.size()));
}

OperationRunner::OperationRunner() {
    mRunner.PlanSides(true, true);
}

OperationRunner::~OperationRunner() {
    Release();
}

void OperationRunner::Release() {
    delete mRunner.TakeBattle();
    delete mBattle;
    mBattle = nullptr;
    if (mCampaign) {
        if (gCampaign == mCampaign) gCampaign = mOldCampaign;
        delete mCampaign;
        mCampaign = nullptr;
    }
}

void OperationRunner::Adopt(Campaign* operation, Battle* battle, uint16_t seed) {
    Release();
    mCampaign = operation;
    mOldCampaign = gCampaign;
    gCampaign = mCampaign;
    mSeed = seed;
    // The sides screen sets the bonus on the operation, which gives it to
    // every battle it cuts, and on the battle under way.
    if (mBonus >= 0) {
        mCampaign->mComputerBonus = mBonus;
        if (battle) battle->mComputerBonus = mBonus;
    }
    mBattle =
        battle ? battle : mCampaign->StepToNextBattle(nullptr, OperationStepSeed(seed, 0), mRunner.Host());
}

bool OperationRunner::Load(const std::string& path, std::string* error) {
    Release();
    GFile file;
    if (!file.IFile(path.c_str(), kFileModeCompressedRead)) {
        *error = path + ": cannot be read";
        return false;
    }
    GameFileState state;
    GameFileContents contents;
    const GameFileResult result =
        ReadGameFile(&file, &state, &contents, {.takeSeed = true, .host = mRunner.Host()});
    if (result != kGameFileLoaded || !contents.campaign) {
        delete contents.battle;
        delete contents.campaign;
        *error = path + (result == kGameFileLoaded ? ": holds no operation" : ": not a sound operation file");
        return false;
    }
    Adopt(contents.campaign, contents.battle, mSeedOverridden ? mSeedOverride : state.randomSeed);
    if (!mBattle && !mCampaign->Over()) {
        *error = path + ": its first strip holds no unit of one side";
        return false;
    }
    return true;
}

bool OperationRunner::LoadScript(const std::string& scriptPath, std::string* error) {
    mScript = OrderScript{};
    OrderScript script;
    if (!mCampaign) {
        *error = "no operation loaded";
        return false;
    }
    if (!ReadOrderScript(scriptPath, &script, error)) return false;
    if (script.lastBattle == 0 && !script.orders.empty()) {
        *error = scriptPath + ": a scenario's script; an operation's gives its orders in 'battle' sections";
        return false;
    }
    ScenarioFault fault;
    for (const ScriptOrder& order : script.orders)
        if (order.battle > mCampaign->mLastTurn) {
            fault.file = scriptPath;
            fault.line = order.line;
            fault.reason = "the operation has " + std::to_string(mCampaign->mLastTurn) + " battles";
            *error = fault.Text();
            return false;
        }
    if (!CheckOrderScript(script, mCampaign, &fault, CurrentBattle())) {
        *error = fault.Text();
        return false;
    }
    mScript = script;
    return true;
}

bool OperationRunner::Over() const {
    return !mCampaign || mCampaign->Over() || !mBattle;
}

Battle* OperationRunner::CurrentBattle() const {
    return mPlaying ? mRunner.GetBattle() : mBattle;
}

bool OperationRunner::OpenBattle(OperationBattle* report, std::string* error) {
    if (mPlaying) return true;
    if (Over()) {
        *error = "the operation is over";
        return false;
    }
    report->number = mCampaign->mTurn;
    report->timeOfDay = mCampaign->BattleDaytime();
    // The battle's section of the script, on the battle's map.
    OrderScript section;
    ScenarioFault fault;
    if (!BattleSection(mScript, report->number, static_cast<float>(mCampaign->mSleeveOffsetX) * kSquareSize,
                       static_cast<float>(mCampaign->mSleeveOffsetY) * kSquareSize, mBattle, &section,
                       &fault)) {
        *error = fault.Text();
        return false;
    }
    mRunner.SetScript(section);
    Battle* battle = mBattle;
    mBattle = nullptr;
    mPlaying = true;
    mRunner.Adopt(battle, static_cast<uint16_t>(RunnerTurnSeed(mSeed, 1000 * report->number) & 0xffff));
    return true;
}

bool OperationRunner::PlayTurns(int32_t turns, OperationBattle* report, std::string* error) {
    if (!OpenBattle(report, error)) return false;
    for (int32_t played = 0; !mRunner.Over() && (turns == 0 || played < turns); ++played) {
        RunnerTurn turn;
        if (!mRunner.RunTurn(&turn, error)) return false;
        report->turns.push_back(turn);
    }
    return true;
}

bool OperationRunner::FinishBattle(OperationBattle* report, std::string* error) {
    if (!OpenBattle(report, error)) return false;
    Battle* battle = mRunner.GetBattle();
    // A battle stopped short ends as the last turn would end it.
    if (!battle->Over()) {
        battle->mTurn = battle->mLastTurn + 1;
        battle->BattleVictoryScreen(false, false);
    }
    report->grade = mCampaign->ComputeVictor();
    report->frontLine = mCampaign->mFrontLine;
    for (Affiliation s = 0; s < 2; ++s) {
        report->menInflicted[s] = mCampaign->mSideLosses[s][0];
        report->materialInflicted[s] = mCampaign->mSideLosses[s][1];
    }
    for (int32_t k = 0; k < mCampaign->mOpFlags.GetCount(); ++k) {
        const auto* f = static_cast<const VictoryFlag*>(mCampaign->mOpFlags.GetObjectA(k));
        if (!f->mNeutral) ++report->flagsHeld[f->mHolderNation < 2 ? kAxis : kAllies];
    }
    Battle* finished = mRunner.TakeBattle();
    mPlaying = false;
    if (!mCampaign->Over()) {
        const auto start = std::chrono::steady_clock::now();
        mBattle =
            mCampaign->StepToNextBattle(finished, OperationStepSeed(mSeed, report->number), mRunner.Host());
        const auto end = std::chrono::steady_clock::now();
        report->stepMilliseconds = std::chrono::duration<double, std::milli>(end - start).count();
        if (mBattle) report->stepDigest = OperationFileDigest(mCampaign, mBattle);
    }
    delete finished;
    return true;
}

bool OperationRunner::PlayBattle(OperationBattle* report, std::string* error) {
    return OpenBattle(report, error) && PlayTurns(mTurnLimit, report, error) && FinishBattle(report, error);
}
