// The hand-over of a two-player turn at one machine or by e-mail, and the
// radio lines of a TCP/IP battle: wrapping, storing and expiry.

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/AppViews.h"
#include "app/GRadioInputView.h"
#include "app/MVApplication.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "engine/GKernel.h"
#include "engine/GSoundManager.h"
#include "map/Map.h"

namespace {

constexpr int32_t kRadioEntries = 14;
constexpr uint32_t kRadioLifetime = 90000; // ms
constexpr int32_t kRadioHintString = 1692;
constexpr int32_t kRadioHintSide = 2;

bool IsRadioBreak(char c) {
    return c == ' ' || c == ',' || c == ':' || c == ';' || c == '-';
}

} // namespace

void MVApplication::SendGameData() {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (gBattle && (mConnectionType == 0 || mConnectionType == 1)) {
        // The player who gets the game must give orders first unless a
        // computed turn waits to be watched; the one who hands it over waits.
        const int32_t here = mSide == 1 ? 1 : 0;
        gBattle->mMustGiveOrders[1 - here] = gBattle->mPackets.GetCount() == 0;
        gBattle->mMustGiveOrders[here] = false;
    }
    if (mConnectionType == 0) {
        // Nothing of the battlefield shows while the other player sits down.
        if (map) map->mDrawMode = 0;
        SwapSides();
        if (!mSidesSwapped && gBattle && gBattle->mSetupPhase) {
            // The second player's set-up opens from the next idle pass.
            mIdleRequestB = true;
            if (map) map->mDrawMode = 1;
        } else if (map) {
            map->mDrawMode = 2;
        }
    } else if (mConnectionType == 1) {
        // Both sides stood at a cease-fire: the operation counts the battle
        // as finished, once.
        if (gCampaign && !mTruceWhenLoaded && gBattle && gBattle->mSurrenderState[0] == 1 &&
            gBattle->mSurrenderState[1] == 1)
            ++gCampaign->mBattleCounter;
        if (gSound) gSound->Silence();
        SetState(kStateNone);
        mShowPBEMBox = true;
        if (gBattle) gBattle->ShowScreens(false);
        Intro(true);
    }
}

uint32_t MVApplication::NetworkClock() {
    return gKernel ? gKernel->mCurrentTime : 0;
}

GOLTAFont MVApplication::GetRadioFont() {
    int32_t width = gKernel ? gKernel->mScreenWidth : 0;
    return width <= 900 ? kFontSmall : kFontNormal;
}

void MVApplication::AddRadioTextX(GString* text, Affiliation side) {
    int32_t slot = 0;
    while (slot < kRadioEntries && mRadioLine[slot].GetLength() > 0)
        ++slot;
    if (slot == kRadioEntries) {
        for (int32_t i = 1; i < kRadioEntries; ++i) {
            mRadioLine[i - 1] = mRadioLine[i];
            mRadioSide[i - 1] = mRadioSide[i];
            mRadioTime[i - 1] = mRadioTime[i];
        }
        slot = kRadioEntries - 1;
    }
    mRadioLine[slot] = *text;
    mRadioSide[slot] = side;
    mRadioTime[slot] = static_cast<int32_t>(NetworkClock());
}

void MVApplication::AddRadioText(GString* text, Affiliation side) {
    GOLTAFont font = GetRadioFont();
    // The whole text, then each continuation, is cut to the widest prefix
    // that fits, preferably after a break character.
    GString255 rest;
    rest = *text;
    while (rest.GetLength() > 0) {
        if (StringWidthInPixels(&rest, font) <= mRadioWidest) {
            AddRadioTextX(&rest, side);
            return;
        }
        int32_t length = rest.GetLength();
        if (length < 2) return;
        int32_t breakAt = 0;
        bool seenWord = false;
        int32_t n = 2;
        for (; n <= length; ++n) {
            char c = rest.GetChar(n - 1);
            if (c == ' ' && seenWord) breakAt = n;
            GString255 prefix;
            prefix = rest;
            prefix.CropLength(n, true);
            if (StringWidthInPixels(&prefix, font) > mRadioWidest) break;
            if (!IsRadioBreak(c))
                seenWord = true;
            else if (seenWord)
                breakAt = n;
        }
        int32_t first = breakAt > 0 ? breakAt : n - 1;
        if (first < 1) first = 1;
        GString255 line;
        line = rest;
        line.CropLength(first, true);
        bool words = false;
        for (int32_t i = 0; i < first; ++i)
            words = words || line.GetChar(i) != ' ';
        // A limit narrower than the continuation's indent would repeat forever.
        if (!words) return;
        AddRadioTextX(&line, side);
        int32_t start = first;
        while (start < length && rest.GetChar(start) == ' ')
            ++start;
        if (start >= length) return;
        GString255 next;
        next.InsertSpace(6);
        char tail[256];
        std::memcpy(tail, rest.GetCString() + start, static_cast<size_t>(length - start));
        tail[length - start] = '\0';
        next.ConcatText(tail);
        rest = next;
    }
}

void MVApplication::RadioTextTimeOut() {
    uint32_t now = NetworkClock();
    int32_t expired = 0;
    while (expired < kRadioEntries && mRadioLine[expired].GetLength() > 0 &&
           now - static_cast<uint32_t>(mRadioTime[expired]) >= kRadioLifetime)
        ++expired;
    if (expired == 0) return;
    for (int32_t i = expired; i < kRadioEntries; ++i) {
        mRadioLine[i - expired] = mRadioLine[i];
        mRadioSide[i - expired] = mRadioSide[i];
        mRadioTime[i - expired] = mRadioTime[i];
    }
    for (int32_t i = kRadioEntries - expired; i < kRadioEntries; ++i) {
        mRadioLine[i].IStringText("");
        mRadioSide[i] = 0;
        mRadioTime[i] = 0;
    }
}

void MVApplication::AddRadioInstructions() {
    // The hint stands once in the log: one left from the battle before (an
    // operation's next battle begins within its 90 seconds) gives way to it.
    int32_t kept = 0;
    for (int32_t i = 0; i < kRadioEntries; ++i) {
        if (mRadioLine[i].GetLength() > 0 && mRadioSide[i] == kRadioHintSide) continue;
        if (kept != i) {
            mRadioLine[kept] = mRadioLine[i];
            mRadioSide[kept] = mRadioSide[i];
            mRadioTime[kept] = mRadioTime[i];
        }
        ++kept;
    }
    for (int32_t i = kept; i < kRadioEntries; ++i) {
        mRadioLine[i].IStringText("");
        mRadioSide[i] = 0;
        mRadioTime[i] = 0;
    }
    GString255 hint;
    hint.IStringRez(kRadioHintString);
    AddRadioTextX(&hint, kRadioHintSide);
}

void MVApplication::MakeRadioInput(GView* mapView) {
    if (!mapView || mConnectionType != 2) return;
    const int32_t width = mapView->GetWidth();
    const int32_t height = mapView->GetHeight();
    mRadioShown = std::min(kRadioEntries, static_cast<int32_t>(static_cast<float>(height / 12) * 0.25f));
    mRadioWidest = width / 4;
    const int32_t columns = std::min(85, width / 24);
    auto* input = new GRadioInputView;
    input->IEditView(mapView, width - (columns + 1) * 8, height - 42, columns, 3, true, false);
    input->Show(false);
    mRadioInput = input;
}

bool MVApplication::OpenRadioInput(char key, bool alt) {
    if (alt || (key != '`' && key != '0')) return false;
    if (!gBattle || !gBattle->mMap || !Alive(mRadioInput)) return false;
    mRadioInput->Show(true);
    if (gKernel) gKernel->SetActiveEdit(mRadioInput);
    return true;
}

void MVApplication::SendRadioText(GString* text) {
    if (!text || text->GetLength() == 0) return;
    AddRadioText(text, mSide);
    const int32_t length = text->GetLength();
    std::vector<uint8_t> packet(static_cast<size_t>(length) + 2, 0);
    packet[0] = 19;
    std::memcpy(packet.data() + 1, text->GetCString(), static_cast<size_t>(length));
    ForceSendRecord(packet.data(), static_cast<uint32_t>(packet.size()), 5);
}
