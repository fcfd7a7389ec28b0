// An operation file loaded from the scenario list over a running operation
// game, as the list loads it. A refused file must leave the running game
// exactly as it was: the battle and the operation (the same objects, the
// same bytes), the program's values and the random generator. An accepted
// one replaces the game, which is made again for the next input.
//
// Seeds are operation files the game's writer makes (tests/fuzz/seeds/,
// scripts/fuzz --make-seeds): the full operation of the operation record's
// seeds and three refused forms of it.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "FuzzFileReader.h"
#include "GameFileSeeds.h"
#include "OperationFileSeeds.h"
#include "app/MVApplication.h"
#include "engine/GOLTA.h"
#include "units/Hack.h"

namespace {

using Bytes = std::vector<uint8_t>;

MVApplication* App() {
    // Kept for the whole run: the application writes its preferences when
    // it goes.
    static MVApplication* app = new MVApplication;
    return app;
}

// The running game: a battle of the operation under way, as a player has it.
void StartRunningGame(MVApplication* app) {
    delete gBattle;
    delete gCampaign;
    gCampaign = NewSeedOperation();
    if (!gCampaign) FuzzFail("the seed operation does not read");
    gBattle = GameFileSeedBattle(false, "Laufend").release();
    app->mPlayers = 2;
    app->mConnectionType = 0;
    app->mSide = 1;
    app->mScenarioKind = 2;
    app->mRandomSeed = 1234;
    app->mPasswordHash[0].IStringText("eins");
    app->mPasswordHash[1].IStringText("zwei");
    app->mScenarioFileName.IStringText("Laufend");
    app->SettleGameMode();
}

// What the player has of the running game.
struct Running {
    Battle* battle;
    Campaign* campaign;
    Bytes battleBytes, operationBytes;
    int32_t players, connection, side, kind, mode;
    uint16_t seed;
    std::string passwords[2], name;
    uint32_t generator;

    explicit Running(MVApplication* a)
        : battle(gBattle), campaign(gCampaign), players(a->mPlayers), connection(a->mConnectionType),
          side(a->mSide), kind(a->mScenarioKind), mode(a->GameMode()),
          seed(a->mRandomSeed), passwords{a->mPasswordHash[0].GetCString(), a->mPasswordHash[1].GetCString()},
          name(a->mScenarioFileName.GetCString()), generator(GetRandomState()) {
        auto file = FuzzScratchFile();
        if (!file) FuzzFail("no scratch file");
        gBattle->Write(file.get());
        battleBytes = FuzzFileBytes(file.get());
        auto record = FuzzScratchFile();
        if (!record) FuzzFail("no scratch file");
        gCampaign->Write(record.get());
        operationBytes = FuzzFileBytes(record.get());
    }
    bool operator==(const Running&) const = default;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    DecryptData();
    const std::string folder = SeedFolderArgument(argc, argv);
    if (!folder.empty()) WriteSeedFiles(folder, OperationFileSeeds(FuzzFilePath()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MVApplication* app = App();
    if (!gBattle || !gCampaign) StartRunningGame(app);
    const Running before(app);
    if (!PutOnDisk(data, size)) return 0;
    GFile file;
    const bool opened = file.IFile(FuzzFilePath().c_str(), kFileModeCompressedRead);
    std::remove(FuzzFilePath().c_str());
    if (!opened) return 0;
    app->mListLoad = true;
    const bool loaded = app->LoadGame(&file, nullptr);
    app->mListLoad = false;
    if (loaded) {
        // The file's game replaced the running one; the next input runs over
        // a fresh running game.
        delete gBattle;
        delete gCampaign;
        gBattle = nullptr;
        gCampaign = nullptr;
        return 0;
    }
    FuzzRequire(Running(app) == before, "a refused file changed the running game");
    return 0;
}
