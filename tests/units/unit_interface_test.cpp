// The shape of the unit's virtual interface: every kind fills the same table
// of 157 operations (GObject's five first), and a few of them sit at fixed
// places that the kinds are written against. An operation added or lost by
// accident moves these places.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "units/Airplane.h"
#include "units/Inanimate.h"
#include "units/Unit.h"

namespace {

#if defined(__x86_64__) || defined(__i386__)
constexpr bool kCanReadSlots = true;
#else
constexpr bool kCanReadSlots = false;
#endif

// The place in the table of a virtual operation (Itanium C++ ABI: a pointer
// to a virtual member holds 1 + the byte offset of its entry). The
// destructor takes two entries, so place p here is operation p + 1 when the
// destructor counts once; the table's first place after the destructor is 2.
template <class F> std::ptrdiff_t PlaceOf(F f) {
    struct {
        std::uintptr_t ptr;
        std::ptrdiff_t adj;
    } raw;
    static_assert(sizeof(f) == sizeof(raw));
    std::memcpy(&raw, &f, sizeof raw);
    if ((raw.ptr & 1u) == 0) return -1; // not virtual
    return static_cast<std::ptrdiff_t>((raw.ptr - 1) / sizeof(void*));
}

// Reaches the protected last operation, and adds one of its own after the
// table so that the table's length shows.
class Probe : public Unit {
public:
    static std::ptrdiff_t LastPlace() { return PlaceOf(&Probe::AIRangedThreatFactor); }
    static std::ptrdiff_t NextPlace() { return PlaceOf(&Probe::OneMore); }
    virtual void OneMore() {}
};

} // namespace

TEST(UnitInterface, TableHoldsOneHundredFiftySevenOperations) {
    if (!kCanReadSlots) GTEST_SKIP() << "table places are read only on x86";
    // Destructor (one operation, two entries) and 156 more: places 0..157.
    EXPECT_EQ(Probe::LastPlace(), 157);
    EXPECT_EQ(Probe::NextPlace(), 158);
}

TEST(UnitInterface, OperationsKeepTheirPlaces) {
    if (!kCanReadSlots) GTEST_SKIP() << "table places are read only on x86";
    EXPECT_EQ(PlaceOf(&GObject::CopyItself), 2);
    EXPECT_EQ(PlaceOf(&Unit::Read), 3);
    EXPECT_EQ(PlaceOf(&Unit::Write), 4);
    EXPECT_EQ(PlaceOf(&Unit::CopyDynamicMembers), 5);
    EXPECT_EQ(PlaceOf(&Unit::MakeTextures), 6);
    EXPECT_EQ(PlaceOf(&Unit::CorrectReadUniform), 11);
    EXPECT_EQ(PlaceOf(&Unit::ReadPassTwo), 12);
    EXPECT_EQ(PlaceOf(&Unit::ClearBrokenLinks), 22);
    EXPECT_EQ(PlaceOf(&Unit::RollupLinks), 76);
    EXPECT_EQ(PlaceOf(&Unit::UnrollLinks), 77);
    EXPECT_EQ(PlaceOf(&Unit::ComputeAction), 93);
    EXPECT_EQ(PlaceOf(&Unit::IsLeader), 128);
    EXPECT_EQ(PlaceOf(&Unit::GetPlatoonHQ), 129);
    EXPECT_EQ(PlaceOf(&Unit::AIWantsToFire), 154);
    EXPECT_EQ(PlaceOf(&Unit::EditorColor), 155);
    EXPECT_EQ(PlaceOf(&Unit::GetRarityFactor), 156);
}

TEST(UnitInterface, KindsShareTheOrderOfTheirOverrides) {
    if (!kCanReadSlots) GTEST_SKIP() << "table places are read only on x86";
    // These come in this order in every kind's table.
    std::ptrdiff_t order[] = {
        PlaceOf(&Unit::MakeTextures),
        PlaceOf(&Unit::LoadOut),
        PlaceOf(&Unit::ChooseUniform),
        PlaceOf(&Unit::Rank),
        PlaceOf(&Unit::ReceiveTargetOrders),
        PlaceOf(&Unit::CanTransport),
        PlaceOf(&Unit::ConcatName),
        PlaceOf(&Unit::HasHeavyWeapon),
        PlaceOf(&Unit::ProcessTimeSlice),
        PlaceOf(&Unit::AdjustPassengerSetup),
        PlaceOf(&Unit::AdvanceAnimation),
        PlaceOf(&Unit::ResetTargetSliceCount),
        PlaceOf(&Unit::FillPassengerOrCarrier),
        PlaceOf(&Unit::ProcessPassengerOrCarrier),
        PlaceOf(&Unit::FullAimTime),
        PlaceOf(&Unit::FullLoadTime),
    };
    for (size_t i = 1; i < sizeof order / sizeof order[0]; ++i)
        EXPECT_LT(order[i - 1], order[i]) << "entry " << i;
    // The kinds override in place: their tables are no longer.
    EXPECT_EQ(PlaceOf(&Inanimate::StampToMap), PlaceOf(&Unit::StampToMap));
    EXPECT_EQ(PlaceOf(&Airplane::TakeAreaHit), PlaceOf(&Unit::TakeAreaHit));
}

TEST(UnitInterface, BaseAnswersOfTheNewQueries) {
    Inanimate u;
    u.IInanimate(kInanimateWire, kForceDefaultAxis, 10.0f, 20.0f, 0.0f);
    EXPECT_EQ(u.SpotLevel(false, nullptr), kContactNone);
    EXPECT_EQ(u.AIDefensiveType(), 0);
    EXPECT_FALSE(u.AIDoCombatMove(true, true));
    EXPECT_EQ(u.AIGetGeneralAbilityToHarmAsNumber(nullptr, kAmmoNone, false, true, true, kKnowTruth,
                                                  kKnowTruth, true),
              0.0f);
    u.AISetLocation(30.0f, 40.0f);
    EXPECT_EQ(u.mX, 30.0f);
    EXPECT_EQ(u.mY, 40.0f);
    EXPECT_TRUE(u.CanBeDamaged());
    u.mOffMapState = 3;
    EXPECT_FALSE(u.CanBeDamaged());
}
