#include "battle/GameFile.h"

#include <utility>
#include <vector>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/Reinforcement.h"
#include "battle/UnitID.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GGroup.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"

AIGroupWriter gAIGroupWriter = [](Battle* battle, GFile* file) { battle->WriteAIData(file); };
AIGroupReader gAIGroupReader = ReadAI;

namespace {

constexpr int32_t kHeaderZeroLongs = 256; // field 9: 1024 zero bytes
constexpr int32_t kBlockLength = 255;     // fields 25 to 27
constexpr int32_t kBlockReserved = 251;   // zeros behind the four bytes of the block
constexpr int32_t kMailBattleGap = 72;    // zeros in front of the battle in an e-mail file
constexpr int32_t kMillisPerMinute = 60000;
constexpr int32_t kBuildStringId = 9999;

ScenarioCore* CoreOf(Battle* battle, Campaign* campaign) {
    return campaign ? static_cast<ScenarioCore*>(campaign) : static_cast<ScenarioCore*>(battle);
}

int32_t CountUnits(const ScenarioCore* core) {
    int32_t units = core->mUnits ? core->mUnits->GetCount() : 0;
    for (const GList& list : core->mReinforcements) {
        for (int32_t i = 0; i < list.GetCount(); ++i) {
            auto* entry = static_cast<Reinforcement*>(list.GetObjectA(i));
            if (entry && entry->mUnits) units += entry->mUnits->GetCount();
        }
    }
    return units;
}

void WriteHeader(GFile* file, const GameFileState& state, ScenarioCore* core, bool scenario) {
    file->WriteChar(kGameFileVersion);
    file->WriteChar(state.fileVersion);
    file->WriteChar(scenario ? 0 : 1);
    int32_t rounds = 0;
    if (core) rounds = scenario ? core->mLastTurn : core->mLastTurn - core->mTurn + 1;
    file->WriteLong(rounds);
    file->WriteLong(core ? CountUnits(core) : 0);
    file->WriteShort(core ? static_cast<int16_t>(core->SnapshotForce(0)) : 0);
    file->WriteShort(core ? static_cast<int16_t>(core->SnapshotForce(1)) : 0);
    if (core) {
        core->mTitle.Write(file);
    } else {
        GString15 empty;
        empty.Write(file);
    }
    for (int32_t i = 0; i < kHeaderZeroLongs; ++i)
        file->WriteLong(0);
}

// The side byte and the stored hand-over flag (fields 11 and 12).
void WriteSideAndFlag(GFile* file, const GameFileState& state, Battle* battle, bool mail, bool scenario) {
    int32_t side = state.side;
    int32_t flag = 0;
    if (scenario) {
        flag = 0;
    } else if (state.connectionType == 1 && mail) {
        // An e-mail file arrives turned over to the receiving player.
        side = 1 - state.side;
        flag = state.sidesSwapped ? 1 : 0;
    } else if (state.connectionType == 1) {
        flag = state.sidesSwapped ? 0 : 1;
    } else if (state.connectionType == 2) {
        flag = 1;
    } else {
        flag = state.players >= 2 && state.connectionType == 0 && battle && !battle->mSetupPhase ? 1 : 0;
    }
    file->WriteChar(static_cast<int8_t>(side));
    file->WriteChar(static_cast<int8_t>(flag));
}

bool SavesPackets(Battle* battle, bool mail, bool scenario) {
    if (!mail || scenario || !battle || battle->mPackets.GetCount() <= 0) return false;
    if (battle->mSurrenderState[0] == 1 && battle->mSurrenderState[1] == 1) return false;
    for (int32_t i = 0; i < battle->mPackets.GetCount(); ++i) {
        auto* packet = static_cast<ActionPacket*>(battle->mPackets.GetObjectA(i));
        if (packet && packet->mType != 2) return true;
    }
    return false;
}

void WriteBriefings(GFile* file, ScenarioCore* core) {
    for (int32_t i = 0; i < 3; ++i) {
        char* text = core ? core->mBriefing[i] : nullptr;
        if (!text) {
            file->WriteChar(0);
            continue;
        }
        int32_t length = core->mBriefingLength[i];
        file->WriteChar(1);
        file->WriteLong(length);
        ConvertCharactersToPC(text, length);
        file->WriteBytes(text, length);
        ConvertCharactersToMac(text, length);
    }
}

// Reads one briefing: false when its length cannot be right for this file.
bool ReadBriefing(GFile* file, char** text, int32_t* length) {
    *text = nullptr;
    *length = 0;
    if (file->ReadChar() == 0) return !file->HasFailed();
    int32_t count = file->ReadLong();
    // A length beyond the whole stream is damage, not a reason to allocate.
    if (file->HasFailed() || count < 0 || count > file->GetFileLength()) return false;
    char* buffer = new char[count > 0 ? count : 1];
    file->ReadBytes(buffer, count);
    if (file->HasFailed()) {
        delete[] buffer;
        return false;
    }
    ConvertCharactersToMac(buffer, count);
    *text = buffer;
    *length = count;
    return true;
}

// Behind everything else in the file: what units hold between turns that
// their records do not keep. Older files end before it, and older builds
// stop reading before it. Each part starts with its kind; kind 0 (or the
// end of the data) ends the list, an unknown kind ends it too.
constexpr int8_t kExtrasEnd = 0;
// The pace each infantry unit last went at (the next turn's replay opens
// with it); only units whose pace is not the one a read keeps are listed.
constexpr int8_t kExtrasInfantryPaces = 1;
// The pace an infantry unit has when its record has been read: the read
// keeps it whatever pace the unit's pose is drawn at.
constexpr MovementSpeedType kPaceAsRead = 1;
// What units carry from turn to turn that their records lack and the next
// turn reads: whether the unit has moved in the battle (one that has not
// keeps its concealment and its machine guns' long reach), its target
// slice count (a vehicle's fear reads the enemy's), a vehicle's
// bail-out-after-hit flag (its countdown is in the record) and whether a
// vehicle is knocked out (it no longer counts as able to fight, and its
// side's losses count it whole) and whether a prisoner has been freed (the
// computer's plans and the selection pass it over). Only units with one of
// them set are listed.
constexpr int8_t kExtrasCarriedState = 2;
constexpr int8_t kCarriedMoved = 0x01;
constexpr int8_t kCarriedBailOutAfterHit = 0x02;
constexpr int8_t kCarriedKnockedOut = 0x04;
constexpr int8_t kCarriedFreed = 0x08;
constexpr int8_t kCarriedVehicleFlags = kCarriedBailOutAfterHit | kCarriedKnockedOut;

// The shots each unit has fired at its present target (the target is in its
// record): the next turn's target choice holds a heavy weapon to a target
// the longer it has fired at it. Only units that have fired at theirs are
// listed.
constexpr int8_t kExtrasShotsAtTarget = 3;

struct CarriedState {
    int32_t id;
    int8_t flags;
    int32_t targetSliceCount;
};

CarriedState CarriedStateOf(int32_t id, const Unit* unit) {
    CarriedState c{id, 0, unit->mTargetSliceCount};
    if (unit->mHasMoved) c.flags |= kCarriedMoved;
    if (unit->mFreed) c.flags |= kCarriedFreed;
    const auto* vehicle = dynamic_cast<const Vehicle*>(unit);
    if (vehicle && vehicle->mBailOutFlag) c.flags |= kCarriedBailOutAfterHit;
    if (vehicle && vehicle->mKnockedOut) c.flags |= kCarriedKnockedOut;
    return c;
}

} // namespace

void WriteUnitExtras(GFile* file, Battle* battle) {
    if (!battle || !battle->mUnits) return;
    std::vector<std::pair<int32_t, MovementSpeedType>> paces;
    std::vector<CarriedState> carried;
    std::vector<std::pair<int32_t, int16_t>> shots;
    const int32_t count = battle->mUnits->GetCount();
    for (int32_t k = 0; k < count && k < kMaxMapUnitID; ++k) {
        const Unit* unit = battle->mUnits->GetUnit(k);
        const auto* infantry = dynamic_cast<const Infantry*>(unit);
        if (infantry && infantry->mMoveSpeed != kPaceAsRead) paces.emplace_back(k + 1, infantry->mMoveSpeed);
        if (!unit) continue;
        const CarriedState c = CarriedStateOf(k + 1, unit);
        if (c.flags != 0 || c.targetSliceCount != 0) carried.push_back(c);
        if (unit->mShotsAtTarget > 0) shots.emplace_back(k + 1, unit->mShotsAtTarget);
    }
    if (paces.empty() && carried.empty() && shots.empty()) return;
    if (!paces.empty()) {
        file->WriteChar(kExtrasInfantryPaces);
        file->WriteShort(static_cast<int16_t>(paces.size()));
        for (const auto& [id, pace] : paces) {
            file->WriteShort(static_cast<int16_t>(id));
            file->WriteChar(static_cast<int8_t>(pace));
        }
    }
    if (!carried.empty()) {
        file->WriteChar(kExtrasCarriedState);
        file->WriteShort(static_cast<int16_t>(carried.size()));
        for (const CarriedState& c : carried) {
            file->WriteShort(static_cast<int16_t>(c.id));
            file->WriteChar(c.flags);
            file->WriteLong(c.targetSliceCount);
        }
    }
    if (!shots.empty()) {
        file->WriteChar(kExtrasShotsAtTarget);
        file->WriteShort(static_cast<int16_t>(shots.size()));
        for (const auto& [id, count] : shots) {
            file->WriteShort(static_cast<int16_t>(id));
            file->WriteShort(count);
        }
    }
    file->WriteChar(kExtrasEnd);
}

namespace {

// The infantry paces: false when the part is damaged (a unit that is no
// infantry of the battle, a pace the pace table does not have, or the data
// ends inside). Nothing is applied unless the whole part reads.
bool ReadInfantryPaces(GFile* file, Battle* battle) {
    const int32_t units = battle->mUnits ? battle->mUnits->GetCount() : 0;
    const int32_t count = file->ReadShort();
    if (file->HasFailed() || count < 0 || count > units) return false;
    std::vector<std::pair<Infantry*, MovementSpeedType>> paces;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t id = file->ReadShort();
        const int32_t pace = file->ReadChar();
        if (file->HasFailed() || id < 1 || id > units || pace < 0 || pace >= gMovementSpeedChart.Count())
            return false;
        auto* infantry = dynamic_cast<Infantry*>(battle->mUnits->GetUnit(id - 1));
        if (!infantry) return false;
        paces.emplace_back(infantry, pace);
    }
    for (const auto& [infantry, pace] : paces)
        infantry->mMoveSpeed = pace;
    return true;
}

// The units' carried state: false when the part is damaged (a unit the
// battle does not have, a flag this build does not know, a vehicle's flag
// on another kind, or the data ends inside). Nothing is applied unless the
// whole part reads.
bool ReadCarriedState(GFile* file, Battle* battle) {
    const int32_t units = battle->mUnits ? battle->mUnits->GetCount() : 0;
    const int32_t count = file->ReadShort();
    if (file->HasFailed() || count < 0 || count > units) return false;
    std::vector<std::pair<Unit*, CarriedState>> carried;
    for (int32_t i = 0; i < count; ++i) {
        CarriedState c{};
        c.id = file->ReadShort();
        c.flags = file->ReadChar();
        c.targetSliceCount = file->ReadLong();
        if (file->HasFailed() || c.id < 1 || c.id > units) return false;
        if ((c.flags & ~(kCarriedMoved | kCarriedFreed | kCarriedVehicleFlags)) != 0) return false;
        Unit* unit = battle->mUnits->GetUnit(c.id - 1);
        if (!unit) return false;
        if ((c.flags & kCarriedVehicleFlags) && !dynamic_cast<Vehicle*>(unit)) return false;
        carried.emplace_back(unit, c);
    }
    for (const auto& [unit, c] : carried) {
        unit->mHasMoved = (c.flags & kCarriedMoved) != 0;
        unit->mFreed = (c.flags & kCarriedFreed) != 0;
        unit->mTargetSliceCount = c.targetSliceCount;
        if (auto* vehicle = dynamic_cast<Vehicle*>(unit)) {
            vehicle->mBailOutFlag = (c.flags & kCarriedBailOutAfterHit) != 0;
            vehicle->mKnockedOut = (c.flags & kCarriedKnockedOut) != 0;
            // Files older than the record's destroyed byte say it here: a
            // wreck knocked out was destroyed, not left by its crew.
            if (vehicle->mKnockedOut && !vehicle->mActive) vehicle->mDestroyed = true;
        }
    }
    return true;
}

// The shots at the present target: false when the part is damaged (a unit
// the battle does not have, a count below one, or the data ends inside).
// Nothing is applied unless the whole part reads.
bool ReadShotsAtTarget(GFile* file, Battle* battle) {
    const int32_t units = battle->mUnits ? battle->mUnits->GetCount() : 0;
    const int32_t count = file->ReadShort();
    if (file->HasFailed() || count < 0 || count > units) return false;
    std::vector<std::pair<Unit*, int16_t>> shots;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t id = file->ReadShort();
        const int16_t fired = file->ReadShort();
        if (file->HasFailed() || id < 1 || id > units || fired < 1) return false;
        Unit* unit = battle->mUnits->GetUnit(id - 1);
        if (!unit) return false;
        shots.emplace_back(unit, fired);
    }
    for (const auto& [unit, fired] : shots)
        unit->mShotsAtTarget = fired;
    return true;
}

} // namespace

// False when a part this build knows is damaged.
bool ReadUnitExtras(GFile* file, Battle* battle) {
    if (!battle) return true;
    while (file->GetRemaining() > 0) {
        const int8_t kind = file->ReadChar();
        if (kind == kExtrasInfantryPaces) {
            if (!ReadInfantryPaces(file, battle)) return false;
        } else if (kind == kExtrasCarriedState) {
            if (!ReadCarriedState(file, battle)) return false;
        } else if (kind == kExtrasShotsAtTarget) {
            if (!ReadShotsAtTarget(file, battle)) return false;
        } else {
            return true; // the end, or nothing more this build knows
        }
    }
    return true;
}

namespace {

// Reads the header into header; false when the data runs out.
GameFileResult ReadHeaderFields(GFile* file, GameFileHeader* header) {
    if (file->ReadChar() > kGameFileVersion) return kGameFileFormatTooNew;
    if (file->ReadChar() > kGameFileVersion) return kGameFileVersionTooNew;
    header->fromGame = file->ReadChar() != 0;
    header->rounds = file->ReadLong();
    header->units = file->ReadLong();
    header->force[0] = file->ReadShort();
    header->force[1] = file->ReadShort();
    header->title.Read(file);
    file->Skip(kHeaderZeroLongs * 4);
    return file->HasFailed() ? kGameFileDamaged : kGameFileLoaded;
}

// Everything a whole read makes before it is handed over.
struct Loading {
    GList* ai[2] = {nullptr, nullptr};
    GList* graph = nullptr; // nodes holding flag places, until the battle takes it
    char* text[3] = {nullptr, nullptr, nullptr};
    int32_t length[3] = {0, 0, 0};
    Battle* battle = nullptr;
    Campaign* campaign = nullptr;

    ~Loading() {
        for (GList* list : ai)
            DeleteAIList(list);
        delete graph; // its nodes own no flags
        for (char* t : text)
            delete[] t;
        delete battle;
        delete campaign;
    }
    static void DeleteAIList(GList* list) {
        if (!list) return;
        // The groups hold raw identifiers until a battle takes them over.
        for (int32_t i = 0; i < list->GetCount(); ++i) {
            auto* group = static_cast<GList*>(list->GetObjectA(i));
            if (group) group->EmptyOut(false);
        }
        list->EmptyOut(true);
        delete list;
    }
};

GameFileResult ReadBody(GFile* file, GameFileState* state, Loading* loading,
                        const GameFileReadOptions& options) {
    const bool mail = file->GetMode() == kFileModeMailRead;
    state->players = file->ReadChar();
    state->side = file->ReadChar();
    state->sidesSwapped = file->ReadChar() == 0;
    state->scenarioKind = file->ReadChar();
    state->passwordHash[0].ReadNoConversion(file);
    state->passwordHash[1].ReadNoConversion(file);
    state->scenarioName.Read(file);
    // 1: the computer's groups follow; 2: its objective graph behind them.
    const int8_t ai = file->ReadChar();
    if (ai != 0) {
        if (!gAIGroupReader || !gAIGroupReader(file, loading->ai)) return kGameFileDamaged;
        if (ai == 2 && !ReadAIGraph(file, &loading->graph)) return kGameFileDamaged;
    }
    auto seed = static_cast<uint16_t>(file->ReadShort());
    if (options.takeSeed) state->randomSeed = seed;
    state->turnTimeLimit = file->ReadShort() * kMillisPerMinute;
    for (int32_t i = 0; i < 3; ++i)
        if (!ReadBriefing(file, &loading->text[i], &loading->length[i])) return kGameFileDamaged;
    state->fileVersion = file->ReadChar();
    if (mail) {
        state->mailFileCRC = file->GetCRC();
        GString31 build;
        build.ReadNoConversion(file);
        GString31 ours;
        ours.IStringRez(kBuildStringId);
        if (state->fileVersion < kGameFileVersion || build.ConvertToNumber() != ours.ConvertToNumber())
            return kGameFileWrongBuild;
    }
    // The block is as long as its length byte says, so a later format can
    // add bytes to it; only the two known ones are read.
    int32_t blockLength = static_cast<uint8_t>(file->ReadChar());
    state->autoSaveReloading = false;
    state->loadedConnectionType = 0;
    if (blockLength == 0) state->connectionType = 0;
    if (blockLength >= 1) state->autoSaveReloading = file->ReadChar() != 0;
    if (blockLength >= 2) state->loadedConnectionType = file->ReadChar();
    // Bytes 3 and 4: an operation's battle counter (older files hold zeros).
    int32_t battleCounter = 0;
    if (blockLength >= 4) battleCounter = static_cast<uint16_t>(file->ReadShort());
    if (blockLength > 4) file->Skip(blockLength - 4);
    else if (blockLength == 3) file->Skip(1);
    if (file->HasFailed()) return kGameFileDamaged;

    if (file->ReadChar() != 0) {
        if (mail) file->Skip(kMailBattleGap);
        loading->battle = new Battle;
        loading->battle->mHost = options.host;
        if (!loading->battle->IBattle(file, loading->ai)) return kGameFileDamaged;
        // The battle has taken the groups over, and takes the graph.
        loading->ai[0] = loading->ai[1] = nullptr;
        loading->battle->TakeAIGraph(loading->graph);
        loading->graph = nullptr;
        if (file->HasFailed()) return kGameFileDamaged;
        loading->battle->mTitle = state->scenarioName;
    }
    state->passwordSet[1] = file->ReadChar() != 0;
    if (state->scenarioKind == 2) {
        loading->campaign = new Campaign;
        if (!loading->campaign->ICampaign(file)) return kGameFileDamaged;
        loading->campaign->mTitle = state->scenarioName;
        loading->campaign->mBattleCounter = battleCounter;
    }
    state->passwordSet[0] = file->ReadChar() != 0;
    if (file->ReadChar() != 0) {
        // Packets without a battle to hold them are damage.
        if (!loading->battle) return kGameFileDamaged;
        Battle* previous = gBattle;
        gBattle = loading->battle;
        bool read = loading->battle->ReadActionPackets(file);
        gBattle = previous;
        if (!read) return kGameFileDamaged;
    }
    if (file->HasFailed()) return kGameFileDamaged;
    if (!ReadUnitExtras(file, loading->battle)) return kGameFileDamaged;
    Battle* battle = loading->battle;
    if (battle && (!battle->mSetupPhase || battle->mTurn >= 2)) {
        state->passwordSet[0] = true;
        state->passwordSet[1] = true;
    }
    return kGameFileLoaded;
}

} // namespace

void WriteGameFile(GFile* file, GameFileState* state, Battle* battle, Campaign* campaign,
                   const GameFileWriteOptions& options) {
    if (!file || !state) return;
    state->fileVersion = kGameFileVersion;
    const bool mail = file->GetMode() == kFileModeMailWrite;
    const bool scenario = options.scenario;
    const bool packets = SavesPackets(battle, mail, scenario);
    ScenarioCore* core = CoreOf(battle, campaign);

    WriteHeader(file, *state, core, scenario);
    file->WriteChar(static_cast<int8_t>(state->players));
    WriteSideAndFlag(file, *state, battle, mail, scenario);
    file->WriteChar(campaign ? 2 : 0);
    state->passwordHash[0].WriteNoConversion(file);
    state->passwordHash[1].WriteNoConversion(file);
    state->scenarioName.Write(file);
    const bool graph = battle && battle->mObjectiveGraph;
    bool ai = battle && gAIGroupWriter && (battle->mAIGroups[0] || battle->mAIGroups[1] || graph);
    file->WriteChar(ai ? (graph ? 2 : 1) : 0);
    if (ai) gAIGroupWriter(battle, file);
    if (ai && graph) battle->WriteAIGraph(file);
    file->WriteShort(static_cast<int16_t>(state->randomSeed));
    file->WriteShort(static_cast<int16_t>(state->turnTimeLimit / kMillisPerMinute));
    WriteBriefings(file, core);
    file->WriteChar(state->fileVersion);
    if (mail) {
        GString31 build;
        build.IStringRez(kBuildStringId);
        build.WriteNoConversion(file);
    }
    file->WriteChar(static_cast<int8_t>(kBlockLength));
    file->WriteChar(state->autoSaveReloading ? 1 : 0);
    file->WriteChar(static_cast<int8_t>(state->connectionType));
    file->WriteShort(static_cast<int16_t>(campaign ? campaign->mBattleCounter : 0));
    file->WriteZeros(kBlockReserved);
    file->WriteChar(battle ? 1 : 0);
    if (battle) {
        if (mail) file->WriteZeros(kMailBattleGap);
        if (packets && battle->mMap) battle->mMap->SaveOldMutables();
        battle->Write(file);
    }
    file->WriteChar(state->passwordSet[1] ? 1 : 0);
    if (campaign) campaign->Write(file);
    file->WriteChar(state->passwordSet[0] ? 1 : 0);
    file->WriteChar(packets ? 1 : 0);
    if (packets) battle->WriteActionPackets(file);
    if (!scenario) WriteUnitExtras(file, battle);
}

GameFileResult ReadGameFileHeader(GFile* file, GameFileHeader* header) {
    if (!file || !header) return kGameFileDamaged;
    GameFileHeader read;
    GameFileResult result = ReadHeaderFields(file, &read);
    if (result != kGameFileLoaded) return result;
    *header = read;
    return kGameFileLoaded;
}

GameFileResult ReadGameFile(GFile* file, GameFileState* state, GameFileContents* contents,
                            const GameFileReadOptions& options) {
    if (!file || !state || !contents) return kGameFileDamaged;
    GameFileHeader header;
    GameFileResult result = ReadHeaderFields(file, &header);
    if (result != kGameFileLoaded) return result;
    GameFileState read = *state;
    // The file is read into a copy, which the host reads its version from.
    const GameFileState* outer = options.reading ? *options.reading : nullptr;
    if (options.reading) *options.reading = &read;
    Loading loading;
    result = ReadBody(file, &read, &loading, options);
    if (options.reading) *options.reading = outer;
    if (result != kGameFileLoaded) return result;
    ScenarioCore* core = CoreOf(loading.battle, loading.campaign);
    for (int32_t i = 0; i < 3; ++i) {
        if (core)
            core->SetBriefing(i, loading.text[i], loading.length[i]);
        else
            delete[] loading.text[i];
        loading.text[i] = nullptr;
    }
    *state = read;
    contents->battle = loading.battle;
    contents->campaign = loading.campaign;
    loading.battle = nullptr;
    loading.campaign = nullptr;
    return kGameFileLoaded;
}
