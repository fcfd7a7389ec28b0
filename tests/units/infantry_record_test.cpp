// The infantry part of unit records: every field round-trips, the bytes
// repeat, links wait for the second pass, damaged records are refused and a
// battle holding infantry saves and loads byte for byte.

#include <vector>

#include "battle/BattleHost.h"
#include "battle/UnitID.h"
#include "data_testset.h"
#include "infantry_fixture.h"

namespace {

class InfantryRecord : public InfantryTest {
protected:
    std::vector<uint8_t> Bytes(Unit* u) {
        std::unique_ptr<GFile> file(InfantryScratchFile());
        u->Write(file.get());
        return InfantryFileBytes(file.get());
    }
    std::unique_ptr<Unit> Read(const std::vector<uint8_t>& bytes) {
        std::unique_ptr<GFile> file(InfantryFileWith(bytes));
        return std::unique_ptr<Unit>(ReadUnit(file.get()));
    }
    size_t UnitPartSize(Infantry* u) {
        std::unique_ptr<GFile> file(InfantryScratchFile());
        u->WriteUnitPart(file.get());
        return InfantryFileBytes(file.get()).size();
    }
    // A squad with every infantry field away from its default.
    std::unique_ptr<Infantry> BusySquad() {
        auto u = Make(kUSSquad, kAmerican);
        u->mOnSkis = true;
        u->mSewerTime = -5;
        u->mSavedRoundPattern = true;
        u->mDigIn = false;
        u->mMissionLive = true;
        u->mSavedMissionLive = true;
        u->mExiting = true;
        u->mSurrendered = true;
        u->mIsFirstHalf = false;
        u->mFitness = 1;
        u->mTargetChanged = true;
        u->mVulnerable = true;
        u->mExplosives = 3;
        u->mAntitankShots = 5;
        u->mAntitankWeapon = 264;
        u->mGrenades = 17;
        u->mSplitNameIndex = 321;
        u->mCasualties = 2;
        u->mTeamMen[0] = 3;
        u->mTeamMen[1] = 3;
        u->mTeamMen[2] = 1;
        u->mTeamSmallArms[1] = kSMG;
        return u;
    }
};

TEST_F(InfantryRecord, EveryFieldWritesReadsAndWritesAlike) {
    auto u = BusySquad();
    const std::vector<uint8_t> first = Bytes(u.get());
    auto back = Read(first);
    ASSERT_NE(back, nullptr);
    auto* r = static_cast<Infantry*>(back.get());
    EXPECT_TRUE(r->mOnSkis);
    EXPECT_EQ(r->mSewerTime, -5);
    EXPECT_TRUE(r->mSavedRoundPattern);
    EXPECT_FALSE(r->mDigIn);
    EXPECT_TRUE(r->mMissionLive);
    EXPECT_TRUE(r->mSavedMissionLive);
    EXPECT_TRUE(r->mExiting);
    EXPECT_TRUE(r->mSurrendered);
    EXPECT_FALSE(r->mIsFirstHalf);
    EXPECT_EQ(r->mFitness, 1);
    EXPECT_TRUE(r->mTargetChanged);
    EXPECT_TRUE(r->mVulnerable);
    EXPECT_EQ(r->mExplosives, 3);
    EXPECT_EQ(r->mAntitankShots, 5);
    EXPECT_EQ(r->mAntitankWeapon, 264);
    EXPECT_EQ(r->mGrenades, 17);
    EXPECT_EQ(r->mSplitNameIndex, 321);
    EXPECT_EQ(r->mTeamMen[1], 3);
    EXPECT_EQ(r->mTeamSmallArms[1], kSMG);
    EXPECT_EQ(r->mTeamSmallArms[3], kSmallArmsNone);
    EXPECT_EQ(Bytes(r), first);
}

TEST_F(InfantryRecord, TheInfantryPartIsLaidOutAsTheFileFormatSays) {
    auto u = BusySquad();
    const std::vector<uint8_t> bytes = Bytes(u.get());
    const size_t at = UnitPartSize(u.get());
    ASSERT_EQ(bytes.size(), at + 29 + 7 + 2 + 1 + 3 + 3 + 8);
    for (size_t i = 0; i < 29; ++i)
        EXPECT_EQ(bytes[at + i], 0);
    EXPECT_EQ(bytes[at + 29], 0x01);                   // skis
    EXPECT_EQ(bytes[at + 30], 0xFB);                   // sewer time -5
    EXPECT_EQ(bytes[at + 31], 0x0B);                   // round pattern, dig in clear, mission flags
    EXPECT_EQ(bytes[at + 32], 0x80 | 0x40 | (1 << 3)); // exiting, surrendered, second half, fitness 1
    EXPECT_EQ(bytes[at + 33], 0x80 | 0x40 | (3 << 3) | 5);
    EXPECT_EQ(bytes[at + 34], 7); // weapon 264
    EXPECT_EQ(bytes[at + 35], 17);
    EXPECT_EQ(bytes[at + 36], 321 >> 8);
    EXPECT_EQ(bytes[at + 37], 321 & 0xFF);
    EXPECT_EQ(bytes[at + 38], 3); // teams
}

TEST_F(InfantryRecord, OnlySquadsKeepASplitNameAndOnlyObserversTheirFireData) {
    auto team = Make(kGermanMGTeam, kGerman);
    auto observer = Make(kBritishObserver, kBritish);
    const size_t teamPart = Bytes(team.get()).size() - UnitPartSize(team.get());
    const size_t observerPart = Bytes(observer.get()).size() - UnitPartSize(observer.get());
    EXPECT_EQ(teamPart, 29u + 7 + 1 + 1 + 1 + 8);
    EXPECT_EQ(observerPart, teamPart + 32); // one team each
}

TEST_F(InfantryRecord, LongSewerTripsAndNegativeSeedsSurvive) {
    auto u = Make(kBritishObserver, kBritish);
    u->mSewerTime = 200;
    u->mRandomSeed = -300;
    u->mFOTargetX = 123.5f;
    u->mFOLastErrorY = -4.25f;
    auto back = Read(Bytes(u.get()));
    ASSERT_NE(back, nullptr);
    auto* r = static_cast<Infantry*>(back.get());
    EXPECT_EQ(r->mSewerTime, 127); // still travelling, not lost
    EXPECT_EQ(r->mRandomSeed, -300);
    EXPECT_EQ(r->mFOTargetX, 123.5f);
    EXPECT_EQ(r->mFOLastErrorY, -4.25f);
}

TEST_F(InfantryRecord, AntitankCodesMapBothWaysAndUnknownCodesReadAsRifleGrenades) {
    for (int32_t code = 0; code <= 9; ++code)
        EXPECT_EQ(AntitankCodeOfWeapon(AntitankWeaponOfCode(code)), code);
    EXPECT_EQ(AntitankCodeOfWeapon(100), 0);
    EXPECT_EQ(AntitankWeaponOfCode(10), 165);
    EXPECT_EQ(AntitankWeaponOfCode(200), 165);
    auto u = Make(kGermanMGTeam, kGerman);
    std::vector<uint8_t> bytes = Bytes(u.get());
    bytes[UnitPartSize(u.get()) + 34] = 12;
    auto back = Read(bytes);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(static_cast<Infantry*>(back.get())->mAntitankWeapon, 165);
}

TEST_F(InfantryRecord, DamagedRecordsAreRefusedWhole) {
    auto u = Make(kUSSquad, kAmerican);
    std::vector<uint8_t> bytes = Bytes(u.get());
    const size_t at = UnitPartSize(u.get());
    for (size_t cut : {at + 5, at + 38, bytes.size() - 1}) {
        std::vector<uint8_t> shortened(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(cut));
        EXPECT_EQ(Read(shortened), nullptr) << cut;
    }
    std::vector<uint8_t> fiveTeams = bytes;
    fiveTeams[at + 38] = 5;
    EXPECT_EQ(Read(fiveTeams), nullptr);
}

TEST_F(InfantryRecord, AUnitReadWithoutMenIsOutOfActionAndTeamsAreRepaired) {
    auto dead = Make(kUSSquad, kAmerican);
    dead->mCasualties = 9;
    auto back = Read(Bytes(dead.get()));
    ASSERT_NE(back, nullptr);
    EXPECT_FALSE(back->mActive);

    auto u = Make(kUSSquad, kAmerican);
    u->mCasualties = 3; // six alive
    u->mTeamMen[0] = 4;
    u->mTeamMen[1] = 3;
    u->mTeamMen[2] = 2;
    back = Read(Bytes(u.get()));
    ASSERT_NE(back, nullptr);
    auto* r = static_cast<Infantry*>(back.get());
    EXPECT_EQ(r->mTeamMen[0], 3);
    EXPECT_EQ(r->mTeamMen[1], 2);
    EXPECT_EQ(r->mTeamMen[2], 1);

    u->mCasualties = 0; // nine alive, teams short: refilled up to the record
    u->mTeamMen[0] = 1;
    u->mTeamMen[1] = 1;
    u->mTeamMen[2] = 0;
    back = Read(Bytes(u.get()));
    r = static_cast<Infantry*>(back.get());
    EXPECT_EQ(r->mTeamMen[0] + r->mTeamMen[1] + r->mTeamMen[2], 9);
    EXPECT_LE(r->mTeamMen[2], 1);
}

class OlderFileHost : public BattleHost {
public:
    int32_t LoadingFileVersion() override { return mVersion; }
    int32_t mVersion = 1;
};

TEST_F(InfantryRecord, FilesBeforeVersionTwoTakeTheTeamCountFromTheType) {
    auto u = Make(kUSSquad, kAmerican);
    std::vector<uint8_t> bytes = Bytes(u.get());
    const size_t at = UnitPartSize(u.get());
    bytes.erase(bytes.begin() + static_cast<ptrdiff_t>(at + 38)); // no team count
    OlderFileHost host;
    mBattle.mBattle.mHost = &host;
    auto back = Read(bytes);
    mBattle.mBattle.mHost = nullptr;
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(static_cast<Infantry*>(back.get())->mTeamMen[1], 4);
}

TEST_F(InfantryRecord, LinksHoldRawIdentifiersUntilTheSecondPass) {
    auto* a = new Infantry;
    a->IInfantry(kUSSquad, kAmerican, kExperienceRegular, 10.0f, 10.0f, 0.0f);
    auto* b = new Infantry;
    b->IInfantry(kUSSquad, kAmerican, kExperienceRegular, 20.0f, 10.0f, 0.0f);
    mBattle.mBattle.mUnits->Add(a);
    mBattle.mBattle.mUnits->Add(b);
    a->mSibling = b;
    b->mSibling = a;
    b->mIsFirstHalf = false;
    a->mAbandonedVehicle = b;
    auto back = Read(Bytes(a));
    ASSERT_NE(back, nullptr);
    auto* r = static_cast<Infantry*>(back.get());
    EXPECT_EQ(RawUnitID(r->mSibling), 2);
    EXPECT_EQ(RawUnitID(r->mAbandonedVehicle), 2);
    EXPECT_EQ(r->mTransport, nullptr);
    r->ReadPassTwo(&mBattle.mBattle);
    EXPECT_EQ(r->mSibling, b);
    EXPECT_TRUE(r->mSiblingMayRejoin) << "a half read back may join its sibling";
    EXPECT_EQ(r->mAbandonedVehicle, b);

    a->mLinkID = 77;
    b->mLinkID = 78;
    a->RollupLinks();
    EXPECT_EQ(RawUnitID(a->mSibling), 78);
    a->UnrollLinks();
    a->ClearBrokenLinks(nullptr);
    EXPECT_EQ(a->mSibling, nullptr);
    EXPECT_TRUE(a->mIsFirstHalf);
}

TEST_F(InfantryRecord, AReadHalfGivesUpMenBeyondItsShare) {
    auto* a = new Infantry;
    a->IInfantry(kUSSquad, kAmerican, kExperienceRegular, 10.0f, 10.0f, 0.0f);
    auto* b = new Infantry;
    b->IInfantry(kUSSquad, kAmerican, kExperienceRegular, 20.0f, 10.0f, 0.0f);
    mBattle.mBattle.mUnits->Add(a);
    mBattle.mBattle.mUnits->Add(b);
    b->mSibling = a;
    b->mIsFirstHalf = false;
    b->mCasualties = 2; // seven alive, where the half holds five at most
    auto back = Read(Bytes(b));
    ASSERT_NE(back, nullptr);
    back->ReadPassTwo(&mBattle.mBattle);
    EXPECT_EQ(back->mCasualties, 5); // four men: the half without the odd man
}

TEST_F(InfantryRecord, NewUnitOfKindZeroIsInfantry) {
    std::unique_ptr<Unit> u(NewUnitOfKind(kUnitInfantry));
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(u->mUnitType, kUnitInfantry);
}

TEST_F(InfantryRecord, ABattleWithInfantrySavesAndLoadsByteForByte) {
    Battle& battle = mBattle.mBattle;
    battle.mStub = false;
    battle.mSetupPhase = false;
    auto* squad = new Infantry;
    squad->IInfantry(kUSSquad, kAmerican, kExperienceVeteran, 40.0f, 60.0f, 0.0f);
    auto* observer = new Infantry;
    observer->IInfantry(kBritishObserver, kBritish, kExperienceRegular, 80.0f, 60.0f, 0.0f);
    auto* crew = new Infantry;
    crew->IInfantry(kGermanGunCrew, kGerman, kExperienceRegular, 120.0f, 30.0f, 0.0f);
    battle.mUnits->Add(squad);
    battle.mUnits->Add(observer);
    battle.mUnits->Add(crew);
    observer->mHQ = squad;
    crew->mTarget = squad;
    squad->mCasualties = 1;
    squad->mTeamMen[0] = 3;

    std::unique_ptr<GFile> file(InfantryScratchFile());
    battle.Write(file.get());
    const std::vector<uint8_t> first = InfantryFileBytes(file.get());

    Battle loaded;
    std::vector<uint8_t> second;
    {
        CurrentBattle current(&loaded);
        std::unique_ptr<GFile> in(InfantryFileWith(first));
        ASSERT_TRUE(loaded.IBattle(in.get(), nullptr));
        std::unique_ptr<GFile> out(InfantryScratchFile());
        loaded.Write(out.get());
        second = InfantryFileBytes(out.get());
        ASSERT_EQ(loaded.mUnits->GetCount(), 3);
        auto* readCrew = static_cast<Infantry*>(loaded.mUnits->GetUnit(2));
        EXPECT_EQ(readCrew->mTarget, loaded.mUnits->GetUnit(0));
    }
    EXPECT_EQ(second, first);
}

} // namespace


namespace {

// The unit record keeps casualties in four bits: no type may be larger.
TEST(InfantryData, ATypeOfSixteenMenIsRefused) {
    GameDataSet set = MinimalDataSet();
    std::string error;
    ASSERT_TRUE(CheckGameData(set, &error)) << error;
    set.mInfantry[1].mNrMen = 16;
    set.mInfantry[1].mTeamMen[0] = 16;
    EXPECT_FALSE(CheckGameData(set, &error));
    EXPECT_NE(error.find("mNrMen"), std::string::npos) << error;
}

} // namespace
