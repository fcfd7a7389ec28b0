// The census of what the program's screens load besides the battlefield:
// every picture of the title, the menus, the scenario list, the briefing,
// sides, players and password screens, the battle's bottom bar, its boxes
// and dialogs and the result screen, and every interface sound, is in the
// store. A missing number fails by number.
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "art/ArtFiles.h"

namespace fs = std::filesystem;

namespace {

struct Screen {
    const char* name;
    std::vector<int> pictures;
};

void AddRange(std::vector<int>* v, int first, int last) {
    for (int n = first; n <= last; ++n)
        v->push_back(n);
}

std::vector<Screen> Screens() {
    std::vector<Screen> s;
    s.push_back({"pointer", {10}});
    s.push_back({"title and main menu", {11003, 11001, 11002, 11004, 11211, 11212, 11200, 11201, 11204}});
    s.push_back(
        {"scenario list", {11223, 11224, 11225, 11240, 11232, 11233, 11230, 11231, 10033, 11205, 11206}});
    s.push_back({"briefing", {11150, 11151, 11152, 11153, 11154, 11155}});
    s.push_back({"sides", {11115, 11110, 11111}});
    s.push_back({"players", {11168, 10030, 10031, 11160, 11161, 11162, 11163, 11166, 11167, 11101}});
    s.push_back({"password", {11165, 11103}});
    s.push_back({"network and e-mail", {11207, 11208, 11170}});
    Screen bar{"battle bar", {2008, 2009, 2010, 2012, 2013, 2014, 2015, 2021, 11113, 11114, 10037}};
    AddRange(&bar.pictures, 2000, 2007);
    AddRange(&bar.pictures, 2016, 2019);
    AddRange(&bar.pictures, 2030, 2032);
    s.push_back(bar);
    Screen boxes{"confirm box, save dialog, balloon, hot keys", {2691, 2692, 11280, 11281}};
    AddRange(&boxes.pictures, 2600, 2616);
    AddRange(&boxes.pictures, 11250, 11253);
    s.push_back(boxes);
    s.push_back({"result", {11100, 11102, 11105}});
    return s;
}

} // namespace

TEST(ArtCensus, EveryPictureTheScreensLoadIsInTheStore) {
    for (const Screen& screen : Screens())
        for (int n : screen.pictures)
            EXPECT_TRUE(fs::exists(PicturePath(n))) << screen.name << ": picture " << n << " missing";
}

TEST(ArtCensus, EveryInterfaceSoundIsInTheStore) {
    // Clicks, the end of a replay, the menu's sound without music, quitting,
    // and the title music.
    for (int n : {128, 129, 150, 151, 152, 153, 170, 171, 190, 5010})
        EXPECT_TRUE(fs::exists(SoundPath(n))) << "sound " << n << " missing";
}
