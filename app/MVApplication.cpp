#include "app/MVApplication.h"

#include "app/AppViews.h"
#include "app/ButtonFlybyView.h"
#include "app/Editor.h"
#include "app/FadeInScreen.h"
#include "app/FlybyButton.h"
#include "app/FrontEndModals.h"
#include "app/ProgressView.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "engine/EZOpenPlay.h"
#include "engine/GBlitView.h"
#include "engine/GFile.h"
#include "engine/GFileServices.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GRadioGroup.h"
#include "engine/GSoundManager.h"
#include "engine/GSoundStream.h"
#include "engine/GTextView.h"
#include "map/Map.h"
#include "renderer/GGraph3D.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

// The preference bytes' values without a preferences file, which a byte
// out of its range reads as.
constexpr int32_t kDefaultUnitScale = 2;
constexpr int32_t kDefaultComputerSetup = 0;

MVApplication* sTheApp = nullptr;
// A frame this long (ms) makes a rewind hide the pointer and the battlefield
// while it rebuilds the replay.
constexpr int32_t kSlowFrameMs = 100;
GString31 sPrefsFileName;
GString31 sScenarioFolder;
GString31 sSavegameFolder;
GString31 sMailFolder;
GString31 sQuickBattleFolder;

} // namespace

MVApplication* TheApp() {
    return sTheApp;
}

const char* ScenarioFolder() {
    if (sScenarioFolder.GetLength() == 0) sScenarioFolder.IStringRez(kScenarioFolderId);
    return sScenarioFolder.GetCString();
}

const char* SavegameFolder() {
    if (sSavegameFolder.GetLength() == 0) sSavegameFolder.IStringRez(kSavegameFolderId);
    return sSavegameFolder.GetCString();
}

const char* MailFolder() {
    if (sMailFolder.GetLength() == 0) sMailFolder.IStringRez(kMailFolderId);
    return sMailFolder.GetCString();
}

const char* PrefsFileName() {
    if (sPrefsFileName.GetLength() == 0) sPrefsFileName.IStringRez(kPrefsFileNameId);
    return sPrefsFileName.GetCString();
}

void LoadFolderNames() {
    sPrefsFileName.IStringRez(kPrefsFileNameId);
    sScenarioFolder.IStringRez(kScenarioFolderId);
    sSavegameFolder.IStringRez(kSavegameFolderId);
    sMailFolder.IStringRez(kMailFolderId);
    sQuickBattleFolder.IStringRez(kQuickBattleFolderId);
}

MVApplication::MVApplication() {
    sTheApp = this;
    gDrawHooks.resetCameraPrefs = [] {
        if (sTheApp) sTheApp->ResetCameraPrefs();
    };
    gIgnoreTempSmokeForLOS = false;
    gBattle = nullptr;
    gCreditKiller = nullptr;
    gCampaign = nullptr;
    gEditor = nullptr;
}

MVApplication::~MVApplication() {
    if (mPrefsLoaded) {
        if (GFile* file = GetPrefsFile(PrefsFileName(), false)) {
            WritePrefs(file);
            delete file;
        }
    }
    delete gCampaign;
    gCampaign = nullptr;
    delete gBattle;
    gBattle = nullptr;
    delete gEditor;
    gEditor = nullptr;
    DeleteCryptoData();
    delete mIncomingTurnFile;
    mIncomingTurnFile = nullptr;
    ResetIncomingTransfer();
    delete mOutgoingTurnFile;
    mOutgoingTurnFile = nullptr;
    delete mTitleMusic;
    mTitleMusic = nullptr;
    if (sTheApp == this) {
        sTheApp = nullptr;
        gDrawHooks.resetCameraPrefs = nullptr;
    }
}

void MVApplication::GetGraphicsPresets(GraphicsPresets* presets) {
    if (presets) *presets = mPresets;
}

void MVApplication::StoreGraphicPresets(GraphicsPresets* presets) {
    if (presets) mPresets = *presets;
}

void MVApplication::Startup() {
    CreateDirectoryIfAbsent(ScenarioFolder());
    CreateDirectoryIfAbsent(SavegameFolder());
    CreateDirectoryIfAbsent(MailFolder());
    if (gSound) gSound->ActivateSound(mPrefs[kPrefSound] != 0);
    ApplyPref(kPrefGamma);
    if (gSound) mTitleMusic = gSound->StreamSound(5010, 0, false);
    mFadeScreen = new FadeInScreen;
    mFadeScreen->IFadeInScreen(11003, false);
    if (gKernel) gKernel->ShowSystemCursor(false);
}

void MVApplication::StartupPartTwo() {
    if (gKernel) gKernel->ShowSystemCursor(true);
    Intro(true);
    DecryptData();
}

void MVApplication::Intro(bool firstTime) {
    if (!gKernel) return;
    if (gKernel->mScreenWidth < 800 || gKernel->mScreenHeight < 600) {
        auto* warning = new MinVideoWarningModal;
        warning->IOneClickModal(nullptr, -1, -1, 0, 0);
        auto* text = new GTextView;
        text->ITextViewRez(warning, -1, -1, 640, 140);
        text->SetJustify(0);
        warning->SetModal();
        return;
    }
    CloseTCPIP();
    if (mPrefs[kPrefFireArcs] == 0) mPrefs[kPrefFireArcs] = 1;
    if (g3D) g3D->SetTextureDownsample(mTextureDownsample);
    SetState(kStateNone);

    mHandicapPopup = nullptr;
    mLoadedConnectionType = 0;
    mIsHost = true;
    mTCPIPPhase = 0;
    DropTransfers();
    ResetExchangeChecks();
    RandomlySeedRandomGenerator();
    mRandomSeed = static_cast<uint16_t>(RandomSeed16());
    mPeerDiedMessageOff = false;
    mPeerQuit = false;
    mPeerGone = false;
    mClientReady = false;
    mNewTCPIPTextures = false;
    for (GString255& line : mRadioLine)
        line.IStringText("");
    DeleteTransferPanel();
    mTurnClockStart = 0;
    mOwnPauseRequest = mPeerPause = mClockWasRunning = false;
    mOwnAddressCount = 0;
    mTruceWhenLoaded = false;
    DeleteView(mPendingModal);

    if (firstTime) {
        gKernel->ClearScreen(!mShowPBEMBox);
        ClearFrontEnd();
        gKernel->Set3D(false);
        mRootView = new GView;
        mRootView->IView(nullptr, 0, 0, gKernel->mScreenWidth, gKernel->mScreenHeight);
        mMenuScale = gKernel->mScreenWidth < 1024 ? 1 : 2;
        int32_t menuHeight = mMenuScale == 1 ? 600 : 768;
        int32_t top = (mRootView->GetHeight() - menuHeight) / 2;
        mMenuPicture = new GBlitView;
        mMenuPicture->IBlitView2D(mRootView, -1, top, 11000 + mMenuScale);
        mFlybyHelp = new ButtonFlybyView;
        mFlybyHelp->IButtonFlybyView(mRootView, -1, top + menuHeight - 26, 11210 + mMenuScale, 1500);
        auto* overlay = new GOneClickModal;
        overlay->IOneClickModal(nullptr, -1, (gKernel->mScreenHeight - 600) / 2, 800, 540);
        overlay->AssignCommand(66);
        auto* picture = new GBlitView;
        picture->IBlitView2D(overlay, -1, -1, 11004);
        overlay->SetModal();
        mMenuPicture->Show(false);
    } else {
        if (Alive(mMenuPicture)) mMenuPicture->ClearSubviews();
        mScenarioList = nullptr;
        if (Alive(mFlybyHelp)) mFlybyHelp->SetDefaultRez(1500);
    }
    BuildMenuButtons();

    if (mShowPBEMBox) {
        mShowPBEMBox = false;
        auto* box = new PBEMModal;
        box->IPBEMModal();
    } else {
        mPlayers = 1;
        mConnectionType = 0;
    }
    SettleGameMode();
    if (firstTime && !mTitleMusic) PlayAppSound(170);
}

void MVApplication::BuildMenuButtons() {
    if (!Alive(mMenuPicture)) return;
    const int32_t w = mMenuPicture->GetWidth();
    const int32_t h = mMenuPicture->GetHeight();
    const int32_t buttons[] = {0, 1, 3, 4};
    for (int32_t i = 0; i < 4; ++i) {
        int32_t k = buttons[i];
        int32_t command = 67 + k;
        if (command == 70) continue; // this command has no button
        int32_t x = w / 2 + (i / 2 != 0 ? 30 : -324);
        if (command == 67) x += 177;
        int32_t y = h - 150 + 63 * (i % 2);
        auto* button = new FlybyButton;
        button->IFlybyButton(mMenuPicture, x, y, command, 11200 + k, 3, mFlybyHelp, 1520 + k);
        if (command != 71) button->AttachSound(152);
    }
}

void MVApplication::ClearFrontEnd() {
    // A cleared screen took every view with it.
    mRootView = nullptr;
    mScreenView = nullptr;
    mMenuPicture = nullptr;
    mFlybyHelp = nullptr;
    mScenarioList = nullptr;
    mScenarioText = nullptr;
    // The choice group is no view: it goes with the screen it served.
    delete mPlayersRadio;
    mPlayersRadio = nullptr;
    mPasswordField = nullptr;
    mPasswordRetryButton = nullptr;
    mHandicapPopup = nullptr;
    mFogPopup = mSetupPopup = mBonusPopup = mTimePopup = mTCPIPOptions = nullptr;
}

void MVApplication::SuspendApp() {
    if (mState == kStatePlayback && gBattle) gBattle->HandleCommand(13);
}

void MVApplication::ResumeApp() {
    // Back from the desktop: the battlefield drawing sets its weather up afresh.
    if (gBattle && gBattle->mMap) gBattle->mMap->mWeatherMade = false;
}

bool MVApplication::UsePalmTrees() const {
    int32_t theatre = gBattle ? gBattle->mTheatre : (gCampaign ? gCampaign->mTheatre : 0);
    return theatre == 2 || theatre == 3;
}

void MVApplication::RespondToVRAM(int32_t kilobytes, bool agpTexturing) {
    int32_t kb = kilobytes;
    if (agpTexturing) {
        float speed = gKernel ? static_cast<float>(gKernel->mCPUSpeed) : 0.0f;
        float factor = 0.9263799f + 0.00009151698f * speed;
        if (factor < 1.2f) factor = 1.2f;
        if (factor > 2.0f) factor = 2.0f;
        kb = static_cast<int32_t>(static_cast<float>(kb) * factor);
        if (kb < 10240) kb = 10240;
    }
    struct Level {
        int32_t above, downsample, trees;
    };
    static const Level kLevels[] = {{23300, 0, 0}, {13100, 1, 0}, {10400, 2, 0}, {5900, 2, 1},
                                    {4900, 3, 1},  {3200, 3, 2},  {2300, 4, 2}};
    int32_t downsample = 5;
    int32_t trees = 2;
    for (const Level& level : kLevels) {
        if (kb > level.above) {
            downsample = level.downsample;
            trees = level.trees;
            break;
        }
    }
    mTextureDownsample = downsample;
    mTreeTextureLevel = trees;
    if (g3D) {
        g3D->SetTextureDownsample(downsample);
        g3D->SetMipMapMaster(false);
    }
}

// ---------------------------------------------------------------------------
// The battle's host

Affiliation MVApplication::ViewingSide() {
    return mSide == 0 || mSide == 1 ? mSide : kAxis;
}

GView* MVApplication::MakeAIBox(int16_t* fillColour) {
    return MakeConfirmationBox(nullptr, fillColour, false);
}

void MVApplication::ShowCursor(bool show) {
    if (gKernel) gKernel->ShowSystemCursor(show);
}

void MVApplication::HogCPU(bool on) {
    if (gKernel) gKernel->HogCPU(on);
}

void MVApplication::FlushSoundCache(int32_t mode) {
    if (gSound) gSound->FlushUnusedSounds(mode);
}

bool MVApplication::SlowRedraw() {
    return gKernel && gKernel->mFrameMs > kSlowFrameMs;
}

// The screen updates and sound management the battle asks for in the middle
// of its rules (the end of the computer's planning, a turn's progress) leave
// the program's generator as they found it: what the screen draws (rain,
// scenery, the camera's shake) must not change what the battle draws next,
// so a seeded GO gives the same battle with and without a screen.
void MVApplication::UpdateScreen() {
    if (!gKernel) return;
    const uint32_t generator = GetRandomState();
    gKernel->UpdateScreen();
    SeedRandomGenerator(generator);
}

void MVApplication::UpdateScreenForProgress() {
    if (!gKernel) return;
    // Drawn in the middle of a rule: the turn must not depend on it.
    const uint32_t generator = GetRandomState();
    gKernel->UpdateScreenForProgress();
    SeedRandomGenerator(generator);
}

void MVApplication::RefreshWindow() {
    if (gKernel && gKernel->GetWindow()) gKernel->GetWindow()->Refresh();
}

void MVApplication::ManageSounds() {
    if (!gKernel) return;
    const uint32_t generator = GetRandomState();
    gKernel->ManageSounds();
    SeedRandomGenerator(generator);
}

int32_t MVApplication::HumanPlayers() {
    return mPlayers == 2 ? 2 : 1;
}

int32_t MVApplication::ConnectionKind() {
    return mConnectionType;
}

int32_t MVApplication::ComputerSetupOption() {
    const int8_t choice = mPrefs[kPrefComputerSetup];
    return choice == 0 || choice == 1 ? choice : kDefaultComputerSetup;
}

int32_t MVApplication::UnitSizePreference() {
    const int8_t size = mPrefs[kPrefUnitScale];
    return size >= 0 && size <= 4 ? size : kDefaultUnitScale;
}

bool MVApplication::HasScreen() {
    return gKernel != nullptr;
}

void MVApplication::PingDuringBusyCPU() {
    if (mConnectionType == 2) OPPingDuringBusyCPU();
}

bool MVApplication::ShiftHeld() {
    return gKernel && gKernel->ShiftKeyPressed();
}

void MVApplication::SetGameMode(int32_t mode) {
    mGameMode = mode;
    SettleGameMode();
}

void MVApplication::SettleGameMode() {
    // The players and the connection decide; a game-mode byte read from a
    // file that says otherwise is damage and gives way.
    if (mPlayers != 2)
        mGameMode = kGameModeComputer;
    else if (mConnectionType == 2)
        mGameMode = kGameModeTCPIP;
    else if (mConnectionType == 1)
        mGameMode = kGameModeMail;
    else
        mGameMode = kGameModeHotseat;
    mComputerSide = mGameMode == kGameModeComputer ? 1 - ViewingSide() : kSideNone;
}

void MVApplication::RememberScenarioName(GFile* file) {
    mLastSaveName = mScenarioFileName;
}

void MVApplication::GetPasswordHash(GString* hash) {
    if (hash) *hash = mPasswordHash[ViewingSide()];
}

void MVApplication::SetOtherPasswordHash(const GString& hash) {
    mPasswordHash[1 - ViewingSide()] = hash;
}

int32_t MVApplication::CPUSpeed() {
    return gKernel ? gKernel->mCPUSpeed : 0;
}

DrawSettings* MVApplication::GetDrawSettings() {
    DrawSettings& s = mDrawSettings;
    s.mUnitScale = mPrefs[kPrefUnitScale];
    s.mHorizon = mPrefs[kPrefHorizon];
    s.mHideGameAids = mPrefs[kPrefHideAids] != 0;
    s.mShowExitZones = mPrefs[kPrefSetupZone] != 0;
    s.mShowUnitBases = mPrefs[kPrefUnitBases] != 0;
    s.mShowVictoryFlags = mPrefs[kPrefFlags] != 0;
    s.mShowLandmarks = mPrefs[kPrefTerrainPoints] != 0;
    s.mShowLabels = mPrefs[kPrefWarningLabels] != 0;
    s.mShowHitRecords = mPrefs[kPrefDamageReport] != 0;
    s.mThirdMan = mPrefs[kPrefThirdMan] != 0;
    s.mWeatherGraphics = mPrefs[kPrefWeather];
    s.mSmokeDetail = mPrefs[kPrefSmoke];
    s.mTreeDensity = mPrefs[kPrefTreeDensity];
    s.mDoodadDensity = mPrefs[kPrefTerrainDensity];
    s.mZoom = mPrefs[kPrefZoom];
    s.mTextureMemoryClass = mTreeTextureLevel;
    s.mCameraShake = mPrefs[kPrefCameraShake];
    s.mCameraPivot = mPrefs[kPrefCameraPivot] != 0;
    s.mCameraAngle = mPrefs[kPrefCameraAngle];
    s.mState = mState;
    // Out-of-range bytes count as their plain values.
    const int32_t paths = mPrefs[kPrefPaths], arcs = mPrefs[kPrefFireArcs];
    s.mPaths = paths >= 0 && paths <= 3 ? paths : 0;
    s.mArcs = arcs >= 0 && arcs <= 2 ? arcs : 1;
    s.mExcludePassengers = mPrefs[kPrefExcludePassengers] != 0;
    s.mPalmTrees = UsePalmTrees() ? 1 : 0;
    if (gKernel) {
        s.mFramesPerSecond = gKernel->mFramesPerSecond;
        s.mFrameMs = gKernel->mFrameMs;
        s.mLastFrameTime = gKernel->mLastFrameTime;
        s.mScreenWidth = gKernel->mScreenWidth;
    }
    return &s;
}
