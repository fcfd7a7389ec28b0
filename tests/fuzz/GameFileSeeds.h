#pragma once
// The seed inputs of the game-file fuzz target, written by the game's own
// writer: a scenario, a saved game in set-up and one later (with a squad's
// pace behind the battle), an operation, and an e-mail turn file with action
// packets. Each is handed to put with its name, the file mode it was written
// in and its path, once the file is on the disk.

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "map/Map.h"
#include "units/Inanimate.h"
#include "units/Infantry.h"

using GameFileSeedSink = std::function<void(const std::string& name, FileMode mode, const std::string& path)>;

inline std::unique_ptr<Battle> GameFileSeedBattle(bool setup, const char* title) {
    auto battle = std::make_unique<Battle>();
    battle->IBattleStub();
    battle->mStub = false;
    battle->mMap = new Map;
    battle->mMap->IBlankMap(6, 5, 1.0f, 10);
    battle->mSetupPhase = setup;
    battle->mTurn = setup ? 1 : 4;
    battle->mLastTurn = 12;
    battle->mNominalLastTurn = 12;
    battle->mTitle.IStringText(title);
    for (int i = 0; i < 3; ++i) {
        auto* unit = new Inanimate;
        unit->IInanimate(i == 2 ? kInanimateAPMines : kInanimateWire, i == 1 ? 30 : 0, 20.0f + 15 * i, 30.0f,
                         0.0f);
        unit->mSide = i & 1;
        battle->mUnits->Add(unit);
    }
    auto* reinforcement = new Reinforcement;
    reinforcement->mArrivalTurn = 6;
    auto* late = new Inanimate;
    late->IInanimate(kInanimateWire, 30, 60.0f, 60.0f, 0.0f);
    reinforcement->mUnits->Add(late);
    battle->mReinforcements[0].Add(reinforcement);
    const char* text = "Lage:\rDer Feind steht\tam Fluss.";
    auto* copy = new char[std::strlen(text)];
    std::memcpy(copy, text, std::strlen(text));
    battle->SetBriefing(2, copy, static_cast<int32_t>(std::strlen(text)));
    return battle;
}

inline void MakeGameFileSeeds(const std::string& folder, const GameFileSeedSink& put) {
    auto write = [&](const std::string& name, FileMode mode, GameFileState state, Battle* battle,
                     Campaign* campaign, GameFileWriteOptions options) {
        Battle* previous = gBattle;
        gBattle = battle;
        const std::string path = folder + "/" + name;
        bool written = false;
        {
            GFile file;
            written = file.IFile(path.c_str(), mode);
            if (written) WriteGameFile(&file, &state, battle, campaign, options);
        }
        gBattle = previous;
        if (written) put(name, mode, path);
    };
    GameFileState editor;
    editor.scenarioName.IStringText("Am Fluss");
    auto scenario = GameFileSeedBattle(true, "Am Fluss");
    write("scenario", kFileModeCompressedWrite, editor, scenario.get(), nullptr, {.scenario = true});

    GameFileState hotseat = editor;
    hotseat.players = 2;
    hotseat.side = 1;
    hotseat.passwordHash[0].IStringText("5f2c");
    hotseat.passwordSet[0] = true;
    hotseat.turnTimeLimit = 600000;
    write("saved_setup", kFileModeCompressedWrite, hotseat, scenario.get(), nullptr, {});
    auto later = GameFileSeedBattle(false, "Am Fluss");
    // A squad that went at a run in the last turn: its pace travels behind
    // everything else in the file, as does a freed prisoner.
    auto* squad = new Infantry;
    squad->IInfantry(250, kForceDefaultAxis, kExperienceVeteran, 50.0f, 40.0f, 0.0f);
    squad->mMoveSpeed = 8;
    later->mUnits->GetUnit(1)->mFreed = true; // and a prisoner freed
    later->mUnits->Add(squad);
    write("saved_later", kFileModeCompressedWrite, hotseat, later.get(), nullptr, {});

    Campaign operation;
    operation.IScenarioCore();
    write("operation", kFileModeCompressedWrite, hotseat, later.get(), &operation, {});

    GameFileState mail = hotseat;
    mail.connectionType = 1;
    later->CreateActionPacket(3)->mType = 4;
    later->CreateActionPacket(9)->mType = 2;
    write("mail_turn", kFileModeMailWrite, mail, later.get(), nullptr, {});
}
