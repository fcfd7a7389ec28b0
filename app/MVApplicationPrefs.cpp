// The preference bytes: the preferences file, applying a byte, the hotseat
// swap and the application's key handler.

#include <cstring>

#include "app/AppViews.h"
#include "app/Editor.h"
#include "app/FadeInScreen.h"
#include "app/MVApplication.h"
#include "app/PlayerMenu.h"
#include "battle/Battle.h"
#include "engine/GFile.h"
#include "engine/GFileServices.h"
#include "engine/GSoundStream.h"
#include "map/Map.h"

const char* PrefsFileName();
void LoadFolderNames();

namespace {

struct Default {
    int32_t index;
    int8_t value;
};

const Default kDefaults[] = {{0, 2},  {2, 2},  {3, 1},  {4, 2},  {8, 2},  {10, 2}, {12, 2}, {14, 1},
                             {15, 2}, {16, 1}, {17, 1}, {18, 1}, {19, 1}, {25, 2}, {81, 1}};
const int8_t kStoredUnread[30] = {12, 6, 5, 5, 5, 0, 0, 3, 3, 0, 0,  0, 0, 0, 0,
                                  0,  0, 7, 2, 1, 9, 0, 4, 8, 4, 30, 0, 5, 4, 5};
// The bytes read as a value out of a fixed range: sound 0-2, the on/off
// bytes 0-1, tree and terrain density 0-4, unit scale 0-4, paths 0-3, shake
// 0-2, horizon 0-4, fog 0-3, weather 0-3, smoke 0-2, gamma 0-4, fire arcs
// 0-2. A damaged file's byte outside its range reads as the default, never
// as an index out of a table.
struct Range {
    int32_t index;
    int8_t low, high, fallback;
};
const Range kRanges[] = {{0, 0, 2, 2},  {1, 0, 1, 0},  {2, 0, 4, 2},  {3, 0, 1, 1},  {4, 0, 4, 2},
                         {5, 0, 1, 0},  {7, 0, 3, 0},  {8, 0, 2, 2},  {9, 0, 4, 0}, {10, 0, 3, 2},
                         {11, 0, 1, 0}, {12, 0, 3, 2}, {13, 0, 1, 0}, {14, 0, 1, 1}, {15, 0, 2, 2},
                         {16, 0, 1, 1}, {17, 0, 1, 1}, {18, 0, 4, 1}, {20, 0, 1, 0}, {25, 0, 4, 2},
                         {78, 0, 1, 0}, {81, 0, 2, 1}, {82, 0, 1, 0}};

// Bytes 1083 to 1089 at every start.
const int8_t kStartValues[7] = {0, 1, 1, 1, 1, 0, 0};

// A key that turns a byte on or off, and its label.
struct Toggle {
    char key;
    GamePref pref;
    int32_t label;
};
const Toggle kToggles[] = {{'B', 1, 290},    {'L', 16, 291}, {'V', 1087, 292}, {'F', 1085, 293},
                           {'R', 5, 294},    {'M', 3, 295},  {'E', 1086, 296}, {'U', 78, 297},
                           {'D', 14, 298},   {'G', 13, 299}, {'O', 17, 300},   {'J', 20, 302},
                           {'Q', 1088, 303}, {'Y', 83, 304}}; // Y: passengers out of group selection

void ConcatDensity(GString* message, int32_t value) {
    if (value == 0) {
        message->ConcatRez(241);
        return;
    }
    static const int32_t kDensity[5] = {241, 281, 282, 243, 244};
    message->ConcatRez(kDensity[value < 5 ? value : 4]);
    message->ConcatRez(283);
}

} // namespace

void MVApplication::LoadPrefs() {
    LoadFolderNames();
    std::memset(mPrefs, 0, sizeof mPrefs);
    bool read = false;
    if (GFile* file = GetPrefsFile(PrefsFileName(), true)) {
        // A file shorter than the whole record would read zeros into the
        // bytes it lacks, so it counts as absent.
        if (file->GetFileLength() >= kPrefsFileSize && file->ReadChar() == 0) {
            GraphicsPresets presets;
            file->ReadBytes(&presets, sizeof presets);
            int8_t bytes[kPrefStoredCount];
            file->ReadBytes(bytes, kPrefStoredCount);
            if (!file->HasFailed()) {
                mPresets = presets;
                std::memcpy(mPrefs, bytes, kPrefStoredCount);
                read = true;
            }
        }
        delete file;
    }
    if (!read) {
        mPresets.mHaveChoices = 0;
        mPresets.mModeConfirmed = 0;
        for (const Default& d : kDefaults)
            mPrefs[d.index] = d.value;
        std::memcpy(mPrefs + 26, kStoredUnread, sizeof kStoredUnread);
    }
    for (const Range& r : kRanges)
        if (mPrefs[r.index] < r.low || mPrefs[r.index] > r.high) mPrefs[r.index] = r.fallback;
    std::memcpy(mPrefs + kPrefStoredCount, kStartValues, sizeof kStartValues);
    if (mPrefs[kPrefFireArcs] == 0) mPrefs[kPrefFireArcs] = 1;
    mPrefs[kPrefResetOnLoad] = 0;
    std::memcpy(mOtherPrefs, mPrefs, sizeof mPrefs);
    mPrefsLoaded = true;
}

void MVApplication::WritePrefs(GFile* file) const {
    if (!file) return;
    // The record goes as it lies in memory, little-endian, reserved bytes 0.
    GraphicsPresets presets = mPresets;
    presets.mReserved1 = 0;
    std::memset(presets.mReserved2, 0, sizeof presets.mReserved2);
    std::memset(presets.mReserved3, 0, sizeof presets.mReserved3);
    file->WriteChar(0);
    file->WriteBytes(&presets, sizeof presets);
    file->WriteBytes(mPrefs, kPrefStoredCount);
}

void MVApplication::ApplyPref(GamePref pref) {
    if (pref == kPrefSound) {
        if (gSound) gSound->ActivateSound(mPrefs[kPrefSound] != 0);
        if (gBattle) gBattle->Ambient();
    } else if (pref == kPrefGamma) {
        if (gKernel) gKernel->SetGamma(1.0f + 0.1f * mPrefs[kPrefGamma], 1.0f);
    }
}

void MVApplication::SwapSides() {
    mSidesSwapped = !mSidesSwapped;
    mSide = 1 - mSide;
    SettleGameMode();
    if (mConnectionType == 0) {
        // The fog level stays as it is for both players.
        int8_t fog = mPrefs[kPrefFogOfWar];
        int8_t other[kPrefCount];
        std::memcpy(other, mOtherPrefs, sizeof other);
        std::memcpy(mOtherPrefs, mPrefs, sizeof mPrefs);
        std::memcpy(mPrefs, other, sizeof other);
        mPrefs[kPrefFogOfWar] = fog;
        for (GamePref p = 0; p < kPrefCount; ++p)
            ApplyPref(p);
    }
    if (gBattle) gBattle->RespondToSwapSides();
    if (!gEditor && mPlayers == 2) {
        PasswordScreen();
        if (gBattle && mConnectionType == 0) gBattle->StopVehicleSounds();
    }
}

void MVApplication::ResetCameraPrefs() {
    mPrefs[kPrefCameraAngle] = 0;
    mPrefs[kPrefZoom] = 1;
}

void MVApplication::DoKey(char key, bool alt, bool numpad) {
    delete mTitleMusic;
    mTitleMusic = nullptr;
    mKeyMessage.IStringText("");
    if (gKernel && gKernel->GetTopModal()) {
        // An open order menu of the battle map takes its hot keys; other
        // boxes take none.
        Map* map = gBattle ? gBattle->mMap : nullptr;
        if (map && map->mOpenMenu && gKernel->GetTopModal() == map->mOpenMenu)
            map->HandleMenuKey(key);
        else
            gKernel->Beep();
        return;
    }
    if (Alive(mFadeScreen)) {
        mFadeScreen->StartFade(true);
        return;
    }
    if (OpenRadioInput(key, alt)) return;
    if (alt && key == ':') {
        mPrefs[kPrefEscapeSuspends] = mPrefs[kPrefEscapeSuspends] ? 0 : 1;
        return;
    }
    bool calm = mState == kStateNone || mState == kStatePlayback;
    if (alt && (key == 'q' || key == 'Q') && calm) {
        DoCommand(71);
        return;
    }
    if (alt && (key == 'a' || key == 'A') && calm && gBattle && !gBattle->Over()) {
        Confirm(kConfirmLeaveScenario);
        return;
    }
    if (alt && key >= '1' && key <= '5') return;   // the editor's crater modes; no editor here
    if (alt && (key == 'f' || key == 'F')) {
        // Foxholes are placed in the set-up, with no order being given, on
        // the 3-D battlefield; the key is taken in any case.
        if (gBattle && gBattle->mMap && gBattle->mSetupPhase && mState == kStateNone && gKernel &&
            gKernel->Is3D())
            gBattle->mMap->SetCraterPlacingStatus(-1);
        return;
    }
    if (alt && (key == 'g' || key == 'G')) {
        mPrefs[kPrefGamma] = static_cast<int8_t>((mPrefs[kPrefGamma] + 1) % 5);
        ApplyPref(kPrefGamma);
        if (gBattle && gBattle->mMap) {
            mKeyMessage.IStringRez(233);
            mKeyMessage.ConcatRez(234 + mPrefs[kPrefGamma]);
            gBattle->mMap->SetMessage(&mKeyMessage);
        }
        return;
    }
    if (key == 27) {
        if (mPrefs[kPrefEscapeSuspends] && gKernel) gKernel->Suspend();
        return;
    }
    if (gEditor && gEditor->TakesKeys()) {
        gEditor->DoKey(key, alt);
        return;
    }
    if (!gBattle || !gBattle->mMap) return;
    if (alt) {
        gBattle->DoKey(key, alt, numpad);
        return;
    }
    if (!DoPrefKey(key)) gBattle->DoKey(key, false, numpad);
    if (mKeyMessage.GetLength() > 0) gBattle->mMap->SetMessage(&mKeyMessage);
}

bool MVApplication::DoPrefKey(char key) {
    GString255& message = mKeyMessage;
    for (const Toggle& toggle : kToggles) {
        if (toggle.key != key) continue;
        bool wasOn = mPrefs[toggle.pref] != 0;
        mPrefs[toggle.pref] = wasOn ? 0 : 1;
        message.IStringRez(toggle.label);
        message.ConcatText(" ");
        message.ConcatRez(wasOn ? 221 : 222);
        return true;
    }
    auto cycle = [this](GamePref pref, int32_t count) {
        mPrefs[pref] = static_cast<int8_t>((mPrefs[pref] + 1) % count);
        return mPrefs[pref];
    };
    // Horizon, angle and zoom change what ground the camera sees: the next
    // frame works out its visible tiles again.
    auto viewChanged = [] {
        if (gBattle && gBattle->mMap) gBattle->mMap->DirtyClip();
    };
    switch (key) {
    case 'X': {
        int32_t value = cycle(kPrefFireArcs, 3);
        // No fire arcs at all only while a turn plays back.
        if (value == 0 && mState != kStatePlayback) mPrefs[kPrefFireArcs] = value = 1;
        message.IStringRez(276 + value);
        return true;
    }
    case 'K':
        message.IStringRez(286 + cycle(kPrefCameraShake, 3));
        return true;
    case 'P':
        message.IStringRez(210 + cycle(kPrefPaths, 4));
        return true;
    case 'S': {
        int32_t value = cycle(kPrefSound, 3);
        ApplyPref(kPrefSound);
        message.IStringRez(220);
        message.ConcatRez(221 + value);
        return true;
    }
    case 'I':
        message.IStringRez(265);
        message.ConcatRez(266 + cycle(kPrefSmoke, 3));
        return true;
    case 'W':
        message.IStringRez(240);
        message.ConcatRez(241 + cycle(kPrefWeather, 4));
        return true;
    case 'H': {
        int32_t value = cycle(kPrefHorizon, 5);
        viewChanged();
        message.IStringRez(250);
        if (value == 0) {
            message.ConcatRez(251);
        } else {
            message.ConcatNum((value + 1) * 500);
            message.ConcatText("m");
        }
        return true;
    }
    case 'C': {
        int32_t value = cycle(kPrefUnitScale, 5);
        message.IStringRez(270);
        if (value == 0) {
            message.ConcatRez(271);
        } else {
            message.ConcatRez(272);
            message.ConcatNum(value);
        }
        return true;
    }
    case 'T':
    case 'N': {
        GamePref pref = key == 'T' ? kPrefTreeDensity : kPrefTerrainDensity;
        mPrefs[pref] = static_cast<int8_t>(mPrefs[pref] >= 4 ? 0 : mPrefs[pref] + 1);
        message.IStringRez(key == 'T' ? 280 : 284);
        ConcatDensity(&message, mPrefs[pref]);
        return true;
    }
    case 'A':
    case 'Z': {
        int32_t zoom = mPrefs[kPrefZoom];
        int32_t step = zoom > 0 ? 10 / zoom : 10;
        if (step < 1) step = 1;
        int32_t angle = mPrefs[kPrefCameraAngle] + (key == 'A' ? step : -step);
        if (angle > 20) angle = 20;
        if (angle < -100) angle = -100;
        mPrefs[kPrefCameraAngle] = static_cast<int8_t>(angle);
        viewChanged();
        message.IStringRez(230);
        message.ConcatNum(angle);
        return true;
    }
    case '[':
    case ']': {
        int32_t zoom = mPrefs[kPrefZoom];
        if (key == '[' && zoom >= 2 && zoom <= 16 && (zoom & (zoom - 1)) == 0) zoom /= 2;
        if (key == ']' && zoom >= 1 && zoom <= 8 && (zoom & (zoom - 1)) == 0) zoom *= 2;
        mPrefs[kPrefZoom] = static_cast<int8_t>(zoom);
        viewChanged();
        message.IStringRez(260);
        message.ConcatNum(zoom);
        return true;
    }
    default:
        return false;
    }
}
