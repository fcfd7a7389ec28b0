// The infantry part of a unit record in scenario and saved-game files, and
// the upkeep of the infantry's four links (transport, embark target,
// abandoned vehicle, sibling) across files and copies.
//
// The part follows the Unit part:
//   29 zero bytes
//   char   bit 0 on skis
//   char   sewer time, -128..127
//   char   bit 3 saved round pattern, 2 dig in, 1 mission live, 0 saved mission live
//   char   bit 7 exiting, 6 surrendered, 5 first half, 4-3 fitness
//   char   bit 7 target changed, 6 vulnerable, 5-3 explosives, 2-0 anti-tank shots
//   char   anti-tank weapon code
//   char   grenades
//   short  split name index (squads only)
//   char   n teams (files of version 2 on), n men, n small arms
//   8 floats of a forward observer (observers only)
//   4 unit identifiers: transport, embark target, abandoned vehicle, sibling

#include <cmath>
#include <cstdint>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/ScenarioCore.h"
#include "battle/UnitID.h"
#include "engine/GFile.h"
#include "engine/GGroup.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Infantry.h"

namespace {

constexpr int32_t kReservedHead = 29;
constexpr int32_t kMaxSewerTimeInFile = 127;
constexpr int32_t kMaxPackedCount = 7;

// Record codes of the anti-tank weapons; code 0 is also written for any
// weapon not listed.
constexpr WeaponType kAntitankCodes[] = {165, 166, 167, 168, 169, 262, 265, 264, 263, 58};
constexpr int32_t kAntitankCodeCount = sizeof kAntitankCodes / sizeof kAntitankCodes[0];

int32_t LoadingVersion() {
    return gBattle ? gBattle->Host()->LoadingFileVersion() : kCurrentFileVersion;
}

int32_t Clamped(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// The seed is written as the float of its signed value (exact within
// +-32766) and read back by truncating the float through 64 bits.
int32_t SeedOfFloat(float f) {
    if (!std::isfinite(f) || std::fabs(f) >= 9.0e18f) return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(f))));
}

Unit* Resolve(ScenarioCore* scenario, Unit* raw) {
    return scenario ? scenario->GetUnitPointer(RawUnitID(raw)) : nullptr;
}

} // namespace

WeaponType AntitankWeaponOfCode(int32_t code) {
    if (code < 0 || code >= kAntitankCodeCount) return kAntitankCodes[0];
    return kAntitankCodes[code];
}

int32_t AntitankCodeOfWeapon(WeaponType weapon) {
    for (int32_t c = 0; c < kAntitankCodeCount; ++c)
        if (kAntitankCodes[c] == weapon) return c;
    return 0;
}

void Infantry::Write(GFile* file) {
    WriteUnitPart(file);
    const InfantryData& r = Record();
    file->NameField("infantry reserved");
    file->WriteZeros(kReservedHead);
    file->NameField("skis");
    file->WriteChar(mOnSkis ? 1 : 0);
    // Longer journeys are kept as the longest the byte holds: a wrapped
    // count would read back as a lost unit.
    file->NameField("sewer time");
    file->WriteChar(static_cast<int8_t>(mSewerTime > kMaxSewerTimeInFile ? kMaxSewerTimeInFile : mSewerTime));
    file->NameField("observer bits, dig in");
    file->WriteChar(static_cast<int8_t>((mSavedRoundPattern ? 8 : 0) | (mDigIn ? 4 : 0) |
                                        (mMissionLive ? 2 : 0) | (mSavedMissionLive ? 1 : 0)));
    file->NameField("exiting, surrendered, first half, fitness");
    file->WriteChar(static_cast<int8_t>((mExiting ? 0x80 : 0) | (mSurrendered ? 0x40 : 0) |
                                        (mIsFirstHalf ? 0x20 : 0) | ((mFitness & 3) << 3)));
    file->NameField("target changed, vulnerable, explosives, anti-tank shots");
    file->WriteChar(static_cast<int8_t>((mTargetChanged ? 0x80 : 0) | (mVulnerable ? 0x40 : 0) |
                                        (Clamped(mExplosives, 0, kMaxPackedCount) << 3) |
                                        Clamped(mAntitankShots, 0, kMaxPackedCount)));
    file->NameField("anti-tank weapon");
    file->WriteChar(static_cast<int8_t>(AntitankCodeOfWeapon(mAntitankWeapon)));
    file->NameField("grenades");
    file->WriteChar(mGrenades);
    file->NameField("split name");
    if (r.mIsSquad) file->WriteShort(mSplitNameIndex);
    const int32_t n = Clamped(r.mNrTeams, 0, kInfantryTeams);
    file->NameField("teams");
    file->WriteChar(static_cast<int8_t>(n));
    for (int32_t i = 0; i < n; ++i)
        file->WriteChar(mTeamMen[i]);
    for (int32_t i = 0; i < n; ++i)
        file->WriteChar(static_cast<int8_t>(mTeamSmallArms[i] & 0xFF));
    if (IsForwardObserver()) {
        file->NameField("observer target and errors");
        file->WriteFloat(mFOTargetX);
        file->WriteFloat(mFOTargetY);
        file->WriteFloat(mFOErrorX);
        file->WriteFloat(mFOErrorY);
        file->WriteFloat(mFOAimTime);
        file->NameField("observer seed");
        file->WriteFloat(static_cast<float>(mRandomSeed));
        file->NameField("observer last errors");
        file->WriteFloat(mFOLastErrorX);
        file->WriteFloat(mFOLastErrorY);
    }
    file->NameField("infantry links");
    WriteUnitID(file, mTransport);
    WriteUnitID(file, mEmbarkTarget);
    WriteUnitID(file, mAbandonedVehicle);
    WriteUnitID(file, mSibling);
}

void Infantry::Read(GFile* file) {
    mRecordDamaged = !ReadUnitPart(file);
    if (mRecordDamaged) return;
    const InfantryData& r = Record();
    const int32_t version = LoadingVersion();

    // Everything is read into locals first and applied only when the whole
    // part was read: a damaged part leaves the infantry fields untouched.
    file->Skip(kReservedHead);
    const uint8_t skis = static_cast<uint8_t>(file->ReadChar());
    const int8_t sewer = file->ReadChar();
    const uint8_t fo = static_cast<uint8_t>(file->ReadChar());
    const uint8_t state = static_cast<uint8_t>(file->ReadChar());
    const uint8_t counts = static_cast<uint8_t>(file->ReadChar());
    const int32_t code = static_cast<uint8_t>(file->ReadChar());
    const int8_t grenades = file->ReadChar();
    const int16_t splitName = r.mIsSquad ? file->ReadShort() : mSplitNameIndex;
    int32_t n =
        version >= 2 ? static_cast<uint8_t>(file->ReadChar()) : Clamped(r.mNrTeams, 0, kInfantryTeams);
    if (file->HasFailed() || n > kInfantryTeams) {
        mRecordDamaged = true;
        return;
    }
    int8_t men[kInfantryTeams] = {};
    SmallArmsType arms[kInfantryTeams] = {kSmallArmsNone, kSmallArmsNone, kSmallArmsNone, kSmallArmsNone};
    for (int32_t i = 0; i < n; ++i)
        men[i] = file->ReadChar();
    for (int32_t i = 0; i < n; ++i) {
        arms[i] = static_cast<uint8_t>(file->ReadChar());
        if (arms[i] == 0) arms[i] = SpecificPistol();
    }
    // Teams the type does not have are never written back, and a negative
    // strength is no strength: either would make the team repair below give
    // another answer on the next read.
    const int32_t teams = Clamped(r.mNrTeams, 0, kInfantryTeams);
    for (int32_t i = 0; i < kInfantryTeams; ++i) {
        if (i >= teams) {
            men[i] = 0;
            arms[i] = kSmallArmsNone;
        } else if (men[i] < 0) {
            men[i] = 0;
        }
    }
    float foValues[8] = {};
    const bool observer = IsForwardObserver();
    if (observer)
        for (float& v : foValues)
            v = file->ReadFloat();
    Unit* links[4];
    for (Unit*& link : links)
        link = ReadUnitID(file, false);
    if (file->HasFailed()) {
        mRecordDamaged = true;
        return;
    }

    mOnSkis = skis & 1;
    mSewerTime = sewer;
    mSavedRoundPattern = fo & 8;
    mDigIn = fo & 4;
    mMissionLive = fo & 2;
    mSavedMissionLive = fo & 1;
    mExiting = state & 0x80;
    mSurrendered = state & 0x40;
    mIsFirstHalf = state & 0x20;
    mFitness = (state >> 3) & 3;
    mTargetChanged = counts & 0x80;
    mVulnerable = counts & 0x40;
    mExplosives = static_cast<int8_t>((counts >> 3) & 7);
    mAntitankShots = static_cast<int8_t>(counts & 7);
    if (version != 0) mAntitankWeapon = AntitankWeaponOfCode(code);
    mGrenades = grenades;
    mSplitNameIndex = splitName;
    for (int32_t i = 0; i < kInfantryTeams; ++i) {
        mTeamMen[i] = men[i];
        mTeamSmallArms[i] = arms[i];
    }
    if (mActive && MenAlive() <= 0) mActive = false;
    if (mActive && r.mTeamsCanRefill) RepairTeamStrengths();
    if (observer) {
        mFOTargetX = foValues[0];
        mFOTargetY = foValues[1];
        mFOErrorX = foValues[2];
        mFOErrorY = foValues[3];
        mFOAimTime = foValues[4];
        mRandomSeed = SeedOfFloat(foValues[5]);
        mFOLastErrorX = foValues[6];
        mFOLastErrorY = foValues[7];
    }
    mTransport = links[0];
    mEmbarkTarget = links[1];
    mAbandonedVehicle = links[2];
    mSibling = links[3];
    if (version == 0) AssignAntitankWeapons();
    ResetModelCoords();
}

// Team strengths that disagree with the men alive: teams 0, 1, 2, 3, 0, ...
// each give (or take) one man a pass until the sum fits or a pass changes
// nothing.
void Infantry::RepairTeamStrengths() {
    const InfantryData& r = Record();
    const int32_t alive = MenAlive();
    auto sum = [this] {
        int32_t s = 0;
        for (int8_t m : mTeamMen)
            s += m;
        return s;
    };
    int32_t total = sum();
    while (total != alive) {
        bool changed = false;
        for (int32_t i = 0; i < kInfantryTeams && total != alive; ++i) {
            if (total > alive && mTeamMen[i] > 0) {
                --mTeamMen[i];
                --total;
                changed = true;
            } else if (total < alive && mTeamMen[i] < r.mTeamMen[i]) {
                ++mTeamMen[i];
                ++total;
                changed = true;
            }
        }
        if (!changed) break;
    }
}

void Infantry::SettleInfantryPart() {
    // The pose a load gives (ReadPassTwo); its start frames are drawn, but
    // only for the picture: the generator goes on where it was, and the pace
    // is the one kept, as a load keeps the one read.
    const uint32_t state = GetRandomState();
    const MovementSpeedType kept = mMoveSpeed;
    ResetAnimation();
    mMoveSpeed = kept;
    SeedRandomGenerator(state);
}

void Infantry::ReadPassTwo(ScenarioCore* scenario) {
    Unit::ReadPassTwo(scenario);
    mTransport = Resolve(scenario, mTransport);
    mEmbarkTarget = Resolve(scenario, mEmbarkTarget);
    mAbandonedVehicle = Resolve(scenario, mAbandonedVehicle);
    mSibling = Resolve(scenario, mSibling);
    // The record keeps no flag of its own: a linked half may rejoin.
    mSiblingMayRejoin = mSibling != nullptr;
    // The pose is the one of the pace it walks; the pace is the one read
    // (what the saved game keeps behind the battle comes after).
    if (gBattle) {
        const MovementSpeedType read = mMoveSpeed;
        ResetAnimation();
        mMoveSpeed = read;
    }
    if (mSibling) {
        const int32_t full = GetOriginalNrMen();
        const int32_t share = mIsFirstHalf ? full / 2 : (full + 1) / 2;
        const int32_t excess = share + MenAlive() - Record().mNrMen;
        if (excess > 0) ReceiveCasualties(excess, 1.0f, true, false, false);
    }
}

void Infantry::CorrectReadUniform() {
    if (mAbandonedVehicle && mAbandonedVehicle->mUnitType == kUnitVehicle)
        mUniform = mAbandonedVehicle->mUniform;
}

void Infantry::RollupLinks() {
    Unit::RollupLinks();
    Unit** links[] = {&mTransport, &mEmbarkTarget, &mAbandonedVehicle, &mSibling};
    for (Unit** link : links)
        *link = RawIDAsUnit(*link ? (*link)->mLinkID : 0);
}

void Infantry::UnrollLinks() {
    Unit::UnrollLinks();
    Unit** links[] = {&mTransport, &mEmbarkTarget, &mAbandonedVehicle, &mSibling};
    for (Unit** link : links) {
        uint32_t id = static_cast<uint32_t>(RawUnitID(*link));
        *link = gBattle && id ? gBattle->GetUnitFromUniqueID(id) : nullptr;
    }
}

void Infantry::ClearBrokenLinks(GList* list) {
    Unit::ClearBrokenLinks(list);
    Unit** links[] = {&mTransport, &mEmbarkTarget, &mAbandonedVehicle, &mSibling};
    for (Unit** link : links) {
        if (*link && (!list || !list->IsMember(*link))) {
            if (link == &mSibling) mIsFirstHalf = true;
            *link = nullptr;
        }
    }
}
