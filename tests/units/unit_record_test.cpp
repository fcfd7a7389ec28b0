// The Unit part of unit records, kill records and the link passes.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "battle/Battle.h"
#include "battle/UnitID.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GString.h"
#include "units/Airplane.h"
#include "units/Inanimate.h"

namespace {

std::unique_ptr<GFile> Scratch() {
    auto file = std::make_unique<GFile>();
    EXPECT_TRUE(file->ITempFile(false));
    return file;
}

std::vector<uint8_t> Bytes(GFile* file) {
    file->Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file->GetFileLength()));
    if (!bytes.empty()) file->ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    file->Rewind();
    return bytes;
}

std::unique_ptr<GFile> WithBytes(const std::vector<uint8_t>& bytes) {
    auto file = Scratch();
    if (!bytes.empty()) file->WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    file->Rewind();
    return file;
}

// Writes a unit and reads it back with ReadUnit.
std::unique_ptr<Unit> Reread(Unit* unit, std::vector<uint8_t>* bytes = nullptr) {
    auto file = Scratch();
    unit->Write(file.get());
    std::vector<uint8_t> written = Bytes(file.get());
    if (bytes) *bytes = written;
    return std::unique_ptr<Unit>(ReadUnit(file.get()));
}

} // namespace

TEST(KillRecords, CountByTypeMergeAndRoundTrip) {
    KillRecord a;
    EXPECT_FALSE(a.HasKills());
    a.AddVehicleKill(12);
    a.AddVehicleKill(12);
    a.AddVehicleKill(-7); // any unidentified type counts as -1
    a.mInfantryCasualties = 40000;
    EXPECT_TRUE(a.HasKills());
    EXPECT_EQ(a.VehicleKillsOfType(12), 2);
    EXPECT_EQ(a.VehicleKillsOfType(-1), 1);
    KillRecord b;
    b.mGuns = 250;
    b.mInfantryCasualties = 40000;
    b.AddVehicleKill(12);
    a.Merge(&b);
    EXPECT_EQ(a.VehicleKillsOfType(12), 3);
    EXPECT_EQ(a.mGuns, 250);
    EXPECT_EQ(a.mInfantryCasualties, 65535); // saturates, never wraps

    auto file = Scratch();
    a.Write(file.get());
    KillRecord empty;
    empty.Write(file.get());
    file->Rewind();
    KillRecord c, d;
    ASSERT_TRUE(c.Read(file.get()));
    ASSERT_TRUE(d.Read(file.get()));
    EXPECT_EQ(c.VehicleKills(), 4);
    EXPECT_EQ(c.mGuns, 250);
    EXPECT_EQ(c.mInfantryCasualties, 65535);
    EXPECT_FALSE(d.HasKills());
}

TEST(KillRecords, DamagedListsAreRefused) {
    // Tallies, presence 1, owns char, then a count far beyond any real list.
    auto file = WithBytes({0, 1, 0, 2, 3, 4, 5, 1, 1, 0x40, 0, 0, 0});
    KillRecord k;
    EXPECT_FALSE(k.Read(file.get()));
    EXPECT_FALSE(k.HasKills());
    auto shortFile = WithBytes({0, 1, 0, 2, 3, 4, 5, 1, 1, 0, 0, 0, 2, 0, 12, 1});
    EXPECT_FALSE(k.Read(shortFile.get()));
    EXPECT_FALSE(k.HasKills());
}

TEST(UnitRecord, WaypointsTravelLastToFirstAndComeBackInTheirSlots) {
    Inanimate u;
    u.IInanimate(kInanimateWire, 0, 5, 5, 0);
    u.mNrWaypoints = kMaxWaypoints;
    for (int i = 0; i < kMaxWaypoints; ++i) {
        u.mWaypoints[i].mX = static_cast<float>(i);
        u.mWaypoints[i].mOrder = i % 32;
        u.mWaypoints[i].mKind = i % 8 - 1;
        u.mWaypoints[i].mHide = i % 2;
        u.mOrderPoints[i].mY = static_cast<float>(2 * i);
    }
    std::vector<uint8_t> bytes;
    auto back = Reread(&u, &bytes);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->mNrWaypoints, kMaxWaypoints);
    for (int i = 0; i < kMaxWaypoints; ++i) {
        EXPECT_EQ(back->mWaypoints[i].mX, static_cast<float>(i));
        // A pace the chart has no row for comes back as the ordinary pace.
        EXPECT_EQ(back->mWaypoints[i].mOrder, i % 32 <= kPaceRotate ? i % 32 : kPaceDefaultMove);
        EXPECT_EQ(back->mWaypoints[i].mKind, i % 8 - 1);
        EXPECT_EQ(back->mWaypoints[i].mHide, i % 2);
        EXPECT_EQ(back->mOrderPoints[i].mY, static_cast<float>(2 * i));
    }
    std::vector<uint8_t> again, third;
    auto twice = Reread(back.get(), &again);
    ASSERT_TRUE(twice);
    Reread(twice.get(), &third);
    EXPECT_EQ(third, again);
}

TEST(UnitRecord, HeadingIsWrittenWithinOneTurn) {
    Inanimate u;
    u.mHeading = -10.0f;
    EXPECT_FLOAT_EQ(Reread(&u)->mHeading, 350.0f);
    EXPECT_FLOAT_EQ(u.mHeading, 350.0f); // the unit's own value is changed too
    u.mHeading = 720.0f;
    EXPECT_FLOAT_EQ(Reread(&u)->mHeading, 0.0f);
}

TEST(UnitRecord, OnlyAUnitNamedByItsOwnTextCarriesIt) {
    Inanimate named, plain;
    named.mNameIndex = -1;
    named.mCustomName = new GString15;
    named.mCustomName->ConcatText("Hans");
    plain.mNameIndex = 17;
    std::vector<uint8_t> a, b;
    auto backNamed = Reread(&named, &a);
    auto backPlain = Reread(&plain, &b);
    ASSERT_TRUE(backNamed && backPlain);
    ASSERT_NE(backNamed->mCustomName, nullptr);
    EXPECT_STREQ(backNamed->mCustomName->GetCString(), "Hans");
    EXPECT_EQ(backPlain->mCustomName, nullptr);
    EXPECT_EQ(backPlain->mNameIndex, 17);
    EXPECT_EQ(a.size(), b.size() + 5); // length byte and four characters
}

TEST(UnitRecord, ReadingRepairsSuppressionAmmunitionAndCasualties) {
    Inanimate u;
    u.mSuppression = 1500.0f;
    u.mAmmo[4] = 65535; // a negative count as the file keeps it
    u.mCasualties = 9;  // more than a fixed object's men
    u.mOldCasualties = 9;
    u.mContactLevel = 3;
    u.mSoundOffsetX = 30;
    auto back = Reread(&u);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->mSuppression, 1500.0f);
    EXPECT_EQ(back->mAmmo[4], 1);
    EXPECT_EQ(back->mCasualties, 0);
    EXPECT_EQ(back->mOldCasualties, 0);
    EXPECT_EQ(back->mSoundOffsetX, 0); // not carried at contact 3
}

// A unit bound by a target order stays bound; a record of the form before
// the mark (a zero there) reads free.
TEST(UnitRecord, KeepsTheTargetFreeFlag) {
    Inanimate bound, free;
    bound.mTargetFree = false;
    std::vector<uint8_t> boundBytes, freeBytes;
    auto back = Reread(&bound, &boundBytes);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->mTargetFree);
    back = Reread(&free, &freeBytes);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->mTargetFree);
    ASSERT_EQ(boundBytes.size(), freeBytes.size());
    int32_t differing = 0;
    for (size_t i = 0; i < freeBytes.size(); ++i)
        differing += boundBytes[i] != freeBytes[i] ? 1 : 0;
    EXPECT_EQ(differing, 1);
}

TEST(UnitRecord, DamagedRecordsGiveNoUnit) {
    Airplane plane;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(Reread(&plane, &bytes));
    EXPECT_EQ(bytes[0], kUnitAirplane);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        auto file = WithBytes(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut));
        EXPECT_EQ(ReadUnit(file.get()), nullptr) << cut;
    }
    std::vector<uint8_t> unknown = bytes;
    unknown[0] = 4;
    auto file = WithBytes(unknown);
    EXPECT_EQ(ReadUnit(file.get()), nullptr);
    EXPECT_EQ(file->ReadChar(), bytes[1]); // nothing after the kind was read
}

TEST(UnitLinks, RollUpToIdentitiesAndBack) {
    Battle battle;
    battle.IBattleStub();
    Battle* old = gBattle;
    gBattle = &battle;
    auto* a = new Inanimate;
    auto* b = new Inanimate;
    a->mSide = 1;
    b->mSide = 0;
    Unit::ResetUnitIDNumbers(true);
    a->AssignID();
    b->AssignID();
    battle.mUnits->Add(a);
    battle.mUnits->Add(b);
    a->mTarget = b;
    a->mHQ = b;
    a->mPlatoonHQ = a;
    a->RollupLinks();
    EXPECT_TRUE(a->mLinksRolledUp);
    EXPECT_EQ(RawUnitID(a->mTarget), 1);
    EXPECT_EQ(RawUnitID(a->mPlatoonHQ), 0x10001);
    a->UnrollLinks();
    EXPECT_FALSE(a->mLinksRolledUp);
    EXPECT_EQ(a->mTarget, b);
    EXPECT_EQ(a->mPlatoonHQ, a);

    UnitList keep;
    keep.IList();
    keep.PreserveObjects();
    keep.Add(a);
    a->ClearBrokenLinks(&keep);
    EXPECT_EQ(a->mTarget, nullptr);
    EXPECT_EQ(a->mHQ, nullptr);
    EXPECT_EQ(a->mPlatoonHQ, a);
    gBattle = old;
}
