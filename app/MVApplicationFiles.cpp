// Saving and loading games through the one game-file reader and writer,
// the auto-save and the save dialog.

#include <algorithm>
#include <cstring>

#include "app/AppViews.h"
#include "app/Editor.h"
#include "app/MapView.h"
#include "app/MVApplication.h"
#include "app/ScenarioSnapshot.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "engine/GBlitView.h"
#include "engine/GButton2D.h"
#include "engine/GButton3D.h"
#include "engine/GEditView.h"
#include "engine/GFile.h"
#include "engine/RandomStateKeeper.h"
#include "engine/GFileServices.h"
#include "engine/GOLTA.h"
#include "map/Map.h"

namespace {

constexpr int32_t kGameSavedString = 6423; // "Spiel gespeichert:"

ScenarioCore* Core() {
    return gCampaign ? static_cast<ScenarioCore*>(gCampaign) : static_cast<ScenarioCore*>(gBattle);
}

const char* TypeCode() {
    return gCampaign ? "mvh0" : "mvg0";
}

// Writes with one player and hotseat, as a finished game is kept.
struct AsFinishedGame {
    MVApplication* app;
    int32_t players, connection;
    explicit AsFinishedGame(MVApplication* a) : app(a), players(a->mPlayers), connection(a->mConnectionType) {
        app->mPlayers = 1;
        app->mConnectionType = 0;
        app->SettleGameMode();
    }
    ~AsFinishedGame() {
        app->mPlayers = players;
        app->mConnectionType = connection;
        app->SettleGameMode();
    }
};

} // namespace

void MVApplication::CopyToFileState(GameFileState* state) const {
    state->players = mPlayers;
    state->side = mSide;
    state->sidesSwapped = mSidesSwapped;
    state->scenarioKind = mScenarioKind;
    state->passwordHash[0] = mPasswordHash[0];
    state->passwordHash[1] = mPasswordHash[1];
    state->passwordSet[0] = mPasswordSet[0];
    state->passwordSet[1] = mPasswordSet[1];
    state->scenarioName = mScenarioFileName;
    state->randomSeed = mRandomSeed;
    state->turnTimeLimit = mTurnTimeLimit;
    state->fileVersion = mFileVersion;
    state->autoSaveReloading = mAutoSaveReloading;
    state->connectionType = mConnectionType;
    state->loadedConnectionType = mLoadedConnectionType;
    state->mailFileCRC = mMailFileCRC;
}

void MVApplication::CopyFromFileState(const GameFileState& state) {
    mPlayers = state.players;
    mSide = state.side;
    mSidesSwapped = state.sidesSwapped;
    mScenarioKind = state.scenarioKind;
    mPasswordHash[0] = state.passwordHash[0];
    mPasswordHash[1] = state.passwordHash[1];
    mPasswordSet[0] = state.passwordSet[0];
    mPasswordSet[1] = state.passwordSet[1];
    mScenarioFileName = state.scenarioName;
    mRandomSeed = state.randomSeed;
    mTurnTimeLimit = state.turnTimeLimit;
    mFileVersion = state.fileVersion;
    mAutoSaveReloading = state.autoSaveReloading;
    mConnectionType = state.connectionType;
    mLoadedConnectionType = state.loadedConnectionType;
    mMailFileCRC = state.mailFileCRC;
    SettleGameMode();
}

int32_t MVApplication::LoadingFileVersion() {
    return mReadingFile ? mReadingFile->fileVersion : mFileVersion;
}

void MVApplication::SaveGame(GFile* file) {
    if (!file) return;
    GameFileState state;
    CopyToFileState(&state);
    WriteGameFile(file, &state, gBattle, gCampaign);
    mFileVersion = state.fileVersion;
}

bool MVApplication::LoadGame(GFile* file, ScenarioSnapshot* snap) {
    if (!file) return false;
    if (snap) {
        // The list reads headers while a game may be in memory: nothing
        // global changes here.
        GameFileHeader header;
        if (ReadGameFileHeader(file, &header) != kGameFileLoaded) return false;
        snap->fromGame = header.fromGame;
        snap->rounds = header.rounds;
        snap->units = header.units;
        snap->force[0] = header.force[0];
        snap->force[1] = header.force[1];
        snap->title = header.title;
        return true;
    }
    // The file is read beside the running game, which it replaces only once
    // all of it has been accepted: a refused file leaves the battle, the
    // operation and every program value as they were. The reader sees no
    // running game, as when nothing is loaded.
    Battle* runningBattle = gBattle;
    Campaign* runningCampaign = gCampaign;
    gBattle = nullptr;
    gCampaign = nullptr;
    // Nothing a refused file's read draws stays drawn.
    const uint32_t generator = GetRandomState();
    GameFileState state;
    CopyToFileState(&state);
    GameFileContents contents;
    GameFileReadOptions options;
    options.takeSeed = !mIsHost || mListLoad;
    options.host = this;
    options.reading = &mReadingFile;
    mReadingFile = &state;
    GameFileResult result = ReadGameFile(file, &state, &contents, options);
    mReadingFile = nullptr;
    gBattle = runningBattle;
    gCampaign = runningCampaign;
    // A refused file is named in its box.
    GString255 name;
    file->GetName(&name);
    auto refuse = [&](Confirmable kind, bool beep) {
        SeedRandomGenerator(generator);
        if (beep && gKernel) gKernel->Beep();
        Confirm(kind, kind == kConfirmWrongBuild ? nullptr : &name);
        return false;
    };
    switch (result) {
    case kGameFileLoaded:
        break;
    case kGameFileFormatTooNew:
        return refuse(kConfirmFormatTooNew, true);
    case kGameFileVersionTooNew:
        return refuse(kConfirmVersionTooNew, true);
    case kGameFileWrongBuild:
        return refuse(kConfirmWrongBuild, false);
    default:
        // A damaged file: refused like a file of another version.
        return refuse(kConfirmVersionTooNew, true);
    }
    // An operation from the list holds no battle yet: its first strip is
    // cut from the file's seed, the same on every machine, with the file's
    // values in place as they will be once it is loaded. An operation whose
    // strip cannot be cut is refused like a damaged file, and then the
    // running game and every program value stay as they were.
    Battle* battle = contents.battle;
    Campaign* campaign = contents.campaign;
    contents.battle = nullptr;
    contents.campaign = nullptr;
    if (campaign && !battle && !campaign->Over()) {
        GameFileState running;
        CopyToFileState(&running);
        const int32_t mode = mGameMode;
        const Affiliation computerSide = mComputerSide;
        CopyFromFileState(state);
        gBattle = nullptr;
        gCampaign = campaign;
        battle = campaign->StepToNextBattle(nullptr, static_cast<uint32_t>(mRandomSeed), this);
        gBattle = runningBattle;
        gCampaign = runningCampaign;
        if (!battle) {
            delete campaign;
            CopyFromFileState(running);
            mGameMode = mode;
            mComputerSide = computerSide;
            return refuse(kConfirmVersionTooNew, true);
        }
    }
    delete gBattle;
    gBattle = nullptr;
    delete gCampaign;
    gCampaign = nullptr;
    CopyFromFileState(state);
    gBattle = battle;
    gCampaign = campaign;
    if (gBattle) mLastSaveName = mScenarioFileName;
    return true;
}

bool MVApplication::ReadAI(GFile* file, GList** lists) {
    return gAIGroupReader && gAIGroupReader(file, lists);
}

void MVApplication::ReadDescription(GFile* file, char** text, int32_t* length) {
    if (!text || !length) return;
    *text = nullptr;
    *length = 0;
    if (!file) return;
    int32_t count = file->ReadLong();
    if (file->HasFailed() || count < 0 || count > file->GetFileLength()) return;
    char* buffer = new char[count > 0 ? count : 1];
    file->ReadBytes(buffer, count);
    if (file->HasFailed()) {
        delete[] buffer;
        return;
    }
    ConvertCharactersToMac(buffer, count);
    *text = buffer;
    *length = count;
}

bool MVApplication::ReadsAsGame(GFile* file) {
    RandomStateKeeper generator;
    Battle* runningBattle = gBattle;
    Campaign* runningCampaign = gCampaign;
    gBattle = nullptr;
    gCampaign = nullptr;
    GameFileState state;
    CopyToFileState(&state);
    GameFileContents contents;
    GameFileReadOptions options;
    options.host = this;
    options.reading = &mReadingFile;
    mReadingFile = &state;
    const bool read = ReadGameFile(file, &state, &contents, options) == kGameFileLoaded &&
                      (contents.battle || contents.campaign);
    mReadingFile = nullptr;
    delete contents.battle;
    delete contents.campaign;
    gBattle = runningBattle;
    gCampaign = runningCampaign;
    file->Rewind();
    return read;
}

void MVApplication::HighLevelLoadGame(GFile* file) {
    bool loaded = LoadGame(file, nullptr);
    delete file;
    ScenarioCore* core = loaded ? Core() : nullptr;
    if (!core) {
        // The cleared screen took the menu frame with it, so the menu is
        // built whole again.
        if (gKernel) gKernel->ClearScreen(true);
        ClearFrontEnd();
        Intro(true);
        return;
    }
    OpenLoadedGame();
}

void MVApplication::OpenLoadedGame() {
    ScenarioCore* core = Core();
    if (!core) return;
    bool setup = gCampaign ? (!gBattle || gBattle->mSetupPhase) : (gBattle && gBattle->mSetupPhase);
    if (core->mBriefing[2] && setup) {
        ShowView(mRootView, false);
        ShowTextFile(2, false, false, 85, false);
        return;
    }
    if (gKernel) gKernel->ClearScreen(true);
    ClearFrontEnd();
    ChooseSides();
}

namespace {

// What the mode's auto-save adds to string 390.
const char* const kAutoSaveModeSuffix[kAutoSaveSlots] = {"", " Hotseat", " E-Mail", " TCP-IP"};

} // namespace

int32_t AutoSaveSlot(int32_t players, int32_t connection) {
    if (players != 2) return 0;
    return connection >= 0 && connection <= 2 ? 1 + connection : 1;
}

void AutoSaveName(int32_t slot, GString* name) {
    name->IStringRez(kAutoSaveNameId);
    if (slot > 0 && slot < kAutoSaveSlots) name->ConcatText(kAutoSaveModeSuffix[slot]);
}

int32_t AutoSaveSlotOfName(const GString& name) {
    for (int32_t slot = 0; slot < kAutoSaveSlots; ++slot) {
        GString31 slotName;
        AutoSaveName(slot, &slotName);
        if (std::strcmp(slotName.GetCString(), name.GetCString()) == 0) return slot;
    }
    return -1;
}

void MVApplication::AutoSave(bool reload) {
    GString31 name;
    AutoSaveName(AutoSaveSlot(mPlayers, mConnectionType), &name);
    AutoSaveAs(name, reload);
}

void MVApplication::AutoSaveAs(const GString& slotName, bool reload) {
    GString31 name(slotName);
    GFile* file = SaveFile(TypeCode(), &name, SavegameFolder(), kFileModeCompressedWrite);
    if (!file) return;
    SaveGame(file);
    if (!file->Commit()) {
        // The previous auto-save stays; the player is told, the game goes on.
        delete file;
        Confirm(kConfirmSaveFailed);
        return;
    }
    if (reload) {
        file->Rewind();
        LoadGame(file, nullptr);
    }
    delete file;
}

void MVApplication::ExchangeAutoSave() {
    // The file records the exchange's flag: reloaded, it shows line 1693 and
    // takes no orders until GO.
    const bool was = mAutoSaveReloading;
    mAutoSaveReloading = true;
    AutoSave(false);
    mAutoSaveReloading = was;
}

void MVApplication::GetIntendedSaveName(GString* name) {
    if (!name) return;
    if (auto* field = static_cast<GEditView*>(Alive(mSaveNameField)))
        field->CaptureString(name);
    else
        *name = mLastSaveName;
    CutFileSuffix(name);
}

void MVApplication::SaveDialogMV(bool pbem) {
    mSaveForMail = pbem;
    if (!gKernel) return;
    const bool is3D = gKernel->Is3D();
    auto* dialog = new GBlitView;
    if (is3D)
        dialog->IBlitView3D(nullptr, -1, -1, pbem ? 11253 : 11250);
    else
        dialog->IBlitView2D(nullptr, -1, -1, pbem ? 11253 : 11250);
    // Over the battle it stands in the middle of the map's view, above the
    // bottom bar and the info panel.
    if (gBattle && gBattle->mMap && gBattle->mMap->mView && gBattle->mMap->mView->IsVisible()) {
        LongRect map;
        gBattle->mMap->mView->GetGlobalBounds(&map);
        dialog->MoveTo(std::max(0, map.left + (map.Width() - dialog->GetWidth()) / 2),
                       std::max(0, map.top + (map.Height() - dialog->GetHeight()) / 2));
    }
    dialog->SetModal();
    mSaveDialog = dialog;
    // Only the 2-D layer is drawn while the dialog is open.
    if (gBattle && gBattle->mMap) gBattle->mMap->mDrawMode = 1;
    auto button = [&](int32_t y, int32_t command, int16_t picture3D, int32_t picture2D) {
        GButton* b = nullptr;
        if (is3D) {
            auto* b3 = new GButton3D;
            b3->IButton3D(dialog, 518, y, command, picture3D, picture3D, picture3D);
            b = b3;
        } else {
            auto* b2 = new GButton2D;
            b2->IButton2D(dialog, 518, y, command, picture2D, 3);
            b = b2;
        }
        return b;
    };
    button(pbem ? 34 : 15, 91, 11251, 11101)->SetDefaultOK();
    if (!pbem) button(53, 93, 11252, 11103);
    auto* field = new GEditView;
    field->IEditView(dialog, 224, 41, 27, 1, false, false);
    field->InsertString(&mLastSaveName);
    gKernel->SetActiveEdit(field);
    mSaveNameField = field;
}

void MVApplication::DoSaveCommand(int32_t command) {
    switch (command) {
    case 90: {
        bool panel = gBattle && Alive(gBattle->mBottomPanel) && gBattle->mBottomPanel->IsVisible();
        bool result = gBattle && Alive(gBattle->mResultView) && gBattle->mResultView->IsVisible() &&
                      (!gCampaign || gCampaign->Over());
        if (gBattle && mState == kStateNone && !gEditor && (panel || result)) {
            // A shown hot-key window closes first.
            if (gBattle->mMap && gBattle->mMap->mHotkeyPanel) gBattle->mMap->ShowHotkeys();
            SaveDialogMV(false);
        } else if (gKernel) {
            gKernel->Beep();
        }
        break;
    }
    case 91: {
        GString31 name;
        GetIntendedSaveName(&name);
        bool same = false;
        bool exists = false;
        if (mSaveForMail) {
            GString31 mail;
            mail.IStringRez(kMailFolderId);
            same = name.IsEqualTo(&mail);
            exists = FileExists(&name, MailFolder(), nullptr, true);
        } else {
            same = name.IsEqualTo(&mLastSaveName);
            exists = FileExists(&name, SavegameFolder(), TypeCode(), false);
        }
        if (exists && !same) {
            ShowView(mSaveDialog, false);
            Confirm(kConfirmOverwrite);
        } else {
            DoCommand(92);
        }
        break;
    }
    case 92: {
        GString31 name;
        GetIntendedSaveName(&name);
        GFile* file = mSaveForMail ? SaveFile(nullptr, &name, MailFolder(), kFileModeMailWrite)
                                   : SaveFile(TypeCode(), &name, SavegameFolder(), kFileModeCompressedWrite);
        bool saved = false;
        if (file) {
            ScenarioCore* core = Core();
            if (mConnectionType != 1 && core && core->Over()) {
                AsFinishedGame finished(this);
                SaveGame(file);
                if (gKernel) gKernel->ClearScreen(false);
            } else {
                SaveGame(file);
            }
            saved = file->Commit();
            if (saved) file->GetName(&mLastSaveName);
            const bool written = saved;
            delete file;
            // The player sees that the game was kept.
            if (written && !mSaveForMail && gBattle && gBattle->mMap) {
                GString255 line;
                line.IStringRez(kGameSavedString);
                line.AddChar(' ');
                line.Concat(&mLastSaveName);
                gBattle->mMap->SetMessage(&line);
            }
        }
        if (!saved) {
            // Nothing is lost: the old file stands, the battle stays, and the
            // dialog comes back for another name or folder.
            ShowView(mSaveDialog, false);
            Confirm(kConfirmSaveFailed);
            break;
        }
        DoCommand(93);
        break;
    }
    case 93: {
        if (mSaveForMail) {
            mSaveForMail = false;
            delete gBattle;
            gBattle = nullptr;
            delete gCampaign;
            gCampaign = nullptr;
            mPlayers = 1;
            mConnectionType = 0;
            SettleGameMode();
        }
        DeleteView(mSaveDialog);
        mSaveNameField = nullptr;
        ScenarioCore* core = Core();
        if (core && core->Over() && gKernel) gKernel->ClearScreen(false);
        if (gBattle && gBattle->mMap) gBattle->mMap->mDrawMode = 2;
        break;
    }
    default:
        break;
    }
}
