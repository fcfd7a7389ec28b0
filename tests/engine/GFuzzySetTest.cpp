#include <gtest/gtest.h>

#include "engine/GFuzzySet.h"

namespace {
int8_t SumRule(int8_t a, int8_t b) {
    return static_cast<int8_t>(a + b);
}
int8_t FirstRule(int8_t a, int8_t b) {
    return static_cast<int8_t>(a * 10 + b);
}
} // namespace

TEST(FuzzySet, CombineMultipliesSumsAndOrdersByArgumentFirst) {
    GFuzzySet x, a, out;
    x.AddMember(0, 0.5f);
    x.AddMember(1, 1.0f);
    a.AddMember(1, 0.4f);
    a.AddMember(2, 0.0f); // skipped: not above 0
    a.AddMember(0, 0.8f);
    out.AddMember(9, 1.0f); // replaced completely

    x.CombineThroughFAM(SumRule, &a, &out);
    // a's member 1 first: labels 1+0=1 (0.2), 1+1=2 (0.4); then a's 0: 0 (0.4), 1 (+0.8).
    ASSERT_EQ(out.GetCount(), 3);
    EXPECT_EQ(out.GetLabel(0), 1);
    EXPECT_FLOAT_EQ(out.GetMembership(0), 0.5f * 0.4f + 1.0f * 0.8f);
    EXPECT_EQ(out.GetLabel(1), 2);
    EXPECT_FLOAT_EQ(out.GetMembership(1), 0.4f);
    EXPECT_EQ(out.GetLabel(2), 0);
    EXPECT_FLOAT_EQ(out.GetMembership(2), 0.4f);

    // Memberships are summed without a cap.
    GFuzzySet sum;
    x.CombineThroughFAM([](int8_t, int8_t) -> int8_t { return 4; }, &x, &sum);
    ASSERT_EQ(sum.GetCount(), 1);
    EXPECT_FLOAT_EQ(sum.GetMembership(0), 0.25f + 0.5f + 0.5f + 1.0f);
}

TEST(FuzzySet, CombineIntoItsOwnArgumentAndThroughATable) {
    // rule(a, b) = T[b * W + a]: rows from the receiver, columns from the argument.
    const int8_t table[] = {0, 1, 2,  //
                            3, 4, 5}; // W = 3
    GFuzzySet x, a;
    x.AddMember(1, 1.0f);
    a.AddMember(2, 0.5f);
    a.AddMember(0, 1.0f);
    x.CombineThroughFAM(table, 3, &a, &a);
    ASSERT_EQ(a.GetCount(), 2);
    EXPECT_EQ(a.GetLabel(0), 5);
    EXPECT_FLOAT_EQ(a.GetMembership(0), 0.5f);
    EXPECT_EQ(a.GetLabel(1), 3);
    EXPECT_FLOAT_EQ(a.GetMembership(1), 1.0f);
}

TEST(FuzzySet, CombineDropsNewLabelsBeyondEleven) {
    GFuzzySet x, a, out;
    for (int8_t i = 0; i < 4; ++i)
        x.AddMember(i, 1.0f);
    for (int8_t i = 0; i < 4; ++i)
        a.AddMember(i, 1.0f);
    x.CombineThroughFAM(FirstRule, &a, &out); // 16 distinct labels
    ASSERT_EQ(out.GetCount(), GFuzzySet::kMaxMembers);
    EXPECT_EQ(out.GetLabel(10), 22);
}

TEST(FuzzySet, ResolveAndTotals) {
    GFuzzySet s;
    EXPECT_FLOAT_EQ(s.GetTotalMembership(), 0.0f);
    EXPECT_FLOAT_EQ(s.Resolve(), 0.0f); // empty set: 0 instead of a division by zero
    const float weights[] = {10.0f, 20.0f, 30.0f};
    EXPECT_FLOAT_EQ(s.ResolveWeighted(weights), 0.0f);

    s.AddMember(0, 0.5f);
    s.AddMember(2, 1.5f);
    EXPECT_FLOAT_EQ(s.GetTotalMembership(), 2.0f);
    EXPECT_FLOAT_EQ(s.Resolve(), (0 * 0.5f + 2 * 1.5f) / 2.0f);
    EXPECT_FLOAT_EQ(s.ResolveWeighted(weights), (10.0f * 0.5f + 30.0f * 1.5f) / 2.0f);
}

TEST(FuzzySet, AddAndSetFullRespectTheElevenMemberLimit) {
    GFuzzySet s;
    s.AddMember(3, 0.25f);
    s.SetFull(3);
    EXPECT_EQ(s.GetCount(), 1);
    EXPECT_FLOAT_EQ(s.GetMembership(0), 1.0f);
    for (int8_t i = 4; i < 14; ++i)
        EXPECT_TRUE(s.AddMember(i, 0.5f));
    EXPECT_FALSE(s.AddMember(20, 0.5f));
    s.SetFull(21);
    EXPECT_EQ(s.GetCount(), GFuzzySet::kMaxMembers);
    EXPECT_FLOAT_EQ(s.GetMembershipOf(21), 0.0f);
}

TEST(FuzzySet, TrapezoidTermsAreStrictAtTheOuterCorners) {
    GFuzzySet s;
    EXPECT_FALSE(s.AddTrapezoid(0, 0.0f, 0.0f, 2.0f, 4.0f, 6.0f)); // x == a
    EXPECT_FALSE(s.AddTrapezoid(0, 6.0f, 0.0f, 2.0f, 4.0f, 6.0f)); // x == d
    EXPECT_TRUE(s.AddTrapezoid(0, 1.0f, 0.0f, 2.0f, 4.0f, 6.0f));
    EXPECT_TRUE(s.AddTrapezoid(1, 3.0f, 0.0f, 2.0f, 4.0f, 6.0f));
    EXPECT_TRUE(s.AddTrapezoid(2, 5.5f, 0.0f, 2.0f, 4.0f, 6.0f));
    EXPECT_FLOAT_EQ(s.GetMembership(0), 0.5f);
    EXPECT_FLOAT_EQ(s.GetMembership(1), 1.0f);
    EXPECT_FLOAT_EQ(s.GetMembership(2), 0.25f);

    GFuzzySet shoulders;
    EXPECT_TRUE(shoulders.AddTrapezoid(0, -50.0f, GFuzzySet::kFarLow, GFuzzySet::kNearLow, 0.0f, 10.0f));
    EXPECT_TRUE(shoulders.AddTrapezoid(1, 50.0f, 0.0f, 10.0f, GFuzzySet::kNearHigh, GFuzzySet::kFarHigh));
    EXPECT_FLOAT_EQ(shoulders.GetMembership(0), 1.0f);
    EXPECT_FLOAT_EQ(shoulders.GetMembership(1), 1.0f);
}
