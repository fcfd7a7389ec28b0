// The seven soldier figures. Each is the same sequence (body frame, torso,
// flame tank, head, arms, legs) over the compiled pieces of its level; the
// right limbs are the left ones drawn under a mirror.
#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/InfantryDraw.h"
#include "draw/UnitDraw.h"
#include "models/ModelTables.h"

#include <vector>

FigureStatics gFigureStatics;
int32_t gFaceTextureIndex = 0;
bool gAllowFaceSet = true;
void (*gCrewPoseHook)(Unit* dummy, int32_t pose, float look, bool lowered) = nullptr;
void (*gHandWeaponHook)(int32_t figure, bool needsClip, int32_t detail) = nullptr;
void (*gFlameTankHook)(int32_t figure, bool needsClip) = nullptr;

namespace {

using dm::models::ModelTable;

// The texture set a piece sees: entries 0..5 the figure slots, 6 the face;
// the right arm's pieces bind entry 4, which then holds slot 5.
struct PieceTextures {
    GGraphic* set[17] = {};
    PieceTextures(bool rightArm) {
        const FigureStatics& s = gFigureStatics;
        for (int32_t k = 0; k < 6; ++k)
            set[k] = s.slots[k];
        if (rightArm && s.slots[5]) set[4] = s.slots[5];
        set[6] = s.face;
    }
};

const ModelTable* Find(const char* name) {
    return ModelTableNamed(name);
}

void Piece(const char* name, bool needsClip, bool rightArm = false, bool dropSole = false) {
    const ModelTable* t = Find(name);
    if (!t) return;
    PieceTextures tex(rightArm);
    RunModelOps(*t, needsClip, tex.set, dropSole);
}

void TwoSided(const char* name, bool needsClip) {
    d3::SetCull(false);
    Piece(name, needsClip);
    d3::SetCull(true);
}

bool Best(FigureDetail d) {
    return d == kFigureBest;
}

// Headgear of the two richest figures by kind, each under its own frame.
void RichHeadgear(FigureDetail d, int32_t kind, bool needsClip) {
    const bool best = Best(d);
    d3::SetCull(false);
    d3::Push();
    switch (kind) {
    case 0:
        d3::Translate(0.9f, 0.5f, 132.7f);
        d3::RotateX(3.0f);
        d3::RotateY(11.0f);
        d3::Scale(1.13f, 0.76f, 0.88f);
        Piece("SoldierHeadgear0", needsClip);
        break;
    case 1:
        if (best) {
            d3::Translate(0.0f, 1.0f, 0.0f);
            d3::Scale(1.0f, 0.95f, 1.0f);
        }
        Piece(best ? "SoldierHeadgearBest1" : "SoldierHeadgearGood1", needsClip);
        break;
    case 2:
        if (best) {
            d3::Scale(0.9f, 1.0f, 1.015f);
            d3::Scale(1.01f, 1.01f, 1.01f);
            d3::Translate(0.0f, 1.2f, -1.4f);
        }
        Piece(best ? "SoldierHeadgearBest2" : "SoldierHeadgearGood2", needsClip);
        break;
    case 3:
    case 7:
    case 8:
        break; // bare-headed
    case 4:
        d3::Translate(0.0f, 1.37f, 133.4f);
        d3::Scale(1.0f, 1.01f, 1.0f);
        Piece("SoldierHeadgear4", needsClip);
        break;
    case 5:
        d3::Translate(0.0f, 3.5f, 133.4f);
        Piece("SoldierHeadgear5", needsClip);
        break;
    case 9:
        d3::Translate(0.0f, 0.0f, 133.4f);
        Piece("SoldierHeadgear9", needsClip);
        break;
    case 10:
        d3::Translate(0.0f, 2.0f, 0.0f);
        d3::Scale(0.93f, 1.0f, 1.0f);
        Piece("SoldierHeadgear10", needsClip);
        break;
    case 11:
        d3::Translate(1.5f, 6.5f, 101.0f);
        d3::RotateX(11.0f);
        d3::Scale(1.23f, 1.23f, 1.23f);
        Piece("SoldierHeadgear11", needsClip);
        break;
    case 16:
        d3::Translate(0.0f, -0.4f, -23.0f);
        d3::Scale(0.98f, 1.18f, 1.18f);
        [[fallthrough]];
    case 12:
        d3::Translate(1.5f, 7.1f, 98.5f);
        d3::RotateX(11.0f);
        d3::Scale(1.06f, 1.06f, 1.18f);
        Piece("SoldierHeadgear12", needsClip);
        break;
    case 13:
        if (best) {
            d3::Translate(0.0f, 67.1f, 34.2f);
            d3::Scale(1.02f, 1.02f, 0.88f);
            d3::RotateZ(180.0f);
            d3::RotateX(-31.0f);
        }
        Piece(best ? "SoldierHeadgearBest13" : "SoldierHeadgearGood13", needsClip);
        break;
    case 15:
        d3::Translate(0.0f, 0.0f, 135.5f);
        d3::Scale(7.0f, 7.0f, 7.0f);
        Piece("SoldierHeadgear15", needsClip);
        break;
    default:
        if (best) d3::Scale(0.92f, 1.0f, 1.0f);
        Piece(best ? "SoldierHeadgearBestOther" : "SoldierHeadgearGoodOther", needsClip);
        break;
    }
    d3::Pop();
    d3::SetCull(true);
}

const char* AverageHeadgear(int32_t kind) {
    switch (kind) {
    case 0:
    case 4:
    case 5:
    case 10:
        return "SoldierHeadgearAverageA";
    case 1:
    case 3:
        return "SoldierHeadgearAverageB";
    case 2:
        return "SoldierHeadgearAverageC";
    default:
        return "SoldierHeadgearAverageD";
    }
}

void Head(FigureDetail d, const FigurePose& p, bool needsClip) {
    const FigureStatics& s = gFigureStatics;
    if (d == kFigureDistantDot) {
        TwoSided("SoldierFaceDot", needsClip);
        return;
    }
    if (d >= kFigureSucky) { // one cap piece and the face in the body frame
        Piece("SoldierCapDot", needsClip);
        Piece("SoldierFaceDot", needsClip);
        return;
    }
    d3::Push();
    if (Best(d)) d3::Translate(0.0f, 0.0f, -1.5f);
    d3::RotateZ(p.headTurn);
    if (d == kFigureAverage) {
        Piece(AverageHeadgear(s.headgearKind), needsClip);
        Piece("SoldierFaceAverage", needsClip);
    } else {
        RichHeadgear(d, s.headgearKind, needsClip);
        if (Best(d)) {
            d3::Push();
            d3::Translate(0.0f, 6.0f, 129.0f);
            d3::Scale(1780.0f, 1870.0f, 1780.0f);
            d3::RotateX(90.0f);
            TwoSided("SoldierFaceBest", needsClip);
            d3::Pop();
        } else {
            Piece("SoldierFaceGood", needsClip);
        }
    }
    d3::Pop();
}

void Shoulder(FigureDetail d, bool right) {
    const bool surrendered = gFigureStatics.surrendered;
    if (d >= kFigureAverage) {
        d3::Translate(right ? -15.5f : -18.5f, 0.0f, 116.4f);
    } else if (d == kFigureGood) {
        d3::Translate(surrendered ? -13.5f : (right ? -15.5f : -18.5f), 0.0f, 113.4f);
    } else {
        d3::Translate(surrendered ? -13.5f : (right ? -15.5f : -16.7f), -1.1f, 110.4f);
    }
}

void ShoulderTurn(FigureDetail d, bool right, float z, float x, float y) {
    d3::RotateZ(z);
    d3::RotateX(x);
    d3::RotateY(y);
    if (Best(d)) d3::Translate(0.0f, right ? -0.4f : -1.2f, 3.0f);
}

void UpperArm(FigureDetail d, bool needsClip, bool right) {
    static const char* const kNames[] = {"SoldierUpperArmBest", "SoldierUpperArmGood",
                                         "SoldierUpperArmAverage", "SoldierUpperArmSucky"};
    Piece(kNames[d], needsClip, right);
}

void Forearm(FigureDetail d, bool needsClip, bool right) {
    static const char* const kNames[] = {"SoldierForearmBest", "SoldierForearmGood", "SoldierForearmAverage",
                                         "SoldierForearmSucky"};
    if (Best(d) && gFigureStatics.legwearKind == 17) {
        if (const ModelTable* t = Legwear17Forearm()) {
            PieceTextures tex(right);
            RunModelOps(*t, needsClip, tex.set, false);
        }
        return;
    }
    Piece(kNames[d], needsClip, right);
}

void Arms(FigureDetail d, const FigurePose& p, int32_t figure, bool needsClip) {
    d3::Texture(gFigureStatics.slots[4]);
    d3::Push();
    Shoulder(d, false);
    ShoulderTurn(d, false, p.leftShoulderZ, p.leftShoulderX, p.leftShoulderY);
    UpperArm(d, needsClip, false);
    d3::Push();
    d3::Translate(4.45f, 0.0f, -20.0f);
    d3::RotateX(p.leftElbow);
    Forearm(d, needsClip, false);
    d3::Pop();
    d3::Pop();

    if (gFigureStatics.slots[5] && gFigureStatics.slots[5] != gFigureStatics.slots[4])
        d3::Texture(gFigureStatics.slots[5]);
    d3::Push();
    d3::Reflect(true, false, false);
    d3::SetClockwiseFront(false);
    Shoulder(d, true);
    ShoulderTurn(d, true, p.rightShoulderZ, p.rightShoulderX, p.rightShoulderY);
    UpperArm(d, needsClip, true);
    d3::SetClockwiseFront(true);
    d3::Push();
    d3::Translate(4.45f, 0.0f, -20.0f);
    d3::RotateX(p.rightElbow);
    d3::Reflect(true, false, false);
    Forearm(d, needsClip, true);
    const int32_t weaponDetail = d <= kFigureGood ? 0 : (d == kFigureAverage ? 1 : 2);
    if (gHandWeaponHook) {
        gHandWeaponHook(figure, needsClip, weaponDetail);
    } else {
        d3::Pop();
        d3::Pop();
    }
}

void Hip(FigureDetail d) {
    if (d == kFigureGood)
        d3::Translate(-7.5f, -0.75f, 70.0f);
    else if (Best(d))
        d3::Translate(-7.5f, -1.5f, 70.0f);
    else
        d3::Translate(-7.5f, 0.0f, 70.0f);
}

void Knee(FigureDetail d, bool right) {
    if (d <= kFigureGood)
        d3::Translate(right ? 1.3f : -1.3f, 0.0f, -29.5f);
    else
        d3::Translate(0.0f, 0.0f, -29.5f);
}

void Thigh(FigureDetail d, bool needsClip) {
    const int32_t legwear = gFigureStatics.legwearKind;
    switch (d) {
    case kFigureBest:
        if (legwear == 17) {
            d3::Push();
            d3::Scale(1.0f, 1.0f, 0.8f);
            Piece("SoldierThighBest", needsClip);
            d3::Pop();
            d3::Push();
            d3::Translate(0.0f, 0.0f, -27.4f);
            d3::Scale(0.75f, 0.8f, 0.2f);
            Piece("SoldierThighBest", needsClip);
            d3::Pop();
        } else {
            Piece("SoldierThighBest", needsClip);
        }
        break;
    case kFigureGood:
        Piece("SoldierThighGood", needsClip);
        break;
    case kFigureAverage:
        Piece("SoldierThighAverage", needsClip);
        break;
    case kFigureSucky:
    case kFigureCircusFreak:
        Piece("SoldierThighCircus", needsClip);
        break;
    default:
        Piece("SoldierLegPondScum", needsClip);
        break;
    }
}

void Shin(FigureDetail d, bool needsClip) {
    const int32_t legwear = gFigureStatics.legwearKind;
    switch (d) {
    case kFigureBest:
        if (legwear == 17) {
            d3::Push();
            d3::Scale(0.6f, 0.75f, 1.0f);
            d3::Translate(1.5f, -0.83f, 0.0f);
            TwoSided("SoldierKneeBest", needsClip);
            d3::Pop();
            Piece("SoldierShinBestL17", needsClip);
        } else {
            TwoSided("SoldierKneeBest", needsClip);
            Piece(legwear == 20   ? "SoldierShinBestL20"
                  : legwear == 19 ? "SoldierShinBestL19"
                                  : "SoldierShinBest",
                  needsClip);
        }
        Piece(legwear == 19 ? "SoldierFootBestL19" : "SoldierFootBest", needsClip);
        break;
    case kFigureGood:
        Piece("SoldierKneeGood", needsClip);
        Piece(legwear == 20   ? "SoldierShinGoodL20"
              : legwear == 19 ? "SoldierShinGoodL19"
                              : "SoldierShinGood",
              needsClip);
        Piece("SoldierFootGood", needsClip);
        break;
    case kFigureAverage:
        // The sole is drawn only where the figure may be cut by the view.
        Piece(legwear == 19 ? "SoldierShinAverageL19" : "SoldierShinAverage", needsClip, false, !needsClip);
        break;
    default:
        Piece(legwear == 19 ? "SoldierShinCircusL19" : "SoldierShinCircus", needsClip);
        break;
    }
}

void Legs(FigureDetail d, const FigurePose& p, bool needsClip) {
    const FigureStatics& s = gFigureStatics;
    const bool knee = d != kFigurePondScum;
    for (int32_t side = 0; side < 2; ++side) {
        const bool right = side == 1;
        const float hipPitch = right ? p.rightHipPitch : p.leftHipPitch;
        const float hipRoll = right ? p.rightHipRoll : p.leftHipRoll;
        const float kneeAngle = right ? p.rightKnee : p.leftKnee;
        d3::Texture(s.slots[3]);
        d3::Push();
        if (right) {
            d3::Reflect(true, false, false);
            d3::SetClockwiseFront(false);
        }
        Hip(d);
        d3::RotateX(hipPitch);
        d3::RotateY(hipRoll);
        Thigh(d, needsClip);
        if (right) d3::SetClockwiseFront(true);
        d3::Push();
        if (knee) {
            Knee(d, right);
            d3::RotateX(kneeAngle);
            if (right) d3::Reflect(true, false, false);
            Shin(d, needsClip);
            if (s.onSkis && d <= kFigureSucky) {
                DrawSkis(-hipPitch - kneeAngle - p.bodyPitch);
                d3::Texture(s.slots[3]);
            }
        }
        d3::Pop();
        d3::Pop();
    }
}

void Torso(FigureDetail d, bool needsClip) {
    switch (d) {
    case kFigureBest:
        d3::Push();
        d3::Translate(0.0f, -1.0f, 62.5f);
        d3::Scale(1.08f, 1.0f, 1.0f);
        Piece("SoldierTorsoBestFront", needsClip);
        d3::RotateZ(180.0f);
        Piece("SoldierTorsoBestBack", needsClip);
        d3::Pop();
        break;
    case kFigureGood:
        Piece("SoldierTorsoGood", needsClip);
        break;
    case kFigureAverage:
    case kFigureSucky:
        Piece("SoldierTorsoSucky", needsClip);
        break;
    default:
        Piece("SoldierTorsoDot", needsClip);
        break;
    }
}

} // namespace

const ModelTable* Legwear17Forearm() {
    // Made once at its first use: the forearm strip's second vertex of each
    // pair drawn in (x and y by 0.67) and 2 lower, every other vertex and
    // the texture coordinates as the richest forearm's.
    static ModelTable table{};
    static std::vector<float> xyz;
    static const bool made = [] {
        const ModelTable* base = ModelTableNamed("SoldierForearmBest");
        if (!base || !base->xyz) return false;
        int32_t first = -1;
        for (int32_t k = 0; k < base->opCount && first < 0; ++k)
            if (base->ops[k].op == dm::models::Op::Strip) first = base->ops[k].first;
        if (first < 0 || first + kForearmStripVertices > base->vertexCount) return false;
        xyz.assign(base->xyz, base->xyz + 3 * static_cast<size_t>(base->vertexCount));
        for (int32_t v = first + 1; v < first + kForearmStripVertices; v += 2) {
            float* p = &xyz[3 * static_cast<size_t>(v)];
            p[0] *= 0.67f;
            p[1] *= 0.67f;
            p[2] -= 2.0f;
        }
        table = *base;
        table.xyz = xyz.data();
        return true;
    }();
    return made ? &table : nullptr;
}

FigureDetail FigureDetailFor(float factor) {
    if (factor > 0.0095f) return kFigureBest;
    if (factor > 0.0065f) return kFigureGood;
    if (factor > 0.0045f) return kFigureAverage;
    if (factor > 0.0033f) return kFigureSucky;
    if (factor > 0.0025f) return kFigureCircusFreak;
    if (factor > 0.002f) return kFigurePondScum;
    return kFigureDistantDot;
}

void DrawSkis(float pitch) {
    d3::SetCull(false);
    d3::Push();
    d3::RotateX(pitch);
    if (const ModelTable* t = Find("SoldierSkis")) RunModelOps(*t, false, nullptr, false);
    d3::Pop();
    d3::SetCull(true);
}

void DrawSoldier(FigureDetail d, const FigurePose& p, int32_t figure, bool needsClip) {
    if (d < kFigureBest || d >= kFigureDetailCount) d = kFigureDistantDot;
    const FigureStatics& s = gFigureStatics;
    d3::Push();
    d3::Translate(0.0f, p.bodyForward, p.bodyHeight);
    if (p.bodyPitch != 0.0f) {
        d3::Translate(0.0f, 0.0f, 75.0f);
        d3::RotateX(p.bodyPitch);
        d3::Translate(0.0f, 0.0f, -75.0f);
    }
    Torso(d, needsClip);
    if (d <= kFigureSucky && gFlameTankHook) gFlameTankHook(figure, needsClip);
    Head(d, p, needsClip);
    // A crewman in a hatch may show torso and head only, or no legs.
    if (!s.crewTorsoOnly) {
        if (d <= kFigureSucky) Arms(d, p, figure, needsClip);
        if (!s.crewNoLegs && d != kFigureDistantDot) Legs(d, p, needsClip);
    }
    d3::Pop();
}
