// The model generator as the build runs it: what it accepts, what fails the build (with the model
// named), that a failure leaves the previous tables alone, and that its output never varies.
#include "engine/FileTestFolder.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "ModelGenerator.h"
#include "art/ArtFiles.h"

namespace fs = std::filesystem;

namespace {

struct GenRun {
    int status;
    std::string errors;
};

class ModelGenerator : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = MakeUniqueTestFolder("dm_models_");
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& text) {
        fs::path p = dir_ / name;
        std::ofstream(p) << text;
        return p.string();
    }
    GenRun Generate(const std::string& contract, const std::vector<std::string>& models,
                 const std::string& out, const std::string& sizes = "") {
        std::string cmd = std::string("\"") + DM_MODEL_GENERATOR + "\" --contract \"" + contract +
                          "\" --out \"" + out + "\"";
        if (!sizes.empty()) cmd += " --sizes \"" + sizes + "\"";
        for (const std::string& m : models)
            cmd += " \"" + m + "\"";
        cmd += " 2> \"" + (dir_ / "errors.txt").string() + "\"";
        GenRun r{std::system(cmd.c_str()), ""};
        auto bytes = ReadBytes((dir_ / "errors.txt").string());
        r.errors.assign(bytes.begin(), bytes.end());
        return r;
    }
    fs::path dir_;
};

const char* kCrate =
    "model Crate\nunits 1\ntexture 3\nbox 0 0 0.5 1 1 1\ndetail rivets 2 z 0 0 1 0.1 0 0 0.02\n";

} // namespace

TEST_F(ModelGenerator, WritesTablesForAModelThatKeepsItsContract) {
    std::string contract = Write("contract.txt", "contract Crate\nfans 6\ntris 2\ndetail 2 2\nswitches 3\n");
    std::string out = (dir_ / "tables.cpp").string();
    GenRun r = Generate(contract, {Write("crate.txt", kCrate)}, out);
    EXPECT_EQ(r.status, 0) << r.errors;
    auto bytes = ReadBytes(out);
    std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("\"Crate\""), std::string::npos);
    EXPECT_NE(text.find("Op::Texture"), std::string::npos);
    EXPECT_FALSE(fs::exists(out + ".part"));
}

TEST_F(ModelGenerator, ContractNumbersAreDecimalAsWritten) {
    // Leading zeros are decimal: 010 is ten, never eight.
    std::string contract =
        Write("contract.txt", "contract Crate\nfans 006\ntris 02\ndetail 02 002\nswitches 03\nused 003\n");
    GenRun r = Generate(contract, {Write("crate.txt", kCrate)}, (dir_ / "tables.cpp").string());
    EXPECT_EQ(r.status, 0) << r.errors;
    contract = Write("contract.txt", "contract Crate\nfans 010\n");
    r = Generate(contract, {Write("crate.txt", kCrate)}, (dir_ / "tables.cpp").string());
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.errors.find("fans 6, contract 10"), std::string::npos) << r.errors;
}

TEST_F(ModelGenerator, FailsNamingTheModelAndKeepsTheOldTables) {
    std::string out = Write("tables.cpp", "previous tables\n");
    struct Case {
        const char* what;
        std::string contract, model, expect;
    };
    const Case cases[] = {
        {"a count differs", "contract Crate\nfans 7\n", kCrate, "Crate"},
        {"a detail count differs", "contract Crate\ndetail 1 1\n", kCrate, "detail"},
        {"the texture order differs", "contract Crate\nswitches 4\n", kCrate, "switches"},
        {"a constant differs", "contract Crate\nconstants flash 0 0.1 0\n",
         std::string(kCrate) + "flash 0 0.2 0\n", "constants"},
        {"no contract", "contract Other\nfans 6\n", kCrate, "no contract"},
        {"an unknown shape", "contract Crate\n", "model Crate\nunits 1\ntexture 0\nsphere 0 0 0 1\n",
         "crate.txt:4"},
        {"a bad number", "contract Crate\n", "model Crate\nunits 1\ntexture 0\nbox 0 0 0 1 1 x\n",
         "not a number"},
        {"an unbalanced push", "contract Crate\n", "model Crate\nunits 1\ntexture 0\npush\nbox 0 0 0 1 1 1\n",
         "never popped"},
        {"a slot out of range", "contract Crate\n", "model Crate\nunits 1\ntexture 17\n", "slot"},
        {"an odd running-gear strip", "contract Crate\n",
         "model Crate\nunits 1\ntexture 0\ntrack L - 3 0 1 0 0 1 0\n", "even"},
        {"a shape before its units", "contract Crate\n", "model Crate\ntexture 0\nbox 0 0 0 1 1 1\n",
         "units"},
        // A damaged contract names its file, line and reason.
        {"a count in hexadecimal", "contract Crate\nfans 0x6\n", kCrate, "contract.txt:2: '0x6' is not a whole"},
        {"a count beyond int", "contract Crate\ntris 99999999999\n", kCrate, "contract.txt:2: '99999999999'"},
        {"two counts", "contract Crate\n\nfans 6 7\n", kCrate, "contract.txt:3: 'fans' takes one"},
        {"a constant not a number", "contract Crate\nconstants flash 0 nan 0\n", kCrate,
         "contract.txt:2: 'nan' is neither"},
        {"a constant beyond double", "contract Crate\nconstants flash 0 1e999 0\n", kCrate, "'1e999'"},
        {"a footprint not finite", "contract Crate\nfootprint 1 inf 2 3\n", kCrate, "'inf' is not a finite"},
        {"an unknown key", "contract Crate\ncolour 3\n", kCrate, "contract.txt:2: unknown key 'colour'"},
        {"a bad sequence token", "contract Crate\nsequence T3 F-1\n", kCrate, "'F-1'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GenRun r = Generate(Write("contract.txt", c.contract), {Write("crate.txt", c.model)}, out);
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.errors.find(c.expect), std::string::npos) << r.errors;
        auto bytes = ReadBytes(out);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "previous tables\n");
    }
}

// A running-gear strip may hold up to 1024 triangles; the next even count
// is refused with the model named.
TEST_F(ModelGenerator, AStripOfTheLargestTriangleCountReadsOneMoreIsRefused) {
    const std::string contract = Write("contract.txt", "contract Crate\n");
    auto track = [](int n) {
        return "model Crate\nunits 1\ntexture 0\ntrack L - " + std::to_string(n) + " 0 1 0 0 1 0\n";
    };
    GenRun r = Generate(contract, {Write("crate.txt", track(1024))}, (dir_ / "a.cpp").string());
    EXPECT_EQ(r.status, 0) << r.errors;
    r = Generate(contract, {Write("crate.txt", track(1026))}, (dir_ / "b.cpp").string());
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.errors.find("crate.txt"), std::string::npos) << r.errors;
}

TEST_F(ModelGenerator, TheProjectsModelsGiveTheSameTablesEveryRun) {
    const char* src = std::getenv("DM_SOURCE_DIR");
    ASSERT_NE(src, nullptr);
    std::vector<std::string> models;
    for (const auto& e : fs::directory_iterator(fs::path(src) / "data" / "models"))
        if (e.path().filename() != "contract.txt") models.push_back(e.path().string());
    std::sort(models.begin(), models.end());
    ASSERT_GE(models.size(), 19u);
    std::string contract = (fs::path(src) / "data" / "models" / "contract.txt").string();
    std::string a = (dir_ / "a.cpp").string(), b = (dir_ / "b.cpp").string();
    ASSERT_EQ(Generate(contract, models, a).status, 0);
    ASSERT_EQ(Generate(contract, models, b).status, 0);
    EXPECT_EQ(ReadBytes(a), ReadBytes(b));
    // A damaged vehicle-size table fails with its file, line and reason.
    const std::string sizes = (fs::path(src) / "data" / "tables" / "vehicle_models.txt").string();
    EXPECT_EQ(Generate(contract, models, a, sizes).status, 0);
    const std::pair<const char*, const char*> damaged[] = {
        {"[default]\nmSize = 1 2 3\n[99999999999]\n", "sizes.txt:3: a row is"},
        {"[4 : x]\n", "sizes.txt:1: a row is"},
        {"[4]\nmSize = nan 2 3\n", "sizes.txt:2: 'nan' is not a size"},
        {"[4]\nmSize = 1 1e999 3\n", "sizes.txt:2: '1e999'"},
        {"[4]\nmSize = 1 2\n", "sizes.txt:2: mSize takes three"},
    };
    for (const auto& [text, expect] : damaged) {
        GenRun r = Generate(contract, models, (dir_ / "d.cpp").string(), Write("sizes.txt", text));
        EXPECT_NE(r.status, 0) << text;
        EXPECT_NE(r.errors.find(expect), std::string::npos) << r.errors;
    }
    // A model file given twice is refused.
    models.push_back(models.front());
    EXPECT_NE(Generate(contract, models, (dir_ / "c.cpp").string()).status, 0);
}
