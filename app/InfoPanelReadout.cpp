// The unit panel's readout of the selected unit and its armour diagram,
// filtered by what the player knows of the unit.
#include <algorithm>

#include "app/InfoPanel.h"
#include "app/InfoPanelDraw.h"
#include "app/InfoPanelFog.h"
#include "app/InfoPanelTexts.h"
#include "battle/Battle.h"
#include "engine/GGraphic.h"
#include "engine/GString.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"
#include "units/UnitGeometry.h"

namespace {

GString255 sText; // scratch text of one drawing (the main thread only)

constexpr uint8_t kWhite = 255;

Vehicle* AsVehicle(Unit* u) {
    return u->mUnitType == kUnitVehicle ? static_cast<Vehicle*>(u) : nullptr;
}

Infantry* AsInfantry(Unit* u) {
    return u->mUnitType == kUnitInfantry ? static_cast<Infantry*>(u) : nullptr;
}

// A vehicle whose record (as the player knows it) is of the fixed class.
bool IsFixedClass(Unit* u) {
    Vehicle* v = AsVehicle(u);
    return v && v->GetVehicleDataRecord(kKnowIdentified).mClass == 5;
}

bool BailingOut(Unit* u) {
    Vehicle* v = AsVehicle(u);
    return v && v->mBailOutCountdown >= 0;
}

// The gun the readout names, and its weapon class (0 without one).
void ShownGun(Unit* u, WeaponType* gun, WeaponClass* wclass) {
    *gun = kWeaponNone;
    *wclass = 0;
    if (Vehicle* v = AsVehicle(u)) {
        *gun = v->GetVehicleDataRecord(kKnowIdentified).mMainWeapon;
    } else if (u->mUnitType == kUnitInfantry) {
        u->GetWeaponInfo(gun, wclass, kKnowIdentified);
    }
    if (*gun != kWeaponNone && gWeaponData.Has(*gun)) *wclass = gWeaponData[*gun].mClass;
}

int32_t SplitState(Infantry* inf) {
    if (!inf->mSibling) return 2;
    return inf->mIsFirstHalf ? 0 : 1;
}

} // namespace

float CombinedArmorAt(const VehicleData* record, int32_t aspect, int32_t location) {
    const int32_t i = 3 * aspect + location;
    if (!record || i < 0 || i >= kArmorSlots) return 0.0f;
    const bool face = record->mHasHardness && record->mPlateHardness[i] < 0;
    return CombineArmorPlates(static_cast<float>(record->mArmorPlates[i].mThickness),
                              static_cast<float>(record->mAddedPlates[i]), face);
}

void InfoPanel::DrawUnit(Unit* u) {
    PaintFill();
    InfoBlit(this, mUnitBackground, 0, 0);
    const ViewerFacts v = CurrentViewer();
    const bool K = KnowsInternals(u, v);
    const bool N = ShowsName(u, K, v);
    const int32_t vis = u->VisibleToPlayer(true);
    const bool fixed = IsFixedClass(u);
    const InfoColour c = SideNameColour(u->GetAffiliation());

    if (N) {
        sText.IStringText("");
        u->GetSergeantName(&sText, true);
        InfoShadow(this, &sText, 64, 14, -1, kFontFixed, c.r, c.g, c.b, false);
        sText.IStringText("");
        u->ConcatID(&sText);
        InfoShadow(this, &sText, 250, 14, 0, kFontFixed, c.r, c.g, c.b, false);
    }
    sText.IStringText("");
    u->ConcatName(&sText, !N);
    InfoShadow(this, &sText, 445, 14, 1, kFontFixed, c.r, c.g, c.b, false);

    if (vis == kContactFull && u->mUnitType != kUnitInanimate && !fixed && u->mExperience >= 0 &&
        u->mExperience <= 5)
        InfoBlitCentered(this, mExperiencePictures[u->mExperience], 97, 47, true, false);
    if (!DrawStatus(u, K, vis, fixed)) return;

    if (u->mUnitType != kUnitInanimate && vis >= 3) {
        const bool first = vis == kContactFull || (u->mUnitType == kUnitInfantry && vis == 4);
        InfoBlit(this, u->mRankPortraits[first ? 0 : 1], 0, 0);
    }
    DrawNationAndStrength(u, K, vis, fixed);
    DrawRightBox(u, K, vis);
    if (K && u->mActive && !fixed) {
        DrawAmmoDelayLeadership(u, K);
    } else {
        if (vis == kContactHeard) InfoBlitCentered(this, Single(1087), 204, 47, true, false);
        if (u->mSurrendered) InfoBlitCentered(this, Single(1085), 204, 68, true, false);
    }
    DrawPlaceAndOrder(u, K, vis);
    DrawSuppression(u, K, fixed);
    DrawWeaponRows(u, K, vis);
}

bool InfoPanel::DrawStatus(Unit* u, bool K, int32_t vis, bool fixed) {
    (void)fixed;
    const int32_t x = 204, y = 26;
    if (!u->mActive) {
        if (vis <= 1 || (!K && u->ShowsSpotMarker())) return false;
        if (u->Abandoned()) {
            InfoBlitCentered(this, Single(1047), x, y, true, false);
            return false;
        }
        if (u->UseKnockedOutPhrase()) {
            InfoBlitCentered(this, Single(1049), x, y, true, false);
            return false;
        }
        InfoBlitCentered(this, Single(1091), x, y, true, false);
        return true;
    }
    if (!K) return true;
    Vehicle* veh = AsVehicle(u);
    WeaponType gun = kWeaponNone;
    WeaponClass wclass = 0;
    ShownGun(u, &gun, &wclass);
    if (veh && veh->mBailOutCountdown >= 0) {
        if (MenInBeing(u) > 0) InfoBlitCentered(this, Single(1055), x, y, true, false);
    } else if (veh && (veh->mWeaponKnockedOut || veh->mGunKnockedOut) &&
               (u->HasHeavyWeapon(kKnowTruth) || veh->GetVehicleDataRecord(kKnowIdentified).mGunCount > 0)) {
        InfoBlitCentered(this, Single(1048), x, y, true, false);
    } else if (u->mArtilleryDelay > 0.0f && u->HasHeavyWeapon(kKnowTruth) &&
               !(u->mUnitType == kUnitInfantry && wclass == 5)) {
        InfoBlitCentered(this, Single(1089), x, y, true, false);
    } else if (u->mUnitType == kUnitInfantry && u->mFatigueState >= 0 && u->mFatigueState <= 4) {
        InfoBlitCentered(this, mFatiguePictures[u->mFatigueState], x, y, true, false);
    }
    return true;
}

void InfoPanel::DrawNationAndStrength(Unit* u, bool K, int32_t vis, bool fixed) {
    if (vis != kContactFull || fixed) return;
    if (!(u->mUnitType == kUnitInfantry || (K && u->mUnitType != kUnitInanimate))) return;
    if (!K && !u->IsSpottedNow()) return;
    InfoBlit(this, SmallFlag(u->GetNation()), 58, 26);
    if (u->mActive) {
        sText.IStringNum(MenInBeing(u));
        InfoWrite(this, &sText, 94, 35, 1, kFontFixed, kWhite, kWhite, kWhite);
    }
    int32_t lost = u->mCasualties;
    if (!K) lost = std::max(lost - u->mHiddenCasualties, 0);
    if (Infantry* inf = AsInfantry(u); inf && inf->mSibling)
        lost -= (u->GetOriginalNrMen() + (inf->mIsFirstHalf ? 0 : 1)) / 2;
    if (lost > 0) {
        InfoBlit(this, Single(1006), 103, 26);
        sText.IStringNum(lost);
        InfoWrite(this, &sText, 130, 35, 1, kFontFixed, kWhite, kWhite, kWhite);
    }
}

void InfoPanel::DrawRightBox(Unit* u, bool K, int32_t vis) {
    WeaponType gun = kWeaponNone;
    WeaponClass wclass = 0;
    bool showsGun = false;
    if (Vehicle* veh = AsVehicle(u); veh && vis >= 3) {
        InfoPaint(this, LongRect{364, 22, 453, 83}, 0, 0, 0);
        // What the viewer knows of it: the true type, the type it is taken
        // for, or the silhouette of its class; the default picture without.
        GGraphic* known = vis >= 3 && vis <= 5 ? veh->mKnowledgePictures[vis - 3] : nullptr;
        InfoBlitCentered(this, known ? known : mDefaultVehiclePicture, 408, 40, true, true);
        DrawArmorDiagram(veh->GetVehicleDataRecord(kKnowIdentified));
        ShownGun(u, &gun, &wclass);
        showsGun = true;
    } else if (u->mUnitType == kUnitInfantry && vis >= 4 && u->mKnowledgePictures[0]) {
        InfoBlit(this, u->mKnowledgePictures[0], 364, 22);
        ShownGun(u, &gun, &wclass);
        showsGun = true;
    } else if (Infantry* inf = AsInfantry(u); inf && K && u->mActive) {
        const int32_t grenades = std::min((std::max<int32_t>(inf->mGrenades, 0) + 4) / 5, 6);
        GGraphic* grenade = Single(u->GetAffiliation() == kAxis ? 1098 : 1093);
        for (int32_t i = 0; i < grenades; ++i)
            InfoBlitCentered(this, grenade, 363 + 15 * i, 33, false, true);
        int32_t atIcon = 1067;
        switch (inf->mAntitankWeapon) {
        case 166:
        case 167:
        case 168:
        case 169:
            atIcon = 1084;
            break;
        case 262:
            atIcon = 1069;
            break;
        case 263:
            atIcon = 1066;
            break;
        case 264:
            atIcon = 1068;
            break;
        case 265:
            atIcon = 0;
            break;
        default:
            break;
        }
        for (int32_t i = 0; i < std::min<int32_t>(inf->mAntitankShots, 12); ++i)
            InfoBlitCentered(this, Single(atIcon), 362 + 22 * i, 53, false, true);
        GGraphic* charge = Single(inf->UsesDemoCharge() ? 1083 : 1092);
        for (int32_t i = 0; i < std::min<int32_t>(inf->mExplosives, 12); ++i)
            InfoBlitCentered(this, charge, 362 + 29 * i, 73, false, true);
    }
    if (showsGun && gun != kWeaponNone && gWeaponData.Has(gun) &&
        static_cast<int32_t>(gWeaponData[gun].mCalibre) >= 7) {
        sText.IStringText("");
        ConcatGunNameString(&sText, gun, true);
        InfoWrite(this, &sText, 408, 78, 0, kFontFixed, kWhite, kWhite, kWhite);
    }
}

void InfoPanel::DrawAmmoDelayLeadership(Unit* u, bool K) {
    Vehicle* veh = AsVehicle(u);
    Infantry* inf = AsInfantry(u);
    WeaponType gun = kWeaponNone;
    WeaponClass wclass = 0;
    ShownGun(u, &gun, &wclass);
    bool fireMission = false;
    if (u->mSurrendered) {
        InfoBlitCentered(this, Single(1085), 204, 68, true, false);
    } else if (u->mExiting) {
        InfoBlitCentered(this, Single(1086), 204, 68, true, false);
    } else {
        float ratio = -1.0f;
        bool jammed = false;
        bool warning = false;
        int32_t maximum = 0;
        sText.IStringText("");
        auto ratioOf = [&](int32_t count) {
            u->MaxAllowedAmmo(&maximum);
            // No bar without a maximum to measure against.
            if (maximum > 0) ratio = static_cast<float>(count) / static_cast<float>(maximum);
        };
        if (inf && wclass == 5) {
            const int32_t count = u->mAmmo[0];
            // An observer's fire mission is its area target; until its first
            // rounds are under way (the mission live) it is still a plan.
            if (u->mAreaTarget) {
                const float t = u->mAimTime + std::max(0.0f, u->mArtilleryDelay - 6.0f);
                FireMissionText(count, t, u->mMissionLive, &sText);
                fireMission = true;
            } else {
                sText.IStringNum(count);
                ratioOf(count);
            }
        } else if (u->HasHeavyWeapon(kKnowTruth) && !(inf && gun == 252)) {
            // A flame vehicle's class-0 count is its fuel, shown last as "f".
            const bool fuel = veh && wclass == 6;
            AmmoCountsText(u->mAmmo, wclass == 6 || wclass == 9, &sText, fuel);
        } else if (inf) {
            int32_t count = u->mAmmo[0];
            if (u->mAimTime == 99.0f) {
                sText.IStringRez(1144);
                jammed = true;
            } else if (count != 0) {
                sText.IStringNum(count);
            } else if (u->HasLowAmmoStatus()) {
                sText.IStringRez(1145);
                warning = true;
                count = 1;
            } else {
                sText.IStringText("0");
            }
            ratioOf(count);
        } else if (veh) {
            int32_t count = u->mMGRounds[2];
            if (count == 0) count = u->mMGRounds[0] + u->mMGRounds[1];
            if (count != 0) sText.IStringNum(count);
        }
        if (fireMission) InfoBlit(this, Single(1082), 104, 64);
        InfoBlit(this, Single(1019), fireMission ? 59 : 150, 68);
        if (sText.GetLength() > 0) {
            const int32_t y = warning ? 78 : 77;
            if (fireMission)
                InfoWrite(this, &sText, 107, y, -1, kFontFixed, kWhite, kWhite, kWhite);
            else if (jammed)
                InfoWrite(this, &sText, 242, y, 0, kFontFixed, kWhite, kWhite, kWhite);
            else
                InfoWrite(this, &sText, 216, y, 1, kFontFixed, kWhite, kWhite, kWhite);
        }
        if (ratio >= 0.0f) {
            InfoBlit(this, mAmmoBarPieces[0], 222, 65);
            InfoBlit(this, mAmmoBarPieces[1], 260, 65);
            const int32_t filled = AmmoBarFilled(ratio);
            for (int32_t i = 0; i < 34; ++i)
                InfoBlit(this, mAmmoBarPieces[AmmoBarPiece(i, filled)], 226 + i, 65);
        }
    }
    if (inf && !fireMission) InfoBlitCentered(this, mSplitStateIcons[SplitState(inf)], 97, 68, true, false);

    if (K && u->IsLeader(nullptr)) {
        struct Place {
            int32_t shift, icon, x, y;
        };
        static const Place kPlaces[4] = {{4, 2, 11, 59}, {2, 3, 35, 59}, {0, 1, 11, 72}, {6, 4, 35, 72}};
        for (const Place& p : kPlaces) {
            const int32_t value = (u->mLeaderSkills >> p.shift) & 3;
            if (value == 0) continue;
            if (value == 2) InfoBlit(this, mLeaderIcons[0], p.x - 1, p.y - 1);
            InfoBlit(this, mLeaderIcons[p.icon], p.x, p.y);
        }
    } else if (u->mActive && (inf || veh)) {
        InfoBlit(this, Single(u->InLeadership() ? 1005 : 1004), 0, 58);
    }

    const bool replay = CurrentViewer().state == 8;
    if (u->mArtilleryDelay < 0.0f && u->InGoodOrder() && !u->IsHiding(false)) {
        sText.IStringRez(1146);
        ConcatTimeString(&sText, static_cast<int32_t>(-u->mArtilleryDelay));
        InfoWrite(this, &sText, 205, 56, 0, kFontFixed, kWhite, kWhite, kWhite);
    } else if (veh && !BailingOut(u) && veh->mManeuverTried) {
        InfoBlitCentered(this, Single(1090), 204, 47, true, false);
    } else {
        const float d = replay ? 0.0f : 10.0f * static_cast<float>(u->mQueuedDelay) + u->mCommandDelay + 0.5f;
        if (d >= 1.0f) {
            InfoBlit(this, Single(1051), 151, 47);
            sText.IStringNum(static_cast<int32_t>(d));
            InfoWrite(this, &sText, 217, 56, 0, kFontFixed, kWhite, kWhite, kWhite);
        } else if (u->IsHiding(false)) {
            // Hidden since the turn began, or ordered to hide in this one.
            InfoBlitCentered(this, Single(u->mHidingAtStart ? 1050 : 1052), 204, 47, true, false);
        }
    }
}

void InfoPanel::DrawPlaceAndOrder(Unit* u, bool K, int32_t vis) {
    Vehicle* veh = AsVehicle(u);
    Infantry* inf = AsInfantry(u);
    const bool fixed = veh && veh->IsFixed();
    if (inf && u->mTransport && vis >= 3 && (K || u->IsSpottedNow())) {
        InfoBlitCentered(this, Single(1081), 313, 42, true, true);
    } else if (vis >= 2) {
        int32_t code = -1;
        sText.IStringText("");
        // The state plaque over the place is drawn after the name's plate,
        // so that the plate never covers it.
        int32_t plaque = 0, plaqueY = 42;
        bool plaqueDown = true;
        if (inf && K && u->mEmbarkTarget && u->mEmbarkTarget->mSide == u->mSide) {
            plaque = 1080, plaqueY = 25, plaqueDown = false;
            u->GetTerrainStringOcc(&sText, nullptr);
        } else if (u->mImmobile && u->mActive && vis >= 4 && (inf || (veh && !fixed))) {
            plaque = 1062;
            u->GetTerrainStringOcc(&sText, nullptr);
        } else if (veh && veh->mBogged && u->mActive && vis >= 4) {
            plaque = 1063;
            u->GetTerrainStringOcc(&sText, nullptr);
        } else {
            float x = u->mX, y = u->mY;
            u->GetApparentLocation(&x, &y, nullptr);
            u->GetTerrainString(&sText, x, y, vis >= 2 && u->mZ == 1.0f, &code);
            if (code >= 0 && code < 32) InfoBlit(this, mTerrainPictures[code], 266, 22);
        }
        if (sText.GetLength() > 0)
            InfoPaint(this, TerrainNamePlate(StringWidthInPixels(&sText, kFontSmall)), 38, 40, 36);
        if (plaque != 0) InfoBlitCentered(this, Single(plaque), 313, plaqueY, true, plaqueDown);
        InfoShadow(this, &sText, 313, 56, 0, kFontSmall, kWhite, kWhite, kWhite, true);
        if (veh && veh->mFearFlagA && (K || vis >= 3) && !fixed)
            InfoBlitCentered(this, Single(1088), 313, 22, true, false);
        if (K && u->InPlaybackMotion() && u->CanMovePhysically()) {
            const bool replay = CurrentViewer().state == 8;
            int32_t order = 17;
            if (replay)
                order = u->mReplayedOrder;
            else if (u->mNrWaypoints > 0)
                order = u->mWaypoints[0].mOrder;
            const int32_t id = gMovementSpeedChart[order].mOrderTextId;
            if (id != 0) {
                sText.IStringRez(id == -1 ? (veh ? 1317 : 1312) : id);
                InfoShadow(this, &sText, 313, 44, 0, kFontSmall, kWhite, kWhite, kWhite, true);
            }
        }
    }
}

void InfoPanel::DrawSuppression(Unit* u, bool K, bool fixed) {
    if (!u->mActive || !K || BailingOut(u) || fixed) return;
    const int32_t level = SuppressionLevel(u->mSuppression, u->mUnitType == kUnitVehicle);
    InfoBlitCentered(this, mSuppressionPictures[level], 313, 68, true, false);
    if (Infantry* inf = AsInfantry(u); inf && inf->mVulnerable && !u->mSurrendered)
        InfoBlit(this, Single(1078), 348, 67);
}

void InfoPanel::DrawWeaponRows(Unit* u, bool K, int32_t vis) {
    if (!u->mActive || u->mSurrendered || u->mExiting) return;
    Vehicle* veh = AsVehicle(u);
    Infantry* inf = AsInfantry(u);
    SmallArmsType types[4] = {kSmallArmsNone, kSmallArmsNone, kSmallArmsNone, kSmallArmsNone};
    int32_t counts[4] = {};
    int32_t rows = 0;
    if (veh && vis >= 3) {
        const VehicleData& r = veh->GetVehicleDataRecord(kKnowIdentified);
        rows = 4;
        const SmallArmsType mgs[4] = {r.mFreeMG, kSmallArmsNone, r.mCoaxMG, r.mBowMG};
        for (int32_t i : {0, 2, 3}) {
            types[i] = mgs[i];
            const MGAmmoClass c = GetMGAmmoType(mgs[i]);
            if (K && c >= 0 && c < kMGAmmoClassCount) counts[i] = u->mMGRounds[c];
        }
        if (r.mMainWeapon != kWeaponNone) {
            types[1] = u->GetAffiliation() == kAxis ? 68 : 69;
            if (gWeaponData[r.mMainWeapon].mClass == 6) types[1] = 59;
            if (vis >= 4)
                for (int32_t k = 0; k < 8; ++k)
                    counts[1] += u->mAmmo[k];
        }
    } else if (inf && vis == kContactFull) {
        const InfantryData* r = inf->GetInfantryDataRecord(kKnowIdentified);
        rows = r ? std::clamp<int32_t>(r->mNrTeams, 0, kInfantryTeams) : 0;
        for (int32_t i = 0; i < rows; ++i) {
            types[i] = inf->mTeamSmallArms[i];
            counts[i] = inf->mTeamMen[i];
        }
    }
    for (int32_t i = rows - 1; i >= 0; --i) {
        if (types[i] == kSmallArmsNone || (!veh && counts[i] <= 0)) continue;
        InfoBlit(this, WeaponPicture(types[i]), 455, 21 * i);
        if (K || inf) {
            sText.IStringNum(counts[i]);
            InfoShadow(this, &sText, 535, 21 * i + 17, 1, kFontFixed, kWhite, kWhite, kWhite, false);
        }
    }
}

void InfoPanel::DrawArmorDiagram(const VehicleData& r) {
    const bool T = r.mHasTurretArmor != 0;
    const ArmorQuality q = r.mArmorQuality;
    auto armor = [&](int32_t aspect, int32_t location) {
        return static_cast<int32_t>(CombinedArmorAt(&r, aspect, location));
    };
    auto slope = [&](int32_t aspect, int32_t location) {
        return static_cast<int32_t>(r.mArmorPlates[3 * aspect + location].mSlope);
    };
    auto bar = [&](bool horizontal, int32_t thickness, int32_t x, int32_t y, int32_t length, int32_t aspect,
                   int32_t location, ArmorQuality quality) {
        DrawArmorBar(horizontal, thickness, x, y, length, armor(aspect, location), slope(aspect, location),
                     quality);
    };
    // Side view: the top (turret or upper hull), the upper and lower hull.
    const int32_t topLocation = T ? 0 : 1;
    const int32_t P = r.mTurretShape[0], Q = r.mTurretShape[1];
    if (armor(1, topLocation) == 0 || (P > 0 && Q > 0)) {
        bar(true, 1, 19, 1, 50, 1, topLocation, q);
    } else if (P == 0 && Q == 0) {
        bar(true, 1, 19, 1, 15, 1, topLocation, q);
        bar(true, 1, 54, 1, 15, 1, topLocation, q);
    } else {
        bar(true, 1, 19, 1, 22, 1, topLocation, q);
        bar(true, 1, 47, 1, 22, 1, topLocation, q);
    }
    if (T) bar(true, 1, 9, 33, 70, 1, 1, q);
    bar(true, 0, 13, 37, 62, 1, 2, q);
    // Front (right) and rear (left) ends.
    for (int32_t aspect : {0, 2}) {
        const int32_t x = aspect == 0 ? 84 : 1;
        bar(false, 2, x, 2, T ? 11 : 22, aspect, topLocation, aspect == 0 && T ? 0 : q);
        if (T) bar(false, 2, x, 14, 14, aspect, 1, q);
        if (T)
            bar(false, 2, x, 29, 9, aspect, 2, q);
        else
            bar(false, 2, x, 25, 13, aspect, 2, q);
    }
}
