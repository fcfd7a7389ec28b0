#pragma once
// A discrete fuzzy set of at most 11 members, each a signed 8-bit label with
// a float membership; the computer opponent reasons with these. Only the
// first mCount entries of the arrays mean anything. Each label appears at
// most once.

#include <cstdint>

#include "engine/GObject.h"

// Output label for a label a of the argument set and b of the receiver.
using GFuzzyRule = int8_t (*)(int8_t a, int8_t b);

class GFuzzySet : public GObject {
public:
    static constexpr int kMaxMembers = 11;
    // Open ends of shoulder terms.
    static constexpr float kFarLow = -3.4e38f;
    static constexpr float kNearLow = -3.366e38f;
    static constexpr float kNearHigh = 3.366e38f;
    static constexpr float kFarHigh = 3.4e38f;

    GFuzzySet() = default;

    // For every member of a (membership above 0) and within that every
    // member of this set (above 0), adds this.m * a.m to label
    // rule(a.label, this.label) of the result; new labels beyond 11 are
    // dropped. The result then replaces out, which may be a or this.
    void CombineThroughFAM(GFuzzyRule rule, const GFuzzySet* a, GFuzzySet* out) const;
    // The same with a byte table of the given width: rule(a, b) = table[b * width + a].
    void CombineThroughFAM(const int8_t* table, int32_t width, const GFuzzySet* a, GFuzzySet* out) const;

    float GetTotalMembership() const;
    // Centroid sum(label * m) / total; 0 when the total is 0.
    float Resolve() const;
    // sum(weights[label] * m) / total; 0 when the total is exactly 0.
    float ResolveWeighted(const float* weights) const;

    // Appends (label, membership) while the set holds fewer than 11 members.
    bool AddMember(int8_t label, float membership);
    // An existing label becomes 1.0; otherwise (label, 1.0) is appended
    // while there is room.
    void SetFull(int8_t label);
    // Trapezoid term (a, b, c, d) at input x: appended only when a < x < d
    // and there is room; (x-a)/(b-a) up to b, 1 between b and c,
    // 1-(x-c)/(d-c) from c on.
    bool AddTrapezoid(int8_t label, float x, float a, float b, float c, float d);
    void Clear() { mCount = 0; }

    int32_t GetCount() const { return mCount; }
    int8_t GetLabel(int32_t i) const { return mLabels[i]; }
    float GetMembership(int32_t i) const { return mMemberships[i]; }
    // Membership of label, 0 when absent.
    float GetMembershipOf(int8_t label) const;

    int8_t mCount = 0;
    int8_t mLabels[kMaxMembers] = {};
    float mMemberships[kMaxMembers] = {};
};
