// The unit balloon: its frame, title, kills page and the sheets of each
// kind of unit; and the map's toggle, close and re-pointing of it.
#include "app/UnitInfoBalloon.h"

#include <algorithm>

#include "app/InfoPanelDraw.h"
#include "app/InfoPanelTexts.h"
#include "app/MapView.h"
#include "battle/Battle.h"
#include "engine/GBlitView.h"
#include "engine/GButton.h"
#include "engine/GKernel.h"
#include "engine/GString.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

GString255 sText; // the line being built (the main thread only)

constexpr uint8_t kWhite = 255;

} // namespace

UnitInfoBalloon::~UnitInfoBalloon() {
    if (gBattle && gBattle->mMap && gBattle->mMap->mInfoBalloon == this)
        gBattle->mMap->mInfoBalloon = nullptr;
}

void UnitInfoBalloon::IUnitInfoBalloon(GView* parent, Unit* unit) {
    const int32_t h = HeightFor(gKernel ? gKernel->mScreenHeight : 600);
    ITiledView3D(parent, 0, 0, kWidth, h, 11280, false);
    mUnit = unit;
    mShowKills = false;
    auto* button = new GButton;
    button->IButton(0, this, 378, 16, 52, 36, 16);
    auto piece = [this](int32_t x, int32_t y, int32_t picture) {
        auto* v = new GBlitView;
        v->IBlitView3D(this, x, y, picture);
    };
    for (int32_t y = 0; y < h - 16; y += 16)
        piece(432, y, 2612);
    piece(432, h - 16, 2613);
    for (int32_t x = 0; x <= 416; x += 16)
        piece(x, h - 16, 2614);
}

void UnitInfoBalloon::SetUnit(Unit* unit) {
    mUnit = unit;
    Refresh();
}

void UnitInfoBalloon::ToggleKills() {
    mShowKills = !mShowKills;
    Refresh();
}

void UnitInfoBalloon::Line(GString* text, int32_t x, int32_t y, int32_t font, uint8_t r, uint8_t g,
                           uint8_t b) {
    InfoShadow(this, text, x, y, -1, static_cast<GOLTAFont>(font), r, g, b, false);
}

void UnitInfoBalloon::Draw() {
    GTiledView::Draw();
    if (!mUnit) return;
    if (gBattle) InfoBlit(this, gBattle->mFillerGraphic, 378, 16);
    DrawTitle();
    Unit* u = mUnit;
    if (u->mUnitType == kUnitInanimate) return;

    Sheet s;
    s.viewer = CurrentViewer();
    s.own = IsViewersUnit(u, s.viewer.side);
    s.level = u->VisibleToPlayer(true);
    s.known = KillDetailsKnown(u, s.viewer);
    s.profile = s.known || s.level == kContactFull ? u->GetAmmoProfile() : 0;
    if (u->mUnitType == kUnitVehicle) {
        s.believed = &static_cast<Vehicle*>(u)->GetVehicleDataRecord(kKnowIdentified);
        s.optics = s.believed->mOptics;
    } else {
        s.optics = s.level >= 4 ? u->GetOpticalType() : 0;
    }
    if (mShowKills) {
        DrawKills(s);
        return;
    }
    DrawExitMark();
    switch (u->mUnitType) {
    case kUnitVehicle:
        DrawVehicleSheet(s);
        break;
    case kUnitInfantry:
        DrawInfantrySheet(s);
        break;
    default:
        // Other kinds have no lines of their own; their weapon and
        // passenger lines start below the title.
        s.y = 12;
        DrawWeaponLines(s);
        DrawPassengerLine(s);
        break;
    }
}

void UnitInfoBalloon::DrawTitle() {
    Unit* u = mUnit;
    sText.IStringText("");
    if (!(u->mUnitType == kUnitInanimate && (u->mSubtype == 8 || u->mSubtype == 9))) {
        const Nation nation = u->GetNation();
        if (nation >= 0 && nation <= 9) sText.ConcatRez(500 + nation);
        sText.ConcatText(" - ");
        if (u->mUnitType != kUnitVehicle) {
            const ForceTypeChart& force = gForceTypeChart[u->mForce];
            char name[sizeof(force.mName) + 1] = {};
            std::copy(force.mName, force.mName + sizeof(force.mName), name);
            sText.ConcatText(name);
            sText.ConcatText(" - ");
        }
    }
    u->ConcatName(&sText, true);
    const InfoColour c = SideNameColour(u->GetAffiliation());
    Line(&sText, 3, 13, kFontFixed, c.r, c.g, c.b);
}

void UnitInfoBalloon::DrawKills(const Sheet& s) {
    const bool over = s.viewer.over;
    KillLines lines;
    BuildKillLines(mUnit->mKillRecords[over ? 1 : 0], s.known, &lines);
    int32_t y = 14;
    for (int32_t i = 0; i < lines.mCount; ++i) {
        y += 15;
        sText.IStringText(lines.mText[i]);
        Line(&sText, 3, y, kFontFixed, kWhite, kWhite, kWhite);
    }
}

void UnitInfoBalloon::DrawExitMark() {
    Unit* u = mUnit;
    if (!gBattle || !gBattle->mHasExitEdge[u->GetAffiliation()] || !u->mActive || !u->MarkedForExit()) return;
    sText.IStringRez(1570);
    InfoShadow(this, &sText, 428, 66, 1, kFontSmall, kWhite, kWhite, kWhite, false);
    sText.IStringRez(1571);
    InfoShadow(this, &sText, 428, 78, 1, kFontSmall, kWhite, kWhite, kWhite, false);
}

// ------------------------------------------------------------ vehicles

void UnitInfoBalloon::DrawVehicleSheet(Sheet& s) {
    auto* v = static_cast<Vehicle*>(mUnit);
    if (s.level < 3) {
        sText.IStringRez(1362);
        Line(&sText, 3, 44, kFontFixed, kWhite, kWhite, kWhite);
        return;
    }
    const VehicleData& r = *s.believed;
    s.y = 12;
    if (s.known && v->IsLeader(nullptr)) {
        LeaderBonusText(v->mLeaderSkills, &sText);
        if (sText.GetLength() > 0) {
            s.y += 12;
            Line(&sText, 125, s.y, kFontSmall, 150, 255, 0);
        }
    }
    if (v->Data().mMobilityClass != 6) {
        auto sheetRow = [&](int32_t label) {
            s.y += 12;
            GString63 l;
            l.IStringRez(label);
            InfoShadow(this, &l, 3, s.y, -1, kFontSmall, kWhite, kWhite, kWhite, false);
            Line(&sText, 125, s.y, kFontSmall, kWhite, kWhite, kWhite);
        };
        sText.IStringText("");
        if (r.mClass >= 0 && r.mClass <= 30) sText.IStringRez(5200 + r.mClass);
        sheetRow(1086);
        sText.IStringNum(r.mTopSpeed);
        sText.ConcatRez(1073);
        sText.ConcatRez(1363);
        sText.ConcatNumDecimal(static_cast<float>(r.mTopSpeed) * 0.4472f, 1);
        sText.ConcatRez(1364);
        sheetRow(1072);
        sText.IStringNum(r.mWeight);
        sText.ConcatRez(1366);
        sText.ConcatNum(static_cast<int32_t>(static_cast<float>(r.mWeight) * 0.90909f + 0.5f));
        sText.ConcatRez(1367);
        sheetRow(1365);
        sText.IStringNum(r.mPower);
        sText.ConcatRez(1369);
        if (r.mFlags & kVDiesel) sText.ConcatRez(1480);
        // A record without a weight has no power per ton to show.
        if (r.mWeight > 0) {
            sText.ConcatRez(1363);
            sText.ConcatNumDecimal(static_cast<float>(r.mPower) / static_cast<float>(r.mWeight), 1);
            sText.ConcatRez(1370);
        }
        sheetRow(1368);
        if (r.mGroundPressure > 0.0f) {
            sText.IStringText("");
            sText.ConcatNumDecimal(r.mGroundPressure, 1);
            sText.ConcatRez(1372);
            sText.ConcatNumDecimal(r.mGroundPressure * 0.07045f, 2);
            sText.ConcatRez(1373);
            sheetRow(1371);
        } else if (r.mMobilityClass != 5 && r.mMobilityClass != 6) {
            const int32_t m = r.mMobilityClass;
            sText.IStringRez(m == 1 ? 883 : (m == 2 || m == 3 ? 882 : 884));
            sheetRow(1911);
        }
        sText.IStringNum(static_cast<int32_t>(r.mSilhouette * 100.5f));
        sheetRow(1374);
        sText.IStringNum(r.mTransportClass);
        sheetRow(1375);
        sText.IStringText("");
        if (r.mPassengerSlots >= 0 && r.mPassengerSlots <= 2) sText.IStringRez(1377 + r.mPassengerSlots);
        if (r.mExtraStepsOfFive) sText.ConcatRez(1380);
        sheetRow(1376);
        if (v->IsArmoredVehicle(kKnowIdentified, false)) {
            DrawArmorTable(s);
            s.y += 3;
        } else if (r.mFlags & kVLightArmor) {
            s.y += 14;
            sText.IStringRez(1841);
            Line(&sText, 3, s.y, kFontSmall, kWhite, kWhite, kWhite);
        }
    }
    FeaturesText(r, s.optics, &sText);
    if (sText.GetLength() > 0) {
        s.y += 14;
        Line(&sText, 3, s.y, kFontSmall, kWhite, kWhite, kWhite);
    }
    MGLineFacts f;
    f.known = s.known;
    f.hasHeavyWeapon = v->HasHeavyWeapon(kKnowIdentified);
    f.hasTurret = v->HasTurret();
    f.openTop = v->OpenTopStatus(kKnowIdentified);
    f.rounds = v->mMGRounds;
    if (MachineGunLineText(r, f, &sText)) {
        s.y += 14;
        Line(&sText, 3, s.y, kFontSmall, kWhite, kWhite, kWhite);
    }
    if (FlameLineText(r, f, &sText)) {
        s.y += 14;
        Line(&sText, 3, s.y, kFontSmall, kWhite, kWhite, kWhite);
    }
    DrawWeaponLines(s);
    DrawPassengerLine(s);
}

void UnitInfoBalloon::DrawArmorTable(Sheet& s) {
    const VehicleData& r = *s.believed;
    s.y += 12;
    sText.IStringRez(1381);
    Line(&sText, 235, s.y, kFontSmall, 200, 200, 200);
    s.y += 19;
    ArmorHeaderText(&sText);
    Line(&sText, 3, s.y, kFontFixed, kWhite, kWhite, kWhite);
    for (int32_t row = r.mHasTurretArmor ? 0 : 1; row < 3; ++row) {
        s.y += 14;
        ArmorRowText(r, row, &sText);
        Line(&sText, 3, s.y, kFontFixed, 220, 220, 220);
    }
    s.y += 14;
    ArmorTopRowText(r, static_cast<Vehicle*>(mUnit)->HasTurret(), &sText);
    Line(&sText, 3, s.y, kFontFixed, 220, 220, 220);
    if (ArmorQualityText(r, &sText)) {
        s.y += 14;
        Line(&sText, 3, s.y, kFontFixed, 220, 220, 220);
    }
}

// ------------------------------------------------------------ infantry

void UnitInfoBalloon::DrawInfantrySheet(Sheet& s) {
    auto* inf = static_cast<Infantry*>(mUnit);
    if (s.level < 4) {
        sText.IStringRez(1362);
        Line(&sText, 3, 44, kFontFixed, kWhite, kWhite, kWhite);
        return;
    }
    const InfantryData& r = gInfantryData[inf->mSubtype];
    sText.IStringRez(1410);
    ConcatInfantrySpeed(inf, &sText);
    if (inf->mOnSkis) sText.ConcatRez(1838);
    Line(&sText, 3, 29, kFontFixed, kWhite, kWhite, kWhite);
    sText.IStringRez(1066);
    sText.InsertSpace(2);
    sText.ConcatNum(r.mTransportClass);
    if (r.mTransportClass >= 9) sText.ConcatRez(1087);
    Line(&sText, 3, 44, kFontFixed, kWhite, kWhite, kWhite);

    s.y = 59;
    auto next = [&](uint8_t red, uint8_t green, uint8_t blue) {
        Line(&sText, 3, s.y, kFontFixed, red, green, blue);
        s.y += 14;
    };
    if (s.known && inf->IsLeader(nullptr)) {
        LeaderBonusText(inf->mLeaderSkills, &sText);
        if (sText.GetLength() > 0) next(150, 255, 0);
    }
    sText.IStringText("");
    if (inf->mGrenades != 0) {
        sText.ConcatNum(inf->mGrenades);
        sText.AddChar(' ');
        int32_t name = 1870;
        switch (inf->mAntitankWeapon) {
        case 166:
            name = 1871;
            break;
        case 167:
            name = 1872;
            break;
        case 168:
            name = 1873;
            break;
        case 169:
            name = 1874;
            break;
        case 262:
            name = 1875;
            break;
        case 263:
            name = 1878;
            break;
        case 264:
            name = 1877;
            break;
        case 265:
            name = 1876;
            break;
        default:
            break;
        }
        sText.ConcatRez(name);
        if (inf->mExplosives != 0) sText.ConcatRez(1080);
    }
    if (inf->mExplosives != 0) {
        sText.ConcatNum(inf->mExplosives);
        sText.ConcatRez(inf->UsesDemoCharge() ? 1415 : 1414);
    }
    if (sText.GetLength() > 0) next(150, 255, 0);
    if (inf->HaveBinoculars()) {
        sText.IStringRez(1842);
        next(150, 150, 150);
    }
    if (s.optics >= 1 && s.optics <= 6) {
        sText.IStringRez(2040 + s.optics);
        sText.ConcatRez(2040);
        next(150, 150, 150);
    }
    s.y = std::max(s.y, 70);

    const int32_t n = std::clamp<int32_t>(r.mNrWeaponSlots, 0, kInfantryTeams);
    if (inf->mActive && !inf->mExiting && s.level == kContactFull && n > 0) {
        s.y = std::max(s.y, 110);
        sText.IStringRez(1416);
        Line(&sText, 3, s.y, kFontFixed, kWhite, kWhite, kWhite);
        int32_t totals[5] = {};
        for (int32_t i = n - 1; i >= 0; --i) {
            const SmallArmsType type = inf->mTeamSmallArms[i];
            FirepowerRowText(inf->mTeamMen[i], type, totals, &sText);
            Line(&sText, 3, s.y + 20 + 15 * i, kFontFixed, kWhite, kWhite, kWhite);
        }
        s.y += 5 + 15 * n;
        if (n > 1) {
            s.y += 23;
            FirepowerTotalText(totals, &sText);
            Line(&sText, 3, s.y, kFontFixed, 180, 230, 255);
            s.y += 10;
        }
    }
    DrawWeaponLines(s);
    DrawPassengerLine(s);
}

// ------------------------------------------------------------ passengers

void UnitInfoBalloon::DrawPassengerLine(Sheet& s) {
    Unit* u = mUnit;
    if (!s.own && !u->IsSpottedNow()) return;
    sText.IStringText("");
    if (u->mUnitType == kUnitVehicle) {
        auto* v = static_cast<Vehicle*>(u);
        if (!v->mPassengers[0] && !v->mPassengers[1]) return;
        sText.IStringRez(1430);
        bool first = true;
        for (Unit* p : v->mPassengers) {
            if (!p) continue;
            if (!first) sText.ConcatRez(1080);
            first = false;
            p->ConcatName(&sText, false);
            if (s.known) {
                sText.ConcatText(" (");
                p->ConcatID(&sText);
                sText.AddChar(')');
            }
        }
        s.y += 14;
    } else if (u->mUnitType == kUnitInfantry && u->mTransport) {
        sText.IStringRez(1431);
        u->mTransport->ConcatName(&sText, false);
        s.y += 28;
    } else {
        return;
    }
    Line(&sText, 3, s.y, kFontSmall, kWhite, kWhite, kWhite);
}

// ------------------------------------------------------------ the map's side

void Map::ToggleUnitInfo() {
    if (mInfoBalloon) {
        UnitInfoBalloon* balloon = mInfoBalloon;
        mInfoBalloon = nullptr;
        if (gKernel && gKernel->Idling())
            gKernel->KillViewAfterIdle(balloon);
        else if (!gKernel || gKernel->IsViewAlive(balloon))
            delete balloon;
        return;
    }
    Unit* selected = gBattle ? gBattle->mSelectedUnit : nullptr;
    if (!selected || !mView) return;
    auto* balloon = new UnitInfoBalloon;
    balloon->IUnitInfoBalloon(mView, selected);
    mInfoBalloon = balloon;
}

void Map::ClearInfoBalloon() {
    UnitInfoBalloon* balloon = mInfoBalloon;
    mInfoBalloon = nullptr;
    if (balloon && (!gKernel || gKernel->IsViewAlive(balloon))) delete balloon;
}

void Map::UpdateInfoBalloon() {
    if (!mInfoBalloon) return;
    Unit* selected = gBattle ? gBattle->mSelectedUnit : nullptr;
    if (selected)
        mInfoBalloon->SetUnit(selected);
    else
        ToggleUnitInfo();
}
