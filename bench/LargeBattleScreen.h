#pragma once
// The largest demo battle (grossangriff) opened in the whole program on the
// dummy display at 1024 x 768, its battle begun with its screen: the set-up
// the battle-screen benchmarks share.
#include <cstdlib>
#include <string>

#include "ScenarioPaths.h"
#include "app/MVApplication.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "units/Hack.h"

// Null when the battle stands on the screen, else what is missing.
inline const char* OpenLargeBattleScreen(MVApplication** app, Battle** battle) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (!DecryptData()) return "no game data";
    gKernel = new GKernel;
    if (!gKernel->IKernel()) return "no display";
    *app = new MVApplication;
    gKernel->StartApp(*app);
    gKernel->SetScreenMode(1024, 768);
    const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/grossangriff.mvg";
    GFile file;
    GameFileState fileState;
    GameFileContents contents;
    if (!file.IFile(path.c_str(), kFileModeCompressedRead) ||
        ReadGameFile(&file, &fileState, &contents, {.takeSeed = true}) != kGameFileLoaded)
        return "the large scenario does not load";
    delete contents.campaign;
    *battle = contents.battle;
    gBattle = *battle;
    (*battle)->mHost = *app;
    (*battle)->BeginBattle(true, false);
    return nullptr;
}
