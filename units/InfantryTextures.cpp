// The graphics an infantry unit's figures need, by resource number through
// the kernel: uniforms by date variant and snow, rank portraits, the heavy
// weapon's model textures and a marking. Without a kernel (headless) no
// graphic is made, but the figures still draw the small arms they carry, so
// that every machine makes the same random draws.

#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "engine/G3DBridge.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/RuleContext.h"
#include "units/WeaponSideViews.h"

namespace {

constexpr int32_t kSnowGraphic = 59000;
constexpr int32_t kUniformTexture = 9000;
constexpr int32_t kLateScheme = 100000;
constexpr int32_t kLateSnowScheme = 150000;
constexpr int32_t kSnowScheme = 50000;
constexpr int32_t kUniformSlots = 6;
constexpr int32_t kFirstUniformEntry = 1; // the figure drawing reads entries 1..6
constexpr int32_t kMaxPickEntries = 64;
constexpr int32_t kWeaponTextureSet = 2;

bool InSnow() {
    const int32_t g = gBattle ? gBattle->mGroundCondition : (gCampaign ? gCampaign->mGroundCondition : 0);
    return g >= 6 && g <= 8;
}

const UniformGraphics* UniformRecord(int32_t uniform) {
    for (int32_t i = 0; i < gUniformGraphics.Count(); ++i)
        if (gUniformGraphics[i].mUniform == uniform) return &gUniformGraphics[i];
    return nullptr;
}

// How many of the record's two variant dates have passed.
int32_t VariantOf(const UniformGraphics& u, int32_t date) {
    int32_t k = 0;
    while (k < 2 && u.mVariantDates[k] != 0 && u.mVariantDates[k] < date)
        ++k;
    return k;
}

GGraphic* TryGraphic(int32_t id) {
    return gKernel ? gKernel->MakeGraphicCanFail(kGraphicTexture, id) : nullptr;
}

GGraphic* Texture(int32_t id) {
    return gKernel ? gKernel->MakeTexture(id) : nullptr;
}

// Every picture of a small-arms record, into the map's table.
void MakeArmsTextures(SmallArmsType arms) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map || arms < 0 || arms >= gSmallArmsData.Count()) return;
    const SmallArmsData& d = gSmallArmsData[arms];
    for (int32_t t = 0; t < d.mNrTextures && t < kSmallArmsTextures; ++t)
        map->MakeSmallArmsTexture(d.mTextures[t]);
}

// Portraits and markings are pictures, not scenery: they are made at full
// light whatever the battle's time of day, and the light is put back after.
class FullLight {
public:
    FullLight() {
        Bridge3D::LightFactors(mSaved);
        const float full[3] = {1.0f, 1.0f, 1.0f};
        Bridge3D::SetLightFactors(full);
    }
    ~FullLight() { Bridge3D::SetLightFactors(mSaved); }
    FullLight(const FullLight&) = delete;
    FullLight& operator=(const FullLight&) = delete;

private:
    float mSaved[3] = {1.0f, 1.0f, 1.0f};
};

bool NoFigureArms(int32_t kind) {
    return kind == 5 || kind == 8 || kind == 9 || kind == 10 || kind == 11 || kind == 17;
}

} // namespace

void Infantry::MakeTextures(bool skipPortraits) {
    Unit::MakeTextures(skipPortraits);
    const InfantryData& r = Record();
    const int32_t date = ScenarioDate();
    const bool snow = InSnow();
    const bool late = r.mDataDate < 4307 && date > 4306;

    if (gKernel) {
        Uniform uniform = mUniform;
        if (uniform == 16 && gBattle && gBattle->mRegion == 1) uniform = 33;
        int32_t level = 0;
        const bool leader = IsLeader(&level);
        for (int32_t pass = 0; pass < 2; ++pass) {
            const int32_t wanted =
                pass == 0 ? uniform : gUniformGraphics[gForceTypeChart[mForce].mUniformRecord].mUniform;
            const UniformGraphics* u = UniformRecord(wanted);
            if (!u) continue;
            const int32_t k = VariantOf(*u, date);
            const int32_t row = pass == 1 ? 0 : (leader ? (level == 1 ? 2 : 3) : (r.mIsSquad ? 0 : 1));
            for (int32_t s = 0; s < kUniformSlots; ++s) {
                const int32_t n = u->mTextureNumbers[(row + 4 * k) * kUniformEntry + s];
                if (n < 0) continue;
                GGraphic* g = snow ? TryGraphic(n + kSnowGraphic) : nullptr;
                mTextureSets[pass][kFirstUniformEntry + s] = g ? g : Texture(n + kUniformTexture);
            }
            if (!skipPortraits) {
                const FullLight light;
                mRankPortraits[pass] = GetRankPortrait(wanted, k, pass == 0 ? Rank() : 1);
                if (r.mHeavyWeapon != kWeaponNone)
                    mWeaponPortraits[pass] = GetRankPortrait(wanted, k, pass == 0 ? Rank() : 1);
            }
        }
    }

    // The small arms each figure carries: a pick among the men of the teams
    // whose arms are of the figure's kind; their pictures go to the map's
    // table, the nation's standard rifle first.
    MakeArmsTextures(StandardRifle(GetNation()));
    for (int32_t group = 2; group <= 4; ++group) {
        for (int32_t f = GetSpecificNrFigures(group) - 1; f >= 0; --f) {
            int32_t kind = GetSpecificAnimationGroup(f, group);
            if (kind == 13) kind = 12;
            if (NoFigureArms(kind)) continue;
            if (kind == 6) {
                const ATRModelData& atr = gATRModelData[gWeaponData[r.mHeavyWeapon].mATRModel];
                for (int32_t t = 0; t < 2; ++t)
                    if (!mTextureSets[kWeaponTextureSet][t])
                        mTextureSets[kWeaponTextureSet][t] = Texture(atr.mTextures[t]);
                continue;
            }
            SmallArmsType entries[kMaxPickEntries];
            int32_t count = 0;
            for (int32_t t = 0; t < kInfantryTeams && t < r.mNrTeams; ++t) {
                SmallArmsType arms = r.mTeamSmallArms[t] == 0 ? SpecificPistol() : r.mTeamSmallArms[t];
                if (gSmallArmsData[arms].mWeaponKind != kind) continue;
                for (int32_t m = 0; m < r.mTeamMen[t] && count < kMaxPickEntries; ++m)
                    entries[count++] = arms;
            }
            if (count == 0) {
                if (kind == 0)
                    entries[count++] = StandardRifle(GetNation());
                else if (kind == 12)
                    entries[count++] = group == 4 ? SpecificPistol() : StandardRifle(GetNation());
                else
                    entries[count++] = r.mTeamSmallArms[0];
            }
            const SmallArmsType pick = entries[RandomPick(static_cast<uint32_t>(count))];
            if (group == 4 && f < kInfantryFigures) mFigureSmallArms[f] = pick;
            MakeArmsTextures(pick);
        }
    }

    if (!gKernel) return;
    if (r.mHeavyWeapon != kWeaponNone) {
        const WeaponData& w = gWeaponData[r.mHeavyWeapon];
        // The info panel's first knowledge picture: a side view of the heavy
        // weapon's model (the one the panel names from contact 4 on, where
        // the record it reads is the true one); none for a weapon without.
        const int32_t view = WeaponSideViewPicture(w.mClass, w.mOrdnanceModel);
        if (view > 0 && !mKnowledgePictures[0])
            mKnowledgePictures[0] = gKernel->MakeGraphicCanFail(kGraphic3DPicture, view);
        const int16_t* numbers = gOrdnanceModelData[w.mOrdnanceModel].mTextures;
        const int16_t plain[kOrdnanceTextures] = {3488, 3489};
        if (w.mOrdnanceModel == 42) numbers = plain;
        const bool drawn = w.mOrdnanceModel != 42 || w.mClass == kWClassMortar || r.mHeavyWeapon == 177;
        for (int32_t t = 0; drawn && t < kOrdnanceTextures; ++t) {
            const int32_t n = numbers[t];
            if (n <= 0) continue;
            GGraphic* g = nullptr;
            if (late) {
                if (snow) g = TryGraphic(n + kLateSnowScheme);
                if (!g) g = TryGraphic(n + kLateScheme);
            }
            if (!g && snow) g = TryGraphic(n + kSnowScheme);
            mTextureSets[kWeaponTextureSet][t] = g ? g : Texture(n);
        }
    }
    int32_t n = r.mHeavyWeapon != kWeaponNone
                    ? gWeaponData[r.mHeavyWeapon].mMarkingTexture
                    : (r.mNrTeams > 0 ? gSmallArmsData[r.mTeamSmallArms[0]].mMarkingTexture : 0);
    if (n == 0) return;
    const FullLight light;
    const bool observer = IsForwardObserver() && r.mVolleys != 4;
    const int32_t q = r.mVolleys;
    GGraphic* g = nullptr;
    if (GetNation() == kNationGerman && late) {
        if (observer && snow) g = TryGraphic(q + kLateSnowScheme + n);
        if (!g && observer) g = TryGraphic(q + kLateScheme + n);
        if (!g) g = TryGraphic(n + kLateSnowScheme);
        if (!g) g = TryGraphic(n + kLateScheme);
    }
    if (!g && observer && snow) g = TryGraphic(q + kSnowScheme + n);
    if (!g && observer) g = TryGraphic(q + n);
    if (!g) g = TryGraphic(n + kSnowScheme);
    if (!g) g = gKernel->MakeGraphic(kGraphicTexture, n);
    mMarkingTexture = g;
}
