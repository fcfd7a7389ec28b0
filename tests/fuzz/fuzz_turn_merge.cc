// A TCP/IP turn file (as it is before compression, what units carry between
// turns behind it) merged into a running
// battle of any turn state, for the peer's first orders, a file for both
// sides or the own file: nothing crashes or leaks, and a refused file leaves
// the units as they were. A file that merges is sent on as the battle's
// results, merged into a second battle of the same state and sent again:
// the two results files must be the same bytes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzBattles.h"
#include "FuzzRoundTrip.h"
#include "app/MVApplication.h"
#include "battle/GameFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

class MergeApp : public MVApplication {
public:
    uint32_t NetworkClock() override { return 500000; }
    int32_t SendRecord(const uint8_t*, uint32_t) override { return 0; }
    int32_t ForceSendRecord(const uint8_t*, uint32_t, int32_t) override { return 0; }
    void AutoSave(bool) override {}
};

MergeApp* App() {
    // Kept for the whole run: the application writes its preferences when
    // it goes.
    static MergeApp* app = new MergeApp;
    return app;
}

Bytes UnitBytes(Battle* battle) {
    auto file = FuzzScratchFile();
    if (!file) FuzzFail("no scratch file");
    battle->mUnits->WriteUnits(file.get());
    return FuzzFileBytes(file.get());
}

// The battle's state as a results file.
Bytes Results(Battle* battle) {
    auto file = FuzzScratchFile();
    if (!file) FuzzFail("no scratch file");
    battle->WritePartialTCP(file.get());
    file->WriteChar(1);
    battle->WriteActionPackets(file.get());
    file->WriteShort(battle->mQuietTurns[0]);
    file->WriteShort(battle->mQuietTurns[1]);
    WriteUnitExtras(file.get(), battle);
    return FuzzFileBytes(file.get());
}

// The plain bytes compressed as they travel, received by the application.
void Receive(MergeApp* app, const Bytes& plain) {
    GFile file;
    if (!file.ITempFile(true)) FuzzFail("no scratch file");
    if (!plain.empty()) file.WriteBytes(plain.data(), static_cast<int32_t>(plain.size()));
    file.FlushCompressedAndRewindAsPlainRead();
    Bytes packed(static_cast<size_t>(file.GetFileLength()));
    if (!packed.empty()) file.ReadBytes(packed.data(), static_cast<int32_t>(packed.size()));
    app->WriteIncomingBytesToDisk(packed.data(), static_cast<uint32_t>(packed.size()));
}

void Prepare(MergeApp* app, Battle* battle, FuzzPeerHost* host, uint8_t state) {
    PrepareTurnBattle(battle, host, state);
    battle->mHost = app;
    app->mConnectionType = 2;
    app->mPlayers = 2;
    app->mSide = host->mSide;
    app->mIsHost = host->mHost;
    app->mRandomSeed = 4;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t state = data[0];
    const bool bothSides = (data[1] & 1) != 0;
    const bool second = (data[1] & 2) != 0;
    MergeApp* app = App();
    Battle* old = gBattle;
    Campaign* oldCampaign = gCampaign;
    gCampaign = TurnCampaign(state);

    FuzzPeerHost host;
    Battle battle;
    Prepare(app, &battle, &host, state);
    gBattle = &battle;
    const Bytes before = UnitBytes(&battle);
    Receive(app, Bytes(data + 2, data + size));
    const bool merged = app->MergeTCPIPFile(bothSides, second);
    FuzzRequire(app->mIncomingTurnFile == nullptr, "the received file was kept");
    if (!merged) {
        FuzzRequireSame(before, UnitBytes(&battle), "units after a refused file");
        gBattle = old;
        gCampaign = oldCampaign;
        return 0;
    }
    const Bytes first = Results(&battle);

    FuzzPeerHost otherHost;
    Battle again;
    Prepare(app, &again, &otherHost, state);
    again.mLastTurn = battle.mLastTurn;
    gBattle = &again;
    Receive(app, first);
    FuzzRequire(app->MergeTCPIPFile(true, false), "a sent results file does not merge");
    FuzzRequireSame(first, Results(&again), "results file");
    gBattle = old;
    gCampaign = oldCampaign;
    return 0;
}
