// Battles that differ at an exchange name, in the line the program logs,
// the first record that differs and, once the peer's bytes of it are in,
// the field: the peer's digest packet carries a hash of each record behind
// the digest, and the peer sends the record it found first different.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/AppTypes.h"
#include "app/MVApplication.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

void PutBig32(std::vector<uint8_t>* out, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        out->push_back(static_cast<uint8_t>(v >> (24 - 8 * k)));
}

uint32_t Hash(const std::vector<uint8_t>& bytes) {
    uint32_t hash = 2166136261u;
    for (uint8_t b : bytes)
        hash = (hash ^ b) * 16777619u;
    return hash;
}

TEST(BattlesDiffer, TheLogLineNamesTheRecordThenTheFieldThatDiffers) {
    ASSERT_TRUE(DecryptData());
    ProgramFolder folder;
    MVApplication app;
    app.mConnectionType = 2;
    app.mPlayers = 2;
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    GFile file;
    ASSERT_TRUE(file.IFile((std::string(cwd) + "/Szenarien/hecken.mvg").c_str(), kFileModeCompressedRead));
    GameFileState state;
    GameFileContents contents;
    ASSERT_EQ(ReadGameFile(&file, &state, &contents, {.takeSeed = true, .host = &app}), kGameFileLoaded);
    delete contents.campaign;
    gBattle = contents.battle;

    // The peer's battle: the same, but its third unit's experience.
    Unit* unit = gBattle->mUnits->GetUnit(2);
    unit->mExperience = unit->mExperience == 0 ? 1 : 0;
    const std::vector<Battle::SimulationRecord> peer = gBattle->SimulationRecords();
    unit->mExperience = unit->mExperience == 0 ? 1 : 0;
    std::vector<uint8_t> digest = {20};
    PutBig32(&digest, static_cast<uint32_t>(gBattle->mTurn));
    const uint64_t peerDigest = Battle::DigestOf(peer);
    PutBig32(&digest, static_cast<uint32_t>(peerDigest >> 32));
    PutBig32(&digest, static_cast<uint32_t>(peerDigest));
    size_t differing = 0;
    for (size_t i = 0; i < peer.size(); ++i) {
        PutBig32(&digest, Hash(peer[i].bytes));
        if (peer[i].name.rfind("unit 2 ", 0) == 0) differing = i;
    }
    app.ReceivePacket(digest.data(), static_cast<uint32_t>(digest.size()));
    app.NoteExchangeDigest();
    EXPECT_EQ(app.mNetworkReport, kConfirmBattlesDiffer);
    EXPECT_NE(app.mBattlesDifferLine.find(peer[differing].name), std::string::npos) << app.mBattlesDifferLine;

    std::vector<uint8_t> record = {23};
    PutBig32(&record, static_cast<uint32_t>(differing));
    record.insert(record.end(), peer[differing].bytes.begin(), peer[differing].bytes.end());
    app.ReceivePacket(record.data(), static_cast<uint32_t>(record.size()));
    EXPECT_NE(app.mBattlesDifferLine.find(peer[differing].name + ", experience"), std::string::npos)
        << app.mBattlesDifferLine;
    delete gBattle;
    gBattle = nullptr;
}

} // namespace
