// The body of a TCP/IP turn file as a peer sends it, read into a battle in
// the set-up or in a later turn: a damaged body is refused and changes
// nothing; a body that reads is sent back, read again and sent again, and
// the two bodies must be the same bytes.

#include <cstddef>
#include <cstdint>

#include "FuzzBattles.h"
#include "FuzzRoundTrip.h"
#include "map/BuildingWallCrater.h"

namespace {

std::vector<uint8_t> Send(Battle* battle) {
    auto file = FuzzScratchFile();
    if (!file) FuzzFail("no scratch file");
    battle->WritePartialTCP(file.get());
    return FuzzFileBytes(file.get());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t state = data[0];
    const bool ownFile = (state & 64) != 0;
    Battle* old = gBattle;
    Campaign* oldCampaign = gCampaign;
    gCampaign = TurnCampaign(state);
    FuzzPeerHost host;
    Battle battle;
    PrepareTurnBattle(&battle, &host, state);
    gBattle = &battle;
    auto file = FuzzFileWith(data + 1, size - 1);
    const int32_t craters = battle.mMap->mCraters->GetCount();
    if (!file || !battle.ReadPartialTCP(file.get(), ownFile)) {
        FuzzRequire(battle.mUnits->GetCount() == 0, "a refused body left units behind");
        FuzzRequire(battle.mMap->mCraters->GetCount() == craters, "a refused body changed the craters");
        gBattle = old;
        gCampaign = oldCampaign;
        return 0;
    }
    const std::vector<uint8_t> first = Send(&battle);

    // The body goes to a receiver in the state the first one is in now:
    // whether it takes the last turn or keeps its own, the result is the
    // same, and its program holds the same counter and password.
    FuzzPeerHost otherHost;
    Battle again;
    PrepareTurnBattle(&again, &otherHost, state);
    again.mLastTurn = battle.mLastTurn;
    otherHost.mCounter = host.mCounter;
    otherHost.mPassword = host.mPassword;
    otherHost.mComputes = host.mComputes;
    gBattle = &again;
    auto in = FuzzFileWith(first);
    FuzzRequire(in && again.ReadPartialTCP(in.get(), ownFile), "a sent body does not read");
    FuzzRequireSame(first, Send(&again), "turn body");
    gBattle = old;
    gCampaign = oldCampaign;
    return 0;
}
