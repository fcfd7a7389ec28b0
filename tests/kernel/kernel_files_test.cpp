// The in-game file chooser and the kernel's file services.
#include "engine/FileTestFolder.h"
#include "engine/GButton.h"
#include "engine/GFile.h"
#include "engine/GFileDialog.h"
#include "engine/GFileServices.h"
#include "engine/GGroup.h"
#include "engine/GString.h"
#include "engine/GView.h"
#include "kernel/kernel_fixture.h"
#include <filesystem>
#include <fstream>
#include <functional>

namespace {
// Plays the user inside the chooser's own loop: each idle pass runs the
// next step, which usually injects a click.
class Script : public GView {
public:
    void DoIdle() override {
        if (mStep < mSteps.size()) mSteps[mStep++]();
    }
    std::vector<std::function<void()>> mSteps;
    size_t mStep = 0;
};

class FileDialogTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        mFolder = MakeUniqueTestFolder("kernel_files_").string();
        std::filesystem::create_directories(mFolder + "/PBEM");
        SetProgramFolder(mFolder.c_str());
        for (const char* name : {"alpha.txt", "beta.txt", "gamma.mvg"})
            std::ofstream(mFolder + "/PBEM/" + name) << "plain " << name;
        StartApp();
    }
    void TearDown() override {
        SetProgramFolder(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(mFolder, ec);
        KernelTest::TearDown();
    }
    void Inject(PlatformEvent::Type type, int32_t x, int32_t y, bool dbl = false) {
        PlatformEvent e;
        e.type = type;
        e.x = x;
        e.y = y;
        e.button = 1;
        e.doubleClick = dbl;
        gKernel->InjectEvent(e);
    }
    // Clicks row `row` of the chooser's list.
    std::function<void()> ClickRow(int32_t row, bool dbl = false) {
        return [this, row, dbl] {
            const int32_t x = (gKernel->mScreenWidth - GFileDialog::kListWidth) / 2 + 20;
            const int32_t y = GFileDialog::kListTop + row * GFileDialog::kRowHeight + 5;
            Inject(PlatformEvent::kMouseDown, x, y, dbl);
            Inject(PlatformEvent::kMouseUp, x, y);
        };
    }
    std::function<void()> PressKey(uint8_t key) {
        return [key] {
            PlatformEvent e;
            e.type = PlatformEvent::kKey;
            e.key = key;
            gKernel->InjectEvent(e);
        };
    }
    Script* MakeScript() {
        auto* s = new Script;
        s->IView(nullptr, 0, 0, 1, 1);
        s->SetIdleTimer(0);
        return s;
    }
    std::string mFolder;
};
} // namespace

TEST_F(FileDialogTest, ChoosesAFileOfTheGivenTypes) {
    Script* script = MakeScript();
    script->mSteps = {ClickRow(1), PressKey(13)}; // select "beta.txt", Return opens
    bool flag = true;
    GFile* file =
        gKernel->OpenFileDialog("PBEM", "txt0", nullptr, nullptr, nullptr, kFileModePlainRead, &flag);
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(flag);
    EXPECT_NE(std::string(file->GetPath()).find("beta.txt"), std::string::npos);
    delete file;
    EXPECT_EQ(gKernel->GetTopModal(), nullptr);

    // A double click chooses at once; both types are listed.
    script->mStep = 0;
    script->mSteps = {ClickRow(2, true)};
    file = gKernel->OpenFileDialog("PBEM", "txt", "mvg0", nullptr, nullptr, kFileModePlainRead, &flag);
    ASSERT_NE(file, nullptr);
    EXPECT_NE(std::string(file->GetPath()).find("gamma.mvg"), std::string::npos);
    delete file;
}

TEST_F(FileDialogTest, CancelAndUnreadableFiles) {
    Script* script = MakeScript();
    // "Abbrechen" lies right of "Öffnen" below the list.
    const int32_t left = (gKernel->mScreenWidth - GFileDialog::kListWidth) / 2;
    const int32_t buttonsY = GFileDialog::kListTop + GFileDialog::kRowsPerPage * GFileDialog::kRowHeight + 16;
    script->mSteps = {[=, this] {
        Inject(PlatformEvent::kMouseDown, left + GFileDialog::kListWidth - 60, buttonsY + 10);
        Inject(PlatformEvent::kMouseUp, left + GFileDialog::kListWidth - 60, buttonsY + 10);
    }};
    // The screen beneath has a default button, which it gets back.
    auto* screenOK = new GButton;
    screenOK->IButton(0, nullptr, 10, 10, 40, 20, 77);
    screenOK->SetDefaultOK();
    bool flag = true;
    EXPECT_EQ(gKernel->OpenFileDialog("PBEM", nullptr, nullptr, nullptr, nullptr, kFileModePlainRead, &flag),
              nullptr);
    EXPECT_FALSE(flag);
    EXPECT_TRUE(screenOK->IsDefaultOK());

    // A plain text is no e-mail turn file: nothing opens and the caller beeps.
    script->mStep = 0;
    script->mSteps = {ClickRow(0, true)};
    EXPECT_EQ(gKernel->OpenFileDialog("PBEM", "txt", nullptr, nullptr, nullptr, kFileModeMailRead, &flag),
              nullptr);
    EXPECT_TRUE(flag);

    // Quitting while the chooser is open ends it.
    script->mStep = 0;
    script->mSteps = {[] { gKernel->Quit(); }};
    EXPECT_EQ(gKernel->OpenFileDialog("NoSuchFolder", "txt", nullptr, nullptr, nullptr, 0, &flag), nullptr);
}

TEST_F(FileDialogTest, KernelFileServicesForward) {
    EXPECT_TRUE(gKernel->CreateDirectoryIfAbsent("Savegames"));
    EXPECT_TRUE(std::filesystem::is_directory(mFolder + "/Savegames"));
    GString63 name("Turn 1");
    GFile* f = gKernel->SaveFile("mvg0", &name, "Savegames", kFileModePlainWrite);
    ASSERT_NE(f, nullptr);
    f->WriteLong(7);
    delete f;
    EXPECT_TRUE(gKernel->FileExists(&name, "Savegames", "mvg0", false));
    GList* list = gKernel->EnumerateDirectory("Savegames", "mvg0");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetCount(), 1);
    delete list;
    GString63 dotted("brief.txt");
    gKernel->CutFileSuffix(&dotted);
    EXPECT_STREQ(dotted.GetCString(), "brief");
    GString127 hash;
    gKernel->OneWayHash(&name, &hash);
    EXPECT_EQ(hash.GetLength(), 64);
}
