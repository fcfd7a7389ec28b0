#pragma once
// Helpers of the application tests: a program folder of its own, pictures
// of known sizes, small battles whose kinds load, and a whole program on
// SDL's dummy display with injected clicks, keys and clock.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/MVApplication.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "engine/GApplication.h"
#include "engine/GFile.h"

// A temporary program folder (preferences, Szenarien, Savegames, PBEM) for
// one test, made the program's folder while it lives.
class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();
    std::string Path(const std::string& name) const { return mPath + "/" + name; }
    std::vector<uint8_t> Read(const std::string& name) const;
    void Write(const std::string& name, const std::vector<uint8_t>& bytes) const;
    bool Exists(const std::string& name) const;
    static void WriteAbsolute(const std::string& path, const std::vector<uint8_t>& bytes);

private:
    std::string mPath;
};

// The whole program with the real art of the program's own folder, the rest
// in a program folder of the test's, on a 1024x768 screen; the data tables
// are loaded for it unless they are already. All is undone when it goes,
// after a failed assertion too.
class RealArtProgram {
public:
    RealArtProgram();
    ~RealArtProgram();
    RealArtProgram(const RealArtProgram&) = delete;
    RealArtProgram& operator=(const RealArtProgram&) = delete;
    bool Started() const { return mApp != nullptr; }
    MVApplication* App() const { return mApp; }
    std::string Path(const std::string& name) const { return mFolder->Path(name); }

private:
    bool mLoadedData = false;
    std::unique_ptr<ProgramFolder> mFolder;
    std::string mOldArt;
    MVApplication* mApp = nullptr;
};

// Reads a demo battle as built for the scenario list (its seed taken) and
// makes it the program's current battle; null, with a failure recorded,
// when it does not read. The caller owns the battle.
Battle* OpenDemoBattle(MVApplication* app, const std::string& name);

// The demo operation as its description builds it, for what no step between
// battles changes; null, with a failure recorded, when it does not build.
std::unique_ptr<Campaign> BuildDemoOperation();

// A battle of fixed objects on a small blank map, in set-up at turn 1 of
// 10, with a general briefing and one for side 0.
std::unique_ptr<Battle> MakeTestBattle(const char* title);
// Writes a battle as a scenario file into the folder Szenarien.
void WriteScenario(const ProgramFolder& folder, const std::string& name, Battle* battle);

// The application with its battle-screen hook counted.
class TestApp : public MVApplication {
public:
    GView* BuildBattleScreen(Battle* battle, bool clearScreen) override {
        ++mBattlesBegun;
        return nullptr;
    }
    // No screen is built, so the battle opens without one.
    bool HasScreen() override { return false; }
    int mBattlesBegun = 0;
};

// The whole program on the dummy display: a kernel, the application with a
// preferences file that asks for the given screen, and the title's clock.
class AppTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    TestApp* Start(int32_t width = 800, int32_t height = 600);
    void Pass(int count = 1);
    void Click(int32_t x, int32_t y, bool doubleClick = false);
    void Key(uint8_t key, bool alt = false);
    // Pictures of the menu, the list, the screens and the buttons, each a
    // plain rectangle of a known size.
    void MakePictures();
    void MakePicture(int32_t id, int32_t w, int32_t h);
    // Centre of a view on the screen.
    static void CentreOf(GView* view, int32_t* x, int32_t* y);
    void ClickView(GView* view);
    // The first view under root (depth first) that is a button sending command.
    static GView* FindButton(GView* root, int32_t command);

    static uint32_t sNow;
    static uint32_t Now() { return sNow; }
    std::unique_ptr<ProgramFolder> mFolder;
    std::string mPictureFolder;
    std::string mOldPictureFolder;
    TestApp* mApp = nullptr;
};
