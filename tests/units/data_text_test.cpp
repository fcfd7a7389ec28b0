// The text form of the tables: sections, defaults, copies, placeholders,
// values of every kind, and the faults that must stop the build.

#include <gtest/gtest.h>

#include "data_testset.h"

namespace {

bool Parse(const std::string& text, GameTable t, GameDataSet* set, std::string* error) {
    return ParseTableText(text, "t.txt", t, set, error);
}

TEST(DataText, SectionsDefaultsCopiesAndPlaceholders) {
    GameDataSet set;
    std::string error;
    const std::string text = "# comment\n"
                             "rows = 6\n"
                             "[default]\n"
                             "mClass = 11   # trailing comment\n"
                             "mLastDate = 4512\n"
                             "[0]\n"
                             "[1]\n"
                             "mClass = 1\n"
                             "mWeight = 14.96\n"
                             "mCap = 2\n"
                             "[2 : 1]\n"
                             "mWeight = 15.5\n"
                             "[3-4 placeholder]\n"
                             "mDrag = 1700\n"
                             "[5 placeholder : 1]\n";
    ASSERT_TRUE(Parse(text, kTableAmmo, &set, &error)) << error;
    ASSERT_EQ(set.mAmmo.size(), 6u);
    EXPECT_EQ(set.mAmmo[0].mClass, kAmmoNone);
    EXPECT_EQ(set.mAmmo[0].mLastDate, 4512);
    EXPECT_EQ(set.mAmmo[1].mClass, 1);
    EXPECT_FLOAT_EQ(set.mAmmo[1].mShellMass, 14.96f); // the same field by its other name
    EXPECT_EQ(set.mAmmo[2].mCap, 2);                  // copied from row 1
    EXPECT_FLOAT_EQ(set.mAmmo[2].mWeight, 15.5f);
    EXPECT_EQ(set.mAmmo[3].mClass, kAmmoNone);    // placeholder: defaults
    EXPECT_FLOAT_EQ(set.mAmmo[4].mDrag, 1700.0f); // assignment to a range
    EXPECT_EQ(set.mAmmo[5].mClass, 1);            // placeholder from a template
}

TEST(DataText, ArraysElementsTextAndHex) {
    GameDataSet set;
    std::string error;
    const std::string text = "rows = 1\n[0]\n"
                             "mName = \"Schützenpanzer\"\n"
                             "mArmorPlates = 50/9 30/0\n"
                             "mVehicleFlags = 0x80001\n"
                             "mGunArc = -10\n"
                             "mRarityCodes = 3 3 5\n";
    ASSERT_TRUE(Parse(text, kTableVehicle, &set, &error)) << error;
    const VehicleData& v = set.mVehicles[0];
    EXPECT_STREQ(v.mName, "Sch\xFCtzenpanzer"); // stored in Latin-1
    EXPECT_EQ(v.mArmorPlates[0].mThickness, 50);
    EXPECT_EQ(v.mArmorPlates[0].mSlope, 9);
    EXPECT_EQ(v.mArmorPlates[1].mThickness, 30);
    EXPECT_EQ(v.mArmorPlates[2].mThickness, 0); // fewer values leave the rest 0
    EXPECT_EQ(v.mFlags, 0x80001u);
    EXPECT_EQ(v.mGunToRear, -10);
    EXPECT_EQ(v.mRarityCodes[2], 5);
}

TEST(DataText, FaultsNameFileAndLine) {
    struct Case {
        const char* text;
        const char* expect;
    };
    const Case cases[] = {
        {"rows = 2\n[0]\n", "Zeile 1 fehlt"},
        {"rows = 1\n[0]\n[0]\n", "doppelt"},
        {"rows = 1\n[1]\n", "jenseits"},
        {"rows = 1\n[0]\nmNoSuchField = 1\n", "unbekanntes Feld"},
        {"rows = 1\n[0]\nmCap = 1.5\n", "keine ganze Zahl"},
        {"rows = 1\n[0]\nmFirstDate = 40000\n", "ausserhalb"},
        {"rows = 1\n[0]\nmWeight = abc\n", "keine Zahl"},
        {"rows = 1\nmCap = 1\n", "vor dem ersten"},
        {"[0]\n", "rows"},
        {"rows = 1\n[0 : 5]\n", "Vorlage"},
        {"rows = 1\n[0]\n[default]\n", "[default] nach"},
        {"rows = 3\n[0-2]\n", "Bereich"},
        {"rows = 1\n[0]\nmCap\n", "ohne '='"},
        {"rows = 2\n[0]\nmCap = 1\n[1]\nmCap = 2\nmDrag = 3\nmCap = 0\n", "mCap doppelt"},
        // Non-finite and out-of-range numbers.
        {"rows = 1\n[0]\nmWeight = nan\n", "t.txt:3: keine Zahl"},
        {"rows = 1\n[0]\nmWeight = inf\n", "t.txt:3: keine Zahl"},
        {"rows = 1\n[0]\nmWeight = 1e999\n", "t.txt:3: keine Zahl"},
        {"rows = 1\n[0]\nmCap = 99999999999999999999\n", "t.txt:3: keine ganze Zahl"},
        {"rows = 1\n[0]\nmCap = 0x\n", "t.txt:3: keine ganze Zahl"},
        {"rows = 1\n[0]\nmCap = 012a\n", "t.txt:3: keine ganze Zahl"},
    };
    for (const Case& c : cases) {
        GameDataSet set;
        std::string error;
        EXPECT_FALSE(Parse(c.text, kTableAmmo, &set, &error)) << c.text;
        EXPECT_NE(error.find(c.expect), std::string::npos) << c.text << " -> " << error;
        EXPECT_EQ(error.rfind("t.txt", 0), 0u) << error;
    }
    GameDataSet set;
    std::string error;
    EXPECT_FALSE(Parse("rows = 1\n[0]\nmTextures = 1 2 3 4\n", kTableSmallArms, &set, &error));
    EXPECT_FALSE(
        Parse("rows = 1\n[0]\nmName = \"" + std::string(40, 'a') + "\"\n", kTableSmallArms, &set, &error));
    EXPECT_FALSE(Parse("rows = 1\n[0]\nmName = \"\xE2\x82\xAC\"\n", kTableSmallArms, &set,
                       &error)); // not representable in Latin-1
    EXPECT_FALSE(Parse("rows = 1\n[0]\nmArmorPlates = 50\n", kTableVehicle, &set, &error));
}

TEST(DataText, WholeNumbersAreDecimalAsWrittenOrHexWithItsPrefix) {
    GameDataSet set;
    std::string error;
    // 0010 is ten (never octal eight), 09 reads at all, 0x10 is sixteen.
    ASSERT_TRUE(
        Parse("rows = 3\n[0]\nmCap = 0010\n[1]\nmCap = 09\n[2]\nmCap = 0x10\n", kTableAmmo, &set, &error))
        << error;
    EXPECT_EQ(set.mAmmo[0].mCap, 10);
    EXPECT_EQ(set.mAmmo[1].mCap, 9);
    EXPECT_EQ(set.mAmmo[2].mCap, 16);
}

TEST(DataText, TextToTablesRoundTrip) {
    GameDataSet set = MinimalDataSet();
    std::string error;
    ASSERT_TRUE(Parse("rows = 287\n[default]\nmOrdnanceModel = 42\n[0-285 placeholder]\n"
                      "[286]\nmClass = 2\nmCalibre = 76.2\nmAmmo = 1/792 0/0\n",
                      kTableWeapon, &set, &error))
        << error;
    ASSERT_TRUE(Parse("rows = 2\n[default]\nmClass = 11\n[0]\n[1]\nmClass = 1\n"
                      "mFirstDate = 4301\nmLastDate = 4512\n",
                      kTableAmmo, &set, &error))
        << error;
    ASSERT_TRUE(CheckGameData(set, &error)) << error;
    ASSERT_TRUE(InstallSet(set)) << GameDataError();
    EXPECT_FLOAT_EQ(gWeaponData[286].mCalibre, 76.2f);
    EXPECT_EQ(gWeaponData[286].mAmmo[0].mType, 1);
    EXPECT_FLOAT_EQ(gWeaponData[286].mAmmo[0].mVelocity, 792.0f);
    EXPECT_EQ(gAmmoData[1].mFirstDate, 4301);
    DeleteCryptoData();
}

} // namespace
