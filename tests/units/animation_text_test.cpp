// The figure animations' reader: the shipped text gives exactly the tables
// the program is built with and writes back to itself; damaged text fails
// with the file, the line and the reason; numbers are decimal as written.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "tools/infantrydata/AnimationText.h"
#include "units/InfantryTables.h"

namespace {

std::string ShippedText() {
    const char* src = std::getenv("DM_SOURCE_DIR");
    std::ifstream in(std::string(src ? src : ".") + "/data/animations.txt", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A whole table: every animation one frame of 100 ms at rest; `frame`
// replaces the frame line of the first animation.
std::string Table(const std::string& frame = "") {
    std::string text;
    for (int i = 0; i < anim::kCount; ++i) {
        text += "animation " + std::to_string(i / anim::kPerGroup) + " " +
                std::to_string(i % anim::kPerGroup) + " 1\n";
        text +=
            i == 0 && !frame.empty() ? frame + "\n" : "100 0 0 0.95 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n";
    }
    return text;
}

bool Read(const std::string& text, anim::AnimationTable* table, std::string* error) {
    return anim::ReadAnimationText(text, "a.txt", table, error);
}

} // namespace

TEST(AnimationText, ShippedTextGivesTheProgramsTablesAndWritesBackToItself) {
    auto table = std::make_unique<anim::AnimationTable>();
    std::string error;
    ASSERT_TRUE(Read(ShippedText(), table.get(), &error)) << error;
    for (int i = 0; i < anim::kCount; ++i) {
        const anim::Animation& a = table->animations[i];
        ASSERT_EQ(static_cast<int>(a.frames.size()), gAnimationFrameCount[i]) << i;
        for (size_t k = 0; k < a.frames.size(); ++k) {
            EXPECT_EQ(a.frames[k].ms, gAnimationFrameTime[i][k]) << i;
            for (int v = 0; v < anim::kValues; ++v)
                EXPECT_EQ(std::strtof(a.frames[k].values[v].c_str(), nullptr), gAnimationPose[i][k][v]) << i;
        }
    }
    const std::string first = anim::WriteAnimationText(*table);
    auto again = std::make_unique<anim::AnimationTable>();
    ASSERT_TRUE(Read(first, again.get(), &error)) << error;
    EXPECT_EQ(anim::WriteAnimationText(*again), first);
    EXPECT_EQ(anim::AnimationSource(*again), anim::AnimationSource(*table));
}

TEST(AnimationText, NumbersAreDecimalAsWritten) {
    auto table = std::make_unique<anim::AnimationTable>();
    std::string error;
    // 0010 ms is ten, never octal eight; leading zeros of a pose value go.
    ASSERT_TRUE(
        Read(Table("0010 0 0 0.95 -0010.5 0 0 0 0060 0 0 0 0 0 0 0 0 0 0 0 0 0"), table.get(), &error))
        << error;
    const anim::Frame& f = table->animations[0].frames[0];
    EXPECT_EQ(f.ms, 10);
    EXPECT_EQ(f.values[3], "-10.5");
    EXPECT_EQ(f.values[7], "60");
    const std::string source = anim::AnimationSource(*table);
    EXPECT_NE(source.find("    {10},\n"), std::string::npos);
    EXPECT_NE(source.find("{0.0f, 0.0f, 0.95f, -10.5f"), std::string::npos);
}

TEST(AnimationText, FaultsNameTheFileTheLineAndTheReason) {
    struct Case {
        std::string text;
        const char* expect;
    };
    const std::string rest = " 0 0 0.95 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0";
    const Case cases[] = {
        {Table("4" + rest), "a.txt:2: duration '4' outside 5..5000"},
        {Table("5001" + rest), "a.txt:2: duration '5001'"},
        {Table("99999999999999999999" + rest), "a.txt:2: duration"},
        {Table("1e2" + rest), "a.txt:2: duration '1e2'"},
        {Table("100 nan 0 0.95 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"), "a.txt:2: 'nan' is not a number"},
        {Table("100 inf 0 0.95 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"), "a.txt:2: 'inf'"},
        {Table("100 1e999 0 0.95 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"), "a.txt:2: '1e999'"},
        {Table("100 361 0 0.95 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"), "within +-360"},
        {Table("100 0x10 0 0.95 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"), "'0x10'"},
        {Table("100 0 0 0.95"), "a.txt:2: a frame has 4 columns"},
        {"animation 0 0 19\n", "a.txt:1: 1..18 frames"},
        {"animation 18 0 1\n", "a.txt:1: group 0..17"},
        {"animation 0 0 2\n100" + rest + "\nanimation 0 1 1\n", "a.txt:3: animation 0 lacks 1 frames"},
        {"100" + rest + "\n", "a.txt:1: '100' is not part of an animation"},
        {Table() + "animation 0 0 1\n", "animation 0 0 is given twice"},
        {"animation 0 0 1\n100" + rest + "\n", "a.txt: animation 0 1 is missing"},
    };
    for (const Case& c : cases) {
        auto table = std::make_unique<anim::AnimationTable>();
        std::string error;
        EXPECT_FALSE(Read(c.text, table.get(), &error)) << c.expect;
        EXPECT_NE(error.find(c.expect), std::string::npos) << error;
    }
}
