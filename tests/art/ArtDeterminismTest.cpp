// The generator gives the same bytes every time: a fresh run and the build's own store agree.
#include "engine/FileTestFolder.h"
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include <unistd.h>

#include "ArtGenerator.h"
#include "art/ArtFiles.h"

namespace fs = std::filesystem;

namespace {
// Every file below root, by its path relative to root.
std::map<std::string, std::vector<uint8_t>> Store(const fs::path& root) {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& e : fs::recursive_directory_iterator(root / "Demo Data"))
        if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = ReadBytes(e.path().string());
    return files;
}

fs::path FreshFolder(const char* name) {
    return MakeUniqueTestFolder(std::string(name) + "_");
}

bool Generate(const fs::path& out) {
    std::string cmd = std::string("\"") + DM_ART_GENERATOR + "\" --out \"" + out.string() + "\" --fonts \"" +
                      DM_ART_FONT_DIR + "\" --data \"" + DM_ART_DATA_DIR + "\"";
    return std::system(cmd.c_str()) == 0;
}
} // namespace

// The build made the store once; a second run into a fresh folder must give
// the same bytes for every file.
TEST(ArtDeterminism, ASecondRunGivesTheBuildsFiles) {
    fs::path a = FreshFolder("dm_art_a");
    ASSERT_TRUE(Generate(a));
    auto fresh = Store(a), build = Store(fs::current_path());
    EXPECT_GT(fresh.size(), 100u);
    for (const auto& [name, bytes] : fresh) {
        // The build's folder may hold more (users' or other generators' files), never different ones.
        EXPECT_TRUE(build.count(name) && build[name] == bytes) << name << " differs from the build's";
    }
    fs::remove_all(a);
}

TEST(ArtDeterminism, GeneratorRefusesAnUnwritableFolder) {
    fs::path blocker = FreshFolder("dm_art_blocked");
    // A plain file where the store's folder would go.
    fs::path file = blocker / "Demo Data";
    FILE* f = std::fopen(file.string().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_FALSE(Generate(blocker));
    fs::remove_all(blocker);
}
