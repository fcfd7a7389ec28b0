#include "tools/scenarios/ScenarioBuild.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "battle/Battle.h"
#include "battle/BattleMap.h"
#include "battle/Campaign.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "map/Landmark.h"
#include "map/Map.h"
#include "tools/scenarios/ScenarioOverlays.h"
#include "tools/scenarios/ScenarioShapes.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Inanimate.h"
#include "units/Names_VX.h"
#include "units/Unit.h"
#include "units/UnitFactory.h"
#include "units/Vehicle.h"

namespace {

constexpr uint32_t kLeaderNameSeed = 0x4C454144u; // the leaders' names, apart from the build's draws

constexpr float kHeightStep = 3.0f * 0.01857282593846321f; // metres per height code at scale 1

bool Fault(ScenarioFault* fault, const ScenarioDescription& d, int line, const std::string& reason) {
    fault->file = d.file;
    fault->line = line;
    fault->reason = reason;
    return false;
}

// The map's point grid, squares, buildings and walls; then written and read
// back through the map's own record, so that everything derived from it is
// what a loaded file gives.
Map* BuildMap(const ScenarioDescription& d) {
    Map map;
    if (!map.IBlankMap(d.columns, d.rows, d.heightScale, d.baseHeight)) return nullptr;
    const float step = kHeightStep * d.heightScale;
    for (int32_t i = 0; i < map.mPointsX; ++i) {
        for (int32_t j = 0; j < map.mPointsY; ++j) {
            float px = i * kPointSpacing, py = j * kPointSpacing;
            float rise = 0.0f;
            for (const ScenarioHill& h : d.hills) {
                float dx = px - h.x, dy = py - h.y;
                float dist = std::sqrt(dx * dx + dy * dy);
                if (dist < h.radius)
                    rise += h.height * 0.5f * (1.0f + std::cos(3.14159265f * dist / h.radius));
            }
            int32_t code = std::clamp(d.baseHeight + static_cast<int32_t>(std::lround(rise / step)), 0, 1023);
            // The terrain of the 2 m cell whose lower-left corner is the point.
            float cx = px + 1.0f, cy = py + 1.0f;
            int32_t terrain = 0;
            for (const ScenarioShape& s : d.shapes) {
                if (ShapeCovers(s, cx, cy)) terrain = s.terrain;
            }
            for (const ScenarioBuilding& b : d.buildings)
                if (cx >= b.x && cx < b.x + b.w && cy >= b.y && cy < b.y + b.d) terrain = b.type;
            map.SetPoint(i, j, EncodePoint(code, static_cast<Terrain>(terrain)));
        }
    }
    // Each square's level byte: the 3 m step nearest the ground at its middle.
    for (int32_t c = 0; c < d.columns; ++c)
        for (int32_t r = 0; r < d.rows; ++r) {
            uint16_t mid = map.GetPoint(c * kPointsPerSquare + 5, r * kPointsPerSquare + 5);
            float ground = DecodePointHeight(mid, d.heightScale);
            map.mLevels[map.SquareIndex(c, r)] =
                static_cast<uint8_t>(std::clamp(std::round(ground / (3.0f * d.heightScale)), 0.0f, 255.0f));
        }
    for (const ScenarioZone& z : d.zones)
        for (int32_t c = 0; c < d.columns; ++c)
            for (int32_t r = 0; r < d.rows; ++r) {
                float mx = c * kSquareSize + 10.0f, my = r * kSquareSize + 10.0f;
                if (mx >= z.x0 && mx < z.x1 && my >= z.y0 && my < z.y1)
                    map.GetSquare(c, r)->mSetupZone = static_cast<uint8_t>(z.code);
            }
    for (const ScenarioBuilding& b : d.buildings) {
        auto* building = new Building;
        const float xs[4] = {b.x, b.x + b.w, b.x + b.w, b.x};
        const float ys[4] = {b.y, b.y, b.y + b.d, b.y + b.d};
        building->IBuilding(static_cast<int32_t>(b.x / kSquareSize), static_cast<int32_t>(b.y / kSquareSize),
                            static_cast<Terrain>(b.type), xs, ys);
        map.mBuildings->Add(building);
    }
    for (const ScenarioWall& w : d.walls) {
        auto* wall = new Wall;
        wall->IWall(static_cast<Terrain>(w.type), w.x0, w.y0, w.x1, w.y1, w.height);
        map.mWalls->Add(wall);
    }
    for (const ScenarioLandmark& l : d.landmarks) {
        auto* landmark = new Landmark;
        GString63 name;
        name.IStringText(l.name.c_str());
        landmark->ILandmark(static_cast<int32_t>(l.x / kSquareSize), static_cast<int32_t>(l.y / kSquareSize),
                            &name);
        map.mLandmarks->Add(landmark);
    }
    LayOverlays(d, &map);
    GFile file;
    if (!file.ITempFile(false)) return nullptr;
    WriteMapRecord(&file, &map);
    file.Rewind();
    return ReadMapRecord(&file);
}

// Tungsten-cored rounds among a gun's armour-piercing ones, in percent, by
// the tungsten level left for the side and date (1..6); level 7 replaces the
// armour-piercing and high-explosive rounds altogether.
constexpr int32_t kTungstenPercent[7] = {0, 2, 7, 14, 23, 34, 75};

// The basic load a unit starts with: its full load of rounds for its main
// or heavy weapon, split by the weapon's load mix for its side at the
// battle's date, tungsten by the level left for that side and date, and a
// vehicle's machine-gun rounds. The battle must be the current one (the mix
// reads its date).
void GiveBasicLoad(Unit* unit) {
    uint16_t counts[kAmmoClassCount] = {};
    int32_t rounds = 0;
    WeaponType weapon = kWeaponNone;
    int32_t slot = 0;
    if (unit->mUnitType == kUnitVehicle) {
        const VehicleData& v = gVehicleData[unit->mSubtype];
        rounds = v.mMaxRounds;
        weapon = v.mMainWeapon;
        slot = v.mAmmoProfile;
        for (int32_t c = 0; c < 2; ++c)
            unit->mMGRounds[c] = v.mMGRounds[c];
    } else {
        const InfantryData& r = gInfantryData[unit->mSubtype];
        rounds = r.mMaxAmmo;
        weapon = r.mHeavyWeapon;
        slot = r.mAmmoProfile;
    }
    if (weapon == kWeaponNone || !gWeaponData.Has(weapon)) {
        counts[kAmmoHE] = static_cast<uint16_t>(std::max(rounds, 0));
    } else {
        int32_t mix[8] = {};
        const bool axis = unit->IsAxis();
        AmmoAvailable(weapon, axis, slot, mix);
        int32_t given = 0;
        for (AmmoClass c : {kAmmoAP, kAmmoHEAT, kAmmoCanister, kAmmoSmoke}) {
            counts[c] = static_cast<uint16_t>(rounds * std::max(mix[c], 0) / 100);
            given += counts[c];
        }
        const int32_t left = std::max(rounds - given, 0);
        counts[kAmmoHE] = static_cast<uint16_t>(left);
        const TungstenAvail level =
            mix[kAmmoTungsten] == 0
                ? 0
                : GetCurrentTungstenLevel(gWeaponData[weapon].mLoadMix[std::clamp(slot, 0, kLoadSlots - 1)].mTungsten,
                                          axis);
        if (level >= 7) {
            counts[kAmmoTungsten] = static_cast<uint16_t>(left);
            counts[kAmmoHE] = 0;
        } else if (level > 0 && rounds > 0) {
            // At least one round; taken from the armour-piercing ones, from
            // the high explosive when there are none.
            const int32_t ap = counts[kAmmoAP];
            const int32_t t = std::max((ap * kTungstenPercent[level] + 50) / 100, 1);
            const int32_t fromAP = std::min(t, ap);
            const int32_t fromHE = std::min(t - fromAP, static_cast<int32_t>(counts[kAmmoHE]));
            counts[kAmmoAP] = static_cast<uint16_t>(ap - fromAP);
            counts[kAmmoHE] = static_cast<uint16_t>(counts[kAmmoHE] - fromHE);
            counts[kAmmoTungsten] = static_cast<uint16_t>(fromAP + fromHE);
        }
    }
    unit->LoadOut(counts, nullptr, kAmmoClassCount);
}

// Sets every unit's place, identity and links; false with the fault.
bool PlaceUnits(const ScenarioDescription& d, Battle* battle, std::vector<Unit*>* made,
                ScenarioFault* fault) {
    Map* map = battle->mMap;
    for (const ScenarioUnit& su : d.units) {
        if (su.kind != 2 && (su.kind == 1 ? !gVehicleData.Has(su.row) : !gInfantryData.Has(su.row)))
            return Fault(fault, d, su.line,
                         "no " + std::string(su.kind == 1 ? "vehicle" : "infantry") + " row " +
                             std::to_string(su.row));
        if (NationOfForce(su.force) >= 2 && su.side == 0)
            return Fault(fault, d, su.line,
                         "force " + std::to_string(su.force) + " does not fight for the Axis");
        if (NationOfForce(su.force) < 2 && su.side == 1)
            return Fault(fault, d, su.line,
                         "force " + std::to_string(su.force) + " does not fight for the Allies");
        // A fortification has its kind, place and heading, and no exit mark
        // and no load.
        const bool fortification = su.kind == 2;
        const UnitType type = fortification ? kUnitInanimate : (su.kind == 1 ? kUnitVehicle : kUnitInfantry);
        Unit* unit = MakeUnit(type, su.row, su.force, su.experience, fortification ? 0 : su.fitness, 100);
        if (!unit)
            return Fault(fault, d, su.line,
                         fortification ? "this fortification cannot be made" : "this unit kind cannot be made yet");
        made->push_back(unit);
        unit->mX = su.x;
        unit->mY = su.y;
        unit->mHeading = su.heading;
        unit->mSetupZone = su.zone;
        unit->SetIDCode(su.company, su.platoon, su.number);
        if (fortification) continue;
        unit->mExitMark = su.exit;
        if (su.kind == 1) static_cast<Vehicle*>(unit)->mIsLeader = su.leader;
        GiveBasicLoad(unit);
    }
    // Links within each platoon: the leader, and riders in their carriers.
    for (size_t k = 0; k < d.units.size(); ++k) {
        const ScenarioUnit& su = d.units[k];
        Unit* unit = (*made)[k];
        if (su.kind == 2) continue;
        for (size_t m = 0; m < d.units.size(); ++m) {
            const ScenarioUnit& other = d.units[m];
            if (other.side != su.side || other.company != su.company || other.platoon != su.platoon) continue;
            if (other.leader && m != k) unit->mPlatoonHQ = (*made)[m];
            if (su.rides >= 0 && other.number == su.rides && other.kind == 1) {
                auto* carrier = static_cast<Vehicle*>((*made)[m]);
                // Riders stand where their carrier stands.
                unit->mX = carrier->mX;
                unit->mY = carrier->mY;
                unit->mHeading = carrier->mHeading;
                if (!carrier->CanTransport(unit, true, false))
                    return Fault(fault, d, su.line,
                                 "vehicle " + std::to_string(su.rides) + " cannot carry this unit");
                carrier->mPassengers[carrier->mPassengers[0] ? 1 : 0] = unit;
                unit->mTransport = carrier;
            }
        }
    }
    // Where each map unit stands.
    for (size_t k = 0; k < d.units.size(); ++k) {
        const ScenarioUnit& su = d.units[k];
        Unit* unit = (*made)[k];
        if (!map->OnMap(su.x, su.y)) return Fault(fault, d, su.line, "the unit stands off the map");
        if (su.reinforcement >= 0) continue;
        if (su.rides < 0 && !unit->CanOccupyLocation(su.x, su.y, true))
            return Fault(fault, d, su.line,
                         su.kind == 2 ? "the fortification lies on open water" : "the unit may not stand there");
        // An operation's units stand anywhere on its map; each battle's
        // set-up zones are cut with its strip.
        if (!d.operation.present && !unit->InSetupZone(unit->mX, unit->mY))
            return Fault(fault, d, su.line,
                         su.zone ? "the unit stands outside zone " + std::to_string(su.zone)
                                 : "the unit stands outside its side's zones");
        if (su.kind != 1) continue;
        for (size_t m = 0; m < k; ++m) {
            const ScenarioUnit& other = d.units[m];
            if (other.kind != 1 || other.reinforcement >= 0) continue;
            float dx = other.x - su.x, dy = other.y - su.y;
            if (dx * dx + dy * dy < kScenarioVehicleSpacing * kScenarioVehicleSpacing)
                return Fault(fault, d, su.line,
                             "the vehicle stands within reach of the vehicle on line " +
                                 std::to_string(other.line));
        }
    }
    return true;
}

} // namespace

std::unique_ptr<Battle> BuildScenarioBattle(const ScenarioDescription& d, ScenarioFault* fault) {
    SeedRandomGenerator(d.seed);
    Unit::ResetUnitIDNumbers(true);
    if (!CheckShapesDrawable(d, fault)) return nullptr;
    auto battle = std::make_unique<Battle>();
    battle->IBattleStub();
    battle->mStub = false;
    battle->mMap = BuildMap(d);
    if (!battle->mMap) {
        Fault(fault, d, 0, "the map cannot be made");
        return nullptr;
    }
    battle->mDate = d.date;
    battle->mSeason = GetSeason(d.date);
    battle->mTurn = 1;
    battle->mLastTurn = d.turns;
    battle->mNominalLastTurn = d.turns;
    battle->mVariableLength = d.variableLength;
    battle->mAttacker = d.attacker;
    battle->mTheatre = d.theatre;
    battle->mTemperature = d.temperature;
    battle->mGroundCondition = d.ground;
    battle->mTimeOfDay = d.timeOfDay;
    battle->mWeather = d.weather;
    battle->mWindStrength = d.wind;
    // The battle's per-side arrays hold the Axis at index 1.
    battle->mFanaticism[1] = d.fanaticism[0];
    battle->mFanaticism[0] = d.fanaticism[1];
    battle->mSetupPhase = true;
    battle->mEditorScenario = true;
    battle->mMap->mFoxholeAllowance = d.foxholes;
    battle->mMap->mFoxholesLeft = d.foxholes;
    battle->mSideShortA[0] = d.freeSetup ? 1 : 0;
    for (int s = 0; s < 2; ++s) {
        battle->mHasExitEdge[s] = d.exit[s];
        battle->mExitEdge[s] = d.exitEdge[s];
    }
    for (int e = 0; e < 4; ++e)
        battle->mEdgeOwner[e] = d.edgeOwner[e];
    battle->mTitle.IStringText(d.title.c_str());
    for (int b = 0; b < 3; ++b) {
        if (d.briefing[b].empty()) continue;
        auto* text = new char[d.briefing[b].size()];
        std::copy(d.briefing[b].begin(), d.briefing[b].end(), text);
        battle->SetBriefing(b, text, static_cast<int32_t>(d.briefing[b].size()));
    }

    // The counts that unit identifiers can name.
    int32_t mapUnits = 0;
    std::vector<int32_t> perReinforcement(d.reinforcements.size(), 0);
    for (const ScenarioUnit& u : d.units) {
        if (u.reinforcement < 0) {
            if (++mapUnits > kScenarioMaxMapUnits) {
                Fault(fault, d, u.line, "more than 9999 units on the map");
                return nullptr;
            }
        } else if (++perReinforcement[u.reinforcement] > kScenarioMaxReinforcementUnits) {
            Fault(fault, d, u.line, "more than 500 units in one reinforcement");
            return nullptr;
        }
    }

    // The flags: a held flag is held by the nation of its side's first unit.
    battle->mFlags.EmptyOut(true);
    for (const ScenarioFlag& f : d.flags) {
        auto* flag = new VictoryFlag;
        flag->mX = f.x;
        flag->mY = f.y;
        flag->mKind = f.large ? 1 : 0;
        flag->mNeutral = f.holder == 2;
        flag->mHolderNation = f.holder == 1 ? 2 : 0;
        for (const ScenarioUnit& u : d.units)
            if (f.holder < 2 && u.side == f.holder) {
                flag->mHolderNation = NationOfForce(u.force);
                break;
            }
        flag->mReal = true;
        battle->mFlags.Add(flag);
    }

    std::vector<Unit*> made;
    bool placed;
    {
        Battle* old = gBattle;
        gBattle = battle.get();
        placed = PlaceUnits(d, battle.get(), &made, fault);
        gBattle = old;
    }
    if (!placed) {
        for (Unit* u : made)
            delete u;
        return nullptr;
    }
    // Every unit's leader bears a name of his nation's table, drawn from a
    // seed of their own so that nothing else the build draws changes; no
    // name repeats within a nation until its table runs out.
    {
        const uint32_t kept = GetRandomState();
        SeedRandomGenerator(d.seed ^ kLeaderNameSeed);
        std::memset(gSergeantNameTaken, 0, sizeof gSergeantNameTaken);
        for (Unit* u : made)
            if (u->mUnitType != kUnitInanimate) u->AssignSergeantName();
        std::memset(gSergeantNameTaken, 0, sizeof gSergeantNameTaken);
        SeedRandomGenerator(kept);
    }
    std::vector<Reinforcement*> groups;
    for (const ScenarioReinforcement& r : d.reinforcements) {
        auto* group = new Reinforcement;
        group->mArrivalTurn = r.turn;
        group->mChance = r.chance;
        group->mX = r.x;
        group->mY = r.y;
        battle->mReinforcements[r.side].Add(group);
        groups.push_back(group);
    }
    for (size_t k = 0; k < d.units.size(); ++k) {
        // Each unit's identity is unique within its side, as turn files and
        // links between units rely on.
        made[k]->AssignID();
        int32_t r = d.units[k].reinforcement;
        if (r < 0)
            battle->mUnits->Add(made[k]);
        else
            groups[r]->mUnits->Add(made[k]);
    }
    return battle;
}

std::unique_ptr<Campaign> BuildOperation(const ScenarioDescription& d, ScenarioFault* fault) {
    if (!d.operation.present) {
        Fault(fault, d, 0, "the description is not an operation");
        return nullptr;
    }
    // The operation map and everything on it are checked and made as a
    // battle's, then handed over.
    std::unique_ptr<Battle> battle = BuildScenarioBattle(d, fault);
    if (!battle) return nullptr;
    auto op = std::make_unique<Campaign>();
    op->ICampaign(nullptr);
    op->mDate = battle->mDate;
    op->mTurn = 1;
    op->mLastTurn = d.operation.battles;
    op->mAttacker = battle->mAttacker;
    op->mTheatre = battle->mTheatre;
    op->mTemperature = battle->mTemperature;
    op->mGroundCondition = battle->mGroundCondition;
    op->mEditorScenario = true;
    op->mFanaticism[0] = battle->mFanaticism[0];
    op->mFanaticism[1] = battle->mFanaticism[1];
    op->mTitle = battle->mTitle;
    std::swap(op->mMap, battle->mMap);
    std::swap(op->mUnits, battle->mUnits);
    for (int32_t side = 0; side < 2; ++side) {
        GList& from = battle->mReinforcements[side];
        for (int32_t k = 0; k < from.GetCount(); ++k)
            op->mReinforcements[side].Add(from.GetObjectA(k));
        from.EmptyOut(false);
    }
    for (int32_t k = 0; k < battle->mFlags.GetCount(); ++k)
        op->mOpFlags.Add(battle->mFlags.GetObjectA(k));
    battle->mFlags.EmptyOut(false);
    for (int32_t b = 0; b < 3; ++b) {
        op->SetBriefing(b, battle->mBriefing[b], battle->mBriefingLength[b]);
        battle->mBriefing[b] = nullptr;
        battle->mBriefingLength[b] = 0;
    }
    const ScenarioOperation& o = d.operation;
    op->mOperationType = o.type;
    op->mSleeveSize = o.strip;
    op->mAttackDirection = o.direction;
    op->mFrontLine = o.frontLine;
    op->mStartLine = o.startLine;
    // The operation's per-side arrays hold the Axis at index 0, its supply
    // levels the Allies at index 0.
    op->mNightQuestion[0] = o.nightQuestion[0];
    op->mNightQuestion[1] = o.nightQuestion[1];
    op->mSupplyLevel[0] = o.supply[1];
    op->mSupplyLevel[1] = o.supply[0];
    op->mDayPeriod = o.dayPeriod;
    op->mDayOffset = o.dayOffset;
    op->mEdgeSide = o.edgeSide;
    op->mEdgeValue = o.edgeValue;
    op->mFrontMode = o.frontMode;
    op->mFrontDepth = o.frontDepth;
    op->mFoxholeAllowance = d.foxholes;
    // The first battle's strip.
    int32_t x = 0, y = 0, w = 0, h = 0;
    op->GetSleeveDimensions(&x, &y, &w, &h);
    op->mSleeveOffsetX = x;
    op->mSleeveOffsetY = y;
    return op;
}

GameFileState ScenarioFileState(const ScenarioDescription& d) {
    GameFileState state;
    state.players = 0;
    state.side = 2;
    state.scenarioName.IStringText(d.title.c_str());
    state.randomSeed = d.seed;
    state.turnTimeLimit = d.timeLimit * 60000;
    return state;
}

bool WriteScenarioFile(const ScenarioDescription& d, const std::string& path, ScenarioFault* fault) {
    std::unique_ptr<Battle> battle;
    std::unique_ptr<Campaign> operation;
    if (d.operation.present) {
        operation = BuildOperation(d, fault);
        if (!operation) return false;
    } else {
        battle = BuildScenarioBattle(d, fault);
        if (!battle) return false;
    }
    const std::string temporary = path + ".part";
    std::remove(temporary.c_str());
    {
        GFile file;
        if (!file.IFile(temporary.c_str(), kFileModeCompressedWrite))
            return Fault(fault, d, 0, "cannot write " + temporary);
        GameFileState state = ScenarioFileState(d);
        Battle* old = gBattle;
        gBattle = battle.get();
        WriteGameFile(&file, &state, battle.get(), operation.get(), {.scenario = true});
        gBattle = old;
        if (!file.Commit()) {
            std::remove(temporary.c_str());
            return Fault(fault, d, 0, "cannot write " + temporary);
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return Fault(fault, d, 0, "cannot write " + path);
    }
    return true;
}

bool ReadScenarioDescription(const std::string& descriptionPath, ScenarioDescription* description,
                             ScenarioFault* fault) {
    std::ifstream in(descriptionPath, std::ios::binary);
    if (!in) {
        fault->file = descriptionPath;
        fault->line = 0;
        fault->reason = "cannot be read";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseScenarioText(text.str(), descriptionPath, description, fault);
}

bool BuildScenarioFile(const std::string& descriptionPath, const std::string& outputPath,
                       ScenarioFault* fault) {
    ScenarioDescription description;
    if (!ReadScenarioDescription(descriptionPath, &description, fault)) return false;
    return WriteScenarioFile(description, outputPath, fault);
}
