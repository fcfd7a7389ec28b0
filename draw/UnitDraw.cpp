// A unit's place in the frame: culling, the enlargement of distant units, the
// frame at the unit, its picking, base, shadow, labels and selection frame;
// the muzzle flash and recoil that the models call.
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/DrawSettings.h"
#include "draw/InfantryDraw.h"
#include "draw/DrawTables.h"
#include "draw/UnitDraw.h"
#include "engine/GOLTA.h"
#include "engine/LongRect.h"
#include "map/Map.h"
#include "models/ModelTables.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

Unit* gPickedUnit = nullptr;

namespace {
// The unit bases: flat discs of about kBasePixels on the screen from
// camera level kBaseFromLevel up, own units blue, the others red, the
// selected unit's lighter.
constexpr int32_t kBaseFromLevel = 3;
constexpr float kBasePixels = 10.0f;
constexpr int32_t kBaseRim = 12; // triangles of the disc
constexpr float kShotClock = 2.5f;        // seconds on the firing clock at a shot
constexpr float kSlicesPerSecond = 40.0f; // 2400 slices a minute's turn
// The muzzle at a 75 mm shot: a flash kFlashMetres across for kFlashTime and a blast cloud of
// kBlastMetres for kBlastTime, sizes and times by the square root of the bore (MuzzleSize).
constexpr float kFlashMetres = 2.0f, kFlashTime = 0.25f;
constexpr float kBlastMetres = 3.0f, kBlastTime = 1.0f;

// The last shot of every firer up to the slice being shown, found once per
// slice from the battle's packets.
struct ShotIndex {
    const Battle* battle = nullptr;
    int32_t turn = -1, slice = -1, packets = -1;
    std::unordered_map<const Unit*, int32_t> last;
};

const ShotIndex& Shots() {
    static ShotIndex index;
    const int32_t turn = gBattle ? gBattle->mTurn : -1;
    const int32_t slice = gBattle ? gBattle->PlaybackTimeSlice() : -1;
    const int32_t packets = gBattle ? gBattle->mPackets.GetCount() : -1;
    if (index.battle == gBattle && index.turn == turn && index.slice == slice && index.packets == packets)
        return index;
    index.battle = gBattle, index.turn = turn, index.slice = slice, index.packets = packets;
    index.last.clear();
    for (int32_t i = 0; i < packets; ++i) {
        const auto* p = static_cast<const ActionPacket*>(gBattle->mPackets.GetObjectA(i));
        if (!p || p->mType != kPacketShell || !p->mFirer || p->mTimeSlice > slice) continue;
        auto it = index.last.find(p->mFirer);
        if (it == index.last.end())
            index.last.emplace(p->mFirer, p->mTimeSlice);
        else if (p->mTimeSlice > it->second)
            it->second = p->mTimeSlice;
    }
    return index;
}

// The unit's main gun: a vehicle's main weapon, a squad's heavy weapon.
WeaponType MainWeapon(const Unit* u) {
    if (u->mUnitType == kUnitVehicle) return static_cast<const Vehicle*>(u)->Data().mMainWeapon;
    if (u->mUnitType == kUnitInfantry) return static_cast<const Infantry*>(u)->Record().mHeavyWeapon;
    return kWeaponNone;
}

float CalibreOf(WeaponType w) {
    if (w < 0 || w >= gWeaponData.Count()) return 0.0f;
    const float c = gWeaponData[w].mCalibre;
    return std::isfinite(c) && c > 0.0f ? c : 0.0f;
}
} // namespace

float UnitShotAge(const Unit* u) {
    if (!u || !gBattle) return 0.0f;
    const ShotIndex& shots = Shots();
    auto it = shots.last.find(u);
    if (it == shots.last.end()) return 0.0f;
    const float age = kShotClock - static_cast<float>(shots.slice - it->second) / kSlicesPerSecond;
    return age > 0.0f ? age : 0.0f;
}

float MuzzleSize(float calibre) {
    return calibre > 0.0f ? std::sqrt(calibre / 75.0f) : 1.0f;
}

float RecoilFactor(float shotAge) {
    const float t = shotAge - 1.25f;
    if (t <= 0.0f) return 0.0f;
    return t < 1.0f ? t : 5.0f * (1.0f - 0.8f * t);
}

void DrawSphere() {
    // Eight meridians and six bands: a fan at each pole, strips between.
    constexpr int32_t kAround = 8, kBands = 6;
    static float sCaps[2][3 * (kAround + 2)];
    static float sRings[kBands - 2][3 * (2 * kAround + 2)];
    static bool sMade = false;
    if (!sMade) {
        sMade = true;
        auto at = [](int32_t band, int32_t k, float* out) {
            const float pi = 3.14159265358979f;
            const float phi = pi * static_cast<float>(band) / kBands,
                        th = 2.0f * pi * static_cast<float>(k) / kAround;
            out[0] = std::sin(phi) * std::cos(th), out[1] = std::sin(phi) * std::sin(th),
            out[2] = std::cos(phi);
        };
        for (int32_t c = 0; c < 2; ++c) {
            float* f = sCaps[c];
            f[0] = 0.0f, f[1] = 0.0f, f[2] = c == 0 ? 1.0f : -1.0f;
            for (int32_t k = 0; k <= kAround; ++k)
                at(c == 0 ? 1 : kBands - 1, c == 0 ? k : kAround - k, f + 3 + 3 * k);
        }
        for (int32_t b = 1; b < kBands - 1; ++b)
            for (int32_t k = 0; k <= kAround; ++k) {
                at(b, k, sRings[b - 1] + 6 * k);
                at(b + 1, k, sRings[b - 1] + 6 * k + 3);
            }
    }
    const bool fog = d3::Fog(false);
    d3::Fan(false, kAround, sCaps[0]);
    d3::Fan(false, kAround, sCaps[1]);
    for (auto& ring : sRings)
        d3::Strip(false, 2 * kAround, ring);
    d3::Fog(fog);
}

BaseColour BaseColourOf(bool own, bool selected) {
    if (own) return selected ? BaseColour{0.55f, 0.8f, 1.0f} : BaseColour{0.15f, 0.4f, 0.95f};
    return selected ? BaseColour{1.0f, 0.6f, 0.5f} : BaseColour{0.9f, 0.15f, 0.1f};
}

void SetPickedUnit(Unit* u) {
    gPickedUnit = u;
    // The map keeps it for the map view while a unit pick is wanted.
    if (gBattle && gBattle->mMap) gBattle->mMap->SetPickedUnit(u);
}

float UnitEnlargement(float a, float b, float c, float distance, float near) {
    // Beyond `near` distant units grow with the distance's power b, and from
    // ten times it by c more, so the far field stays readable.
    near = near > 1.0f ? near : 1.0f;
    const float d = distance > near ? distance / near : 1.0f;
    const float far = distance > 10.0f * near ? distance / (10.0f * near) : 1.0f;
    return a * std::pow(d, b) * std::pow(far, c);
}

float EnlargementWithinMap(float scale, float x, float y, float reach, float width, float height) {
    const float edge = std::fmin(std::fmin(x, width - x), std::fmin(y, height - y));
    if (!(reach > 0.0f) || !(scale > 1.0f) || !(scale * reach > edge)) return scale;
    return std::fmax(1.0f, edge / reach);
}

void FigureBox(const G3DObject& box, float scale, float turn, G3DObject* out) {
    const float r = turn * 3.14159265358979f / 180.0f, c = std::cos(r), sn = std::sin(r);
    out->mCenterX = (box.mCenterX * c - box.mCenterY * sn) * scale;
    out->mCenterY = (box.mCenterX * sn + box.mCenterY * c) * scale;
    out->mCenterZ = box.mCenterZ * scale;
    // A turned box is held by the upright box around it.
    out->mExtentX = (std::fabs(c) * box.mExtentX + std::fabs(sn) * box.mExtentY) * scale;
    out->mExtentY = (std::fabs(sn) * box.mExtentX + std::fabs(c) * box.mExtentY) * scale;
    out->mExtentZ = box.mExtentZ * scale;
}

namespace {
// The turn a passenger's figures take in DrawCode; a rider drawn in its
// carrier's frame is turned already.
float PassengerTurn(Unit* u) {
    if (u->mUnitType != kUnitInfantry || !u->IsPassenger(false)) return 0.0f;
    return RidesInCarrierFrame(static_cast<Infantry*>(u)) ? 0.0f : u->mHeading - 90.0f;
}
// The selection frame's colour (RGB 565), 0 for none: white for the
// selected unit, light blue for the units a box being dragged takes in,
// yellow for the other members of a multi-selection (a box keeps its
// units' mark 1 once let go).
uint16_t SelectionFrameColour(const Unit* u) {
    if (gBattle->mSelectedUnit == u) return 0xFFFF;
    if (u->mSelectionMark == 1 && CurrentDrawSettings().mState == 14) return 0x861F;
    if (u->mSelectionMark != 0 && gBattle->mMultiSelection) return 0xFFE0;
    return 0;
}
} // namespace
// While a box is dragged every own unit that can take orders and whose
// screen box meets it is marked 1; units already in the selection keep 2.
void Unit::MarkForBoxSelection(Map* map) {
    if (mSelectionMark == 2) return;
    mSelectionMark = 0;
    if (!gBattle || mOffMapState != 0 || !CanReceiveOrders() || !IsOwnUnit(gBattle->Host()->ViewingSide())) return;
    // With the passenger preference on, riders stay out of the box.
    if (CurrentDrawSettings().mExcludePassengers && IsPassenger(false)) return;
    float sx = mX, sy = mY;
    if (!d3::WorldToScreen(&sx, &sy, GetZ(), false)) return;
    LongRect r;
    map->GetMultiselectRect(&r);
    const int32_t cx = static_cast<int32_t>(sx), cy = static_cast<int32_t>(sy);
    // The same box as the selection frame around the unit.
    if (cx + 12 >= r.left && cx - 12 <= r.right && cy + 6 >= r.top && cy - 18 <= r.bottom) mSelectionMark = 1;
}

void Unit::DrawItself(float a, float b, float c) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map) return;
    if (!d3::PickPass() && CurrentDrawSettings().mState == 14) MarkForBoxSelection(map);
    if (mOffMapState != 0) return;
    // Fog of war: an enemy the viewing side has not seen is neither drawn nor
    // picked; one only heard, or seen before and now a marker, is drawn where
    // it seems to be (the sound's offset, the marker), not where it is.
    const FogOfWarContact contact = VisibleToPlayer(false);
    if (contact == kContactNone && !ShowsSpotMarker()) return;
    float ux = mX, uy = mY, uz = 0.0f;
    GetApparentLocation(&ux, &uy, &uz);
    const bool vehicle = mUnitType == kUnitVehicle;
    const float radius = vehicle ? 8.0f : 3.0f;
    const char box = map->CheckSuperClipBox(ux, uy, radius);
    if (box == 0) return;
    bool needsClip = box == 1;
    // A dug-in or bogged vehicle is drawn sunk into the ground; its place
    // for the rules (GetZ) stays where it is.
    const float z = uz - (vehicle ? VehicleDrawnSinking(*static_cast<Vehicle*>(this)) : 0.0f);
    // From the high cameras (levels 5 to 8, looking down from 150 m to 3 km)
    // every unit is at least the eye's height away: units grow only beyond
    // it, so the table's base scale is what a unit below the eye gets.
    const int32_t level = ClampLevel(map->mCameraLevel[map->ViewingSide()]);
    const float eyeHeight = map->mCameraHeight - map->GetZCoord(map->mEyeX, map->mEyeY);
    const float near = level >= 5 && eyeHeight > 50.0f ? eyeHeight : 50.0f;
    float scale = UnitEnlargement(a, b, c, map->DistanceToCamera(ux, uy, z, nullptr), near);
    // An enlarged unit near the map's edge is drawn no larger than keeps it
    // on the map.
    scale = EnlargementWithinMap(scale, ux, uy, radius, map->mWidthMetres, map->mHeightMetres);
    d3::Push();
    d3::Translate(ux, uy, z);
    ScaleForType(&scale, a, b, c);
    const bool pick = d3::PickPass();
    // The unit's own box is in its model or figure units, tested in the frame
    // where one such unit is `scale` metres. A squad's frame takes its scale
    // (and a passenger's its turn) only in DrawCode, so its box is given them
    // here. In a pick pass the box is tested on every tile, since the view is
    // then only the pick window.
    if ((box != 2 || pick) && mUnitType != kUnitInanimate && mExtentX > 0.0f) {
        G3DObject own;
        if (mUnitType == kUnitInfantry && scale > 0.0f)
            FigureBox(*this, scale, PassengerTurn(this), &own);
        else
            FigureBox(*this, 1.0f, 0.0f, &own);
        bool clip = needsClip;
        if (!own.ShouldBeDrawn(&clip)) {
            d3::Pop();
            return;
        }
        needsClip = clip;
    }
    const bool oldClip = d3::GetClip();
    if (!pick) d3::SetClip(needsClip);
    const float factor = map->GetRoughResolution(ux, uy, z) * scale;
    const bool secondPass = g3D && g3D->mPickPass == 2;
    const bool hitBefore = secondPass && g3D->mPickHit;
    if (secondPass) g3D->mPickHit = false;
    DrawCode(needsClip, scale, factor);
    d3::Pop();
    // The base counts as the unit in a pick: a click on it selects.
    DrawBase(contact, needsClip, scale, factor);
    if (secondPass) {
        if (g3D->mPickHit) SetPickedUnit(this);
        g3D->mPickHit = g3D->mPickHit || hitBefore;
    }
    if (vehicle && !pick && VisibleToPlayer(true) >= 2)
        DrawVehicleShadow(ViewOfVehicle(static_cast<Vehicle*>(this)), scale, needsClip);
    if (!pick) {
        if (contact != 0 && CurrentDrawSettings().mShowLabels) PrintWarningLabel();
        // The replay shows what the last hit did to a vehicle.
        if (vehicle && contact != 0 && CurrentDrawSettings().mShowHitRecords &&
            CurrentDrawSettings().mState == 8)
            static_cast<Vehicle*>(this)->ShowHitRecord();
        if (const uint16_t frame = SelectionFrameColour(this)) {
            float sx = ux, sy = uy;
            if (d3::WorldToScreen(&sx, &sy, z, false)) {
                const int32_t cx = static_cast<int32_t>(sx), cy = static_cast<int32_t>(sy);
                d3::FrameRectangle(cx - 12, cy - 18, cx + 12, cy + 6, frame);
            }
        }
        d3::SetClip(oldClip);
    }
}

void Unit::DrawBase(FogOfWarContact contact, bool needsClip, float, float) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map || !mActive || contact < 2 || !CurrentDrawSettings().mShowUnitBases) return;
    if (ClampLevel(map->mCameraLevel[map->ViewingSide()]) < kBaseFromLevel) return;
    float x = mX, y = mY, z = 0.0f;
    GetApparentLocation(&x, &y, &z);
    if (!std::isfinite(x) || !std::isfinite(y) || x < 0.0f || y < 0.0f || x >= map->mWidthMetres ||
        y >= map->mHeightMetres)
        return;
    // About kBasePixels across on the screen at any distance.
    const float perMetre = map->GetRoughResolution(x, y, map->GetZCoord(x, y));
    if (!std::isfinite(perMetre) || perMetre <= 0.0f) return;
    const float radius = 0.5f * kBasePixels / perMetre;
    const float lift = 0.05f + 0.02f * radius;
    const float maxX = map->mWidthMetres - 0.01f, maxY = map->mHeightMetres - 0.01f;
    float fan[3 * (kBaseRim + 2)];
    fan[0] = x, fan[1] = y, fan[2] = map->GetZCoord(x, y) + lift;
    for (int32_t k = 0; k <= kBaseRim; ++k) {
        const float a = 6.2831853f * static_cast<float>(k % kBaseRim) / kBaseRim;
        const float px = std::fmin(std::fmax(x + radius * std::cos(a), 0.0f), maxX);
        const float py = std::fmin(std::fmax(y + radius * std::sin(a), 0.0f), maxY);
        float* p = fan + 3 * (k + 1);
        p[0] = px, p[1] = py, p[2] = map->GetZCoord(px, py) + lift;
    }
    const BaseColour& c = BaseColourOf(IsOwnUnit(map->ViewingSide()), gBattle->mSelectedUnit == this);
    d3::SetCull(false); // seen from above or below alike
    // Opaque: a translucent disc would join the frame's sorted transparencies.
    d3::Color(c.r, c.g, c.b);
    d3::Fan(needsClip, kBaseRim, fan);
    d3::SetCull(true);
}

void Unit::ShowRecoil(float s) {
    if (s == 0.0f) return;
    const WeaponType w = MainWeapon(this);
    if (w != kWeaponNone) {
        if (w < 0 || w >= gWeaponData.Count()) return;
        const WeaponClass c = gWeaponData[w].mClass;
        if (c != kWClassGun && c != kWClassTwinGun) return;
    }
    const float f = RecoilFactor(UnitShotAge(this));
    if (f == 0.0f) return;
    // A bigger bore kicks further: 0.02 per whole millimetre.
    const int32_t bore = static_cast<int32_t>(CalibreOf(w));
    const float k = bore > 0 ? 0.02f * static_cast<float>(bore) : 1.0f;
    d3::Translate(0.0f, s * k * f, 0.0f);
}

void Unit::DrawGunflash(float scale, float x, float y, float z) {
    if (d3::PickPass()) return;
    const float age = UnitShotAge(this);
    if (age <= 0.0f) return;
    const float since = kShotClock - age; // seconds since the shot
    const float size = MuzzleSize(CalibreOf(MainWeapon(this)));
    const float flashTime = kFlashTime * size, blastTime = kBlastTime * size;
    if (since >= blastTime) return;
    // Drawn in the gun's frame: its units per metre, those of the model drawn for the viewer.
    const float perMetre =
        scale /
        (mUnitType == kUnitVehicle ? DrawnVehicleModelUnit(static_cast<Vehicle*>(this)) : kGeneralModelUnit);
    const int32_t slice = gBattle ? gBattle->PlaybackTimeSlice() : 0;
    d3::Push();
    d3::Translate(x, y, z);
    // The blast cloud: three crossed sheets of the blast pictures (fiery while the flash lasts, then
    // smoke), swelling ahead of the muzzle and fading; the frame follows the time since the shot.
    Map* map = gBattle ? gBattle->mMap : nullptr;
    const float grown = since / blastTime;
    const int32_t frame = std::min(9, static_cast<int32_t>(10.0f * grown));
    GGraphic* cloud = map ? map->mBlastTextures[(since < flashTime ? 0 : 10) + frame] : nullptr;
    if (cloud) {
        const float h = 0.5f * kBlastMetres * size * perMetre * (0.4f + 0.6f * grown);
        const float ahead = 0.8f * h;
        d3::Texture(cloud);
        d3::Color(1.0f, 1.0f, 1.0f);
        d3::SetOpacity(0.85f * (1.0f - grown));
        const float sheets[3][20] = {
            {-h, ahead, -h, 0, 1, h, ahead, -h, 1, 1, h, ahead, h, 1, 0, -h, ahead, h, 0, 0},
            {0, ahead - h, -h, 0, 1, 0, ahead + h, -h, 1, 1, 0, ahead + h, h, 1, 0, 0, ahead - h, h, 0, 0},
            {-h, ahead - h, 0, 0, 1, h, ahead - h, 0, 1, 1, h, ahead + h, 0, 1, 0, -h, ahead + h, 0, 0, 0}};
        for (const float* sheet : sheets)
            d3::TexturedQuad(sheet);
        d3::Texture(nullptr);
    }
    // The flash: a white ball, turned by the slice shown, shrinking as it fades.
    if (since < flashTime) {
        const float life = 1.0f - since / flashTime; // 1 at the shot, 0 when gone
        const float r = 0.5f * kFlashMetres * size * perMetre * (0.5f + 0.5f * life);
        d3::RotateZ(static_cast<float>((slice * 137) % 360));
        d3::Scale(r, r, r);
        d3::Color(1.0f, 1.0f, 1.0f);
        d3::SetOpacity(0.6f + 0.4f * life);
        DrawSphere();
    }
    d3::SetOpacity(1.0f);
    d3::Pop();
}
