// The map's side of the battle screen: making the view, the camera lock,
// foxhole and crater placing, box selection, pick reports, and carrying the
// chosen orders to the selected unit.
#include <algorithm>
#include <cmath>

#include "app/Editor.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "app/PlayerMenu.h"
#include "app/UnitInfoBalloon.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "draw/DrawSettings.h"
#include "engine/G3DBridge.h"
#include "engine/GKernel.h"
#include "engine/GSoundManager.h"
#include "map/Map.h"
#include "renderer/GGraph3D.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/LeaderLines.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

Unit* Selected() {
    return gBattle ? gBattle->mSelectedUnit : nullptr;
}

Affiliation ViewSide() {
    return gBattle ? gBattle->Host()->ViewingSide() : 0;
}

void RefreshPanel() {
    if (gBattle) gBattle->RefreshInfoPanel();
}

void Beep() {
    if (gKernel) gKernel->Beep();
}

// The map drawing reaches its view through these: the 3-D frustum is set on
// the view (so that its picks use the same field of view and its bounds,
// above the bottom bar), and refreshes, sizes, labels and names go to it.
void InstallViewHooks() {
    gDrawHooks.activate3D = [](Map* map, float fov, float nearZ, float farZ) {
        if (map && map->mView) map->mView->Activate3D(fov, nearZ, farZ);
    };
    gDrawHooks.viewRefresh = [](Map* map) {
        if (map && map->mView) map->mView->Refresh();
    };
    gDrawHooks.viewSize = [](Map* map, int32_t* width, int32_t* height) {
        if (!map || !map->mView) return;
        *width = map->mView->GetWidth();
        *height = map->mView->GetHeight();
    };
    gDrawHooks.showWarningLabel = [](Map* map, int32_t x, int32_t y, GString* text1, int32_t kind1,
                                     GString* text2, int32_t kind2) {
        if (map && map->mView) map->mView->MapShowWarningLabel(x, y, text1, kind1, text2, kind2);
    };
    gDrawHooks.writeString = [](Map* map, GString* text, int32_t x, int32_t y, int32_t justify, int32_t font,
                                uint8_t r, uint8_t g, uint8_t b) {
        if (map && map->mView)
            map->mView->WriteString(text, x, y, justify, static_cast<GOLTAFont>(font), r, g, b);
    };
    gDrawHooks.stringWidth = [](GString* text, int32_t font) { return Bridge3D::StringWidth(text, font); };
    // Command lines stay out of pick passes and out of a playback with the
    // game aids switched off, like every other order line.
    SetLeaderLinesHidden([] {
        if (g3D && g3D->mPickPass != 0) return true;
        const DrawSettings& s = CurrentDrawSettings();
        return s.mHideGameAids && s.mState == kStatePlayback;
    });
    // While the battle draws no map (the computer plans, a turn computes,
    // the save dialog, a hand-over) the view shows its plain 2-D content.
    gDrawHooks.viewDraw2D = [](Map* map) {
        if (map && map->mView) map->mView->GView::Draw();
    };
    // The camera's height sets how far sounds carry at full volume.
    gDrawHooks.setSoundDistanceOffset = [](float metres) {
        if (gSound) gSound->m3DDistanceOffset = metres;
    };
}

} // namespace

// --------------------------------------------------------------- the view

void Map::CreateView() {
    if (mView) return;
    GView* root = gKernel ? gKernel->GetWindow() : nullptr;
    auto* view = new MapView;
    const int32_t w = gKernel ? gKernel->mScreenWidth : 800;
    const int32_t h = (gKernel ? gKernel->mScreenHeight : 600) - 90;
    view->IView(root, 0, 0, w, h);
    // The playback and the camera step once a pass; the pass comes at least
    // every 10 ms without making the loop spin while the scene is still.
    view->SetIdleTimer(10);
    view->mMap = this;
    mView = view;
    InstallViewHooks();
    if (MVApplication* app = TheApp()) app->MakeRadioInput(view);
    if (gCampaign && gBattle && !gEditor)
        if (Unit* mascot = gBattle->FindMascot(ViewSide())) ToggleCameraLock(mascot);
}

void Map::DeleteView() {
    MapView* view = mView;
    mView = nullptr;
    mOpenMenu = nullptr; // a child of the view, deleted with it
    mInfoBalloon = nullptr;
    mHotkeyPanel = nullptr;
    if (view && (!gKernel || gKernel->IsViewAlive(view))) delete view;
}

void Map::ShowMap(bool show) {
    if (mView) mView->Show(show);
}

void Map::SetMessage(GString* text) {
    if (mView) mView->SetMessage(text);
}

// ----------------------------------------------------------------- camera

void Map::ToggleCameraLock(Unit* unit) {
    if (unit == mLockedUnit || (unit && unit->VisibleToPlayer(false) < kContactSeen)) {
        mLockedUnit = nullptr;
    } else if (!unit) {
        mLockedUnit = nullptr;
        mLockHeadingOffset = 0.0f;
    } else {
        mLockedUnit = unit;
        mLockHeadingOffset = 0.0f;
    }
    DirtyClip();
    Refresh();
}

void Map::EnsurePointIsVisible(float x, float y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    float sx = x, sy = y;
    if (g3D && g3D->WorldToScreen(&sx, &sy, GetZCoord(x, y), false)) return;
    const Affiliation side = ViewSide();
    if (mCameraLevel[side] >= 5) {
        mCameraX[side] = x;
        mCameraY[side] = y;
    } else {
        const float dx = x - mCameraX[side], dy = y - mCameraY[side];
        float degrees;
        if (dx == 0.0f) {
            degrees = dy < 0.0f ? 270.0f : 90.0f;
        } else {
            degrees = std::atan(dy / dx) * 57.29578f;
            if (dx < 0.0f) degrees += 180.0f;
            if (degrees < 0.0f) degrees += 360.0f;
        }
        mCameraHeading[side] = degrees * 0.0174533f;
    }
    DirtyClip();
    Refresh();
}

// ------------------------------------------------------------------ menus

void Map::CloseOpenMenu() {
    PlayerMenu* menu = mOpenMenu;
    mOpenMenu = nullptr;
    if (!menu) return;
    // A menu often closes from inside its own button's press: the kernel
    // deletes it once the press is over.
    if (gKernel) {
        if (!gKernel->IsViewAlive(menu)) return;
        menu->Show(false);
        gKernel->KillViewAfterIdle(menu);
        return;
    }
    delete menu;
}

void Map::HandleMenuKey(char key) {
    if (!mOpenMenu) BringUpOrdersMenu(false);
    if (mOpenMenu && !mOpenMenu->HandleHotKey(key)) {
        Beep();
        CloseOpenMenu();
    }
}

void Map::BringUpOrdersMenu(bool fromHold) {
    Unit* s = Selected();
    MVApplication* app = TheApp();
    // A player commands his own side only: a seen enemy may be selected
    // (its panel and balloon show), but its menu is refused, whichever way
    // it is asked for (a hold, Space, a menu letter).
    if (!s || !s->CanReceiveOrders() || !s->IsOwnUnit(ViewSide()) ||
        (app && app->ProhibitOrdersDueToTCPIP())) {
        Beep();
        return;
    }
    if (fromHold || gBattle->mMultiSelection) gBattle->mSelectedIndex = -1;
    if (mOpenMenu) {
        CloseOpenMenu();
        return;
    }
    if (!s->mActive) return;
    const int32_t wp = gBattle->mSelectedIndex;
    if (wp >= 0 && wp < s->mNrWaypoints && s->mWaypoints[wp].mOrder == 17) return;
    auto* menu = new OrdersMenu;
    mOpenMenu = menu;
    menu->IPlayerMenu(s, mPointerX, mPointerY, mView);
    if (menu->mButtonCount == 0) BringUpOrdersMenu(false);
}

// A new question menu replaces an open menu, which goes first.
void Map::CreateGunChoiceMenu(Unit* unit) {
    CloseOpenMenu();
    auto* menu = new GunUseMenu;
    mOpenMenu = menu;
    menu->IPlayerMenu(unit, mPickScreenX, mPickScreenY, mView);
}

void Map::CreateFloorChoiceMenu(Unit* unit) {
    CloseOpenMenu();
    auto* menu = new FloorChoiceMenu;
    mOpenMenu = menu;
    menu->IPlayerMenu(unit, mPickScreenX, mPickScreenY, mView);
}

// ------------------------------------------------------------------ picks

void Map::DesireUnitPick(bool wanted) {
    mPickWanted = wanted;
    if (wanted) {
        mPickedUnit = nullptr;
        mPickedBuilding = nullptr;
    }
}

void Map::SetPickedUnit(Unit* unit) {
    if (mPickWanted) mPickedUnit = unit;
}

void Map::SetPickedBuilding(Building* building) {
    if (mPickWanted) mPickedBuilding = building;
}

void Map::AdjustXYForBuildingPick(float* x, float* y, Building** picked) {
    if (mPickedBuilding) mPickedBuilding->GravitateXYToCenter(x, y);
    if (picked) *picked = mPickedBuilding;
}

void Map::ForgetUnit(Unit* unit) {
    if (!unit) return;
    if (mPickedUnit == unit) mPickedUnit = nullptr;
    if (mTrackedUnit == unit) mTrackedUnit = nullptr;
    if (mLockedUnit == unit) mLockedUnit = nullptr;
    if (mOpenMenu && mOpenMenu->mUnit == unit) CloseOpenMenu();
    if (mInfoBalloon && mInfoBalloon->GetUnit() == unit) ClearInfoBalloon();
    RemoveUnitEngineSound(unit);
}

// ------------------------------------------------------- box and craters

void Map::BoxSelectStart(int32_t x, int32_t y) {
    mBoxStartX = x;
    mBoxStartY = y;
    mPointerX = x;
    mPointerY = y;
    SetMapViewState(14);
    if (gBattle) gBattle->mMultiSelection = true;
}

void Map::GetMultiselectRect(LongRect* r) const {
    r->left = std::min(mBoxStartX, mPointerX);
    r->top = std::min(mBoxStartY, mPointerY);
    r->right = std::max(mBoxStartX, mPointerX);
    r->bottom = std::max(mBoxStartY, mPointerY);
}

bool Map::FoxholePlacingOffered() const {
    if (!gBattle || gEditor || !gBattle->mSetupPhase) return false;
    const int32_t attacker = gBattle->mAttacker;
    return attacker != 2 && attacker != ViewSide() && mFoxholeAllowance >= 2;
}

void Map::SetCraterPlacingStatus(int32_t status) {
    if (status == 5) {
        mCraterPlacingStatus = 0;
    } else if (status == -1) {
        if (!FoxholePlacingOffered()) return;
        mCraterPlacingStatus = mCraterPlacingStatus == 5 ? 0 : 5;
    } else {
        mCraterPlacingStatus = status;
    }
    if (gBattle) gBattle->SetSelectedUnit(nullptr);
}

void Map::EditorCraterClick(float x, float y) {
    const bool foxholeMode = mCraterPlacingStatus == 5;
    if (!std::isfinite(x) || !std::isfinite(y) || x < 0.0f || y < 0.0f || x >= mWidthMetres ||
        y >= mHeightMetres)
        return;
    const Affiliation side = ViewSide();
    if (foxholeMode) {
        const Square* sq = GetSquare(static_cast<int32_t>(x * 0.05f), static_cast<int32_t>(y * 0.05f));
        const int32_t zone = sq ? sq->mSetupZone : 0;
        const bool own = side == 0 ? (zone >= 4 && zone <= 6) : (zone >= 1 && zone <= 3);
        if (!own) return;
    } else if (Crater* c = mCraters ? mCraters->FindCrater(x, y) : nullptr) {
        mCraters->Delete(c, true);
        return;
    }
    // The player takes back only the side's own foxholes. One of the other
    // side here, spotted or not, is not his to remove, nor to dig over (a
    // foxhole made here would replace it): the click does nothing, as it
    // does on ground where no foxhole may be dug.
    Crater* here = nullptr;
    if (mFoxholes) here = foxholeMode ? CraterCovering(mFoxholes, x, y) : mFoxholes->FindCrater(x, y);
    if (foxholeMode && here && here->mSide != side) return;
    if (Crater* c = here) {
        if (!foxholeMode || c->IsFoxhole()) {
            mFoxholes->Delete(c, true);
            if (foxholeMode) ++mFoxholesLeft;
            IndexObjects();
            return;
        }
    }
    float charge = 700.0f;
    if (foxholeMode) {
        if (mFoxholesLeft <= 0) return;
    } else {
        static const WeaponType kWeapons[4] = {190, 214, 218, 221};
        const int32_t s = mCraterPlacingStatus;
        if (s < 1 || s > 4) return;
        charge = BlastPower(kWeapons[s - 1], 0);
    }
    Crater* made =
        MakeCrater(x, y, charge, foxholeMode, !foxholeMode, false, 0.0f, foxholeMode ? side : 2, false);
    if (made && foxholeMode) --mFoxholesLeft;
}

// ------------------------------------------------------------------ orders

void Map::RespondTo3DOrder(int32_t state) {
    Unit* s = Selected();
    if (!s) return;
    if (mView) mView->Reactivate3D();
    s->GetUnitScreenCenter(&mPointerX, &mPointerY);
    mDragOriginX = s->mX;
    mDragOriginY = s->mY;
    mDragOriginZ = s->GetZ();
    SetMapViewState(state);
    if (mView) mView->TrackMouseNow();
}

void Map::RespondToOrder(int32_t order, bool toPickedWaypoint) {
    Unit* s = Selected();
    if (!s || !gBattle) return;
    if (order == 55 || order == 56) {
        if ((order == 55) != s->HideOrderToggled()) return;
        order = 36;
    }
    if (toPickedWaypoint) {
        const bool movement =
            (order >= 20 && order <= 23) || (order >= 25 && order <= 27) || (order >= 29 && order <= 31);
        // The pace must suit the unit and the waypoints beside it, and a
        // locked waypoint keeps its pace.
        if (!movement || !s->CanDoOrder(order) || s->LockedIntoMovementOrders()) {
            Beep();
            return;
        }
        s->ChangeWaypointSpeed(order);
        s->OrdersDelay(false, false);
        if (MapViewState() != 7) gBattle->mSelectedIndex = -1;
        return;
    }
    if (gBattle->mSetupPhase && mSetupChainPending && order == 59) {
        mSetupChainPending = false;
        if (!gBattle->mMultiSelection) {
            SetMapViewState(0);
            return;
        }
    }
    auto* vehicle = s->mUnitType == kUnitVehicle ? dynamic_cast<Vehicle*>(s) : nullptr;
    auto* infantry = s->mUnitType == kUnitInfantry ? dynamic_cast<Infantry*>(s) : nullptr;
    if ((order >= 20 && order <= 33) || order == 37) {
        // A new move would replace waypoints the unit is locked into.
        if (s->LockedIntoMovementOrders()) {
            Beep();
            return;
        }
        s->RemoveCurrentRotation();
        while (s->mNrWaypoints > 0 && s->AvailableWaypoints(order) == 0) {
            --s->mNrWaypoints;
            if (s->mNrWaypoints == 0) s->CancelMovementOrders();
        }
        mCurrentOrder = order;
        SetMapViewState(order == 29 ? 3 : 2);
        if (mView) mView->TrackMouseNow();
        return;
    }
    switch (order) {
    case 34:
        s->CancelMovementOrders();
        s->Stop(true);
        break;
    case 35:
        s->mCycleSetting = s->mCycleSetting >= 5 ? 0 : s->mCycleSetting + 1;
        s->ResetAnimation();
        RefreshPanel();
        break;
    case 36:
        s->ReceiveMoveOrders(0.0f, 0.0f, 36, nullptr, false, false, false, true);
        RefreshPanel();
        break;
    case 38:
    case 40:
    case 44:
        mAreaFireMode = order == 44;
        s->mTargetKindFlag = order == 40;
        RespondTo3DOrder(4);
        break;
    case 39:
        s->CycleToNextTarget();
        break;
    case 41:
        s->AddOneArtilleryMinute();
        RefreshPanel();
        break;
    case 42:
        if (MapViewState() == 4) {
            SetMapViewState(0);
            mAreaFireMode = false;
        }
        // Without a target kept from the last turn there is nothing to go
        // back to (the fire would otherwise land at the map's corner).
        if (!s->CanDoOrder(42)) {
            Beep();
            break;
        }
        ResetFOTarget();
        break;
    case 43:
        if (MapViewState() == 4) {
            SetMapViewState(0);
            mAreaFireMode = false;
        } else {
            s->CancelTarget(true, true);
            RefreshPanel();
        }
        break;
    case 45:
    case 46:
        s->CancelCoveredArc();
        s->mArcKind = order == 46;
        if (s->mNrWaypoints >= 2 || (s->mNrWaypoints == 1 && !s->LastWaypointIsRotation()))
            s->mWaypoints[s->mNrWaypoints - 1].mHide = 0;
        SetMapViewState(5);
        if (mView) mView->TrackMouseNow();
        RefreshPanel();
        break;
    case 47:
        s->CancelCoveredArc();
        break;
    case 48:
        RespondTo3DOrder(1);
        break;
    case 49:
        if (vehicle) {
            vehicle->ChangeButton(false, 60);
            RefreshPanel();
        }
        break;
    case 50:
        if (infantry) {
            infantry->Split();
            RefreshPanel();
        }
        break;
    case 57:
        RespondTo3DOrder(9);
        break;
    case 58:
        mSetupChainPending = true;
        RespondTo3DOrder(9);
        break;
    case 59:
        RespondTo3DOrder(10);
        break;
    case 60:
        RespondTo3DOrder(11);
        break;
    case 61:
        if (vehicle) {
            if (vehicle->IsArmoredVehicle(0, false)) vehicle->DigIn();
        } else if (infantry) {
            infantry->ToggleDigInStatus();
        }
        break;
    case 62:
        s->mSetupOrderSetting = s->mSetupOrderSetting == 7 ? 0 : 7;
        break;
    case 63:
        RespondTo3DOrder(12);
        break;
    default:
        break;
    }
}

bool Map::AssignMoveOrders(bool final) {
    Unit* s = Selected();
    if (!s) return false;
    if (mCurrentOrder == 0 || mCurrentOrder == 37) mTrackedUnit = nullptr;
    s->ReceiveMoveOrders(mPickX, mPickY, mCurrentOrder, dynamic_cast<Vehicle*>(mTrackedUnit), !final, false,
                         true, true);
    RefreshPanel();
    return s->LastWaypointIsRotation() || s->AvailableWaypoints(mCurrentOrder) == 0;
}

void Map::AssignTargetOrders() {
    Unit* s = Selected();
    if (!s) return;
    Unit* target = mTrackedUnit;
    const float x = target ? target->mX : mPickX;
    const float y = target ? target->mY : mPickY;
    s->ReceiveTargetOrders(target, mPickX, mPickY, mAreaFireMode, 0);
    // Out of reach or on ground it cannot see, the unit keeps no such
    // target; a locked or observed target, or a mortar's unseen one, becomes
    // fire on its place.
    const bool taken = (target && s->mTarget == target) ||
                       (s->mAreaTarget && s->mAreaTargetX == x && s->mAreaTargetY == y);
    if (!taken) Beep();
    mAreaFireMode = false;
    RefreshPanel();
}

namespace {

constexpr int32_t kSetupRefusedOutsideZone = 6420;
constexpr int32_t kSetupRefusedImpassable = 6421;
constexpr int32_t kSetupRefusedOccupied = 6422;
constexpr uint32_t kSetupRefusalMs = 2000;

// Why a unit may not be set down there, for the line over the map: outside
// its zone (or off the map), on ground it cannot stand on, or where the
// place is full.
int32_t SetupRefusalText(Unit* s, float x, float y, Unit* carrier) {
    if (s->mUnitType == kUnitInfantry && carrier)
        return kSetupRefusedOutsideZone;
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map || !map->OnMap(x, y) || !s->InSetupZone(x, y)) return kSetupRefusedOutsideZone;
    if (!s->CanOccupyLocation(x, y, true)) return kSetupRefusedImpassable;
    return kSetupRefusedOccupied;
}

} // namespace

bool Map::SetupUnit(bool onTransport, bool intoCarrier) {
    Unit* s = Selected();
    if (!s) return false;
    if (!onTransport || !mTrackedUnit || mTrackedUnit->mUnitType != kUnitVehicle) mTrackedUnit = nullptr;
    const float x = mPickX, y = mPickY;
    Unit* carrier = mTrackedUnit;
    const bool r =
        s->ChangeSetup(mPickX, mPickY, onTransport, dynamic_cast<Vehicle*>(mTrackedUnit), intoCarrier);
    // A refused place beeps (in ChangeSetup) and says why for a while.
    if (!r && onTransport && !intoCarrier && mView && std::isfinite(x) && std::isfinite(y)) {
        GString255 why;
        why.IStringRez(SetupRefusalText(s, x, y, carrier));
        mView->SetMessage(&why, kSetupRefusalMs);
    }
    // A half-squad set down beside the half it may rejoin joins it at once;
    // the join may delete s, so it is not touched after this.
    if (r && gBattle && s->mUnitType == kUnitInfantry && s->mSibling && s->mSiblingMayRejoin)
        gBattle->JoinUnits();
    RefreshPanel();
    return r;
}

void Map::ActivateFlag() {
    if (!gBattle) return;
    float best = 999999.0f;
    VictoryFlag* chosen = nullptr;
    for (int32_t i = 0; i < gBattle->mFlags.GetCount(); ++i) {
        auto* f = static_cast<VictoryFlag*>(gBattle->mFlags.GetObjectA(i));
        if (!f) continue;
        const float d = std::hypot(f->mX - mPickX, f->mY - mPickY);
        if (d < best) {
            best = d;
            chosen = f;
        }
    }
    if (chosen) mActiveFlag = chosen;
}
