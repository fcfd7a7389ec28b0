#include "engine/GFuzzySet.h"

namespace {

// Shared body of both combine forms; Rule is any callable (a, b) -> label.
template <typename Rule> void Combine(const GFuzzySet& self, Rule rule, const GFuzzySet* a, GFuzzySet* out) {
    // Built aside because out may be a or the receiver itself.
    GFuzzySet result;
    for (int i = 0; i < a->mCount; ++i) {
        float ai = a->mMemberships[i];
        if (!(ai > 0.0f)) continue;
        for (int j = 0; j < self.mCount; ++j) {
            float tj = self.mMemberships[j];
            if (!(tj > 0.0f)) continue;
            float p = tj * ai;
            if (!(p > 0.0f)) continue;
            int8_t label = rule(a->mLabels[i], self.mLabels[j]);
            int k = 0;
            while (k < result.mCount && result.mLabels[k] != label)
                ++k;
            if (k < result.mCount)
                result.mMemberships[k] += p;
            else
                result.AddMember(label, p);
        }
    }
    out->mCount = result.mCount;
    for (int k = 0; k < result.mCount; ++k) {
        out->mLabels[k] = result.mLabels[k];
        out->mMemberships[k] = result.mMemberships[k];
    }
}

} // namespace

void GFuzzySet::CombineThroughFAM(GFuzzyRule rule, const GFuzzySet* a, GFuzzySet* out) const {
    if (rule == nullptr || a == nullptr || out == nullptr) return;
    Combine(*this, rule, a, out);
}

void GFuzzySet::CombineThroughFAM(const int8_t* table, int32_t width, const GFuzzySet* a,
                                  GFuzzySet* out) const {
    if (table == nullptr || a == nullptr || out == nullptr) return;
    Combine(
        *this, [table, width](int8_t la, int8_t lb) { return table[lb * width + la]; }, a, out);
}

float GFuzzySet::GetTotalMembership() const {
    float total = 0.0f;
    for (int i = 0; i < mCount; ++i)
        total += mMemberships[i];
    return total;
}

float GFuzzySet::Resolve() const {
    float total = GetTotalMembership();
    if (total == 0.0f) return 0.0f;
    float sum = 0.0f;
    for (int i = 0; i < mCount; ++i)
        sum += static_cast<float>(mLabels[i]) * mMemberships[i];
    return sum / total;
}

float GFuzzySet::ResolveWeighted(const float* weights) const {
    float total = GetTotalMembership();
    if (total == 0.0f || weights == nullptr) return 0.0f;
    float sum = 0.0f;
    for (int i = 0; i < mCount; ++i)
        sum += weights[mLabels[i]] * mMemberships[i];
    return sum / total;
}

bool GFuzzySet::AddMember(int8_t label, float membership) {
    if (mCount >= kMaxMembers) return false;
    mLabels[mCount] = label;
    mMemberships[mCount] = membership;
    ++mCount;
    return true;
}

void GFuzzySet::SetFull(int8_t label) {
    for (int i = 0; i < mCount; ++i) {
        if (mLabels[i] == label) {
            mMemberships[i] = 1.0f;
            return;
        }
    }
    AddMember(label, 1.0f);
}

bool GFuzzySet::AddTrapezoid(int8_t label, float x, float a, float b, float c, float d) {
    if (mCount >= kMaxMembers || !(a < x && x < d)) return false;
    float m;
    if (x <= b)
        m = (x - a) / (b - a);
    else if (x < c)
        m = 1.0f;
    else
        m = 1.0f - (x - c) / (d - c);
    return AddMember(label, m);
}

float GFuzzySet::GetMembershipOf(int8_t label) const {
    for (int i = 0; i < mCount; ++i)
        if (mLabels[i] == label) return mMemberships[i];
    return 0.0f;
}
