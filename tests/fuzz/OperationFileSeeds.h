#pragma once
// Operation files as the scenario list finds them (the operation alone, in
// the scenario form, compressed), for the operation file's fuzz target and
// the shared seed maker: the full operation of OperationSeeds.h, and the same
// with its front line at the attacker's end, a day offset no day has and a
// front line off the map.

#include <climits>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzRoundTrip.h"
#include "OperationSeeds.h"
#include "battle/GameFile.h"

// The operation read from the full record of OperationSeeds.h; null when it
// does not read.
inline Campaign* NewSeedOperation() {
    const std::vector<uint8_t> record = OperationRecordSeeds().back();
    auto file = FuzzFileWith(record);
    auto* operation = new Campaign;
    if (file && operation->ICampaign(file.get())) return operation;
    delete operation;
    return nullptr;
}

// Each file by its name, as the disk holds it; path is a scratch file.
inline std::vector<std::pair<std::string, std::vector<uint8_t>>> OperationFileSeeds(const std::string& path) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> seeds;
    auto put = [&](const std::string& name, Campaign* operation) {
        GameFileState state;
        state.scenarioKind = 2;
        state.randomSeed = 4407;
        state.scenarioName.IStringText("Operation");
        {
            GFile file;
            if (!file.IFile(path.c_str(), kFileModeCompressedWrite)) return;
            WriteGameFile(&file, &state, nullptr, operation, {.scenario = true});
            if (!file.Commit()) return;
        }
        std::vector<uint8_t> bytes;
        {
            std::ifstream in(path, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        std::remove(path.c_str());
        seeds.emplace_back(name, bytes);
    };
    Campaign* operation = NewSeedOperation();
    if (!operation) return seeds;
    operation->mTurn = 1;
    put("operation", operation);
    const int32_t front = operation->mFrontLine;
    operation->mFrontLine = 0;
    put("operation-frontline-0", operation);
    operation->mFrontLine = INT_MIN;
    put("operation-frontline-intmin", operation);
    operation->mFrontLine = front;
    operation->mDayOffset = INT_MAX;
    put("operation-dayoffset-intmax", operation);
    delete operation;
    return seeds;
}
