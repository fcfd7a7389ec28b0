#pragma once
// A game file read whole through the game's loader, for tests.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "engine/GFile.h"

struct LoadedGameFile {
    GameFileState state;
    std::unique_ptr<Battle> battle;
    std::unique_ptr<Campaign> campaign;
};

// Reads the compressed file at path, taking its seed; a file that does not
// read, or holds no battle, fails.
inline testing::AssertionResult LoadGameFile(const std::string& path, LoadedGameFile* out) {
    GFile file;
    if (!file.IFile(path.c_str(), kFileModeCompressedRead)) return testing::AssertionFailure() << path << ": no file";
    GameFileContents contents;
    const GameFileResult result = ReadGameFile(&file, &out->state, &contents, {.takeSeed = true});
    out->battle.reset(contents.battle);
    out->campaign.reset(contents.campaign);
    if (result != kGameFileLoaded) return testing::AssertionFailure() << path << ": read gives " << result;
    if (!out->battle) return testing::AssertionFailure() << path << ": no battle";
    return testing::AssertionSuccess();
}
