#include "battle/Battle.h"

#include <algorithm>
#include <vector>

#include "battle/ActionPacket.h"
#include "battle/BattleHost.h"
#include "battle/BattleMap.h"
#include "battle/BattleMapLink.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GFile.h"
#include "engine/GGraphic.h"
#include "engine/GOLTA.h"
#include "engine/GSoundStream.h"
#include "engine/GView.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/RuleContext.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

Battle* gBattle = nullptr;
GSoundStream* Battle::mAmbientSound = nullptr;

namespace {

constexpr int32_t kReservedBattleTail = 999;
constexpr int32_t kFoxholeBytes = 2; // at the head of the reserved tail
constexpr int32_t kCustomForceReserved = 28;
constexpr int32_t kMaxFlags = 1000;
constexpr int32_t kTableBytesInfantry = 791;
constexpr int32_t kTableBytesVehicle = 406;
constexpr int32_t kTableBytesAirplane = 95;

BattleHost sHeadless;

// What the free rule functions read of the running battle.
int32_t RuleDate() {
    if (gBattle) return gBattle->mDate;
    return gCampaign ? gCampaign->mDate : 4306;
}
int32_t RuleSeason() {
    return gBattle ? gBattle->mSeason : 0;
}
int32_t RuleTimeOfDay() {
    return gBattle ? gBattle->mTimeOfDay : 1;
}
Terrain RuleTerrain(float x, float y) {
    return gBattle && gBattle->mMap ? gBattle->mMap->GetTerrain(x, y, true) : kTerrainOpen;
}

void InstallRuleContext() {
    RuleContext context;
    context.scenarioDate = RuleDate;
    context.season = RuleSeason;
    context.timeOfDay = RuleTimeOfDay;
    context.terrainAt = RuleTerrain;
    SetRuleContext(&context);
    // A shot that bounces off a vehicle makes its ricochet through the battle.
    Vehicle::sMakeRicochetPacket = [](ActionPacket* shell, bool shattered) {
        if (gBattle) gBattle->CreateRicochetPacket(shell, shattered);
    };
}

template <class Table> void WriteTableBytes(GFile* file, const Table& table, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        file->WriteChar(table[i].mRarityIndex);
}

// The bytes are applied only once the whole battle part has been read, so
// that a damaged file leaves the loaded tables as they were.
std::vector<int8_t> ReadBytesOf(GFile* file, int32_t count) {
    std::vector<int8_t> bytes(static_cast<size_t>(count));
    for (int8_t& b : bytes)
        b = file->ReadChar();
    return bytes;
}

template <class Table> void ApplyTableBytes(Table& table, const std::vector<int8_t>& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (auto* row = table.Edit(static_cast<int32_t>(i))) row->mRarityIndex = bytes[i];
    }
}

} // namespace

bool IsComputerSide(Affiliation side) {
    BattleHost* host = gBattle ? gBattle->Host() : &sHeadless;
    return side == host->ComputerSide() && host->ComputerSide() != kSideNone;
}

Battle::Battle() {
    InstallRuleContext();
    Random();
    mWindDirection = static_cast<float>(Random() & 15) * 22.5f;
    mSeason = GetSeason(mDate);
    mFlags.IList();
    mPackets.IList();
    mPendingAttacks.IList();
    mNewAttacks.IList();
    mNewUnits.IGroup();
    mNewUnits.PreserveObjects();
    mEffects.IList();
    mPlaybackList.IList();
    mPlaybackList.PreserveObjects();
    mSoundQueue.IQueue();
    mSoundQueue.PreserveObjects();
}

void BattleHost::BattleGoes(Battle* battle) {
    if (battle->mScreen) ReleaseBattleScreen(battle);
    battle->mScreen = nullptr;
}

Battle::~Battle() {
    if (!mStub) {
        delete mAmbientSound;
        mAmbientSound = nullptr;
        if (mScreen || mBegun) Host()->BattleGoes(this);
        mScreen = nullptr;
        // The menus' pictures, made with the screen, go with the battle even
        // when its screen was let go without the host's teardown.
        for (GGraphic*& g : mMenuGraphics) {
            delete g;
            g = nullptr;
        }
        for (GGraphic*& g : mOrderGraphics) {
            delete g;
            g = nullptr;
        }
        delete mResultView;
        mResultView = nullptr;
        delete mFillerGraphic;
        mFillerGraphic = nullptr;
        delete mAIExtra;
        mAIExtra = nullptr;
        for (GList*& groups : mAIGroups) {
            delete groups;
            groups = nullptr;
        }
        for (GGraphic*& texture : mBattleTextures) {
            delete texture;
            texture = nullptr;
        }
    }
    delete mObjectiveGraph;
    mObjectiveGraph = nullptr;
    DeleteLists();
    if (mMap && mMapLink && mMap->GetBattleLink() == mMapLink) mMap->SetBattleLink(nullptr);
    delete mMapLink;
    mMapLink = nullptr;
    if (gBattle == this) gBattle = nullptr;
}

void Battle::DeleteLists() {
    mSoundQueue.EmptyOut(false);
    mPlaybackList.EmptyOut(false);
    mEffects.EmptyOut(true);
    mNewAttacks.EmptyOut(true);
    mPendingAttacks.EmptyOut(true);
    mPackets.EmptyOut(true);
    // Units made during a slice and not yet merged belong to nobody else.
    mNewUnits.DoForEach(
        [](GObject* member, void* context) {
            auto* units = static_cast<UnitList*>(context);
            if (!units || !units->IsMember(member)) delete member;
        },
        mUnits);
    mNewUnits.EmptyOut(false);
    mFlags.EmptyOut(true);
}

BattleHost* Battle::Host() const {
    return mHost ? mHost : &sHeadless;
}

void Battle::IBattleStub() {
    mStub = true;
    // The lists first: a new unit still waiting to join the unit list is
    // told apart from the list's own units while that list exists.
    DeleteLists();
    IScenarioCore();
    mMap = nullptr;
}

bool Battle::IBattle(GFile* file, GList** groups) {
    IBattleStub();
    mStub = false;
    if (!file) {
        mMap = MakeDefaultMap();
        if (!gCampaign) {
            auto* flag = new VictoryFlag;
            flag->mKind = 1;
            flag->mX = MapWidthMetres(mMap) * 0.5f;
            flag->mY = MapHeightMetres(mMap) * 0.5f;
            mFlags.Add(flag);
        }
        return true;
    }
    Host()->RememberScenarioName(file);
    // Units resolve their links and stamp themselves into the map of the
    // battle being loaded, which is the current battle while it loads.
    Battle* previous = gBattle;
    gBattle = this;
    bool loaded = LoadParts(file, groups);
    gBattle = previous;
    return loaded;
}

bool Battle::LoadParts(GFile* file, GList** groups) {
    if (!ReadScenario(file) || !ReadBattlePart(file)) {
        // Nothing half-loaded: the battle is left empty.
        IBattleStub();
        mStub = false;
        return false;
    }
    TakeAIGroups(groups);
    // A squad or vehicle saved on a floor its place no longer has (a house
    // that has since fallen to rubble) stands on the ground. Aircraft and
    // fixed objects keep their own heights.
    for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
        Unit* u = mUnits->GetUnit(i);
        if (u && (u->mUnitType == kUnitInfantry || u->mUnitType == kUnitVehicle)) u->CorrectFloor();
    }
    if (!mSetupPhase) {
        // A unit that leaves the list leaves the computer's groups too.
        mUnits->DeleteSome(
            [](GObject* member, void* context) {
                auto* unit = static_cast<Unit*>(member);
                if (!unit->StampToMap()) return false;
                AIForgetUnit(static_cast<Battle*>(context), unit);
                return true;
            },
            this, true);
    }
    return true;
}

void Battle::TakeAIGroups(GList** groups) {
    for (int32_t side = 1; side >= 0; --side) {
        mAIGroups[side] = groups ? groups[side] : nullptr;
        GList* list = mAIGroups[side];
        if (list) AIResolveGroupUnits(this, list);
    }
}

void Battle::BeginBattle(bool clearScreen, bool playQueue) {
    BattleHost* host = Host();
    bool joiner = host->ConnectionKind() == 2 && !host->IsHost();
    if (!mScreen) {
        if (!mBegun) {
            // The opening's rules, in order around the screen's steps.
            mBegun = true;
            InstallMapLink();
            CalculateVisibilityFactor();
            if (mSetupPhase) CheckAllLeadership();
            // A battle under way was read from a saved game, whose records
            // keep no hull attitude: each vehicle's is rebuilt where it
            // stands, as the end of the turn left it.
            if (!mSetupPhase && mUnits)
                for (int32_t i = 0; i < mUnits->GetCount(); ++i)
                    if (auto* vehicle = dynamic_cast<Vehicle*>(mUnits->GetUnit(i))) vehicle->Tilt(false);
            GlobalMorale();
        }
        mScreen = host->BuildBattleScreen(this, clearScreen);
        if (!mScreen && host->HasScreen()) return;
        BeginBattleLogic();
        if (mScreen) {
            StartVehicleSounds();
            Ambient();
        }
        if (playQueue) {
            PlaySoundQueue();
            mSoundQueue.EmptyOut(false);
        }
        if (joiner) host->JoinerBeginsBattle();
    } else if (host->HumanPlayers() == 2 && host->ConnectionKind() == 0) {
        host->RestartVehicleSounds();
    }
    if (joiner) host->AddRadioInstructions();
}

bool Battle::Over() {
    return ScenarioCore::Over() || mSurrenderState[0] == 2 || mSurrenderState[1] == 2;
}

void Battle::Handicap(int32_t percent) {
    mHandicap = percent;
    if (percent == 0) return;
    mHandicapped[0] = true;
    mHandicapped[1] = true;
    ScenarioCore::Handicap(percent);
}

// ---------------------------------------------------------------------------
// The battle part of a saved game, behind the scenario part

void Battle::Write(GFile* file) {
    ScenarioCore::Write(file);
    BattleHost* host = Host();
    file->WriteChar(mSetupPhase ? 1 : 0);
    file->WriteChar(static_cast<int8_t>(mSurrenderState[0]));
    file->WriteChar(static_cast<int8_t>(mSurrenderState[1]));
    file->WriteChar(1);
    file->WriteChar(static_cast<int8_t>(mSeason));
    file->WriteFloat(mVisibilityFactor);
    file->WriteChar(static_cast<int8_t>(mTimeOfDay));
    file->WriteChar(static_cast<int8_t>(mWeather));
    file->WriteChar(static_cast<int8_t>(mWindStrength));
    file->WriteFloat(mWindDirection);
    file->WriteChar(mPickRealFlag ? 1 : 0);
    file->WriteChar(0);
    file->WriteShort(mFlagValueTotal);
    for (int32_t side = 1; side >= 0; --side) {
        file->WriteLong(mSideScore[side]);
        file->WriteFixed(mSideVPFactor[side], 100.0f);
        file->WriteChar(mHasExitEdge[side] ? 1 : 0);
        file->WriteChar(static_cast<int8_t>(mExitEdge[side]));
        file->WriteShort(mSideShortA[side]);
        file->WriteShort(mQuietTurns[side]);
    }
    for (int32_t edge = 3; edge >= 0; --edge)
        file->WriteChar(static_cast<int8_t>(mEdgeOwner[edge]));
    file->WriteChar(mFlags.IsPreserving() ? 0 : 1);
    file->WriteLong(mFlags.GetCount());
    for (int32_t i = 0; i < mFlags.GetCount(); ++i)
        mFlags.GetObjectA(i)->Write(file);
    bool custom = mCustomForce[0] || mCustomForce[1];
    file->WriteChar(custom ? 1 : 0);
    if (custom) {
        for (int32_t side = 1; side >= 0; --side) {
            file->WriteChar(mCustomForce[side] ? 1 : 0);
            file->WriteChar(static_cast<int8_t>(mCustomA[side]));
            file->WriteChar(static_cast<int8_t>(mCustomC[side]));
            file->WriteChar(static_cast<int8_t>(mCustomD[side]));
            file->WriteChar(mCustomByteA[side]);
            file->WriteChar(mCustomByteB[side]);
            file->WriteChar(mCustomFlag[side] ? 1 : 0);
            file->WriteChar(static_cast<int8_t>(mCustomB[side]));
            file->WriteZeros(kCustomForceReserved);
        }
    }
    file->WriteShort(static_cast<int16_t>(mHandicap));
    file->WriteChar(mHandicapped[0] ? 1 : 0);
    file->WriteChar(mHandicapped[1] ? 1 : 0);
    file->WriteChar(static_cast<int8_t>(host->GameMode()));
    file->WriteShort(mVPBonus[0]);
    file->WriteShort(mVPBonus[1]);
    file->WriteChar(static_cast<int8_t>(mGameType));
    bool remote = host->ConnectionKind() == 1 || host->ConnectionKind() == 2;
    // The tables travel while both machines may still be setting up: in the
    // set-up turn, or when an operation is being saved between its battles.
    bool tables = mGameType == 1 && remote && (mSetupPhase || (gCampaign && !gBattle));
    file->WriteChar(tables ? 1 : 0);
    if (tables) {
        WriteTableBytes(file, gInfantryData, kTableBytesInfantry);
        WriteTableBytes(file, gVehicleData, kTableBytesVehicle);
        WriteTableBytes(file, gAirplaneData, kTableBytesAirplane);
    }
    file->WriteChar(mVariableLength ? 1 : 0);
    // Reading holds the nominal last turn to the last turn; writing it so
    // keeps a saved game's bytes from one load to the next.
    file->WriteLong(mNominalLastTurn > mLastTurn ? mLastTurn : mNominalLastTurn);
    file->WriteChar(static_cast<int8_t>(mForceReadinessOption));
    file->WriteChar(mFlag2B2 ? 1 : 0);
    file->WriteChar(mResultShown ? 1 : 0);
    // The defender's foxholes: the allowance and those still to place.
    file->WriteChar(static_cast<int8_t>(mMap ? mMap->mFoxholeAllowance : 0));
    file->WriteChar(static_cast<int8_t>(mMap ? mMap->mFoxholesLeft : 0));
    file->WriteZeros(kReservedBattleTail - kFoxholeBytes);
    file->WriteChar(0);
}

bool Battle::ReadBattlePart(GFile* file) {
    mSetupPhase = file->ReadChar() != 0;
    mSurrenderState[0] = file->ReadChar();
    mSurrenderState[1] = file->ReadChar();
    if (file->ReadChar() != 0) {
        mSeason = file->ReadChar();
        mVisibilityFactor = file->ReadFloat();
        mTimeOfDay = file->ReadChar();
        mWeather = file->ReadChar();
        mWindStrength = file->ReadChar();
        mWindDirection = file->ReadFloat();
        mPickRealFlag = file->ReadChar() != 0;
        file->Skip(1);
        mFlagValueTotal = file->ReadShort();
        for (int32_t side = 1; side >= 0; --side) {
            mSideScore[side] = file->ReadLong();
            mSideVPFactor[side] = file->ReadFixed(100.0f);
            mHasExitEdge[side] = file->ReadChar() != 0;
            mExitEdge[side] = file->ReadChar();
            mSideShortA[side] = file->ReadShort();
            mQuietTurns[side] = file->ReadShort();
        }
        for (int32_t edge = 3; edge >= 0; --edge)
            mEdgeOwner[edge] = file->ReadChar();
        mFlags.EmptyOut(true);
        file->ReadChar();
        int32_t count = file->ReadLong();
        if (file->HasFailed() || count < 0 || count > kMaxFlags) return false;
        for (int32_t i = 0; i < count && !file->HasFailed(); ++i) {
            auto* flag = new VictoryFlag;
            flag->Read(file);
            mFlags.Add(flag);
        }
    }
    if (file->ReadChar() != 0) {
        for (int32_t side = 1; side >= 0; --side) {
            mCustomForce[side] = file->ReadChar() != 0;
            mCustomA[side] = file->ReadChar();
            mCustomC[side] = file->ReadChar();
            mCustomD[side] = file->ReadChar();
            mCustomByteA[side] = file->ReadChar();
            mCustomByteB[side] = file->ReadChar();
            mCustomFlag[side] = file->ReadChar() != 0;
            mCustomB[side] = file->ReadChar();
            file->Skip(kCustomForceReserved);
        }
    }
    mHandicap = file->ReadShort();
    mHandicapped[0] = file->ReadChar() != 0;
    mHandicapped[1] = file->ReadChar() != 0;
    int32_t mode = file->ReadChar();
    mVPBonus[0] = file->ReadShort();
    mVPBonus[1] = file->ReadShort();
    mGameType = file->ReadChar();
    bool tables = file->ReadChar() != 0;
    std::vector<int8_t> infantryBytes, vehicleBytes, airplaneBytes;
    if (tables) {
        infantryBytes = ReadBytesOf(file, kTableBytesInfantry);
        vehicleBytes = ReadBytesOf(file, kTableBytesVehicle);
        airplaneBytes = ReadBytesOf(file, kTableBytesAirplane);
    }
    mVariableLength = file->ReadChar() != 0;
    mNominalLastTurn = file->ReadLong();
    if (mNominalLastTurn > mLastTurn) mNominalLastTurn = mLastTurn;
    mForceReadinessOption = file->ReadChar();
    if (mAttacker == 2) mForceReadinessOption = 3;
    mFlag2B2 = file->ReadChar() != 0;
    mResultShown = file->ReadChar() != 0;
    // Older files hold zeros here: no foxholes to place. A count no
    // description can give reads as none.
    int32_t allowance = file->ReadChar();
    int32_t left = file->ReadChar();
    if (allowance < 0 || allowance > Map::kMaxFoxholeAllowance) allowance = 0;
    left = std::clamp(left, 0, allowance);
    file->Skip(kReservedBattleTail - kFoxholeBytes);
    file->Skip(static_cast<uint8_t>(file->ReadChar()));
    if (file->HasFailed()) return false;
    if (mMap) {
        mMap->mFoxholeAllowance = allowance;
        mMap->mFoxholesLeft = left;
    }
    if (tables) {
        ApplyTableBytes(gInfantryData, infantryBytes);
        ApplyTableBytes(gVehicleData, vehicleBytes);
        ApplyTableBytes(gAirplaneData, airplaneBytes);
    }
    BattleHost* host = Host();
    if (host->PlayerSideValue() != 2) host->SetGameMode(mode < 0 || mode > 3 ? 3 : mode);
    return true;
}

// ---------------------------------------------------------------------------
// Action packets

ActionPacket* Battle::CreateActionPacket(int32_t delay) {
    auto* packet = new ActionPacket;
    int32_t slice = mTimeSlice + delay;
    packet->mTimeSlice = static_cast<int16_t>(slice <= 0 ? 0 : slice);
    mPackets.Add(packet);
    mPacketsSorted = false;
    return packet;
}

std::unique_ptr<ActionPacket> Battle::CreateLoosePacket() const {
    std::unique_ptr<ActionPacket> packet(new ActionPacket);
    packet->mTimeSlice = static_cast<int16_t>(mTimeSlice <= 0 ? 0 : mTimeSlice);
    return packet;
}

void Battle::WriteActionPackets(GFile* file) {
    WritePacketList(file, &mPackets);
}

bool Battle::ReadActionPackets(GFile* file) {
    mPacketsSorted = false;
    return ReadPacketList(file, &mPackets, this);
}

// ---------------------------------------------------------------------------
// Units

Unit* Battle::GetUnitFromUniqueID(uint32_t id) const {
    return mUnits ? mUnits->FindUniqueID(id) : nullptr;
}

void Battle::AddNewUnit(Unit* unit) {
    if (unit) mNewUnits.Add(unit);
}

void Battle::MergeNewUnits() {
    if (mNewUnits.GetCount() == 0) return;
    mNewUnits.DoForEach([](GObject* member, void* context) { static_cast<UnitList*>(context)->Add(member); },
                        mUnits);
    mNewUnits.EmptyOut(false);
}

Direction Battle::HomeMapEdge(Affiliation side) const {
    Affiliation other = 1 - side;
    auto owns = [this](Affiliation who, Direction edge) { return mEdgeOwner[edge] == who; };
    if (owns(side, kDirEast) && owns(other, kDirWest)) return kDirEast;
    if (owns(side, kDirWest) && owns(other, kDirEast)) return kDirWest;
    if (owns(side, kDirNorth) && owns(other, kDirSouth)) return kDirNorth;
    if (owns(side, kDirSouth) && owns(other, kDirNorth)) return kDirSouth;
    for (Direction edge : {kDirEast, kDirWest, kDirNorth, kDirSouth})
        if (owns(side, edge)) return edge;
    return side == kAxis ? kDirEast : kDirWest;
}

