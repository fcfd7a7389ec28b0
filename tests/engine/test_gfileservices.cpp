#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "FileTestFolder.h"
#include "engine/GFileServices.h"
#include "engine/GFileStub.h"
#include "engine/GGroup.h"
#include "engine/GString.h"

namespace {

// Runs a test with a scratch folder as the program folder.
class FileServices : public ::testing::Test {
protected:
    void SetUp() override { SetProgramFolder(mFolder.Path().c_str()); }
    void TearDown() override { SetProgramFolder(nullptr); }

    void Touch(const std::string& relative)
    {
        std::ofstream(mFolder.File(relative)) << "x";
    }

    FileTestFolder mFolder;
};

std::string StubName(GList* list, int32_t index, bool noExtension)
{
    GString63 name;
    static_cast<GFileStub*>(list->GetObjectA(index))->GetFileName(noExtension, &name);
    return name.GetCString();
}

}  // namespace

TEST(ProgramFolder, IsTheExecutablesFolder)
{
    // Tests run from the folder that holds their executable.
    EXPECT_EQ(std::filesystem::canonical(GetProgramFolder()),
              std::filesystem::canonical(std::filesystem::current_path()));
}

TEST_F(FileServices, SaveFileNameRule)
{
    ASSERT_TRUE(CreateDirectoryIfAbsent("Savegames"));
    GString63 name("a|b\\c<d,e.f>g?h*i/j");
    std::unique_ptr<GFile> f(SaveFile("mvg0", &name, "Savegames", kFileModeCompressedWrite));
    ASSERT_TRUE(f);
    EXPECT_EQ(std::string(f->GetPath()), mFolder.File("Savegames/a b c d e f g h i j.mvg"));
    // The file takes its name only once it is written whole.
    EXPECT_FALSE(std::filesystem::exists(f->GetPath()));
    f->WriteLong(1);
    EXPECT_TRUE(f->Commit());
    EXPECT_TRUE(std::filesystem::exists(f->GetPath()));
    EXPECT_TRUE(FileExists(&name, "Savegames", "mvg0", false));
    EXPECT_FALSE(FileExists(&name, "Savegames", "mvh0", false));
    EXPECT_FALSE(FileExists(&name, "Savegames", "mvg0", true));

    // No type: a text file, as e-mail turn files are.
    ASSERT_TRUE(CreateDirectoryIfAbsent("PBEM"));
    GString31 mail("PBEM");
    std::unique_ptr<GFile> m(SaveFile(nullptr, &mail, "PBEM", kFileModeMailWrite));
    ASSERT_TRUE(m);
    EXPECT_EQ(std::string(m->GetPath()), mFolder.File("PBEM/PBEM.txt"));
    m->WriteLong(1);
    EXPECT_TRUE(m->Commit());
    EXPECT_TRUE(FileExists(&mail, "PBEM", nullptr, true));
}

TEST_F(FileServices, SaveFileRefusals)
{
    GString31 empty;
    EXPECT_EQ(SaveFile("mvg0", &empty, nullptr, kFileModeCompressedWrite), nullptr);
    EXPECT_EQ(SaveFile("mvg0", nullptr, nullptr, kFileModeCompressedWrite), nullptr);
    GString31 withNul("ab");
    withNul.AddChar('\0');
    EXPECT_EQ(SaveFile("mvg0", &withNul, nullptr, kFileModeCompressedWrite), nullptr);
    GString31 name("game");
    EXPECT_EQ(SaveFile("mvg0", &name, nullptr, kFileModeCompressedRead), nullptr);
    EXPECT_EQ(SaveFile("mvg0", &name, "no such folder", kFileModeCompressedWrite), nullptr);
    EXPECT_FALSE(FileExists(&empty, nullptr, "mvg0", false));
}

TEST_F(FileServices, CreateDirectoryIfAbsent)
{
    EXPECT_TRUE(CreateDirectoryIfAbsent("Szenarien"));
    EXPECT_TRUE(CreateDirectoryIfAbsent("Szenarien"));  // already there
    EXPECT_TRUE(std::filesystem::is_directory(mFolder.File("Szenarien")));
    Touch("plain");
    EXPECT_FALSE(CreateDirectoryIfAbsent("plain"));  // a file is in the way
    EXPECT_FALSE(CreateDirectoryIfAbsent(""));
}

TEST_F(FileServices, PrefsFileReadsOnlyExistingFiles)
{
    const char* name = "Morvane VX Demo Voreinst.";
    EXPECT_EQ(GetPrefsFile(name, true), nullptr);
    {
        std::unique_ptr<GFile> w(GetPrefsFile(name, false));
        ASSERT_TRUE(w);
        w->WriteChar(0);
        w->WriteLong(77);
    }
    std::unique_ptr<GFile> r(GetPrefsFile(name, true));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->ReadChar(), 0);
    EXPECT_EQ(r->ReadLong(), 77);
    {
        std::unique_ptr<GFile> w(GetPrefsFile(name, false));  // empties it
    }
    r.reset(GetPrefsFile(name, true));
    EXPECT_EQ(r->GetFileLength(), 0);
}

TEST_F(FileServices, EnumerateOpenAndDeleteThroughStubs)
{
    ASSERT_TRUE(CreateDirectoryIfAbsent("Savegames"));
    GString31 name("Zweite");
    delete SaveFile("mvg0", &name, "Savegames", kFileModeCompressedWrite);
    name.IStringText("Erste");
    {
        std::unique_ptr<GFile> f(SaveFile("mvg0", &name, "Savegames", kFileModeCompressedWrite));
        f->WriteLong(4);
    }
    Touch("Savegames/Drittes.MVG");
    Touch("Savegames/Operation.mvh");
    Touch("Savegames/.mvg");
    std::filesystem::create_directory(mFolder.File("Savegames/Ordner.mvg"));

    std::unique_ptr<GList> list(EnumerateDirectory("Savegames", "mvg0"));
    ASSERT_EQ(list->GetCount(), 3);
    EXPECT_EQ(StubName(list.get(), 0, false), "Drittes.MVG");
    EXPECT_EQ(StubName(list.get(), 1, true), "Erste");
    EXPECT_EQ(StubName(list.get(), 2, false), "Zweite.mvg");

    auto* first = static_cast<GFileStub*>(list->GetObjectA(1));
    std::unique_ptr<GFile> f(OpenFileFromStub(first, kFileModeCompressedRead));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->ReadLong(), 4);
    EXPECT_EQ(OpenFileFromStub(first, kFileModeCompressedWrite), nullptr);
    // The plain file "Drittes" is no compressed game.
    EXPECT_EQ(OpenFileFromStub(static_cast<GFileStub*>(list->GetObjectA(0)),
                               kFileModeCompressedRead),
              nullptr);

    EXPECT_TRUE(DeleteFileFromStub(first));
    EXPECT_FALSE(FileExists(&name, "Savegames", "mvg0", false));
    EXPECT_EQ(OpenFileFromStub(first, kFileModePlainRead), nullptr);

    std::unique_ptr<GList> none(EnumerateDirectory("Missing", "mvg0"));
    EXPECT_EQ(none->GetCount(), 0);
}

TEST(CutFileSuffix, RemovesDotAndUpToThreeLetters)
{
    const struct { const char* in; const char* out; } cases[] = {
        {"Spiel.mvg", "Spiel"}, {"Spiel.tx", "Spiel"}, {"Spiel.", "Spiel"},
        {"a.b.c", "a.b"},       {"Spiel.mvgx", "Spiel.mvgx"}, {"Zug.12", "Zug.12"},
        {"Spiel", "Spiel"},     {".mvg", ""},           {"", ""},
    };
    for (const auto& c : cases) {
        GString31 name(c.in);
        CutFileSuffix(&name);
        EXPECT_STREQ(name.GetCString(), c.out) << c.in;
    }
}

TEST(CreateTempFile, IsRemovedWithItsFile)
{
    GFile* f = CreateTempFile(false);
    ASSERT_TRUE(f);
    const std::string path = f->GetPath();
    f->WriteLong(1);
    f->Rewind();
    EXPECT_EQ(std::filesystem::file_size(path), 4u);
    delete f;
    EXPECT_FALSE(std::filesystem::exists(path));
}
