// The map view: drawing with its status lines, picking and the mouse.
#include "app/MapView.h"
#include "engine/G3DBridge.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

#include "app/Editor.h"
#include "app/GRadioInputView.h"
#include "app/MVApplication.h"
#include "app/MapViewLines.h"
#include "app/PlayerMenu.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "draw/DrawSettings.h"
#include "engine/GGroup.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GOLTAFont.h"
#include "map/Map.h"
#include "platform/Surface16.h"
#include "renderer/GGraph3D.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

extern bool sMapDrawn;

namespace {

int32_t sFallbackState = 0; // the state when no application runs

constexpr uint32_t kMessageMs = 1500;
// The playback state of a paused playback (the pause button's command).
constexpr int32_t kPlaybackPausedState = 13;

UnitList* Units() {
    return gBattle ? gBattle->mUnits : nullptr;
}

Unit* Selected() {
    return gBattle ? gBattle->mSelectedUnit : nullptr;
}

void Select(Unit* unit) {
    if (gBattle) gBattle->SetSelectedUnit(unit);
}

// The player's preference (key Y) leaves passengers out of Shift, platoon
// and box selection.
bool ExcludesPassengers() {
    MVApplication* app = TheApp();
    return app && app->mPrefs[kPrefExcludePassengers] != 0;
}

// A TCP/IP turn takes no orders once GO is pressed (until the next orders
// phase), nor when it was reloaded from its auto-save.
bool OrdersProhibitedByTCPIP() {
    MVApplication* app = TheApp();
    return app && app->ProhibitOrdersDueToTCPIP();
}

bool IsOwn(Unit* unit) {
    MVApplication* app = TheApp();
    const Affiliation side = app ? app->ViewingSide() : (gBattle ? gBattle->Host()->ViewingSide() : 0);
    return unit && unit->IsOwnUnit(side);
}

Affiliation ViewSide() {
    return gBattle ? gBattle->Host()->ViewingSide() : 0;
}

void ClearAllMarks() {
    if (UnitList* units = Units())
        for (int32_t i = 0; i < units->GetCount(); ++i)
            if (Unit* u = units->GetUnit(i)) u->mSelectionMark = 0;
}

// Every unit linked to the leader in either command link joins the selection.
void MarkPlatoon(Unit* leader) {
    UnitList* units = Units();
    if (!units) return;
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (!u || u->mSelectionMark == 2) continue;
        if (u->mHQ != leader && u->mPlatoonHQ != leader) continue;
        if (!u->CanReceiveOrders()) continue;
        if (ExcludesPassengers() && u->IsPassenger(false)) continue;
        u->mSelectionMark = 2;
    }
}

// Draws the map; while the battle computes (a turn, or the computer's
// planning) the camera does not shake and a screen update leaves the
// program's generator as it found it, so that a seeded turn stays the same
// with and without a screen.
void DrawMapQuietly(Map* map) {
    const bool computing = gBattle && (gBattle->mComputing || gBattle->mAIThinking);
    if (!computing) {
        map->DrawMap();
        return;
    }
    // The scenery's own touches (smoke puffs, scattered doodads) may draw
    // too: the generator is put back as it was.
    const float shake = map->mShake;
    const uint32_t generator = GetRandomState();
    map->mShake = 0.0f;
    map->DrawMap();
    map->mShake = shake;
    SeedRandomGenerator(generator);
}

} // namespace

int32_t MapViewState() {
    MVApplication* app = TheApp();
    return app ? app->mState : sFallbackState;
}

void SetMapViewState(int32_t state) {
    if (MVApplication* app = TheApp())
        app->SetState(state);
    else
        sFallbackState = state;
}

// ------------------------------------------------------------------ drawing

void MapView::Draw() {
    if (!mMap) return;
    sMapDrawn = true;
    // One drawn frame moves the figures once; a pick pass is no frame.
    if (gBattle && gBattle->mMap == mMap && !(g3D && g3D->mPickPass != 0)) gBattle->AdvanceAnimations();
    DrawMapQuietly(mMap);
    if (!sMapDrawn || (g3D && g3D->mPickPass != 0)) return;
    if (Unit* s = Selected(); s && s->VisibleToPlayer(false) != kContactNone) {
        s->DrawTargetLine(true);
        s->DrawIncomingTargetLines();
        // Command lines for a unit of the viewer's side byte (not the
        // ownership a surrender turns round), or any unit in the editor.
        if ((s->mSide != 0) == (ViewSide() == kAxis) || gEditor) s->DrawHQLines();
    }
    DrawInteractionLine(mMap, MapViewState());
    if (MapViewState() == kStateBoxSelect) {
        LongRect r;
        mMap->GetMultiselectRect(&r);
        FrameRectangle(&r, static_cast<int16_t>(MakeRGB565(0, 255, 255)));
    }
    DrawStatusLines();
    DrawRadioLines(this);
    Bridge3D::FlushStrings();
    // The views over the map: the orders menu, the unit balloon, the hot-key
    // window.
    DrawSubviews();
}

void MapView::DrawStatusLines() {
    const int32_t cx = GetWidth() / 2;
    const int32_t state = MapViewState();
    const bool snow = gBattle && gBattle->mGroundCondition >= 6 && gBattle->mGroundCondition <= 8;
    GString255 line;
    if (mMessageShown) {
        if (ClockTime() - mMessageTime > mMessageMs) mMessageShown = false;
        line.Concat(&mMessage);
    } else if ((state == kStateMoveOrder || state == kStateMoveOrder29) && Selected() &&
               !gBattle->mMultiSelection && Selected()->AvailableWaypoints(mMap->mCurrentOrder) <= 1) {
        line.IStringRez(1803);
        line.ConcatNum(Selected()->AvailableWaypoints(mMap->mCurrentOrder));
    } else if (gBattle && gBattle->mSetupPhase) {
        line.IStringRez(1301);
    } else if (mMap->mLockedUnit) {
        line.IStringRez(1302);
    }
    if (line.GetLength() > 0)
        ShadowString(&line, cx, 15, 0, static_cast<GOLTAFont>(0), 255, 255, 150, 0, 0, 0, true);

    MVApplication* app = TheApp();
    const uint8_t pr = snow ? 0 : 255, pg = snow ? 205 : 255, pb = 180;
    int32_t tcpString = 0;
    if (app && app->mConnectionType == 2) {
        switch (app->mTCPIPPhase) {
        case 2:
            tcpString = 1715;
            break;
        case 4:
            tcpString = 1686;
            break;
        case 7:
        case 13:
            tcpString = 1682;
            break;
        case 8:
            tcpString = 1683;
            break;
        case 9:
        case 10:
        case 11:
        case 20:
            tcpString = 1684;
            break;
        case 12:
        case 21:
            tcpString = 1685;
            break;
        case 14:
            tcpString = 1699;
            break;
        case 15:
            tcpString = 1696;
            break;
        case 16:
            tcpString = 1697;
            break;
        case 17:
            tcpString = 1708;
            break;
        case 18:
            tcpString = 1698;
            break;
        case 22:
            tcpString = 1695;
            break;
        default:
            break;
        }
    }
    if (tcpString != 0)
        ShadowStringRez(tcpString, cx, 30, 0, static_cast<GOLTAFont>(0), pr, pg, pb, 0, 0, 0, true);
    else
        DrawPlacingLine(cx);
    if (app && app->mConnectionType == 2) DrawTurnClockLines(app, cx, pr, pg, pb);
}

// A player's GO stops his clock while it runs (mClockWasRunning): the time
// limit is then ignored for him for the rest of the turn. The clock counts as
// switched off only when it neither runs nor is ignored, as after both
// players agreed to pause it.
int32_t TurnClockLines(MVApplication* app, TurnClockLine* lines) {
    if (!app || app->mConnectionType != 2) return 0;
    int32_t count = 0;
    const int32_t phase = app->mTCPIPPhase;
    const bool runs = app->mTurnClockStart != 0;
    const bool ignored = !runs && app->mClockWasRunning;
    if (app->mTurnTimeLimit > 0 && phase != 3 && phase != 4) {
        if (runs) {
            const uint32_t t = app->TCPIPTimeRemaining();
            const bool setup = gBattle && gBattle->mSetupPhase;
            if (t > 0 && (t <= static_cast<uint32_t>(app->mTurnTimeLimit / 1000) || setup))
                lines[count++] = {1689, 45};
        } else if (!ignored && !(gBattle && gBattle->mComputing) && (phase < 14 || phase > 18)) {
            lines[count++] = {1718, 45};
        }
    }
    if (app->mAutoSaveReloading) lines[count++] = {1693, 60};
    if ((runs || ignored) && (app->mOwnPauseRequest || app->mPeerPause))
        lines[count++] = {app->mOwnPauseRequest ? 1714 : 1716, app->mAutoSaveReloading ? 75 : 60};
    return count;
}

// The turn clock of a TCP/IP game, the auto-save reload warning and the
// pause requests.
void MapView::DrawTurnClockLines(MVApplication* app, int32_t cx, uint8_t pr, uint8_t pg, uint8_t pb) {
    const auto font = static_cast<GOLTAFont>(0);
    TurnClockLine lines[4];
    const int32_t count = TurnClockLines(app, lines);
    for (int32_t i = 0; i < count; ++i) {
        const TurnClockLine& line = lines[i];
        if (line.text == 1689) {
            const uint32_t t = app->TCPIPTimeRemaining();
            GString63 text;
            text.IStringRez(1689);
            text.ConcatNum(static_cast<int32_t>(t));
            const uint8_t g = t <= 15 ? 125 : 220;
            ShadowString(&text, cx - 70, line.y, -1, font, 255, g, g, 0, 0, 0, true);
        } else if (line.text == 1718) {
            ShadowStringRez(1718, cx, line.y, 0, font, 255, 200, 200, 0, 0, 0, true);
        } else {
            ShadowStringRez(line.text, cx, line.y, 0, font, pr, pg, pb, 0, 0, 0, true);
        }
    }
}

// Crater and foxhole placing, the first tips, or the foxhole offer.
// A status line wider than the view (the foxhole line is on an 800-pixel
// screen) goes on at the next line, 15 pixels down, broken between words.
void MapView::DrawWrappedLine(GString255* text, int32_t cx, int32_t y) {
    const auto font = static_cast<GOLTAFont>(0);
    const int32_t room = GetWidth() - 20;
    const std::string all = text->GetCString();
    size_t from = 0;
    while (from < all.size()) {
        size_t end = all.size();
        GString255 line;
        line.IStringText(all.substr(from).c_str());
        while (StringWidthInPixels(&line, font) > room) {
            const size_t blank = all.rfind(' ', end - 1);
            if (blank == std::string::npos || blank <= from) break;
            end = blank;
            line.IStringText(all.substr(from, end - from).c_str());
        }
        ShadowString(&line, cx, y, 0, font, 255, 255, 220, 0, 0, 0, true);
        from = end;
        while (from < all.size() && all[from] == ' ')
            ++from;
        y += 15;
    }
}

void MapView::DrawPlacingLine(int32_t cx) {
    MVApplication* app = TheApp();
    const int32_t s = mMap->PlacingStatus();
    if (s != 0) {
        GString255 text;
        text.IStringRez(1999 + s);
        if (s == 5) {
            text.ConcatNum(mMap->mFoxholesLeft);
            text.ConcatRez(2005);
        }
        DrawWrappedLine(&text, cx, 30);
    } else if (sUserHasNotSeenMenuYet && gBattle && gBattle->mSetupPhase &&
               !(app && app->mConnectionType == 2)) {
        ShadowStringRez(1303, cx, 30, 0, static_cast<GOLTAFont>(0), 255, 255, 220, 0, 0, 0, true);
        ShadowStringRez(1305, cx, 45, 0, static_cast<GOLTAFont>(0), 255, 255, 220, 0, 0, 0, true);
    } else if (mMap->FoxholePlacingOffered()) {
        ShadowStringRez(2007, cx, 30, 0, static_cast<GOLTAFont>(0), 255, 255, 220, 0, 0, 0, true);
    }
}

void MapView::SetMessage(GString* text, uint32_t ms) {
    mMessageShown = true;
    mMessageTime = ClockTime();
    mMessageMs = ms != 0 ? ms : kMessageMs;
    mMessage.IStringText("");
    if (text) mMessage.Concat(text);
}

void MapView::MapShowWarningLabel(int32_t x, int32_t y, GString* text1, int32_t kind1, GString* text2,
                                  int32_t kind2) {
    const bool has1 = text1 && text1->GetLength() > 0;
    const bool has2 = text2 && text2->GetLength() > 0;
    if (!has1 && !has2) return;
    GString* first = has1 ? text1 : text2;
    y = std::clamp(y, 15, std::max(15, GetHeight() - 20));
    x = std::clamp(x, 5, std::max(5, GetWidth() - 5));
    const int32_t justify = x < 100 ? -1 : (x > GetWidth() - 100 ? 1 : 0);
    const bool snow = gBattle && gBattle->mGroundCondition >= 6 && gBattle->mGroundCondition <= 8;
    auto colour = [snow](int32_t kind, uint8_t* r, uint8_t* g, uint8_t* b) {
        switch (kind) {
        case 1:
            *r = 255, *g = 144, *b = 0;
            break;
        case 2:
            *r = 255, *g = 255, *b = 50;
            break;
        case 3:
            if (snow)
                *r = 0, *g = 200, *b = 0;
            else
                *r = 255, *g = 255, *b = 255;
            break;
        default:
            *r = 255, *g = 30, *b = 30;
            break;
        }
    };
    uint8_t r, g, b;
    colour(kind1, &r, &g, &b);
    ShadowString(first, x, y, justify, static_cast<GOLTAFont>(0), r, g, b, 0, 0, 0, true);
    if (has1 && has2) {
        colour(kind2, &r, &g, &b);
        ShadowString(text2, x, y + 15, justify, static_cast<GOLTAFont>(0), r, g, b, 0, 0, 0, true);
    }
}

// ------------------------------------------------------------------ picking

void MapView::Pick(int32_t x, int32_t y, bool units, bool withOverlays) {
    if (!mMap) return;
    // A pick that wants no units wants no building either: the building an
    // earlier pick found must not pull this one's point towards it.
    if (units)
        mMap->DesireUnitPick(true);
    else if (!mMap->mPickWanted)
        mMap->mPickedBuilding = nullptr;
    mMap->DirtyClip();
    Activate3DPick(x, y);
    if (withOverlays)
        Draw();
    else
        DrawMapQuietly(mMap);
    Continue3DPick();
    if (withOverlays)
        Draw();
    else
        DrawMapQuietly(mMap);
    Finish3DPick();
    mMap->DirtyClip();
}

bool MapView::ComputePickPoint() {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    if (!mMap || !g3D || !g3D->GetPickPoint(&x, &y, &z)) return false;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return false;
    Building* building = nullptr;
    mMap->AdjustXYForBuildingPick(&x, &y, &building);
    mMap->mPickX = x;
    mMap->mPickY = y;
    const float ground = mMap->GetZCoord(x, y);
    mMap->mPickZ = ground;
    if (building && building->mUpperFloor && z >= ground + 6.0f) mMap->mPickZ = ground + 6.0f;
    float sx = x, sy = y;
    g3D->WorldToScreen(&sx, &sy, mMap->mPickZ, true);
    mMap->mPickScreenX = static_cast<int32_t>(sx);
    mMap->mPickScreenY = static_cast<int32_t>(sy);
    return true;
}

void MapView::TrackHelper(int32_t x, int32_t y) {
    Pick(x, y, false, false);
    if (ComputePickPoint()) Refresh();
}

// -------------------------------------------------------------------- mouse

void MapView::DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) {
    if (!mMap || !gBattle) return;
    const int32_t state = MapViewState();
    if (state == kStateMoveOrder || state == kStateMoveOrder29) {
        TrackMouseHold();
        return;
    }
    if (state != kStateNone && state != kStatePlayback) return;
    const bool ordersAllowed = state == kStateNone && !OrdersProhibitedByTCPIP();
    mRememberedWaypoint = gBattle->mSelectedIndex;
    gBattle->mSelectedIndex = -1;
    Pick(x, y, true, true);
    Unit* picked = mMap->mPickedUnit;
    const float w = mMap->mWidthMetres, h = mMap->mHeightMetres;
    auto pointOnMap = [&] {
        return ComputePickPoint() && mMap->mPickX >= 0.0f && mMap->mPickX < w && mMap->mPickY >= 0.0f &&
               mMap->mPickY < h;
    };
    if (mMap->PlacingStatus() != 0) {
        if (pointOnMap()) mMap->EditorCraterClick(mMap->mPickX, mMap->mPickY);
    } else if (gBattle->mSelectedIndex >= 0) {
        gBattle->mMultiSelection = false;
        TrackMouseHold();
    } else if (ctrl) {
        if (picked && picked != mMap->mLockedUnit) {
            mMap->ToggleCameraLock(picked);
        } else if (pointOnMap()) {
            // A lock would pull the camera back to its unit at the next
            // frame: the jump releases it first, as a camera move does.
            mMap->mLockedUnit = nullptr;
            const Affiliation side = mMap->ViewingSide();
            mMap->mCameraX[side] = mMap->mPickX;
            mMap->mCameraY[side] = mMap->mPickY;
            mMap->DirtyClip();
        }
    } else if (picked) {
        ClickOnUnit(picked, doubleClick, shift, ordersAllowed, x, y);
    } else if (ordersAllowed) {
        UnitList* units = Units();
        if (shift) {
            if (units)
                for (int32_t i = 0; i < units->GetCount(); ++i)
                    if (Unit* u = units->GetUnit(i); u && u->mSelectionMark == 1) u->mSelectionMark = 2;
        } else {
            ClearAllMarks();
            Select(nullptr);
        }
        mMap->BoxSelectStart(x, y);
        TrackMouseNow();
    } else {
        Select(nullptr);
    }
    mMap->DesireUnitPick(false);
    Refresh();
}

void MapView::ClickOnUnit(Unit* p, bool doubleClick, bool shift, bool ordersAllowed, int32_t x, int32_t y) {
    // Only an own leader's double click takes in its platoon.
    const bool a = doubleClick && ordersAllowed && p->CanReceiveOrders() && IsOwn(p);
    const bool b = a && p->IsLeader(nullptr);
    const bool c = b && (p->mUnitType != kUnitVehicle || p->PlatoonSubordinate(true) != nullptr);
    bool& multi = gBattle->mMultiSelection;
    if (shift && ordersAllowed && IsOwn(p) && !(ExcludesPassengers() && p->IsPassenger(false))) {
        Unit* s = Selected();
        if (s == p && !c) {
            if (multi) {
                p->mSelectionMark = 0;
                Unit* next = nullptr;
                if (UnitList* units = Units())
                    for (int32_t i = 0; i < units->GetCount() && !next; ++i)
                        if (Unit* u = units->GetUnit(i); u && u->mSelectionMark != 0 && u->CanReceiveOrders())
                            next = u;
                if (next)
                    Select(next);
                else
                    multi = false;
            } else {
                Select(nullptr);
            }
        } else if (multi && p->mSelectionMark != 0 && !c) {
            p->mSelectionMark = 0;
        } else {
            multi = true;
            if (s) s->mSelectionMark = 2;
            Select(p);
            p->mSelectionMark = 2;
            if (c) MarkPlatoon(p);
        }
        return;
    }
    const bool d = !(!c && multi && p->mSelectionMark != 0 && IsOwn(p));
    if (d) ClearAllMarks();
    Select(p);
    if (c) {
        multi = true;
        p->mSelectionMark = 2;
        MarkPlatoon(p);
        return;
    }
    if (d) multi = false;
    mMap->mDragOriginX = p->mX;
    mMap->mDragOriginY = p->mY;
    mMap->mDragOriginZ = p->GetZ();
    mMap->mPointerX = x;
    mMap->mPointerY = y;
    TrackMouseHold();
}

void MapView::DoMouseTrack(int32_t x, int32_t y, bool shift, bool ctrl) {
    if (!mMap || !gBattle) return;
    mMap->mTrackedUnit = nullptr;
    const int32_t state = MapViewState();
    Unit* s = Selected();
    switch (state) {
    case kStateSightLine:
    case kStateMoveOrder:
    case kStateMoveOrder29:
    case kStatePickTarget:
    case kStateSetupPick57:
    case kStateSetupPick60: {
        mMap->DesireUnitPick(true);
        TrackHelper(x, y);
        Unit* t = mMap->mPickedUnit;
        if (t && s) {
            if (state == kStatePickTarget && !s->CanPotentiallyTarget(t)) t = nullptr;
            if (state == kStateMoveOrder && mMap->mCurrentOrder == 33) t = nullptr;
            // A unit that changed sides neither rides nor assaults.
            if (state == kStateMoveOrder && s->mSurrendered) t = nullptr;
        }
        if (t && s && state != kStateSightLine && state != kStatePickTarget) {
            const bool assault = !gBattle->mSetupPhase && t->mSide != s->mSide &&
                                 s->mUnitType == kUnitInfantry && t->mUnitType == kUnitVehicle &&
                                 t->mActive && !(dynamic_cast<Vehicle*>(t) && static_cast<Vehicle*>(t)->IsFixed()) &&
                                 s->GetSpeedClass() == kSpeedUnencumbered &&
                                 s->ApparentDistanceToUnit(t) <= 50.0f;
            const bool ride = t->mSide == s->mSide && t->CanTransport(s, false, gBattle->mSetupPhase) &&
                              !(s->mUnitType == kUnitInfantry && s->mTransport == t);
            if (!assault && !ride) t = nullptr;
        }
        if (!s) t = nullptr;
        mMap->mTrackedUnit = t;
        mMap->DesireUnitPick(false);
        break;
    }
    case kStateArcFirst:
        TrackHelper(x, y);
        if (s) {
            if (shift)
                s->StoreMaxArc(mMap->mPickX, mMap->mPickY);
            else if (ctrl)
                s->Store180Arc(mMap->mPickX, mMap->mPickY);
            else
                s->StoreArc(false, mMap->mPickX, mMap->mPickY);
        }
        break;
    case kStateArcSecond:
        TrackHelper(x, y);
        if (s) s->StoreArc(true, mMap->mPickX, mMap->mPickY);
        break;
    case kStateSetupPick59:
    case kStateSetupPick63:
        TrackHelper(x, y);
        break;
    case kStateDragWaypoint:
        if (s) {
            TrackHelper(x, y);
            s->MoveWaypoint(gBattle->mSelectedIndex, mMap->mPickX, mMap->mPickY);
        }
        break;
    case kStateBoxSelect:
        mMap->mPointerX = x;
        mMap->mPointerY = y;
        break;
    default:
        break;
    }
}

void MapView::DoMouseHold(int32_t x, int32_t y) {
    if (!mMap || !gBattle) return;
    const int32_t state = MapViewState();
    Unit* s = Selected();
    if (state == kStateNone && s) {
        if (OrdersProhibitedByTCPIP()) return;
        const int32_t picked = gBattle->mSelectedIndex;
        if (picked >= 0) {
            // A waypoint deleted since the click, or one the unit is locked
            // into, is not dragged.
            if (picked >= s->mNrWaypoints || !s->CanReceiveOrders()) {
                gBattle->mSelectedIndex = -1;
            } else if (s->LockedIntoMovementOrders()) {
                if (gKernel) gKernel->Beep();
            } else {
                SetMapViewState(kStateDragWaypoint);
                TrackMouseNow();
            }
        } else {
            mMap->BringUpOrdersMenu(true);
        }
        return;
    }
    if ((state == kStateMoveOrder || state == kStateMoveOrder29) && s && !mMap->mTrackedUnit &&
        !gBattle->mMultiOrderPending && s->AvailableWaypoints(mMap->mCurrentOrder) != 0) {
        if (state == kStateMoveOrder29) mMap->mCurrentOrder = 20;
        const bool ok = mMap->AssignMoveOrders(false);
        if (state == kStateMoveOrder29) mMap->mCurrentOrder = 29;
        if (ok || s->AvailableWaypoints(mMap->mCurrentOrder) == 0) {
            if (gKernel) gKernel->BreakMouseTrack();
            SetMapViewState(kStateNone);
        }
        if (MapViewState() == kStateMoveOrder29) SetMapViewState(kStateMoveOrder);
        Refresh();
    }
}

void MapView::DoMouseUp(int32_t x, int32_t y, bool rightButton) {
    if (!mMap || !gBattle) return;
    const int32_t state = MapViewState();
    Unit* s = Selected();
    bool r = false;
    switch (state) {
    case kStateNone:
        if (mRememberedWaypoint >= 0 && mRememberedWaypoint == gBattle->mSelectedIndex)
            gBattle->mSelectedIndex = -1;
        mRememberedWaypoint = -1;
        break;
    case kStateMoveOrder:
        if (rightButton && !mMap->mTrackedUnit && !gBattle->mMultiOrderPending && s &&
            s->AvailableWaypoints(mMap->mCurrentOrder) != 0) {
            TrackMouseNow();
            return;
        }
        mMap->AssignMoveOrders(true);
        break;
    case kStateMoveOrder29:
        TrackMouseNow();
        if (!rightButton) {
            mMap->mCurrentOrder = 20;
            mMap->AssignMoveOrders(false);
            mMap->mCurrentOrder = 29;
            SetMapViewState(kStateMoveOrder);
            Refresh();
        }
        mMap->mTrackedUnit = nullptr;
        return;
    case kStatePickTarget:
        mMap->AssignTargetOrders();
        break;
    case kStateArcFirst:
        if (gKernel && gKernel->ShiftKeyPressed()) {
            if (s) s->StoreMaxArc(mMap->mPickX, mMap->mPickY);
            SetMapViewState(kStateNone);
        } else if (gKernel && gKernel->ControlKeyPressed()) {
            if (s) s->Store180Arc(mMap->mPickX, mMap->mPickY);
            SetMapViewState(kStateNone);
        } else {
            SetMapViewState(kStateArcSecond);
            TrackMouseNow();
        }
        break;
    case kStateArcSecond:
        SetMapViewState(kStateNone);
        break;
    case kStateDragWaypoint:
        gBattle->mSelectedIndex = -1;
        break;
    case kStateSetupPick57:
        r = mMap->SetupUnit(true, false);
        break;
    case kStateSetupPick59:
        mMap->SetupUnit(false, false);
        break;
    case kStateSetupPick60:
        if (mMap->mTrackedUnit) mMap->SetupUnit(true, true);
        break;
    case kStateSetupPick63:
        mMap->ActivateFlag();
        break;
    case kStateBoxSelect: {
        int32_t count = 0;
        Unit* last = nullptr;
        if (UnitList* units = Units())
            for (int32_t i = 0; i < units->GetCount(); ++i)
                if (Unit* u = units->GetUnit(i); u && u->mSelectionMark != 0) {
                    ++count;
                    last = u;
                }
        gBattle->mMultiSelection = count > 1;
        if (last && !Selected()) Select(last);
        break;
    }
    default:
        break;
    }
    s = Selected();
    const int32_t now = MapViewState();
    if (now == kStateSetupPick57 && r && !gBattle->mMultiOrderPending && s && !s->IsPassenger(false) &&
        !mMap->mOpenMenu)
        mMap->RespondToOrder(59, false);
    else if (now != kStatePlayback && now != kStateArcSecond)
        SetMapViewState(kStateNone);
    if (gBattle->mMultiOrderPending) gBattle->IssueMultiCommand();
    mMap->mTrackedUnit = nullptr;
}

// --------------------------------------------------------------------- idle

uint64_t TCPIPScreenStamp(MVApplication* app) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](int64_t v) { h = (h ^ static_cast<uint64_t>(v)) * 1099511628211ull; };
    mix(app->mTCPIPPhase);
    mix(app->mOwnPauseRequest);
    mix(app->mPeerPause);
    mix(app->mAutoSaveReloading);
    mix(app->mClockWasRunning);
    mix(app->mTurnClockStart != 0);
    mix(app->mTurnClockStart != 0 ? app->TCPIPTimeRemaining() : 0);
    mix(app->mRadioShown);
    for (size_t i = 0; i < std::size(app->mRadioTime); ++i)
        mix(app->mRadioTime[i] ^ static_cast<int64_t>(app->mRadioLine[i].GetLength()) << 40);
    return h;
}

bool MapView::SceneMoves(int32_t state, bool playbackMoved) const {
    if (state == kStatePlayback && playbackMoved) return true;
    if (mMap->mLevelTransition != 0.0f || mMap->mShake > 0.0f) return true;
    if (mMessageShown && ClockTime() - mMessageTime > kMessageMs) return true;
    if (gBattle) {
        const int32_t w = gBattle->mWeather;
        if ((w == 2 || w == 3 || w == 6 || w == 7) && CurrentDrawSettings().mWeatherGraphics != 0)
            return true;
    }
    if (mMap->mSmokeShells && mMap->mSmokeShells->GetCount() > 0) return true;
    for (const int8_t f : mMap->mFire)
        if (f != 0) return true;
    if (gBattle && gBattle->mUnits) {
        const UnitList* units = gBattle->mUnits;
        for (int32_t i = 0; i < units->GetCount(); ++i) {
            Unit* u = units->GetUnit(i);
            if (u && u->mUnitType == kUnitVehicle && u->IsBurning()) return true;
        }
    }
    return false;
}

void MapView::DoIdle() {
    if (!mMap) return;
    const int32_t state = MapViewState();
    // The action phase plays back one step per idle pass, by the clock. A
    // paused playback that stays where it is shows a still scene.
    bool playbackMoved = state == kStatePlayback;
    if (state == kStatePlayback && gBattle && gBattle->mMap == mMap) {
        const auto now = gBattle->mPlayNow;
        const auto playState = gBattle->mPlayState;
        gBattle->Playback();
        playbackMoved =
            playState != kPlaybackPausedState || gBattle->mPlayState != playState || gBattle->mPlayNow != now;
    }
    bool moved = false;
    if (IsVisible() && state != kStateConfirm && gKernel) {
        const int32_t h = gKernel->mEdgeH, v = gKernel->mEdgeV;
        if (h != 0 || v != 0) {
            int32_t px = 0, py = 0;
            gKernel->PointerPosition(&px, &py);
            const int32_t sw = gKernel->mScreenWidth, sh = gKernel->mScreenHeight;
            const bool corner = sw < 1000 && ((px >= sw - 40 && v == 1) || (py >= sh - 45 && h == 1));
            if (!corner) {
                if (h != 0) {
                    if (!gKernel->ShiftKeyPressed() && py < sh * 65 / 100)
                        mMap->BogusRotate(static_cast<float>(h) * -3.0f * 0.24f);
                    else
                        mMap->BogusMove(h == -1 ? 1 : 2, 0.3f);
                }
                if (v != 0) mMap->BogusMove(v == -1 ? 3 : 4, 0.52f);
                moved = true;
            }
        }
        // A still scene is not drawn again: the screen keeps its last
        // frame until something moves or the player acts. Over TCP/IP the
        // lines over the scene change by themselves: the screen is drawn
        // when what they show did (at most once a second while still).
        bool redraw = !moved && SceneMoves(state, playbackMoved);
        if (MVApplication* tcp = TheApp(); tcp && tcp->mConnectionType == 2) {
            if (tcp->mRadioInput) tcp->RadioTextTimeOut();
            const uint64_t shown = TCPIPScreenStamp(tcp);
            if (shown != mTCPIPShown) redraw = true;
            mTCPIPShown = shown;
        }
        if (redraw) Refresh();
    }
    MVApplication* app = TheApp();
    if (app && app->mConnectionType == 2 && app->mRadioInput) app->RadioTextTimeOut();
    if (gKernel)
        gKernel->HogCPU(moved ||
                        (state == kStatePlayback && gBattle && gBattle->mPlayState != kPlaybackPausedState));
    // The TCP/IP hand-over's waiting box keeps its text current.
    if (app && app->mConnectionType == 2 && app->mTCPIPWaitBox && gKernel &&
        gKernel->IsViewAlive(app->mTCPIPWaitBox) && app->mTCPIPWaitBox->IsVisible())
        app->mTCPIPWaitBox->Refresh();
    // The viewing player's orders-complete notice: box 7 at the next idle pass.
    if (app && gBattle && gBattle->mMap == mMap) {
        const Affiliation side = app->ViewingSide();
        const bool battleFlag = (side == 0 || side == 1) && gBattle->mOrdersPending[side];
        const bool campaignFlag = (side == 0 || side == 1) && gCampaign && gCampaign->mOrdersPending[side];
        if (battleFlag || campaignFlag) {
            gBattle->mOrdersPending[side] = false;
            if (gCampaign) gCampaign->mOrdersPending[side] = false;
            app->mIdleRequestA = true;
        }
    }
}
