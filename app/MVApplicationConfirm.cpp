// Confirm boxes and the working window.

#include <cstdlib>

#include "app/AppViews.h"
#include "app/ConfirmButton2D.h"
#include "app/ConfirmButton3D.h"
#include "app/Editor.h"
#include "app/MVApplication.h"
#include "app/ProgressView.h"
#include "battle/Battle.h"
#include "engine/GBlitView.h"
#include "engine/GTextView.h"
#include "map/Map.h"

namespace {

struct ConfirmCommands {
    int32_t yes;
    int32_t no; // 0: a single button
};

// The commands of each kind; a kind with yes 0 opens no box.
ConfirmCommands CommandsOf(Confirmable kind) {
    switch (kind) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 26:
    case 27:
        return {99, 0};
    case 6:
        return {100, 0};
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
    case 12:
    case 24:
    case 25:
    case 28:
    case 29:
        return {kCommandNothing, 0};
    case 13:
        return {98, 101};
    case 14:
        return {104, 105};
    case 15:
        return {107, 108};
    case 16:
        return {18, 17};
    case 17:
        return {99, 101};
    case 18:
        return {96, 97};
    case 19:
        return {133, 134};
    case 20:
        return {135, 137};
    case 21:
        return {138, 140};
    case 22:
        return {141, 142};
    case 23:
        return {92, 100};
    default:
        return {0, 0};
    }
}

void AddLine(GView* box, int32_t y, const GString& text) {
    auto* view = new GTextView;
    view->ITextView(box, 32, y, box->GetWidth() - 64, &text);
    view->SetJustify(0);
    // Light text on the box's dark fill.
    view->SetColor(255, 230, 190);
}

void AddBevel(GView* box, int32_t x, int32_t y, int32_t w, int32_t h, int16_t colour) {
    auto* line = new GView;
    line->IView(box, x, y, w, h);
    line->SetFillColor(colour);
}

} // namespace

void MVApplication::Confirm(Confirmable kind, const GString* fileName) {
    if (!gKernel) return;
    // The box opens over the battlefield: the hot-key help and the unit
    // balloon go first (each clears its pointer before it is deleted).
    if (gBattle && gBattle->mMap) {
        Map* map = gBattle->mMap;
        if (map->mHotkeyPanel) map->ShowHotkeys();
        if (map->mInfoBalloon) map->ClearInfoBalloon();
    }
    if (Alive(mPendingModal)) {
        // The network's reports replace any other box.
        if (kind >= 6 && kind < kConfirmLaterKinds) return;
        // Neither of its buttons was clicked: both send 101 as they go.
        GView* old = mPendingModal;
        mPendingModal = nullptr;
        delete old;
    }
    mPendingModal = nullptr;
    ConfirmCommands commands = CommandsOf(kind);
    if (commands.yes == 0) return;
    if (kind == kConfirmQuit && !gEditor && (!gBattle || !gBattle->mBottomPanel)) {
        DoCommand(98);
        return;
    }
    const State noted = mState;
    GString255 lines[3];
    for (int32_t i = 0; i < 3; ++i)
        lines[i].IStringRez(kind >= kConfirmLaterKinds ? kConfirmLaterTextBase + 3 * (kind - kConfirmLaterKinds) + i
                                                       : kConfirmTextBase + 3 * kind + i);
    if (fileName && fileName->GetLength() > 0) lines[2] = *fileName;
    if (kind == kConfirmHandicap && gBattle) {
        int32_t handicap = gBattle->mHandicap;
        if (handicap >= 2500) handicap -= 5000;
        lines[0].IStringRez(handicap < 0 ? kConfirmHandicapAxis : kConfirmHandicapAllies);
        lines[0].ConcatNum(std::abs(handicap));
        lines[0].ConcatText("%");
    }
    mState = kStateConfirm;
    int16_t fill = 0;
    GView* box = MakeConfirmationBox(nullptr, &fill, true);
    box->SetModal();
    mPendingModal = box;
    AddLine(box, 28, lines[0]);
    if (lines[1].GetLength() > 0) AddLine(box, 48, lines[1]);
    if (lines[1].GetLength() > 0 && lines[2].GetLength() > 0) AddLine(box, 68, lines[2]);

    const int32_t y = box->GetHeight() - 56;
    const bool two = commands.no != 0;
    const bool is3D = gKernel->Is3D();
    auto button = [&](int32_t x, int32_t command, int32_t picture2D, int16_t up3D, int16_t down3D) {
        if (is3D) {
            auto* back = new GBlitView;
            back->IBlitView3D(box, x, y, up3D);
            auto* b = new ConfirmButton3D;
            b->IConfirmButton3D(box, x, y, command, up3D, down3D, noted);
        } else {
            auto* b = new ConfirmButton2D;
            b->IConfirmButton2D(box, x, y, command, picture2D, noted);
        }
    };
    if (two) {
        button(141, commands.yes, 2692, 2615, 2616);
        button(382, commands.no, 2691, 2610, 2611);
    } else {
        button(262, commands.yes, 11101, 2608, 2609);
    }
    AddBevel(box, 29, 24, 566, 1, gKernel->MakeColor16(20, 0, 0));
    AddBevel(box, 29, 24, 1, 62, gKernel->MakeColor16(20, 0, 0));
    AddBevel(box, 29, 86, 566, 1, gKernel->MakeColor16(75, 35, 0));
    AddBevel(box, 595, 24, 1, 62, gKernel->MakeColor16(75, 35, 0));
}

void MVApplication::MakeProgressWindow(int32_t stringId) {
    if (!gKernel) return;
    DeleteProgressWindow();
    mProgressWindow = new GView;
    mProgressWindow->IView(nullptr, 0, 0, gKernel->mScreenWidth, gKernel->mScreenHeight);
    int16_t fill = 0;
    GView* box = MakeConfirmationBox(mProgressWindow, &fill, true);
    auto* progress = new ProgressView;
    progress->IProgressView(box, stringId);
    progress->SetFillColor(fill);
    mProgressBar = progress;
}

void MVApplication::UpdateProgressWindow() {
    if (Alive(mProgressBar)) static_cast<ProgressView*>(mProgressBar)->UpdateProgress();
}

void MVApplication::DeleteProgressWindow() {
    DeleteView(mProgressWindow);
    mProgressBar = nullptr;
}
