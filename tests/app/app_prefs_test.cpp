// The preferences file byte for byte, the defaults and the start values,
// the hotseat swap and the preference keys with their messages.

#include <gtest/gtest.h>

#include <cstring>

#include "app_fixture.h"
#include "map/Map.h"

namespace {

class PrefsTest : public testing::Test {
protected:
    ProgramFolder mFolder;
    const std::string mFile = "Morvane VX Demo Voreinst.";

    std::vector<uint8_t> SavedFile(MVApplication* app) {
        GFile file;
        EXPECT_TRUE(file.IFile(mFolder.Path(mFile).c_str(), kFileModePlainWrite));
        app->WritePrefs(&file);
        file.Rewind();
        return mFolder.Read(mFile);
    }
};

// A battle with a map, for keys that act only on the battle screen.
struct KeyBattle {
    std::unique_ptr<Battle> battle = MakeTestBattle("Tasten");
    KeyBattle() { gBattle = battle.get(); }
    ~KeyBattle() { gBattle = nullptr; }
};

std::string Message(MVApplication& app) {
    return app.mKeyMessage.GetCString();
}

} // namespace

TEST_F(PrefsTest, WithoutAFileTheDefaultsHold) {
    MVApplication app;
    app.LoadPrefs();
    EXPECT_EQ(app.mPrefs[0], 2);
    EXPECT_EQ(app.mPrefs[18], 1);
    EXPECT_EQ(app.mPrefs[81], 1);
    EXPECT_EQ(app.mPrefs[10], 2);
    EXPECT_EQ(app.mPrefs[1], 0);
    EXPECT_EQ(app.mPrefs[26], 12);
    EXPECT_EQ(app.mPrefs[51], 30);
    EXPECT_EQ(app.mPrefs[55], 5);
    const int8_t start[7] = {0, 1, 1, 1, 1, 0, 0};
    EXPECT_EQ(std::memcmp(app.mPrefs + 1083, start, 7), 0);
    EXPECT_EQ(app.mPresets.mHaveChoices, 0);
    EXPECT_EQ(app.mPresets.mModeConfirmed, 0);
    EXPECT_EQ(std::memcmp(app.mPrefs, app.mOtherPrefs, sizeof app.mPrefs), 0);
}

TEST_F(PrefsTest, FileHoldsFormatByteRecordAndBytesAndReadsBack) {
    MVApplication app;
    app.LoadPrefs();
    app.mPresets.mHaveChoices = 1;
    app.mPresets.mScreenWidth = 1024;
    app.mPresets.mVideoMemoryKB = 0x01020304;
    app.mPrefs[7] = 3;
    app.mPrefs[1082] = 9;
    app.mPrefs[1083] = -50; // lives only while the program runs
    std::vector<uint8_t> bytes = SavedFile(&app);
    ASSERT_EQ(bytes.size(), 1148u);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[1], 1);
    // The longs lie as in memory: little-endian.
    EXPECT_EQ(bytes[1 + 40], 0x00);
    EXPECT_EQ(bytes[1 + 41], 0x04);
    EXPECT_EQ(bytes[1 + 56], 0x04);
    EXPECT_EQ(bytes[1 + 59], 0x01);
    EXPECT_EQ(bytes[65 + 7], 3);
    EXPECT_EQ(bytes[1147], 9);

    MVApplication again;
    again.LoadPrefs();
    EXPECT_EQ(again.mPresets.mScreenWidth, 1024);
    EXPECT_EQ(again.mPrefs[7], 3);
    EXPECT_EQ(again.mPrefs[1083], 0);
    EXPECT_EQ(SavedFile(&again), bytes);
}

TEST_F(PrefsTest, LoadingRaisesFireArcsAndClearsByteSix) {
    MVApplication app;
    app.LoadPrefs();
    app.mPrefs[81] = 0;
    app.mPrefs[6] = 5;
    SavedFile(&app);
    MVApplication again;
    again.LoadPrefs();
    EXPECT_EQ(again.mPrefs[81], 1);
    EXPECT_EQ(again.mPrefs[6], 0);
}

TEST_F(PrefsTest, ForeignOrShortFilesAreIgnoredWhole) {
    MVApplication app;
    app.LoadPrefs();
    app.mPrefs[0] = 0; // sound off, unlike the default
    std::vector<uint8_t> bytes = SavedFile(&app);

    bytes[0] = 1;
    mFolder.Write(mFile, bytes);
    MVApplication foreign;
    foreign.LoadPrefs();
    EXPECT_EQ(foreign.mPrefs[0], 2);

    bytes[0] = 0;
    bytes.resize(600);
    mFolder.Write(mFile, bytes);
    MVApplication shorter;
    shorter.LoadPrefs();
    EXPECT_EQ(shorter.mPrefs[0], 2);
    EXPECT_EQ(shorter.mPrefs[81], 1);
}

TEST_F(PrefsTest, DamagedBytesReadAsTheirDefaultsAndTheRestStays) {
    MVApplication app;
    app.LoadPrefs();
    std::vector<uint8_t> bytes = SavedFile(&app);
    // Out of range on either side: tree density -124, unit scale 5, paths 4,
    // horizon 5, gamma -1, fire arcs 3, sound 3; in range: smoke 0, weather 3.
    const std::pair<int, int8_t> damaged[] = {{2, -124}, {4, 5}, {7, 4},  {9, 5},
                                              {18, -1},  {81, 3}, {0, 3}, {15, 0}, {12, 3}};
    for (auto [index, value] : damaged)
        bytes[65 + index] = static_cast<uint8_t>(value);
    mFolder.Write(mFile, bytes);
    MVApplication read;
    read.LoadPrefs();
    EXPECT_EQ(read.mPrefs[2], 2);
    EXPECT_EQ(read.mPrefs[4], 2);
    EXPECT_EQ(read.mPrefs[7], 0);
    EXPECT_EQ(read.mPrefs[9], 0);
    EXPECT_EQ(read.mPrefs[18], 1);
    EXPECT_EQ(read.mPrefs[81], 1);
    EXPECT_EQ(read.mPrefs[0], 2);
    EXPECT_EQ(read.mPrefs[15], 0);
    EXPECT_EQ(read.mPrefs[12], 3);
    // The keys that index texts by these bytes work from the read values.
    KeyBattle battle;
    read.DoKey('T', false, false);
    EXPECT_EQ(read.mPrefs[2], 3);
}

TEST_F(PrefsTest, AnApplicationThatNeverLoadedLeavesTheFileAloneAndZerosStillLoad) {
    {
        MVApplication app; // no LoadPrefs: its bytes are all zero
    }
    EXPECT_FALSE(mFolder.Exists(mFile));

    // A file of zeros (sound, trees and gamma off) is a valid choice.
    std::vector<uint8_t> zeros(1148, 0);
    mFolder.Write(mFile, zeros);
    {
        MVApplication app;
        app.LoadPrefs();
        EXPECT_EQ(app.mPrefs[0], 0);
        EXPECT_EQ(app.mPrefs[10], 0);
        EXPECT_EQ(app.mPrefs[81], 1); // fire arcs are raised on every load
        app.mPrefs[12] = 1;
    }
    const std::vector<uint8_t> back = mFolder.Read(mFile);
    ASSERT_EQ(back.size(), 1148u);
    EXPECT_EQ(back[65 + 12], 1);
}

TEST_F(PrefsTest, DestructorWritesThePreferences) {
    {
        MVApplication app;
        app.LoadPrefs();
        app.mPrefs[12] = 3;
    }
    std::vector<uint8_t> bytes = mFolder.Read(mFile);
    ASSERT_EQ(bytes.size(), 1148u);
    EXPECT_EQ(bytes[65 + 12], 3);
}

TEST_F(PrefsTest, HotseatSwapExchangesEverythingButTheFogLevel) {
    MVApplication app;
    app.LoadPrefs();
    app.mPlayers = 1; // no password screen
    app.mSide = 0;
    app.mPrefs[7] = 2;
    app.mPrefs[10] = 3;
    app.mOtherPrefs[7] = 1;
    app.mOtherPrefs[10] = 0;
    app.SwapSides();
    EXPECT_EQ(app.mSide, 1);
    EXPECT_TRUE(app.mSidesSwapped);
    EXPECT_EQ(app.mPrefs[7], 1);
    EXPECT_EQ(app.mPrefs[10], 3);
    EXPECT_EQ(app.mOtherPrefs[7], 2);

    app.mConnectionType = 1; // not at one machine: nothing is exchanged
    app.SwapSides();
    EXPECT_EQ(app.mPrefs[7], 1);
    EXPECT_FALSE(app.mSidesSwapped);
}

TEST_F(PrefsTest, ToggleKeysFlipTheirByteAndSayWhatTheyDid) {
    MVApplication app;
    app.LoadPrefs();
    KeyBattle battle;
    app.DoKey('B', false, false);
    EXPECT_EQ(app.mPrefs[1], 1);
    EXPECT_EQ(Message(app), "Einheitensockel An");
    app.DoKey('B', false, false);
    EXPECT_EQ(app.mPrefs[1], 0);
    EXPECT_EQ(Message(app), "Einheitensockel Aus");
    app.DoKey('V', false, false);
    EXPECT_EQ(app.mPrefs[1087], 0);
    // Keys compare exactly: lower-case letters go to the battle.
    app.DoKey('b', false, false);
    app.DoKey('s', false, false);
    EXPECT_EQ(app.mPrefs[1], 0);
    EXPECT_EQ(app.mPrefs[0], 2);
    EXPECT_EQ(Message(app), "");
}

TEST_F(PrefsTest, CyclingKeysAndTheirTexts) {
    MVApplication app;
    app.LoadPrefs();
    KeyBattle battle;
    app.DoKey('X', false, false);
    EXPECT_EQ(app.mPrefs[81], 2);
    app.DoKey('X', false, false);
    EXPECT_EQ(app.mPrefs[81], 1); // 0 is skipped outside playback
    app.mState = kStatePlayback;
    app.DoKey('X', false, false);
    app.DoKey('X', false, false);
    EXPECT_EQ(app.mPrefs[81], 0);
    app.mState = kStateNone;

    app.DoKey('H', false, false);
    EXPECT_EQ(Message(app), "Horizont = 1000m");
    for (int i = 0; i < 4; ++i)
        app.DoKey('H', false, false);
    EXPECT_EQ(Message(app), "Horizont = Unbegrenzt");

    app.DoKey('T', false, false); // 2 -> 3
    EXPECT_EQ(Message(app), "Baumdichte = Voll Dichte");
    app.DoKey('T', false, false);
    app.DoKey('T', false, false);
    EXPECT_EQ(app.mPrefs[2], 0);
    EXPECT_EQ(Message(app), "Baumdichte = Kein");

    app.DoKey('P', false, false);
    EXPECT_EQ(Message(app), "Zeige alle Wegpunkte");
}

TEST_F(PrefsTest, CameraAngleStepsWithTheZoom) {
    MVApplication app;
    app.LoadPrefs();
    KeyBattle battle;
    app.DoKey('Z', false, false);
    EXPECT_EQ(app.mPrefs[1083], -10);
    for (int i = 0; i < 4; ++i)
        app.DoKey(']', false, false);
    EXPECT_EQ(app.mPrefs[1084], 16);
    app.DoKey(']', false, false);
    EXPECT_EQ(app.mPrefs[1084], 16);
    app.DoKey('A', false, false);
    EXPECT_EQ(app.mPrefs[1083], -9);
    for (int i = 0; i < 40; ++i)
        app.DoKey('A', false, false);
    EXPECT_EQ(app.mPrefs[1083], 20);
    app.ResetCameraPrefs();
    EXPECT_EQ(app.mPrefs[1084], 1);
    app.DoKey('[', false, false);
    EXPECT_EQ(app.mPrefs[1084], 1);
    for (int i = 0; i < 20; ++i)
        app.DoKey('Z', false, false);
    EXPECT_EQ(app.mPrefs[1083], -100);
}

TEST_F(PrefsTest, AltKeysWorkWithoutABattleMap) {
    MVApplication app;
    app.LoadPrefs();
    app.DoKey('g', true, false);
    EXPECT_EQ(app.mPrefs[18], 2);
    app.DoKey(':', true, false);
    EXPECT_EQ(app.mPrefs[82], 1);
    app.DoKey('T', false, false); // no battle: dropped
    EXPECT_EQ(app.mPrefs[2], 2);
}
