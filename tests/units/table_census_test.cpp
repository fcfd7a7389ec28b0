// The census of the shipped tables: for every table field a rule branches
// on, the values the rules tell apart and which of them the game's rows
// hold. A value no row holds is listed below with its reason; the list only
// shrinks, and an entry whose value a row now holds fails until it is
// dropped (as does a value no row holds that is not listed).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "units/DataTables.h"
#include "units/Hack.h"

namespace {

struct Untaken {
    const char* branch; // "table.field=value"
    const char* reason;
};

// clang-format off
const Untaken kUntaken[] = {
    {"paces.mPaceKind=3", "run, which only a light team keeps up: every pace the menus offer moves every speed class at the double (kind 4)"},
    {"paces.mFireLevel=3", "every weapon, bolt action at two thirds: for a scenario author; standing squads fire at full strength"},
    {"paces.mExposureClass=5", "the most exposed class: for a scenario author"},
    {"paces.mAnimation=3", "riding: the figures' own while carried"},
    {"paces.mAnimation=4", "firing standing: the firing figures' own"},
    {"paces.mAnimation=5", "firing on the move: the firing figures' own"},
    {"paces.mAnimation=8", "reloading: no pace shows it"},
    {"paces.mAnimation=9", "throwing: the throwers' own"},
    {"paces.mAnimation=10", "throwing low: the throwers' own"},
    {"paces.mAnimation=11", "looking about: no pace shows it"},
    {"infantry.mNrTeams=4", "no shipped unit has four teams"},
    {"infantry.mFlags&0x1", "tiring twice as fast: no demo unit is marked"},
    {"infantry.mFlags&0x4", "no demo unit is marked"},
    {"infantry.mFlags&0x10", "light gun: no demo gun is marked"},
    {"infantry.mFlags&0x40", "no demo unit is marked"},
    {"weapons.mClass=9", "further anti-tank weapons: none shipped"},
    {"weapons.mFlags&0x2", "a crew's gun not towed: none shipped"},
    {"weapons.mFlags&0x8", "irregular reload: none shipped"},
};
// clang-format on

// The values a rule tells apart, per field; `of` gives a row's value.
struct Field {
    std::string name;
    std::vector<int64_t> values;
    bool bits = false; // values are bits tested one by one
    std::function<std::vector<int64_t>(int32_t row)> of;
};

std::string Branch(const Field& f, int64_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(v));
    return f.name + (f.bits ? "&" + std::string(buf) : "=" + std::to_string(v));
}

// The paces with a meaning: those the orders map and the rules' own.
constexpr int32_t kPaces = 23;

bool Placeholder(const char* name) {
    return std::strcmp(name, "Platzhalter") == 0;
}

} // namespace

TEST(TableCensus, EveryBranchARuleTakesIsHeldByARowOrListedWithItsReason) {
    ASSERT_TRUE(DecryptData()) << GameDataError();
    std::vector<Field> fields;
    auto pace = [&](const char* name, std::vector<int64_t> values, std::function<int64_t(const MovementSpeedChart&)> get) {
        fields.push_back({std::string("paces.") + name, values, false, [get](int32_t r) {
                              return r < kPaces ? std::vector<int64_t>{get(gMovementSpeedChart[r])} : std::vector<int64_t>{};
                          }});
    };
    pace("mPaceKind", {0, 1, 2, 3, 4}, [](const MovementSpeedChart& p) { return p.mPaceKind; });
    pace("mFireLevel", {0, 1, 2, 3, 4}, [](const MovementSpeedChart& p) { return p.mFireLevel; });
    pace("mFatigueRate", {-1, 0, 1, 2, 3}, [](const MovementSpeedChart& p) { return p.mFatigueRate; });
    pace("mExposureClass", {0, 1, 2, 3, 4, 5}, [](const MovementSpeedChart& p) { return p.mExposureClass; });
    pace("mConcealClass", {1, 2, 3, 4}, [](const MovementSpeedChart& p) { return p.mConcealClass; });
    pace("mFiringPose", {0, 1}, [](const MovementSpeedChart& p) { return p.mFiringPose != 0; });
    pace("mSeeksCover", {0, 1}, [](const MovementSpeedChart& p) { return p.mSeeksCover != 0; });
    pace("mLowProfile", {0, 1}, [](const MovementSpeedChart& p) { return p.mLowProfile != 0; });
    pace("mEyesFront", {0, 1}, [](const MovementSpeedChart& p) { return p.mEyesFront != 0; });
    pace("mSkisAllowed", {0, 1}, [](const MovementSpeedChart& p) { return p.mSkisAllowed != 0; });
    pace("mMixable", {0, 1}, [](const MovementSpeedChart& p) { return p.mMixable != 0; });
    pace("mMultiWaypoint", {0, 1}, [](const MovementSpeedChart& p) { return p.mMultiWaypoint != 0; });
    pace("mChangeable", {0, 1}, [](const MovementSpeedChart& p) { return p.mChangeable != 0; });
    pace("mKeepsOnReplace", {0, 1}, [](const MovementSpeedChart& p) { return p.mKeepsOnReplace != 0; });
    // Animation numbers on foot; the pose a squad takes is one of them.
    fields.push_back({"paces.mAnimation", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, false, [](int32_t r) {
                          return r < kPaces ? std::vector<int64_t>{gMovementSpeedChart[r].mAnimation[0],
                                                               gMovementSpeedChart[r].mPoseCode[0]}
                                        : std::vector<int64_t>{};
                      }});
    auto infantry = [](int32_t r) { return r < gInfantryData.Count() && !Placeholder(gInfantryData[r].mName); };
    fields.push_back({"infantry.mSpeedClass", {0, 1, 2, 3, 4}, false, [&](int32_t r) {
                          return infantry(r) ? std::vector<int64_t>{gInfantryData[r].mSpeedClass} : std::vector<int64_t>{};
                      }});
    fields.push_back({"infantry.mNrTeams", {1, 2, 3, 4}, false, [&](int32_t r) {
                          return infantry(r) ? std::vector<int64_t>{gInfantryData[r].mNrTeams} : std::vector<int64_t>{};
                      }});
    fields.push_back({"infantry.mFlags", {0x1, 0x2, 0x4, 0x10, 0x20, 0x40}, true, [&](int32_t r) {
                          return infantry(r) ? std::vector<int64_t>{gInfantryData[r].mFlags} : std::vector<int64_t>{};
                      }});
    auto weapon = [](int32_t r) { return r < gWeaponData.Count(); };
    fields.push_back({"weapons.mClass", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, false, [&](int32_t r) {
                          return weapon(r) ? std::vector<int64_t>{gWeaponData[r].mClass} : std::vector<int64_t>{};
                      }});
    fields.push_back({"weapons.mFlags", {0x1, 0x2, 0x4, 0x8}, true, [&](int32_t r) {
                          return weapon(r) ? std::vector<int64_t>{gWeaponData[r].mFlags} : std::vector<int64_t>{};
                      }});

    const int32_t rows = std::max({kPaces, gInfantryData.Count(), gWeaponData.Count()});
    std::set<std::string> untaken;
    for (const Field& f : fields)
        for (int64_t v : f.values) {
            bool held = false;
            for (int32_t r = 0; r < rows && !held; ++r)
                for (int64_t x : f.of(r))
                    held |= f.bits ? (x & v) != 0 : x == v;
            if (!held) untaken.insert(Branch(f, v));
        }
    std::set<std::string> listed;
    for (const Untaken& u : kUntaken) {
        listed.insert(u.branch);
        EXPECT_TRUE(untaken.count(u.branch)) << u.branch << " is held by a row now: drop it from the list";
    }
    for (const std::string& b : untaken)
        EXPECT_TRUE(listed.count(b)) << b << ": no shipped row holds it; list it with its reason";
}

// Fatigue falls while the men rest: every pace at which a unit stays where
// it is (kind 0; the turn on the spot is no unit's pace for long) lets them
// recover, the hold of a hiding or pinned squad as much as the stand.
TEST(TableCensus, ThePacesOfAUnitInPlaceLetTheMenRecover) {
    ASSERT_TRUE(DecryptData()) << GameDataError();
    constexpr int32_t kTurnOnTheSpot = 17;
    int32_t resting = 0;
    for (int32_t r = 0; r < kPaces; ++r) {
        const MovementSpeedChart& p = gMovementSpeedChart[r];
        if (p.mPaceKind != 0 || r == kTurnOnTheSpot) continue;
        ++resting;
        EXPECT_EQ(p.mFatigueRate, -1) << "pace " << r << " stays in place but does not let the men recover";
    }
    EXPECT_GE(resting, 2) << "the hold and the stand are paces in place";
}
