// What a killer's two kill records count of the infantry it strikes: the
// final record always counts the truth; the running record counts men only
// when the victims were fully identified (contact level 5) and are in sight
// now, and a knocked-out gun from contact level 3 up.

#include "infantry2_fixture.h"

namespace {

class InfantryKillCredit : public InfantryFight {
protected:
    ~InfantryKillCredit() override { gCreditKiller = nullptr; }
    // Three of the squad's nine men fall to killer; the men each record gained.
    std::pair<int32_t, int32_t> CreditForThree(FogOfWarContact contact, bool markerOnly) {
        auto u = Make(kUSSquad, kAmerican);
        auto killer = Make(kGermanMGTeam, kGerman);
        u->mContactLevel = contact;
        u->mSpotMarker = markerOnly; // only a marker shows where it was last seen
        gCreditKiller = killer.get();
        EXPECT_TRUE(u->ReceiveCasualties(3, 1.0f, true, false, false));
        gCreditKiller = nullptr;
        return {killer->mKillRecords[0].mInfantryCasualties, killer->mKillRecords[1].mInfantryCasualties};
    }
    // A gun crew's gun knocked out by a shell at contact level `contact`; the
    // guns each record gained.
    std::pair<int32_t, int32_t> GunCredit(FogOfWarContact contact) {
        Infantry* crew = Place(kGermanGunCrew, kGerman, 100.0f, 100.0f);
        Infantry* killer = Place(kUSSquad, kAmerican, 40.0f, 100.0f);
        crew->mContactLevel = contact;
        PendingAttack shell;
        shell.mWeaponClass = kWClassGun;
        gCreditKiller = killer;
        crew->OrdnanceDamage(300.0f, &shell); // 300 × 0.005 beats any draw
        gCreditKiller = nullptr;
        EXPECT_TRUE(crew->mGunKnockedOut);
        return {killer->mKillRecords[0].mGuns, killer->mKillRecords[1].mGuns};
    }
};

TEST_F(InfantryKillCredit, MenCountInTheRunningRecordOnlyAtContactFiveAndInSight) {
    EXPECT_EQ(CreditForThree(kContactFull, false), std::make_pair(3, 3));
    EXPECT_EQ(CreditForThree(4, false), std::make_pair(0, 3));
    EXPECT_EQ(CreditForThree(kContactSeen, false), std::make_pair(0, 3));
    // Identified once, but not in sight now.
    EXPECT_EQ(CreditForThree(kContactFull, true), std::make_pair(0, 3));
}

TEST_F(InfantryKillCredit, AKnockedOutGunCountsInTheRunningRecordFromContactThree) {
    EXPECT_EQ(GunCredit(3), std::make_pair(1, 1));
    EXPECT_EQ(GunCredit(kContactFull), std::make_pair(1, 1));
    EXPECT_EQ(GunCredit(kContactSeen), std::make_pair(0, 1));
}

// A unit wiped out at once: the final record counts the men still standing
// and its gun; the running record counts the gun from contact level 3 and
// the men only at contact 5 with the unit in sight.
TEST_F(InfantryKillCredit, AUnitThatDiesIsCountedByContactLevel) {
    struct Case {
        FogOfWarContact contact;
        int32_t men, guns; // in the running record
    };
    for (const Case& c : {Case{kContactSeen, 0, 0}, Case{3, 0, 1}, Case{4, 0, 1}, Case{kContactFull, 5, 1}}) {
        Infantry* crew = Place(kGermanGunCrew, kGerman, 100.0f, 100.0f);
        Infantry* killer = Place(kUSSquad, kAmerican, 40.0f, 100.0f);
        crew->mContactLevel = c.contact;
        gCreditKiller = killer;
        crew->Die();
        gCreditKiller = nullptr;
        EXPECT_EQ(killer->mKillRecords[0].mInfantryCasualties, c.men) << int(c.contact);
        EXPECT_EQ(killer->mKillRecords[0].mGuns, c.guns) << int(c.contact);
        EXPECT_EQ(killer->mKillRecords[1].mInfantryCasualties, 5) << int(c.contact);
        EXPECT_EQ(killer->mKillRecords[1].mGuns, 1) << int(c.contact);
    }
}

} // namespace
