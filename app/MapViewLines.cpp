// The line of the current interaction from the selected unit (or the drag
// origin) to the pointer, with its texts: the sight line and the target
// pick, the set-up, move and arc lines; and the small map services of the
// orders flow (the forward observer's saved target, the set-up zone).
#include "app/MapViewLines.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/InfoPanelDraw.h"
#include "app/MapView.h"
#include "battle/Battle.h"
#include "engine/GString.h"
#include "map/BuildingWallCrater.h"
#include "map/Map.h"
#include "renderer/GGraph3D.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

constexpr int32_t kRowFOTargetPoint = 3;
constexpr int32_t kRowFlag = 6;
constexpr int32_t kRowCannotFace = 13;
constexpr int32_t kRowBeyondBlock = 14;
constexpr int32_t kRowValid = 15;
constexpr int32_t kRowInvalid = 16;
constexpr int32_t kRowRotate = 17;
constexpr int32_t kRowArcSeen = 18;
constexpr int32_t kRowFOAdjust = 20;
constexpr int32_t kRowFOOther = 21;
constexpr int32_t kRowToBlock = 22;

Unit* Selected() {
    return gBattle ? gBattle->mSelectedUnit : nullptr;
}

void Copy(const GString& text, LineLabel* label) {
    const size_t n = std::min<size_t>(text.GetLength(), sizeof(label->text) - 1);
    std::memcpy(label->text, text.GetCString(), n);
    label->text[n] = 0;
}

void AddLine(SightLineTexts* out, int32_t dy, const GString& text) {
    if (out->count >= 8) return;
    LineLabel& l = out->lines[out->count++];
    l.dy = dy;
    Copy(text, &l);
}

// The terrain text at a point as the player may know it: hidden enemy
// foxholes stay out of it.
void PlayerTerrainString(Unit* s, GString* text, float x, float y) {
    gPlayerView = true;
    s->GetTerrainString(text, x, y, false, nullptr);
    gPlayerView = false;
}

bool IsFixedVehicle(Unit* u) {
    return u->mUnitType == kUnitVehicle && static_cast<Vehicle*>(u)->IsFixed();
}

// The target's status line and the lines it brings with it.
void TargetStatus(Map* map, const SightQuery& q, SightLineTexts* out, GString* status) {
    Unit* S = q.selected;
    Unit* T = q.target;
    status->IStringText("");
    if (q.visibility <= 0.0f) {
        status->IStringRez(1581);
        return;
    }
    if (q.pick && q.smoke) {
        status->IStringRez(1582);
        return;
    }
    if (!(T->mContactLevel > 1 && T->IsSpottedNow())) return;
    GString255 scratch;
    out->hullDown = HullDownText(S, T, q.x, q.y, &scratch);
    const int32_t shift = T->mImmobile ? 13 : 0;
    if (T->mUnitType == kUnitVehicle) {
        const AmmoClass ammo = S->HasAntiArmorWeapon(false) ? S->ChooseAmmo(T, false) : kAmmoNone;
        if (ammo != kAmmoNone) {
            auto* tv = static_cast<Vehicle*>(T);
            // The hit chance is asked against T as S's target; S's own
            // target is put back after.
            Unit* kept = S->mTarget;
            S->mTarget = T;
            if (T->mActive) {
                GString255 damage;
                S->GetRoughAbilityToDamage(&damage, ammo, tv);
                AddLine(out, 39 + shift, damage);
                if (tv->HullDownTo(S)) {
                    damage.IStringRez(1583);
                    AddLine(out, 52 + shift, damage);
                }
            }
            const float chance = S->GetHitChance(ammo, 0, tv, 0, 0);
            S->mTarget = kept;
            status->IStringRez(1584);
            status->ConcatNum(static_cast<int32_t>(100.0f * chance));
            status->AddChar('%');
        }
    } else if (T->mUnitType == kUnitInfantry && !T->IsPassenger(false)) {
        GString255 line;
        line.IStringRez(1585);
        T->GetTerrainStringOcc(&line, nullptr);
        AddLine(out, T->mImmobile ? 65 : 39, line);
        if (S->mUnitType == kUnitInfantry && !S->HasHeavyWeapon(kKnowTruth)) {
            line.IStringRez(1586);
            line.ConcatNum(static_cast<int32_t>(S->SmallArmsFirepower(q.distance, nullptr, true, true)));
            AddLine(out, 52, line);
        }
        const float exposure = T->GetTEMFromLocation(S->mX, S->mY, S->GetZ(), false, false, false,
                                                     T->GetWeaponClass(), false, nullptr);
        status->IStringRez(1587);
        status->ConcatNum(static_cast<int32_t>(100.0f * exposure));
        status->AddChar('%');
    }
    const WeaponClass wc = S->GetWeaponClass();
    // "(erfasst)": the target stands at one of the selected unit's own
    // registered target points.
    if ((wc == 2 || wc == 3 || wc == 4) && !S->mIsMoving && map &&
        map->NearBoreSight(T->mX, T->mY, S->GetAffiliation() == kAllies)) {
        if (status->GetLength() > 0) status->InsertSpace(2);
        status->ConcatRez(1597);
    }
}

void PointStatus(const SightQuery& q, SightLineTexts* out, GString* status) {
    Unit* S = q.selected;
    status->IStringText("");
    if (!(q.visibility <= 0.0f || q.pick)) return;
    const bool seen = q.visibility > 0.0f || (q.pick && S->CanSeeLocationForAreaFire(q.x, q.y));
    if (out->foReset || out->foNearTRP || out->foAdjust) {
        status->IStringRez(out->foReset ? 1593 : (out->foNearTRP ? 1594 : 1589));
        if (q.smoke) {
            status->InsertSpace(2);
            status->ConcatRez(1582);
        }
    } else if (!seen) {
        status->IStringRez(1581);
    } else {
        status->IStringRez(q.smoke ? 1582 : 1590);
    }
    if (q.pick && S->TargetShouldBeLocked()) {
        status->AddChar(' ');
        status->ConcatRez(1596);
    }
}

} // namespace

const LineLabel* SightLineTexts::Find(int32_t dy) const {
    for (int32_t i = 0; i < count; ++i)
        if (lines[i].dy == dy) return &lines[i];
    return nullptr;
}

bool IsObserver(Unit* u) {
    if (!u || u->mUnitType != kUnitInfantry) return false;
    const WeaponType w = gInfantryData[u->mSubtype].mHeavyWeapon;
    return w != kWeaponNone && gWeaponData.Has(w) && gWeaponData[w].mClass == 5;
}

bool HullDownText(Unit* s, Unit* t, float x, float y, GString* text) {
    if (!s || s->mUnitType != kUnitVehicle) return false;
    auto* v = static_cast<Vehicle*>(s);
    const bool bow = v->NrBowMGsReady() > 0;
    if (!bow && !v->IsArmoredVehicle(kKnowIdentified, false)) return false;
    bool shown = false;
    if (t)
        shown =
            t->mActive && (bow || t->HasAntiArmorWeapon(false) || t->mContactLevel <= 2) && v->HullDownTo(t);
    else
        shown = v->HullDownToLocation(x, y);
    if (!shown) return false;
    text->IStringRez(1583);
    if (bow) text->ConcatRez(GetMGAmmoType(v->Data().mBowMG) == 2 ? 1595 : 1591);
    return true;
}

void BuildSightLineTexts(Map* map, const SightQuery& q, SightLineTexts* out) {
    *out = SightLineTexts{};
    Unit* S = q.selected;
    Unit* T = q.target;
    if (!S) return;
    const bool seen = q.visibility > 0.0f;
    // The line.
    if (seen && q.pick && IsObserver(S)) {
        bool reset = false;
        out->foAdjust = S->WithinFOAdjustment(q.x, q.y, &reset);
        if (reset) {
            out->foReset = true;
            out->foAdjust = false;
            out->row = kRowValid;
        } else if (map && map->NearBoreSight(q.x, q.y, S->GetAffiliation() == kAllies)) {
            out->foNearTRP = true;
            out->foAdjust = false;
            out->row = kRowFOTargetPoint;
        } else {
            out->row = out->foAdjust ? kRowFOAdjust : kRowFOOther;
        }
    } else if (seen) {
        out->row = S->AbleToFaceLocation(q.x, q.y) ? -1 : kRowCannotFace;
    } else {
        out->row = kRowBeyondBlock;
    }

    const bool outOfRange = q.pick && !S->InRange(q.distance, false, 1.0f);
    out->b = outOfRange ? 0 : (q.pick ? 255 : 220);
    GString255 text;
    if (outOfRange) {
        text.IStringRez(1580);
    } else {
        text.IStringNum(static_cast<int32_t>(q.distance + 0.5f));
        text.AddChar('m');
    }
    AddLine(out, 0, text);

    GString255 status;
    if (T) {
        text.IStringText("");
        if (T->mUnitType != kUnitInanimate) {
            if (!T->mActive && !T->ShowsSpotMarker())
                text.IStringRez(T->Abandoned() ? 1131 : (T->UseKnockedOutPhrase() ? 1469 : 1130));
            else
                text.IStringRez(T->mSide == S->mSide ? 137 : 138);
            text.AddChar(' ');
        }
        T->ConcatName(&text, false);
        AddLine(out, 13, text);
        if (seen && T->mSide == S->mSide) return;
        TargetStatus(map, q, out, &status);
        if (status.GetLength() > 0) AddLine(out, 26, status);
        if (T->mActive && T->mImmobile && T->mContactLevel >= 4 && !IsFixedVehicle(T)) {
            text.IStringRez(1588);
            AddLine(out, 39, text);
        }
        return;
    }
    text.IStringText("");
    PlayerTerrainString(S, &text, q.x, q.y);
    AddLine(out, 13, text);
    if (q.pick && S->mUnitType == kUnitInfantry && static_cast<Infantry*>(S)->mExplosives > 0 &&
        std::hypot(q.x - S->mX, q.y - S->mY) <= 30.0f) {
        text.IStringRez(1592);
        AddLine(out, 39, text);
    }
    if (seen) out->hullDown = HullDownText(S, nullptr, q.x, q.y, &text);
    PointStatus(q, out, &status);
    if (status.GetLength() > 0) AddLine(out, 26, status);
}

void MovePromptText(Map* map, Unit* s, int32_t state, bool newMove, bool ok, GString* text) {
    text->IStringText("");
    const int32_t order = map->mCurrentOrder;
    if (state == 3) {
        text->IStringRez(1804);
    } else if (order == 29 && gBattle && gBattle->mSelectedIndex < 0) {
        text->IStringRez(1805);
    } else if (order == 33 && newMove) {
        if (!ok) {
            text->IStringRez(1806);
        } else {
            text->IStringNum(s->SewerMoveMinutes(std::hypot(map->mPickX - s->mX, map->mPickY - s->mY)));
            text->ConcatRez(1807);
        }
    } else if (newMove && s->mUnitType == kUnitInfantry && static_cast<Infantry*>(s)->mOnSkis) {
        const MovementSpeedType pace = ConvertOrderToSpeed(order);
        const MovementSpeedType current = static_cast<Infantry*>(s)->mMoveSpeed;
        if (!gMovementSpeedChart[pace].mSkisAllowed && gMovementSpeedChart[current].mSkisAllowed)
            text->IStringRez(1808);
    }
}

void ArcPromptText(bool second, GString* text) {
    if (second) {
        text->IStringRez(1802);
        return;
    }
    text->IStringRez(1800);
    text->AddChar(static_cast<char>(0xB0));
    text->ConcatRez(1801);
}

// ------------------------------------------------------------ drawing

namespace {

bool ToScreen(float x, float y, float z, int32_t* sx, int32_t* sy) {
    bool onScreen = false;
    if (g3D) onScreen = g3D->WorldToScreen(&x, &y, z, false);
    *sx = static_cast<int32_t>(x);
    *sy = static_cast<int32_t>(y);
    return onScreen;
}

void Label(Map* map, GString* text, int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b) {
    InfoShadow(map->mView, text, x, y, 0, kFontNormal, r, g, b, true);
}

} // namespace

void Map::DrawLOS() {
    DrawSightLine(false);
}

void Map::DrawPickTargetLine() {
    DrawSightLine(true);
}

void Map::DrawSightLine(bool pick) {
    Unit* S = Selected();
    if (!S) return;
    Unit* T = mTrackedUnit;
    const float ex = S->mX, ey = S->mY, ez = S->GetZ() + S->LOSBoost();
    float tx = mPickX, ty = mPickY, tz = mPickZ;
    if (T) {
        T->GetApparentLocation(&tx, &ty, &tz);
        tz += T->LOSBoost();
    }
    float v = 0.0f, d = 0.0f, bx = 0.0f, by = 0.0f, bz = 0.0f;
    if (!CheckLOS(false, true, false, ex, ey, ez, tx, ty, tz, &v, &d, &bx, &by, &bz)) return;
    SightQuery q;
    q.selected = S;
    q.target = T;
    q.pick = pick;
    q.smoke = mSmokeTarget;
    q.visibility = v;
    q.distance = d;
    q.x = mPickX;
    q.y = mPickY;
    SightLineTexts texts;
    BuildSightLineTexts(this, q, &texts);

    if (v > 0.0f) {
        if (texts.row >= 0) {
            SetConformingLineTexture(texts.row);
            DrawConforming3DLine(true, true, mDragOriginX, mDragOriginY, mDragOriginZ, tx, ty, tz);
        } else {
            if (g3D) g3D->Color(0.0f, v, v);
            DrawConforming3DLine(false, true, mDragOriginX, mDragOriginY, mDragOriginZ, tx, ty, tz);
        }
    } else {
        SetConformingLineTexture(kRowBeyondBlock);
        DrawConforming3DLine(true, true, bx, by, bz, tx, ty, tz);
        SetConformingLineTexture(kRowToBlock);
        DrawConforming3DLine(true, true, mDragOriginX, mDragOriginY, mDragOriginZ, bx, by, bz);
    }

    int32_t ax = 0, ay = 0;
    ToScreen(tx, ty, tz, &ax, &ay);
    ax += mPointerX < ax ? 40 : -40;
    ay += 4;
    GString255 text;
    for (int32_t i = 0; i < texts.count; ++i) {
        text.IStringText(texts.lines[i].text);
        Label(this, &text, ax, ay + texts.lines[i].dy, texts.r, texts.g, texts.b);
    }
    if (texts.hullDown) MaybeShowHullDown(texts.r, texts.g, texts.b);
}

void Map::MaybeShowHullDown(unsigned char r, unsigned char g, unsigned char b) {
    Unit* S = Selected();
    if (!S) return;
    GString255 text;
    if (!HullDownText(S, mTrackedUnit, mPickX, mPickY, &text)) return;
    int32_t sx = 0, sy = 0;
    if (!ToScreen(S->mX, S->mY, S->GetZ(), &sx, &sy)) return;
    Label(this, &text, sx, sy, r, g, b);
}

void Map::DrawSetupLine(bool placing, bool loading) {
    Unit* S = Selected();
    if (!S) return;
    Unit* T = mTrackedUnit;
    float x = mPickX, y = mPickY, z = GetZCoord(mPickX, mPickY);
    int32_t row = kRowRotate;
    if (placing) {
        Vehicle* carrier = nullptr;
        if (T) {
            x = T->mX;
            y = T->mY;
            z = T->GetZ();
            if (T->mUnitType == kUnitVehicle) carrier = static_cast<Vehicle*>(T);
        }
        const bool valid = (!loading && S->CanSetupAt(x, y, carrier)) ||
                           (loading && carrier && S->InSetupZone(carrier->mX, carrier->mY));
        row = valid ? kRowValid : kRowInvalid;
    } else if (MapViewState() == 12) {
        row = kRowFlag;
    }
    SetConformingLineTexture(row);
    DrawConforming3DLine(true, false, mDragOriginX, mDragOriginY, mDragOriginZ, x, y, z);
    GString255 text;
    if (placing && T)
        text.IStringRez(1306);
    else if (placing && loading)
        text.IStringRez(2010);
    else if (placing)
        PlayerTerrainString(S, &text, mPickX, mPickY);
    else
        text.IStringRez(MapViewState() == 12 ? 1307 : 1308);
    int32_t sx = 0, sy = 0;
    ToScreen(x, y, z, &sx, &sy);
    Label(this, &text, sx, sy - 8, 255, 255, 255);
}

void Map::DrawDragAndMoveLines(bool newMove) {
    Unit* S = Selected();
    if (!S) return;
    const float groundZ = GetZCoord(mPickX, mPickY);
    bool ok = true;
    if (newMove) ok = S->DrawNewMoveLine(mPickX, mPickY, groundZ, mCurrentOrder);
    Unit* T = mTrackedUnit;
    float x = mPickX, y = mPickY, z = groundZ;
    GString255 text;
    if (T) {
        T->GetApparentLocation(&x, &y, &z);
        text.IStringRez(T->mSide == S->mSide ? 1306 : 1327);
    } else {
        PlayerTerrainString(S, &text, mPickX, mPickY);
    }
    int32_t sx = 0, sy = 0;
    if (!ToScreen(x, y, z, &sx, &sy)) return;
    Label(this, &text, sx, sy - 8, 130, 255, 255);
    MovePromptText(this, S, MapViewState(), newMove, ok, &text);
    if (text.GetLength() > 0) Label(this, &text, sx, sy - 21, 130, 255, 255);
}

void Map::DrawArcChoiceLine(bool second) {
    Unit* S = Selected();
    if (!S) return;
    const bool seen = S->CanSeeLocation(mPickX, mPickY);
    const float z = GetZCoord(mPickX, mPickY);
    if (!second) {
        SetConformingLineTexture(seen ? kRowArcSeen : kRowToBlock);
        DrawConforming3DLine(true, false, S->mX, S->mY, S->GetZ(), mPickX, mPickY, z);
    }
    int32_t sx = 0, sy = 0;
    if (!ToScreen(mPickX, mPickY, z, &sx, &sy)) return;
    GString255 text;
    if (!seen) {
        text.IStringRez(1581);
        Label(this, &text, sx, sy - 38, 255, 255, 255);
    }
    text.IStringNum(static_cast<int32_t>(S->DistanceToLocation(mPickX, mPickY)));
    text.AddChar('m');
    Label(this, &text, sx, sy - 23, 255, 255, 255);
    ArcPromptText(second, &text);
    Label(this, &text, sx, sy - 8, 255, 150, 150);
}

void Map::ResetFOTarget() {
    Unit* S = Selected();
    if (!IsObserver(S)) return;
    // The observer's kept fire data: a re-target onto the kept point restores
    // its aim time and error (ResetAimClock), then its mission flags.
    auto* fo = static_cast<Infantry*>(S);
    if (fo->mFOTargetX != kFOUnset && fo->mFOTargetY != kFOUnset) {
        S->ReceiveTargetOrders(nullptr, fo->mFOTargetX, fo->mFOTargetY, S->mTargetLocked, 0);
        S->mMissionLive = fo->mSavedMissionLive;
        S->mRoundPattern = fo->mSavedRoundPattern;
    }
    mSmokeTarget = false;
    if (gBattle) gBattle->RefreshInfoPanel();
}

void Map::MapShadowString(GString* text, int32_t x, int32_t y, int32_t justify, int32_t font, unsigned char r,
                          unsigned char g, unsigned char b, unsigned char sr, unsigned char sg,
                          unsigned char sb) {
    if (mView)
        mView->ShadowString(text, x, y, justify, static_cast<GOLTAFont>(font), r, g, b, sr, sg, sb, true);
}

int32_t Map::GetSetupZone(Unit* unit) const {
    if (!unit) return 0;
    const int32_t column = static_cast<int32_t>(unit->mX * 0.05f);
    const int32_t row = static_cast<int32_t>(unit->mY * 0.05f);
    if (row < 0 || row >= mHeight) return 0;
    const int64_t index = static_cast<int64_t>(column) * mHeight + row;
    if (index < 0 || index >= static_cast<int64_t>(mSquares.size())) return 0;
    return mSquares[static_cast<size_t>(index)].mSetupZone;
}

void DrawInteractionLine(Map* map, int32_t state) {
    if (!map) return;
    switch (state) {
    case 1:
        map->DrawLOS();
        break;
    case 2:
    case 3:
        map->DrawDragAndMoveLines(true);
        break;
    case 4:
        map->DrawPickTargetLine();
        break;
    case 5:
        map->DrawArcChoiceLine(false);
        break;
    case 6:
        map->DrawArcChoiceLine(true);
        break;
    case 7:
        map->DrawDragAndMoveLines(false);
        break;
    case 9:
        map->DrawSetupLine(true, false);
        break;
    case 10:
    case 12:
        map->DrawSetupLine(false, false);
        break;
    case 11:
        map->DrawSetupLine(true, true);
        break;
    default:
        break;
    }
}
