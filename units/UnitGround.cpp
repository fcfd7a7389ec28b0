// Holding ground and leaving the map: the claim a unit lays on the ground of
// a victory flag, and what a unit marked to leave the map is worth.
//
// Both are read whenever the flags are coloured or the points counted (the
// computer's planning, every count, around each computed minute of a battle
// of variable length), so they draw no random number, change nothing and
// stay cheap. The rules are written up in docs/victory.md.

#include <cmath>

#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"

namespace {

// Claims below this count only when the side's byte of the pair is set.
constexpr float kWeakClaim = 5.0f;
// Claim of one man of an infantry unit in good order at the flag.
constexpr float kClaimPerMan = 6.0f;
// Claim of a crewed vehicle in good order at the flag: an armoured fighting
// vehicle, a soft-skinned one with a weapon, and one without a weapon.
constexpr float kClaimArmoured = 60.0f;
constexpr float kClaimArmed = 40.0f;
constexpr float kClaimUnarmed = 12.0f;

// The reach of a unit's claim: full out to `full` metres, falling evenly to
// nothing at `reach` metres.
struct Reach {
    float full;
    float reach;
};
constexpr Reach kRiflemen{100.0f, 200.0f};
constexpr Reach kHeavy{200.0f, 300.0f}; // vehicles and support weapons

float DistanceWeight(const Unit& u, float x, float y, Reach r) {
    const float dx = x - u.mX, dy = y - u.mY;
    if (std::fabs(dx) >= r.reach || std::fabs(dy) >= r.reach) return 0.0f;
    const float d = std::sqrt(dx * dx + dy * dy);
    if (d <= r.full) return 1.0f;
    if (d >= r.reach) return 0.0f;
    return (r.reach - d) / (r.reach - r.full);
}

// How much of its claim a unit keeps by its order: suppression bands 0-2
// in hand, 3 pinned down, 4 badly pinned, 5 and above broken.
float OrderFactor(int32_t band) {
    if (band <= 2) return 1.0f;
    if (band == 3) return 0.6f;
    if (band == 4) return 0.35f;
    return 0.1f;
}

// A unit that can hold no ground: dead, knocked out, surrendered, off the
// map or riding in or on a carrier.
bool HoldsNoGround(const Unit& u) {
    return !u.mActive || u.mKnockedOut || u.mSurrendered || u.mOffMapState != 0 ||
           u.mTransport != nullptr;
}

// A weak claim counts only when the side's byte is set (always, when the
// flag is coloured by the truth; by the viewer's sight, when that is all the
// viewer sees of the side near the flag).
float Claim(const Unit& u, float claim, const bool* pair) {
    if (claim <= 0.0f) return 0.0f;
    if (claim < kWeakClaim && pair && !pair[u.mSide != 0 ? 0 : 1]) return 0.0f;
    return claim;
}

// The unit's value as bought. A vehicle is valued on a fresh copy whose
// set-up draws numbers of its own; the battle's generator is put back, so
// that reading the value changes nothing and a turn stays a function of the
// battle and its seed.
float ValueAsBought(Unit& u) {
    const uint32_t state = GetRandomState();
    const float value = u.GetVPValue(true, kKnowTruth);
    SeedRandomGenerator(state);
    return value;
}

} // namespace

float Infantry::GetOccupationScore(float x, float y, bool* pair) {
    if (HoldsNoGround(*this)) return 0.0f;
    const int32_t men = MenAlive();
    if (men <= 0) return 0.0f;
    const float w = DistanceWeight(*this, x, y, IsSupportWeapon(false) ? kHeavy : kRiflemen);
    if (w <= 0.0f) return 0.0f;
    return Claim(*this, kClaimPerMan * static_cast<float>(men) * w * OrderFactor(SuppressionBand()), pair);
}

float Vehicle::GetOccupationScore(float x, float y, bool* pair) {
    if (HoldsNoGround(*this)) return 0.0f;
    const int32_t crew = Data().mCrew;
    const int32_t left = crew - mCasualties;
    if (crew <= 0 || left <= 0) return 0.0f;
    const float w = DistanceWeight(*this, x, y, kHeavy);
    if (w <= 0.0f) return 0.0f;
    const bool armed = HasFunctioningWeapon();
    const float base =
        !armed ? kClaimUnarmed : (IsArmoredVehicle(kKnowTruth, false) ? kClaimArmoured : kClaimArmed);
    const float order = InGoodOrder() ? 1.0f : 0.1f;
    const float share = static_cast<float>(left) / static_cast<float>(crew);
    return Claim(*this, base * share * w * order, pair);
}

// At stake (count set): the unit's value as it was bought, to the enemy
// unless it gets out. Brought out (count clear): that value for the men or
// the vehicle still in being. Only units the scenario marked count.
float Infantry::GetExitValue(bool* exited, bool count) {
    const float none = Unit::GetExitValue(exited, count);
    if (!MarkedForExit()) return none;
    const float value = ValueAsBought(*this);
    if (count) return value;
    const int32_t full = GetOriginalNrMen();
    const int32_t men = MenAlive();
    if (!mActive || mSurrendered || full <= 0 || men <= 0) return 0.0f;
    return value * static_cast<float>(men) / static_cast<float>(full);
}

float Vehicle::GetExitValue(bool* exited, bool count) {
    const float none = Unit::GetExitValue(exited, count);
    if (!MarkedForExit()) return none;
    const float value = ValueAsBought(*this);
    if (count) return value;
    if (!mActive || mKnockedOut || mSurrendered || Data().mCrew - mCasualties <= 0) return 0.0f;
    return value;
}
