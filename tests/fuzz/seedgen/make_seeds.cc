// Makes the seed inputs of the fuzz targets with the project's own writers:
// small valid files of every kind each reader takes, so that fuzzing starts
// from inside the formats rather than from nothing.
//
//   dm_fuzz_seeds <seeds dir> <source dir>
//
// Writes <seeds dir>/<target>/<name> for each target (scripts/fuzz
// --make-seeds empties the folders first). The same sources give the same
// bytes.

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "FuzzBattles.h"
#include "GameFileSeeds.h"
#include "OperationFileSeeds.h"
#include "OperationSeeds.h"
#include "TurnPacketSeeds.h"
#include "UnitExtrasSeeds.h"
#include "ai/AIPlanning.h"
#include "ai/FlagsNode.h"
#include "battle/ActionPacket.h"
#include "battle/Reinforcement.h"
#include "battle/SmokeShell.h"
#include "battle/VictoryFlag.h"
#include "engine/GFile.h"
#include "engine/OPRecordReader.h"
#include "map/BuildingWallCrater.h"
#include "tools/art/Image.h"
#include "tools/art/PngWriter.h"
#include "tools/art/WavWriter.h"
#include "units/DataTables.h"
#include "units/GameDataSet.h"
#include "units/Hack.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"

extern const unsigned char kGameDataBlock[];
extern const size_t kGameDataBlockSize;

namespace {

std::string sOut;
std::string sSource;
int sFailures = 0;

using Bytes = std::vector<uint8_t>;

std::string Folder(const std::string& target) {
    const std::string dir = sOut + "/" + target;
    mkdir(dir.c_str(), 0755);
    return dir;
}

void Put(const std::string& target, const std::string& name, const Bytes& bytes) {
    const std::string path = Folder(target) + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        ++sFailures;
    }
}

Bytes ReadDisk(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        ++sFailures;
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs a writer on a temporary file and gives the stream it wrote.
template <class Writer> Bytes Written(Writer write) {
    GFile file;
    if (!file.ITempFile(false)) {
        ++sFailures;
        return {};
    }
    write(&file);
    file.Rewind();
    Bytes bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

// The disk image of a stream written in a game-file mode.
Bytes GameFileImage(const Bytes& stream, FileMode mode) {
    const std::string path = sOut + "/.image.tmp";
    {
        GFile file;
        if (!file.IFile(path.c_str(), mode)) {
            ++sFailures;
            return {};
        }
        file.WriteBytes(stream.data(), static_cast<int32_t>(stream.size()));
    }
    Bytes bytes = ReadDisk(path);
    std::remove(path.c_str());
    return bytes;
}

Inanimate* AddObject(UnitList* list, InanimateType type, int32_t side, float x, float y) {
    auto* unit = new Inanimate;
    unit->IInanimate(type, side == 1 ? 0 : 30, x, y, 0.0f);
    unit->mSide = side;
    list->Add(unit);
    return unit;
}

// A battle with a map, fixed objects and an airplane, a reinforcement,
// flags, links, way points, a named unit and negative values.
void BuildBattle(Battle* battle, bool setup) {
    battle->IBattleStub();
    battle->mStub = false;
    battle->mMap = new Map;
    battle->mMap->IBlankMap(5, 4, 1.0f, 10);
    battle->mMap->mFoxholeAllowance = 4; // the defender's, two still to place
    battle->mMap->mFoxholesLeft = 2;
    battle->mDate = 4406;
    battle->mTurn = setup ? 0 : 3;
    battle->mLastTurn = 20;
    battle->mNominalLastTurn = 20;
    battle->mAttacker = 0;
    battle->mScenarioLevel = 2;
    battle->mSetupPhase = setup;
    battle->mWeather = 2;
    battle->mSideScore[1] = 250;
    battle->mSideVPFactor[0] = -0.5f;
    battle->mCustomForce[0] = true;
    auto* flag = new VictoryFlag;
    flag->mKind = 1;
    flag->mX = 50.0f;
    flag->mY = 40.0f;
    battle->mFlags.Add(flag);

    Inanimate* wire = AddObject(battle->mUnits, kInanimateWire, 1, 30.0f, 40.0f);
    Inanimate* trp = AddObject(battle->mUnits, kInanimateTargetReference, 0, 60.0f, 20.0f);
    AddObject(battle->mUnits, kInanimateTrenches, 0, 10.0f, 10.0f);
    auto* plane = new Airplane;
    plane->IUnit(10.0f, 10.0f, 0.0f, 30, kExperienceVeteran);
    battle->mUnits->Add(plane);
    auto* reinforcement = new Reinforcement;
    reinforcement->mArrivalTurn = 5;
    reinforcement->mChance = 0.5f;
    Inanimate* arriving = AddObject(reinforcement->mUnits, kInanimateAPMines, 1, 50.0f, 50.0f);
    battle->mReinforcements[1].Add(reinforcement);

    wire->mTarget = trp;
    wire->mHQ = arriving;
    wire->mHeading = -10.0f;
    wire->mTurnRate = -0.25f;
    wire->mPlaybackSpeed = -1.0f;
    wire->mZ = -0.5f;
    wire->mSuppression = 42.5f;
    wire->mNameIndex = -1;
    wire->mCustomName = new GString15;
    wire->mCustomName->ConcatText("Sperre");
    wire->mNrWaypoints = 2;
    for (int i = 0; i < 2; ++i) {
        wire->mWaypoints[i].mX = 10.0f * i;
        wire->mWaypoints[i].mY = 5.0f;
        wire->mWaypoints[i].mOrder = 4 + i;
    }
    wire->mKillRecords[1].AddVehicleKill(12);
    wire->mCoveredArc = true;
    wire->mArcA = 10.0f;
    wire->mArcB = 80.0f;
    trp->mSpotMarker = true;
    trp->mMarkerX = 7.0f;
    trp->mContactLevel = 1;
    trp->mAmmo[2] = 40;
    trp->mAreaTarget = true;
    trp->mAreaTargetX = 12.0f;

    auto* crater = new Crater;
    crater->mX = 20.0f;
    crater->mY = 30.0f;
    crater->mRadius = 2.0f;
    crater->mDepth = 0.5f;
    battle->mMap->mCraters->Add(crater);
}

// One packet of every type, the unit states of every kind of the kind
// battle's units (or of the units given).
void AddPackets(Battle* battle, const std::vector<Unit*>& units) {
    for (int8_t type = kPacketShell; type <= kPacketSparks; ++type) {
        ActionPacket* p = battle->CreateActionPacket(type * 10);
        p->mType = type;
        p->mX = 10.0f + type;
        p->mY = 20.0f;
        p->mZ = -0.5f;
        p->mFirer = units[0];
        p->mTarget = units.back();
        p->mEndX = 30.0f;
        p->mBlast = 1.5f;
        p->mFlightTime = 40;
        p->mSource = units[0];
        p->mSoundNumber = 5010;
        p->mRadius = 3.0f;
        p->mDuration = 100;
        p->mDimension[0] = 2.0f;
        p->mCraterKind = 1;
        p->mDamage = 0.5f;
        p->mVehicle = units.back();
        p->mEnergy = 2.0f;
        p->mHeading = 90.0f;
    }
    int8_t spotting = 0;
    for (Unit* unit : units) {
        ActionPacket* p = battle->CreateActionPacket(5);
        p->mType = kPacketUnitState;
        p->mUnit = unit;
        p->mTarget = units[0];
        p->mFacing = -45.0f;
        p->mMotionA = 0.5f;
        p->mLinkA = units.back();
        p->mSpotting = static_cast<uint8_t>(spotting);
        spotting = static_cast<int8_t>(spotting == 0 ? 0x80 | kContactHeard : 0);
        p->mMarkerX = 3.0f;
        p->mErrorX = -2;
        p->mFloorHeight = 0.5f;
        p->mSuppression = 12.0f;
        p->mTeams[0] = 3;
        p->mFigures[0].mFrame = 7;
        p->mTurretBearing = 45.0f;
        p->mAmmo[0] = 20;
        p->mAmmo[3] = 4;
        p->mFlagsA = 0x01;
        p->mAimX = 1.0f;
    }
}

Bytes SavedGame(bool setup, bool packets) {
    Battle battle;
    BuildBattle(&battle, setup);
    Battle* old = gBattle;
    gBattle = &battle;
    if (packets) {
        std::vector<Unit*> units;
        for (int32_t i = 0; i < battle.mUnits->GetCount(); ++i)
            units.push_back(battle.mUnits->GetUnit(i));
        AddPackets(&battle, units);
    }
    Bytes bytes = Written([&](GFile* f) {
        battle.Write(f);
        f->WriteChar(packets ? 1 : 0);
        if (packets) battle.WriteActionPackets(f);
    });
    gBattle = old;
    return bytes;
}

void BattleSeeds() {
    Put("fuzz_battle", "setup_turn", SavedGame(true, false));
    Put("fuzz_battle", "later_turn_with_packets", SavedGame(false, true));

    // Game files and e-mail files around a saved game and a short record.
    const Bytes game = SavedGame(false, true);
    Bytes small(static_cast<size_t>(kFilePlainHeaderSize), 0);
    for (uint8_t b : Written([](GFile* f) {
             f->WriteChar(1);
             f->WriteLong(3);
             f->WriteShort(-2);
             f->WriteFixed(-0.25f, 1000.0f);
             f->WriteFloat(1.5f);
         }))
        small.push_back(b);
    Bytes header(static_cast<size_t>(kFilePlainHeaderSize), 0);
    Bytes whole = header;
    whole.insert(whole.end(), game.begin(), game.end());
    Put("fuzz_gfile_mode5", "saved_game", GameFileImage(whole, kFileModeCompressedWrite));
    Put("fuzz_gfile_mode5", "short_record", GameFileImage(small, kFileModeCompressedWrite));
    Put("fuzz_gfile_mode9", "saved_game", GameFileImage(whole, kFileModeMailWrite));
    Put("fuzz_gfile_mode9", "short_record", GameFileImage(small, kFileModeMailWrite));
}

void PacketSeeds() {
    Battle* battle = NewKindBattle();
    Battle* old = gBattle;
    gBattle = battle;
    std::vector<Unit*> units;
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i)
        units.push_back(battle->mUnits->GetUnit(i));
    AddPackets(battle, units);
    Put("fuzz_packets", "every_type", Written([&](GFile* f) { battle->WriteActionPackets(f); }));
    battle->mPackets.EmptyOut(true);
    Put("fuzz_packets", "empty", Written([&](GFile* f) { battle->WriteActionPackets(f); }));
    gBattle = old;
    delete battle;
}

void TurnSeeds() {
    // States (see PrepareTurnBattle): the joiner (Allies) sends in the set-up
    // turn, in a later turn, as part of an operation; the host (Axis) sends.
    for (uint8_t state : {uint8_t(9), uint8_t(0), uint8_t(128 | 9), uint8_t(32 | 16)}) {
        FuzzPeerHost host;
        host.mPassword.ConcatText("5f4dcc3b");
        host.mCounter = 4;
        Battle battle;
        BuildBattle(&battle, (state & 1) != 0);
        battle.mHost = &host;
        host.mSide = (state & 16) ? kAxis : kAllies;
        host.mHost = (state & 32) != 0;
        Battle* old = gBattle;
        Campaign* oldCampaign = gCampaign;
        gBattle = &battle;
        gCampaign = TurnCampaign(state);
        Bytes body = Written([&](GFile* f) { battle.WritePartialTCP(f); });
        gBattle = old;
        gCampaign = oldCampaign;
        body.insert(body.begin(), state);
        Put("fuzz_battle_tcp", "state_" + std::to_string(state), body);
    }
}

void TurnMergeSeeds() {
    // The battle's state as the peer's orders (for the first file, for both
    // sides, as the own file) and as results with packets and quiet turns.
    for (uint8_t state : {uint8_t(9), uint8_t(0), uint8_t(32 | 16)}) {
        FuzzPeerHost host;
        host.mCounter = 4;
        Battle battle;
        BuildBattle(&battle, (state & 1) != 0);
        battle.mHost = &host;
        host.mSide = (state & 16) ? kAllies : kAxis; // the sender is the peer
        host.mHost = (state & 32) == 0;
        Battle* old = gBattle;
        gBattle = &battle;
        // A unit that has moved and a freed prisoner: their state follows.
        battle.mUnits->GetUnit(0)->mHasMoved = true;
        battle.mUnits->GetUnit(0)->mFreed = true;
        Bytes orders = Written([&](GFile* f) {
            battle.WritePartialTCP(f);
            f->WriteChar(0);
            WriteUnitExtras(f, &battle);
        });
        ActionPacket* sound = battle.CreateActionPacket(0);
        sound->mType = kPacketSound;
        sound->mSource = battle.mUnits->GetUnit(0);
        sound->mSoundNumber = 190;
        sound->mTimeSlice = 80;
        Bytes results = Written([&](GFile* f) {
            battle.WritePartialTCP(f);
            f->WriteChar(1);
            battle.WriteActionPackets(f);
            f->WriteShort(1);
            f->WriteShort(0);
            WriteUnitExtras(f, &battle);
        });
        gBattle = old;
        for (uint8_t flags : {uint8_t(0), uint8_t(1), uint8_t(3)}) {
            Bytes seed = orders;
            seed.insert(seed.begin(), {state, flags});
            Put("fuzz_turn_merge", "orders_" + std::to_string(state) + "_" + std::to_string(flags), seed);
        }
        results.insert(results.begin(), {state, uint8_t(1)});
        Put("fuzz_turn_merge", "results_" + std::to_string(state), results);
    }
}

void MapSeeds() {
    Map blank;
    blank.IBlankMap(4, 4, 1.0f, 10);
    Put("fuzz_map", "blank", Written([&](GFile* f) { blank.Write(f); }));
    Map cratered;
    cratered.IBlankMap(6, 3, 2.0f, 12);
    auto* crater = new Crater;
    crater->mX = 30.0f;
    crater->mY = 20.0f;
    crater->mRadius = 3.0f;
    cratered.mCraters->Add(crater);
    cratered.IndexObjects();
    Put("fuzz_map", "crater", Written([&](GFile* f) { cratered.Write(f); }));
    // A stream under a bridge beside a road: bands in both slots, edges.
    Map laid;
    laid.IBlankMap(3, 2, 1.0f, 10);
    Square* s = laid.GetSquare(1, 0);
    s->mOverlay[0] = 37;
    s->mOverlayMirror[0] = 3;
    s->mOverlay[1] = 55;
    s->mOverlayMirror[1] = 7;
    s->mOverlayTurn[1] = 3;
    s->mEdge[3] = 1;
    laid.GetSquare(1, 1)->mEdge[9] = 1;
    laid.GetSquare(2, 1)->mOverlay[0] = 23;
    Put("fuzz_map", "overlays", Written([&](GFile* f) { laid.Write(f); }));
}

void SmokeSeeds() {
    Map smoky;
    smoky.IBlankMap(5, 4, 1.0f, 10);
    auto cloud = [](float x, float y, int32_t kind, float density) {
        auto* s = new SmokeShell;
        s->mX = x;
        s->mY = y;
        s->mStartTime = 2450;
        s->mDuration = 900;
        s->mRadius = 12.0f;
        s->mKind = kind;
        s->mDensity = density;
        return s;
    };
    smoky.mSmokeShells->Add(cloud(30.0f, 40.0f, 0, 1.0f));
    Put("fuzz_smoke", "cloud", Written([&](GFile* f) { smoky.Write(f); }));
    smoky.SaveMutableData();
    smoky.SaveOldMutables();
    smoky.mSmokeShells->Add(cloud(70.0f, 20.0f, 2, 0.4f));
    Put("fuzz_smoke", "kept", Written([&](GFile* f) { smoky.Write(f); }));
}

void AIGroupSeeds() {
    std::unique_ptr<Battle> battle(NewKindBattle());
    Battle* old = gBattle;
    gBattle = battle.get();
    auto group = [&](int32_t side, int32_t order, std::initializer_list<int32_t> units) {
        if (!battle->mAIGroups[side]) battle->mAIGroups[side] = new GList;
        auto* g = new AIGroup;
        g->mOrder = order;
        for (int32_t i : units)
            g->Add(battle->mUnits->GetObjectA(i));
        battle->mAIGroups[side]->Add(g);
    };
    group(1, kAIOrderGoToNode + 1, {0, 1});
    group(1, kAIOrderLooseFallBack, {});
    Put("fuzz_ai_groups", "allies_only", Written([&](GFile* f) { battle->WriteAIData(f); }));
    group(0, kAIOrderHoldNode, {2, 3, 4});
    Put("fuzz_ai_groups", "both_sides", Written([&](GFile* f) { battle->WriteAIData(f); }));
    for (GList*& list : battle->mAIGroups) {
        delete list;
        list = nullptr;
    }
    gBattle = old;
}

// The objective graph of a battle with three flags: a node of one flag and
// a joined node of two, and an empty graph.
void AIGraphSeeds() {
    std::unique_ptr<Battle> battle(NewKindBattle());
    Battle* old = gBattle;
    gBattle = battle.get();
    for (int32_t i = 0; i < 3; ++i)
        battle->mFlags.Add(new VictoryFlag());
    battle->mObjectiveGraph = new GList;
    Put("fuzz_ai_graph", "empty", Written([&](GFile* f) { battle->WriteAIGraph(f); }));
    auto* one = new FlagsNode;
    one->IFlagsNode(static_cast<VictoryFlag*>(battle->mFlags.GetObjectA(0)));
    one->mRating = 1.5f;
    auto* two = new FlagsNode;
    two->IFlagsNode(static_cast<VictoryFlag*>(battle->mFlags.GetObjectA(1)));
    two->Add(battle->mFlags.GetObjectA(2));
    two->mTaken = true;
    two->mZoneKinds[1] = true;
    two->mDistress = 0.25f;
    battle->mObjectiveGraph->Add(one);
    battle->mObjectiveGraph->Add(two);
    Put("fuzz_ai_graph", "two_nodes", Written([&](GFile* f) { battle->WriteAIGraph(f); }));
    gBattle = old;
}

void DataSeeds() {
    Put("fuzz_gamedata", "program_block", Bytes(kGameDataBlock, kGameDataBlock + kGameDataBlockSize));
    // The opened tables (over half a megabyte) would slow every run down
    // more than they help; the block alone leads the fuzzer into the format.
    for (int t = 0; t < kTableCount; ++t) {
        const std::string name = GameTableName(static_cast<GameTable>(t));
        Bytes text = ReadDisk(sSource + "/data/tables/" + name + ".txt");
        text.insert(text.begin(), static_cast<uint8_t>(t));
        Put("fuzz_datatext", name, text);
    }
    for (const char* name : {"app", "battle", "terrain", "units"}) {
        const std::string file = std::string(name) + ".txt";
        Put("fuzz_strings", name, ReadDisk(sSource + "/data/strings/" + file));
    }
    // A gun, a tracked vehicle and an effect: every kind of shape the
    // model files use.
    for (const char* name : {"50AT", "250_11", "EffectBodyNose"})
        Put("fuzz_model_file", name, ReadDisk(sSource + "/data/models/" + std::string(name) + ".txt"));
    Put("fuzz_contracts", "contract", ReadDisk(sSource + "/data/models/contract.txt"));
    Put("fuzz_animations", "animations", ReadDisk(sSource + "/data/animations.txt"));
}

// The shipped scenario descriptions (first byte even) and order scripts (odd).
void ScenarioSeeds() {
    for (const char* name : {"hecken", "bruecke", "panzer", "grossangriff", "hatten"}) {
        Bytes text = ReadDisk(sSource + "/data/scenarios/" + name + ".txt");
        text.insert(text.begin(), 0);
        Put("fuzz_scenario_text", std::string(name) + "_text", text);
        Bytes script = ReadDisk(sSource + "/data/scenarios/" + name + ".orders");
        script.insert(script.begin(), 1);
        Put("fuzz_scenario_text", std::string(name) + "_orders", script);
    }
    // The demo operation's order scripts, with battle sections.
    for (const char* name : {"mortain", "mortain_careless"}) {
        Bytes script = ReadDisk(sSource + "/data/operations/" + name + ".orders");
        script.insert(script.begin(), 1);
        Put("fuzz_scenario_text", std::string(name) + "_orders", script);
    }
    // An order script with fractions where whole numbers are meant (refused).
    const std::string fractions = "battle 2.5\nturn 2.9\nmove axis A 1.5 0 move 10 10\n";
    Bytes fractionBytes(1, 1);
    fractionBytes.insert(fractionBytes.end(), fractions.begin(), fractions.end());
    Put("fuzz_scenario_text", "fraction_orders", fractionBytes);
    // The demo operation, and a small one that the target builds, writes
    // and reads back.
    Bytes operation = ReadDisk(sSource + "/data/operations/mortain.txt");
    operation.insert(operation.begin(), 0);
    Put("fuzz_scenario_text", "mortain_operation", operation);
    const std::string small = "operation\ntitle \"Probe\"\nmap 30 20 1.0 60\ndate 4406\nattacker allies\n"
                              "seed 9\nbattles 3\ntype points\ndirection 0\nstrip 20\nstartline 100\n"
                              "frontline 10\nday 5 1\nnight axis\nedge allies 2\nfront 1 150\nsupply axis 4\nfoxholes 4\n"
                              "briefing general \"Lage.\"\nflag large 400 200 axis\nforce allies 30 regular\n"
                              "company A\nplatoon 1\ninf 4 0 100 100 0 leader\ninf 1 1 100 140 0\n"
                              "reserve 2 20 200\ncompany B\nplatoon 1\ninf 4 0 20 200 0 leader\n"
                              "force axis 0 regular\ncompany C\nplatoon 1\ninf 254 0 400 100 180 leader\n";
    Bytes smallBytes(1, 0);
    smallBytes.insert(smallBytes.end(), small.begin(), small.end());
    Put("fuzz_scenario_text", "small_operation", smallBytes);
    // Every fortification kind, a landmark, snow and free set-up on a map
    // small enough for the target to build.
    const std::string fortified =
        "title \"Probe\"\nmap 20 20 1.0 60\ndate 4501\nweather 7\nground 7\nsetup free\n"
        "briefing general \"Lage.\"\narea water 180 0 220 0 220 400 180 400\nzone 1 0 0 100 400\n"
        "zone 4 300 0 400 400\nlandmark 250 130 \"Hatten\"\nforce allies 30 regular\nplatoon 1\n"
        "inf 4 0 40 100 0 leader\nforce axis 0 regular\nplatoon 1\nveh 16 0 340 100 180\n"
        "roadblock 10 310 20\ntrench 11 310 70 90\nwire 12 310 120 45\nreference 13 310 170\n"
        "apmines 14 310 220\natmines 15 310 270\ndaisychain 16 310 320\n";
    Bytes fortifiedBytes(1, 0);
    fortifiedBytes.insert(fortifiedBytes.end(), fortified.begin(), fortified.end());
    Put("fuzz_scenario_text", "fortified_text", fortifiedBytes);
}

void NetworkSeeds() {
    Bytes stream;
    OPAppendHeader(&stream, kOPRecordCreditGrant, 4096);
    OPAppendHeader(&stream, kOPRecordData, 5);
    for (uint8_t b : {1, 2, 3, 4, 5})
        stream.push_back(b);
    OPAppendHeader(&stream, kOPRecordCreditRequest, 300);
    OPAppendHeader(&stream, kOPRecordKeepAlive, 0);
    OPAppendHeader(&stream, kOPRecordData, 40);
    for (uint8_t b = 0; b < 40; ++b)
        stream.push_back(b);
    Put("fuzz_op_records", "every_type", stream);

    // The endpoint target reads steps: a byte (n << 2 | 0) sends the next
    // n + 1 bytes, (n << 2 | 2) moves the clock 4 n seconds, (n << 2 | 3)
    // sends a record of 1 + 1000 n bytes to the peer.
    auto steps = [](const Bytes& bytes, size_t piece) {
        Bytes out;
        for (size_t at = 0; at < bytes.size(); at += piece) {
            const size_t n = std::min(piece, bytes.size() - at);
            out.push_back(static_cast<uint8_t>((n - 1) << 2));
            out.insert(out.end(), bytes.begin() + static_cast<long>(at),
                       bytes.begin() + static_cast<long>(at + n));
        }
        return out;
    };
    Put("fuzz_op_endpoint", "records_whole", steps(stream, 64));
    Put("fuzz_op_endpoint", "records_cut", steps(stream, 3));
    Bytes quiet = {uint8_t(3 << 2 | 3), uint8_t(4 << 2 | 2)};
    Bytes grant;
    OPAppendHeader(&grant, kOPRecordCreditGrant, 8000);
    for (uint8_t b : steps(grant, 64))
        quiet.push_back(b);
    quiet.push_back(uint8_t(63 << 2 | 2));
    quiet.push_back(uint8_t(63 << 2 | 2));
    Put("fuzz_op_endpoint", "credit_and_keepalive", quiet);
}

void TurnPacketSeeds() {
    for (uint8_t phase : {0, 1, 4, 5, 6, 7, 8, 9, 10, 11, 15, 17, 18, 19, 20}) {
        Put("fuzz_turn_packets", "phase_" + std::to_string(phase) + "_host", TurnPacketSequence(phase, true));
        Put("fuzz_turn_packets", "phase_" + std::to_string(phase) + "_joiner", TurnPacketSequence(phase, false));
    }
    // A file of two whole chunks and a part, as its records.
    Bytes big = {6, 0};
    Bytes chunk(8192, 6);
    for (int i = 0; i < 2; ++i)
        AppendTurnRecord(&big, chunk);
    AppendTurnRecord(&big, {6, 1, 2});
    AppendTurnRecord(&big, {7});
    Put("fuzz_turn_packets", "two_chunks_and_end", big);
}

void SoundAndPictureSeeds() {
    std::vector<int16_t> tone;
    for (int i = 0; i < 240; ++i)
        tone.push_back(static_cast<int16_t>(std::lround(8000.0 * std::sin(i * 0.25))));
    const std::string path = sOut + "/.seed.wav";
    for (auto [rate, count] : {std::pair{22050, 240}, std::pair{8000, 3}}) {
        if (!WriteWav(path, std::vector<int16_t>(tone.begin(), tone.begin() + count), rate)) ++sFailures;
        const Bytes wav = ReadDisk(path);
        const std::string name = "tone_" + std::to_string(rate);
        Put("fuzz_wav", name, wav);
        Put("fuzz_wav_file", name, wav);
    }
    std::remove(path.c_str());

    const std::string png = sOut + "/.seed.png";
    Image picture(4, 3, Rgb{200, 40, 10}, 255);
    picture.Set(1, 1, Rgb{0, 90, 255}, 128);
    picture.Set(3, 2, Rgb{255, 255, 255}, 0);
    for (bool alpha : {true, false}) {
        if (!WritePng(png, picture, alpha)) ++sFailures;
        Put("fuzz_picture_png", alpha ? "rgba" : "rgb", ReadDisk(png));
    }
    std::remove(png.c_str());
}

// Saved games of the versions 0 and 1 (the squad's record in its older form:
// no team count; version 0 also ignores the anti-tank code), with infantry
// and a vehicle aboard: both the header's and the body's version byte are
// set.
void OlderGameFileSeeds() {
    Battle battle;
    BuildBattle(&battle, false);
    auto* squad = new Infantry;
    squad->IInfantry(250, kForceDefaultAxis, kExperienceVeteran, 40.0f, 30.0f, 0.0f);
    battle.mUnits->Add(squad);
    auto* tank = new Vehicle;
    tank->IVehicle(305, kForceDefaultAllies, kExperienceRegular, 20.0f, 35.0f, 0.0f);
    battle.mUnits->Add(tank);
    Battle* old = gBattle;
    gBattle = &battle;
    GameFileState state;
    state.players = 1;
    state.scenarioName.IStringText("Alte Fassung");
    Bytes stream = Written([&](GFile* f) { WriteGameFile(f, &state, &battle, nullptr); });
    // The squad's record without its team count (written from version 2
    // on): it stands just before the first team's strength.
    const Bytes record = Written([&](GFile* f) { squad->Write(f); });
    --squad->mTeamMen[0];
    const Bytes changed = Written([&](GFile* f) { squad->Write(f); });
    ++squad->mTeamMen[0];
    gBattle = old;
    size_t men = 0;
    while (men < record.size() && men < changed.size() && record[men] == changed[men])
        ++men;
    const auto found = std::search(stream.begin(), stream.end(), record.begin(), record.end());
    if (men == 0 || men >= record.size() || found == stream.end()) {
        std::fprintf(stderr, "no team count in the squad's record\n");
        ++sFailures;
        return;
    }
    stream.erase(found + static_cast<long>(men) - 1);
    // The body's version byte stands before the block: its length 255, then
    // zeros (no auto-save, no connection, battle 0, the reserved bytes), then
    // the battle's flag.
    size_t at = 2;
    auto isVersion = [&](size_t i) {
        if (i + 257 >= stream.size() || stream[i] != kGameFileVersion || stream[i + 1] != 0xFF) return false;
        for (size_t k = i + 2; k < i + 257; ++k)
            if (stream[k] != 0) return false;
        return stream[i + 257] == 1;
    };
    while (at < stream.size() && !isVersion(at))
        ++at;
    if (at >= stream.size() || stream[1] != kGameFileVersion) {
        std::fprintf(stderr, "no version byte in the saved game\n");
        ++sFailures;
        return;
    }
    for (uint8_t version : {0, 1}) {
        Bytes older = stream;
        older[1] = version;
        older[at] = version;
        Bytes bytes = GameFileImage(older, kFileModeCompressedWrite);
        bytes.insert(bytes.begin(), 0);
        Put("fuzz_load_game", "saved_version" + std::to_string(version), bytes);
    }
}

// Game files as the application writes them, each behind the byte that tells
// fuzz_load_game its form (0 game file, 1 e-mail file, 2 header only).
void GameFileSeeds() {
    MakeGameFileSeeds(sOut, [](const std::string& name, FileMode mode, const std::string& path) {
        Bytes bytes = ReadDisk(path);
        std::remove(path.c_str());
        bytes.insert(bytes.begin(), static_cast<uint8_t>(mode == kFileModeMailWrite ? 1 : 0));
        Put("fuzz_load_game", name, bytes);
        if (name != "scenario") return;
        bytes[0] = 2;
        Put("fuzz_load_game", "scenario_header", bytes);
    });
    OlderGameFileSeeds();
}

// Unit records as the infantry and vehicle writers make them from the real
// data, the kind byte first: a rifle squad, a gun crew and other types; a
// tank, an early tank and an Allied one with way points.
void UnitRecordSeeds() {
    for (InfantryType type : {250, 339, 1, 22}) {
        Infantry unit;
        unit.IInfantry(type, kForceDefaultAxis, kExperienceVeteran, 100.0f, 200.0f, 0.0f);
        unit.mCasualties = 1;
        unit.mHiddenCasualties = 1;
        unit.mSewerTime = 40;
        Put("fuzz_infantry_record", "infantry-" + std::to_string(type),
            Written([&](GFile* f) { unit.Write(f); }));
    }
    for (VehicleType type : {10, 11, 305}) {
        Vehicle unit;
        unit.IVehicle(type, type < 283 ? kForceDefaultAxis : kForceDefaultAllies, kExperienceRegular, 300.0f,
                      -40.5f, 0.0f);
        unit.mHeading = 271.5f;
        if (type == 305) {
            unit.mNrWaypoints = 2;
            unit.mWaypoints[0].mX = 320.0f;
            unit.mWaypoints[0].mY = -60.25f;
            unit.mWaypoints[1].mX = 400.0f;
            unit.mWaypoints[1].mY = 10.0f;
        }
        Put("fuzz_vehicle_record", "vehicle-" + std::to_string(type), Written([&](GFile* f) { unit.Write(f); }));
    }
    // A burning wreck as records wrote it before the destroyed byte (read as
    // destroyed), and a tank in play marked destroyed (read as written).
    Vehicle wreck;
    wreck.IVehicle(10, kForceDefaultAxis, kExperienceRegular, 300.0f, 40.0f, 0.0f);
    wreck.mActive = false;
    wreck.mBurning = true;
    Put("fuzz_vehicle_record", "vehicle-older-wreck", Written([&](GFile* f) { wreck.Write(f); }));
    Vehicle fighting;
    fighting.IVehicle(10, kForceDefaultAxis, kExperienceRegular, 300.0f, 40.0f, 0.0f);
    fighting.mDestroyed = true;
    Put("fuzz_vehicle_record", "vehicle-destroyed-in-play", Written([&](GFile* f) { fighting.Write(f); }));
}

// Operation records as the operation's writer makes them.
void OperationSeeds() {
    int n = 0;
    for (const Bytes& seed : OperationRecordSeeds())
        Put("fuzz_operation_record", "operation-" + std::to_string(n++), seed);
}

// Operation files as the scenario list finds them, and extras parts behind
// a saved game.
void LoadSeeds() {
    for (const auto& [name, bytes] : OperationFileSeeds(sOut + "/operation-file.tmp"))
        Put("fuzz_operation_load", name, bytes);
    for (const auto& [name, bytes] : UnitExtrasSeeds())
        Put("fuzz_unit_extras", name, bytes);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: dm_fuzz_seeds <seeds dir> <source dir>\n");
        return 2;
    }
    sOut = argv[1];
    sSource = argv[2];
    mkdir(sOut.c_str(), 0755);
    if (!DecryptData()) {
        std::fprintf(stderr, "the game data does not load\n");
        return 1;
    }
    BattleSeeds();
    PacketSeeds();
    TurnSeeds();
    TurnMergeSeeds();
    MapSeeds();
    SmokeSeeds();
    AIGroupSeeds();
    AIGraphSeeds();
    DataSeeds();
    ScenarioSeeds();
    NetworkSeeds();
    TurnPacketSeeds();
    SoundAndPictureSeeds();
    GameFileSeeds();
    UnitRecordSeeds();
    OperationSeeds();
    LoadSeeds();
    DeleteCryptoData();
    return sFailures == 0 ? 0 : 1;
}
