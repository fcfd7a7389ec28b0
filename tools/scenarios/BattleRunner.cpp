#include "tools/scenarios/BattleRunner.h"

#include <chrono>
#include <ctime>
#include <fstream>
#include <sstream>
#include <vector>

#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "engine/GEncoder.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"

namespace {

std::string DigestOf(void (*write)(Battle*, GFile*), Battle* battle) {
    GFile file;
    if (!file.ITempFile(false)) return std::string();
    write(battle, &file);
    file.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return HavalHex(HavalHash256(bytes.data(), bytes.size()));
}

const char* ResultText(GameFileResult result) {
    switch (result) {
    case kGameFileFormatTooNew:
    case kGameFileVersionTooNew:
        return "written by a newer version";
    case kGameFileWrongBuild:
        return "written by another build";
    default:
        return "damaged";
    }
}

} // namespace

uint32_t RunnerTurnSeed(uint16_t scenarioSeed, int32_t turn) {
    return static_cast<uint32_t>(scenarioSeed) ^ (static_cast<uint32_t>(turn) * 2654435761u);
}

std::string PacketBlockDigest(Battle* battle) {
    return DigestOf([](Battle* b, GFile* f) { b->WriteActionPackets(f); }, battle);
}

std::string BattleDigest(Battle* battle) {
    return DigestOf([](Battle* b, GFile* f) { b->Write(f); }, battle);
}

BattleRunner::BattleRunner() = default;

BattleRunner::~BattleRunner() {
    Release();
}

void BattleRunner::PlanSides(bool axis, bool allies) {
    mPlanAxis = axis;
    mPlanAllies = allies;
    mHost.mComputerSide = axis == allies ? kSideNone : (axis ? kAxis : kAllies);
}

void BattleRunner::OverrideSeed(uint16_t seed) {
    mSeedOverridden = true;
    mSeedOverride = seed;
}

void BattleRunner::PlanAxis() {
    GList* alliesGraph = mBattle->mObjectiveGraph;
    mBattle->mObjectiveGraph = mAxisGraph;
    mBattle->AIOperational(kAxis);
    mAxisGraph = mBattle->mObjectiveGraph;
    mBattle->mObjectiveGraph = alliesGraph;
}

void BattleRunner::Release() {
    delete mAxisGraph;
    mAxisGraph = nullptr;
    if (mBattle) {
        if (gBattle == mBattle) gBattle = mOldBattle;
        delete mBattle;
        mBattle = nullptr;
    }
}

bool BattleRunner::Load(const std::string& scenarioPath, std::string* error) {
    Release();
    // The seed first, then the load from that seed.
    GameFileState state;
    for (int pass = 0; pass < 2; ++pass) {
        GameFileResult result = kGameFileDamaged;
        {
            GFile file;
            if (!file.IFile(scenarioPath.c_str(), kFileModeCompressedRead)) {
                *error = scenarioPath + ": cannot be read";
                return false;
            }
            GameFileHeader header;
            result = ReadGameFileHeader(&file, &header);
            if (result == kGameFileLoaded && header.fromGame) {
                *error = scenarioPath + ": a saved game, not a scenario";
                return false;
            }
        }
        GFile file;
        if (!file.IFile(scenarioPath.c_str(), kFileModeCompressedRead)) {
            *error = scenarioPath + ": cannot be read";
            return false;
        }
        if (pass == 1) SeedRandomGenerator(mSeed);
        GameFileContents contents;
        if (result == kGameFileLoaded)
            result = ReadGameFile(&file, &state, &contents, {.takeSeed = true, .host = &mHost});
        if (result != kGameFileLoaded || !contents.battle) {
            delete contents.battle;
            delete contents.campaign;
            *error =
                scenarioPath + ": " + (result == kGameFileLoaded ? "holds no battle" : ResultText(result));
            return false;
        }
        delete contents.campaign;
        mSeed = mSeedOverridden ? mSeedOverride : state.randomSeed;
        if (pass == 0) {
            delete contents.battle;
            continue;
        }
        mBattle = contents.battle;
    }
    mBattle->mComputerBonus = mBonus;
    if (mHandicap != 0 && mBattle->mSetupPhase && mBattle->mSideShortA[0] == 0) {
        // The players screen closes before the battle opens: the extra units
        // stand in the set-up.
        Battle* old = gBattle;
        gBattle = mBattle;
        mBattle->Handicap(mHandicap);
        gBattle = old;
    }
    Open();
    return true;
}

void BattleRunner::Adopt(Battle* battle, uint16_t seed) {
    Release();
    mSeed = seed;
    mBattle = battle;
    mBattle->mHost = &mHost;
    Open();
}

Battle* BattleRunner::TakeBattle() {
    Battle* battle = mBattle;
    if (battle && gBattle == battle) gBattle = mOldBattle;
    mBattle = nullptr;
    delete mAxisGraph;
    mAxisGraph = nullptr;
    return battle;
}

void BattleRunner::Open() {
    mOldBattle = gBattle;
    gBattle = mBattle;
    // The battle opens as in the program: its map link, visibility and
    // condition level, leaders' links and morale.
    mBattle->BeginBattle(false, false);
    // GO plans the Allies; with an empty group list they are left alone.
    if (!mPlanAllies && !mBattle->mAIGroups[kAllies]) mBattle->mAIGroups[kAllies] = new GList;
    // Set-up: the units stand where the scenario or the computer placed
    // them; GO ends it.
    if (mBattle->mSetupPhase) {
        SeedRandomGenerator(RunnerTurnSeed(mSeed, 0));
        if (mPlanAxis) PlanAxis();
        mBattle->HandleCommand(kRunnerCommandGo);
    }
}

bool BattleRunner::Save(const std::string& gamePath, std::string* error) {
    GFile file;
    if (!mBattle || !file.IFile(gamePath.c_str(), kFileModeCompressedWrite)) {
        *error = gamePath + ": cannot be written";
        return false;
    }
    GameFileState state;
    state.players = 1;
    state.side = kAxis;
    state.randomSeed = mSeed;
    WriteGameFile(&file, &state, mBattle, nullptr);
    return true;
}

bool BattleRunner::Resume(const std::string& gamePath, std::string* error) {
    Release();
    GFile file;
    if (!file.IFile(gamePath.c_str(), kFileModeCompressedRead)) {
        *error = gamePath + ": cannot be read";
        return false;
    }
    GameFileState state;
    GameFileContents contents;
    const GameFileResult result = ReadGameFile(&file, &state, &contents, {.takeSeed = true, .host = &mHost});
    delete contents.campaign;
    if (result != kGameFileLoaded || !contents.battle || contents.battle->mSetupPhase) {
        delete contents.battle;
        *error =
            gamePath + ": " + (result == kGameFileLoaded ? "holds no battle under way" : ResultText(result));
        return false;
    }
    mSeed = state.randomSeed;
    mBattle = contents.battle;
    mOldBattle = gBattle;
    gBattle = mBattle;
    mBattle->BeginBattle(false, false);
    if (!mPlanAllies && !mBattle->mAIGroups[kAllies]) mBattle->mAIGroups[kAllies] = new GList;
    return true;
}

bool ReadOrderScript(const std::string& scriptPath, OrderScript* script, std::string* error) {
    std::ifstream in(scriptPath, std::ios::binary);
    if (!in) {
        *error = scriptPath + ": cannot be read";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    ScenarioFault fault;
    if (!ParseOrderScript(text.str(), scriptPath, script, &fault)) {
        *error = fault.Text();
        *script = OrderScript{};
        return false;
    }
    return true;
}

bool BattleRunner::LoadScript(const std::string& scriptPath, std::string* error) {
    if (!ReadOrderScript(scriptPath, &mScript, error)) return false;
    ScenarioFault fault;
    if (mScript.lastBattle > 0) {
        *error = scriptPath + ": an operation's script (it has battle sections), not a scenario's";
        mScript = OrderScript{};
        return false;
    }
    if (mBattle && !CheckOrderScript(mScript, mBattle, &fault)) {
        *error = fault.Text();
        mScript = OrderScript{};
        return false;
    }
    return true;
}

bool BattleRunner::Over() const {
    return !mBattle || mBattle->Over();
}

double ThreadCpuMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

bool BattleRunner::RunTurn(RunnerTurn* result, std::string* error) {
    if (!mBattle) {
        *error = "no scenario loaded";
        return false;
    }
    if (mBattle->Over()) {
        *error = "the battle is over";
        return false;
    }
    const int32_t turn = mBattle->mTurn;
    const auto start = std::chrono::steady_clock::now();
    const bool planned[2] = {mPlanAxis, mPlanAllies};
    ApplyOrders(mScript, turn, mBattle, mScriptOnlyUnplanned ? planned : nullptr);
    SeedRandomGenerator(RunnerTurnSeed(mSeed, turn));
    if (mPlanAxis) {
        const double planStart = ThreadCpuMilliseconds();
        PlanAxis();
        result->planMilliseconds = ThreadCpuMilliseconds() - planStart;
    }
    const bool shownBefore = mBattle->mResultShown;
    mBattle->HandleCommand(kRunnerCommandGo);
    result->turn = turn;
    result->packetDigest = PacketBlockDigest(mBattle);
    if (mOnComputed) mOnComputed(*mBattle);
    // A GO that ended the battle (a night of an operation that passes) has
    // shown its result already: no turn follows it.
    const bool endedByGo = !shownBefore && mBattle->mResultShown;
    if (!endedByGo) mBattle->HandleCommand(kRunnerCommandNextTurn);
    const auto end = std::chrono::steady_clock::now();
    result->milliseconds = std::chrono::duration<double, std::milli>(end - start).count();
    if (mBattle->mTurn == turn && !mBattle->Over() && !endedByGo) {
        *error =
            "this build computes no turn: GO and next turn left the battle at turn " + std::to_string(turn);
        return false;
    }
    result->battleDigest = BattleDigest(mBattle);
    return true;
}
