#include "engine/FileTestFolder.h"
#include "app_fixture.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ScenarioPaths.h"
#include "app/FadeInScreen.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GControl.h"
#include "engine/GFileServices.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GPictureStore.h"
#include "engine/GView.h"
#include "map/Map.h"
#include "platform/Surface16.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Inanimate.h"
#include "tools/scenarios/ScenarioBuild.h"

namespace fs = std::filesystem;

namespace {

// The player's preferences beside the program (the test binary's folder):
// no test may write them. Compared whole at the end of the run.
class PlayerPrefsUntouched : public testing::Environment {
public:
    void SetUp() override {
        std::error_code ec;
        const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
        if (ec) return;
        GString31 name;
        name.IStringRez(kPrefsFileNameId);
        mPath = (exe.parent_path() / name.GetCString()).string();
        mBefore = Snapshot();
    }
    void TearDown() override {
        if (mPath.empty()) return;
        EXPECT_TRUE(Snapshot() == mBefore) << "a test wrote the preferences file beside the program: " << mPath;
    }

private:
    // The file's bytes with a leading 1, or nothing when it is absent.
    std::vector<uint8_t> Snapshot() const {
        std::vector<uint8_t> bytes;
        std::ifstream in(mPath, std::ios::binary);
        if (!in) return bytes;
        bytes.push_back(1);
        bytes.insert(bytes.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return bytes;
    }
    std::string mPath;
    std::vector<uint8_t> mBefore;
};

[[maybe_unused]] testing::Environment* const kPlayerPrefsUntouched =
    testing::AddGlobalTestEnvironment(new PlayerPrefsUntouched);

} // namespace

ProgramFolder::ProgramFolder() {
    mPath = MakeUniqueTestFolder("dm-app-").string();
    for (const char* folder : {"Szenarien", "Savegames", "PBEM"})
        fs::create_directories(mPath + "/" + folder);
    SetProgramFolder(mPath.c_str());
}

ProgramFolder::~ProgramFolder() {
    SetProgramFolder(nullptr);
    std::error_code ignored;
    fs::remove_all(mPath, ignored);
}

RealArtProgram::RealArtProgram() {
    mLoadedData = gVehicleData.Count() == 0;
    if (mLoadedData && !DecryptData()) {
        mLoadedData = false;
        return;
    }
    const std::string art = GetProgramFolder() + "/Demo Data/Pictures/";
    mFolder = std::make_unique<ProgramFolder>();
    mOldArt = GPictureStore::Get().GetFolder();
    GPictureStore::Get().SetFolder(art);
    gKernel = new GKernel;
    if (!gKernel->IKernel()) return;
    mApp = new MVApplication;
    gKernel->StartApp(mApp);
    gKernel->SetScreenMode(1024, 768);
}

RealArtProgram::~RealArtProgram() {
    if (mFolder) {
        delete gKernel;
        gKernel = nullptr;
        GPictureStore::Get().SetFolder(mOldArt);
    }
    if (mLoadedData) DeleteCryptoData();
}

Battle* OpenDemoBattle(MVApplication* app, const std::string& name) {
    GFile file;
    GameFileState state;
    GameFileContents contents;
    const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/" + name + ".mvg";
    if (!file.IFile(path.c_str(), kFileModeCompressedRead) ||
        ReadGameFile(&file, &state, &contents, {.takeSeed = true}) != kGameFileLoaded) {
        ADD_FAILURE() << "the demo battle " << path << " does not read";
        delete contents.campaign;
        delete contents.battle;
        return nullptr;
    }
    delete contents.campaign;
    gBattle = contents.battle;
    gBattle->mHost = app;
    return contents.battle;
}

std::vector<uint8_t> ProgramFolder::Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void ProgramFolder::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    WriteAbsolute(Path(name), bytes);
}

void ProgramFolder::WriteAbsolute(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool ProgramFolder::Exists(const std::string& name) const {
    return fs::exists(Path(name));
}

std::unique_ptr<Battle> MakeTestBattle(const char* title) {
    auto battle = std::make_unique<Battle>();
    battle->IBattleStub();
    battle->mStub = false;
    battle->mMap = new Map;
    battle->mMap->IBlankMap(6, 5, 1.0f, 10);
    battle->mTurn = 1;
    battle->mLastTurn = 10;
    battle->mNominalLastTurn = 10;
    battle->mTitle.IStringText(title);
    for (int i = 0; i < 2; ++i) {
        auto* unit = new Inanimate;
        unit->IInanimate(kInanimateWire, i == 0 ? 0 : 30, 20.0f + 10 * i, 30.0f, 0.0f);
        unit->mSide = i;
        battle->mUnits->Add(unit);
    }
    const char* general = "Lage: Der Feind haelt das Dorf.";
    const char* axis = "Auftrag: Nehmen Sie das Dorf.";
    for (int index : {2, 0}) {
        const char* text = index == 2 ? general : axis;
        auto* copy = new char[std::strlen(text)];
        std::memcpy(copy, text, std::strlen(text));
        battle->SetBriefing(index, copy, static_cast<int32_t>(std::strlen(text)));
    }
    return battle;
}

void WriteScenario(const ProgramFolder& folder, const std::string& name, Battle* battle) {
    GameFileState state;
    state.scenarioName = battle->mTitle;
    Battle* previous = gBattle;
    gBattle = battle;
    GFile file;
    ASSERT_TRUE(file.IFile(folder.Path("Szenarien/" + name + ".mvg").c_str(), kFileModeCompressedWrite));
    WriteGameFile(&file, &state, battle, nullptr, {.scenario = true});
    gBattle = previous;
}

uint32_t AppTest::sNow = 0;

void AppTest::SetUp() {
    mFolder = std::make_unique<ProgramFolder>();
    mOldPictureFolder = GPictureStore::Get().GetFolder();
    mPictureFolder = mFolder->Path("pictures/");
    fs::create_directories(mPictureFolder);
    GPictureStore::Get().SetFolder(mPictureFolder);
    sNow = 100000;
    FadeInScreen::sClock = Now;
    gKernel = new GKernel;
    ASSERT_TRUE(gKernel->IKernel());
}

void AppTest::TearDown() {
    delete gKernel;
    gKernel = nullptr;
    FadeInScreen::sClock = ClockTime;
    GPictureStore::Get().SetFolder(mOldPictureFolder);
    mFolder.reset();
}

TestApp* AppTest::Start(int32_t width, int32_t height) {
    // The preferences file asks for the screen.
    TestApp writer;
    writer.LoadPrefs();
    writer.mPresets.mHaveChoices = 1;
    writer.mPresets.mModeConfirmed = 1;
    writer.mPresets.mScreenWidth = width;
    writer.mPresets.mScreenHeight = height;
    {
        GFile file;
        EXPECT_TRUE(file.IFile(mFolder->Path("Morvane VX Demo Voreinst.").c_str(), kFileModePlainWrite));
        writer.WritePrefs(&file);
    }
    mApp = new TestApp;
    gKernel->StartApp(mApp);
    gKernel->Set3D(false);
    return mApp;
}

void AppTest::Pass(int count) {
    for (int i = 0; i < count; ++i)
        gKernel->DoOnePass(0);
}

void AppTest::Click(int32_t x, int32_t y, bool doubleClick) {
    PlatformEvent e;
    e.type = PlatformEvent::kMouseDown;
    e.x = x;
    e.y = y;
    e.button = 1;
    e.doubleClick = doubleClick;
    gKernel->InjectEvent(e);
    Pass();
    e.type = PlatformEvent::kMouseUp;
    gKernel->InjectEvent(e);
    Pass();
}

void AppTest::Key(uint8_t key, bool alt) {
    PlatformEvent e;
    e.type = PlatformEvent::kKey;
    e.key = key;
    e.alt = alt;
    gKernel->InjectEvent(e);
    Pass();
}

void AppTest::MakePicture(int32_t id, int32_t w, int32_t h) {
    Surface16 s;
    ASSERT_TRUE(s.Create(w, h));
    FillRect16(s.Target(), 0, 0, w, h, MakeRGB565(static_cast<uint8_t>(id * 37), 90, 60));
    ASSERT_TRUE(SavePng16((mPictureFolder + std::to_string(id) + ".png").c_str(), s.Target()));
}

void AppTest::MakePictures() {
    MakePicture(11001, 800, 600); // the menu
    MakePicture(11002, 1024, 768);
    MakePicture(11004, 800, 540); // the title overlay
    MakePicture(11003, 640, 480); // the title
    for (int id : {11200, 11201, 11204, 11205, 11206})
        MakePicture(id, 100, 40);
    MakePicture(11150, 140, 480); // the briefing's side panel
    for (int id : {11151, 11153, 11154, 11155})
        MakePicture(id, 100, 40);
    MakePicture(11115, 640, 480); // the sides screen
    MakePicture(11110, 140, 200);
    MakePicture(11111, 140, 200);
    MakePicture(11168, 640, 480); // the players screen
    MakePicture(11165, 420, 160); // the password screen
    MakePicture(11101, 80, 30);   // OK
    MakePicture(11103, 80, 30);
    MakePicture(2691, 80, 30); // confirm: no
    MakePicture(2692, 80, 30); // confirm: yes
    for (int id : {11230, 11231, 11232, 11233, 10033})
        MakePicture(id, 60, 16);
}

void AppTest::CentreOf(GView* view, int32_t* x, int32_t* y) {
    LongRect r;
    view->GetGlobalBounds(&r);
    *x = (r.left + r.right) / 2;
    *y = (r.top + r.bottom) / 2;
}

void AppTest::ClickView(GView* view) {
    ASSERT_NE(view, nullptr);
    int32_t x = 0, y = 0;
    CentreOf(view, &x, &y);
    Click(x, y);
}

GView* AppTest::FindButton(GView* root, int32_t command) {
    if (!root) return nullptr;
    if (auto* control = dynamic_cast<GControl*>(root))
        if (control->GetCommandID() == command && root->IsVisible()) return root;
    for (int32_t i = 0; i < root->GetSubviewCount(); ++i)
        if (GView* found = FindButton(root->GetSubview(i), command)) return found;
    return nullptr;
}

std::unique_ptr<Campaign> BuildDemoOperation() {
    ScenarioDescription description;
    ScenarioFault fault;
    if (!ReadScenarioDescription(std::string(DM_APP_TEST_DATA_DIR) + "/../../../data/operations/mortain.txt",
                                 &description, &fault)) {
        ADD_FAILURE() << fault.Text();
        return nullptr;
    }
    std::unique_ptr<Campaign> built = BuildOperation(description, &fault);
    if (!built) ADD_FAILURE() << fault.Text();
    return built;
}
