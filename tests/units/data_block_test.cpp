// The sealed data block and its loader: round trip, and refusal of every
// kind of damage without leaving half-loaded tables behind.

#include <gtest/gtest.h>

#include <cstring>

#include "data_testset.h"

namespace {

TEST(DataBlock, SealAndOpenGiveBackThePlainBytes) {
    std::vector<uint8_t> plain(5000);
    for (size_t i = 0; i < plain.size(); ++i)
        plain[i] = uint8_t(i * 7 % 251);
    std::vector<uint8_t> block, back;
    std::string error;
    ASSERT_TRUE(SealDataBlock(plain, &block));
    ASSERT_TRUE(OpenDataBlock(block.data(), block.size(), &back, &error)) << error;
    EXPECT_EQ(back, plain);
    // The sealed bytes are neither the plain bytes nor plain zlib output.
    EXPECT_EQ(std::memcmp(block.data(), "DMGB", 4), 0);
    EXPECT_NE(block[kDataBlockHeaderSize], 0x78); // a zlib stream's first byte
}

TEST(DataBlock, EveryKindOfDamageIsRefused) {
    const std::vector<uint8_t> good = SealSet(MinimalDataSet());
    std::vector<uint8_t> plain;
    std::string error;
    auto refused = [&](std::vector<uint8_t> b) {
        return !OpenDataBlock(b.data(), b.size(), &plain, &error) && plain.empty() && !error.empty();
    };
    std::vector<uint8_t> b = good;
    b[0] = 'X';
    EXPECT_TRUE(refused(b)) << "magic";
    b = good;
    b[4] = 9;
    EXPECT_TRUE(refused(b)) << "version";
    b = good;
    b[8] ^= 1;
    EXPECT_TRUE(refused(b)) << "plain size";
    b = good;
    b.resize(b.size() - 3);
    EXPECT_TRUE(refused(b)) << "truncated";
    b = good;
    b[b.size() / 2] ^= 0x5A;
    EXPECT_TRUE(refused(b)) << "flipped byte";
    b = good;
    b[16] ^= 0xFF;
    EXPECT_TRUE(refused(b)) << "checksum";
    EXPECT_FALSE(OpenDataBlock(nullptr, 0, &plain, &error));
    EXPECT_FALSE(OpenDataBlock(good.data(), 10, &plain, &error));
}

TEST(DataBlock, LoaderRoundTripInstallsEveryTable) {
    GameDataSet set = MinimalDataSet();
    set.mWeapons[42].mCalibre = 37.0f;
    set.mVehicles[410].mCrew = 4;
    std::strcpy(set.mForces[30].mName, "Allierte");
    ASSERT_TRUE(InstallSet(set)) << GameDataError();
    EXPECT_STREQ(GameDataError(), "");
    EXPECT_EQ(gWeaponData.Count(), kWeaponCount);
    EXPECT_EQ(gInfantryData.Count(), kInfantryCount);
    EXPECT_EQ(gAirplaneData.Count(), kAirplaneCount);
    EXPECT_EQ(gTOEData.Count(), 0);
    EXPECT_FLOAT_EQ(gWeaponData[42].mCalibre, 37.0f);
    EXPECT_EQ(gVehicleData[410].mCrew, 4);
    EXPECT_STREQ(gForceTypeChart[30].mName, "Allierte");
    DeleteCryptoData();
    EXPECT_EQ(gWeaponData.Count(), 0);
}

TEST(DataBlock, DamagedBlockLeavesNoTablesAndSaysWhy) {
    ASSERT_TRUE(InstallSet(MinimalDataSet()));
    std::vector<uint8_t> b = SealSet(MinimalDataSet());
    b[b.size() - 1] ^= 1;
    EXPECT_FALSE(LoadGameData(b.data(), b.size()));
    EXPECT_EQ(gVehicleData.Count(), 0);
    EXPECT_EQ(gWeaponData.Count(), 0);
    EXPECT_NE(std::string(GameDataError()).find("Spieldaten"), std::string::npos);
}

TEST(DataBlock, WrongCountsSizesAndTrailingBytesAreRefused) {
    const GameDataSet set = MinimalDataSet();
    std::vector<uint8_t> plain = FlattenGameData(set);
    GameDataSet out;
    std::string error;
    ASSERT_TRUE(SplitGameData(plain, &out, &error)) << error;

    std::vector<uint8_t> bad = plain;
    bad[4] ^= 1; // first table's record size
    EXPECT_FALSE(SplitGameData(bad, &out, &error));
    EXPECT_NE(error.find("gVehicleClassChart"), std::string::npos);

    bad = plain;
    bad[0] = 3; // fewer vehicle classes than the rules index
    bad[1] = bad[2] = bad[3] = 0;
    EXPECT_FALSE(SplitGameData(bad, &out, &error));

    bad = plain;
    bad[0] = bad[1] = bad[2] = bad[3] = 0xFF; // absurd count
    EXPECT_FALSE(SplitGameData(bad, &out, &error));

    bad = plain;
    bad.push_back(0);
    EXPECT_FALSE(SplitGameData(bad, &out, &error));

    bad = plain;
    bad.resize(bad.size() - 1);
    EXPECT_FALSE(SplitGameData(bad, &out, &error));
}

TEST(DataBlock, OutOfRangeRowsReadAsZeroedRecords) {
    ASSERT_TRUE(InstallSet(MinimalDataSet()));
    EXPECT_FALSE(gWeaponData.Has(-1));
    EXPECT_FALSE(gWeaponData.Has(kWeaponCount));
    EXPECT_EQ(gWeaponData[99999].mClass, 0);
    EXPECT_EQ(gAmmoData[-5].mWeight, 0.0f);
    EXPECT_EQ(gVehicleData.Edit(5000), nullptr);
    ASSERT_NE(gVehicleData.Edit(3), nullptr);
    gVehicleData.Edit(3)->mRarityIndex = 7;
    EXPECT_EQ(gVehicleData[3].mRarityIndex, 7);
    DeleteCryptoData();
}

} // namespace
