#include "tools/scenarios/BattleStats.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/RandomStateKeeper.h"
#include "map/Map.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/DataTables.h"
#include "units/Unit.h"

namespace {

constexpr uint8_t kPacketInactive = 2;              // the active code of a unit-state packet (bits 6-7)
constexpr int32_t kTurnSlices = kSlicesPerTurn + 1; // the units act in slices 0 .. kSlicesPerTurn

bool Counted(const Unit* u) {
    return u->mUnitType == kUnitInfantry || u->mUnitType == kUnitVehicle;
}

bool InPlay(const Unit* u) {
    return u->mActive && u->mOffMapState == 0;
}

const char* KindName(const Unit* u) {
    if (u->mUnitType == kUnitInfantry && u->mSubtype >= 0 && u->mSubtype < gInfantryData.Count())
        return gInfantryData[u->mSubtype].mName;
    if (u->mUnitType == kUnitVehicle && u->mSubtype >= 0 && u->mSubtype < gVehicleData.Count())
        return gVehicleData[u->mSubtype].mName;
    return "?";
}

int32_t MenPutOut(const Unit* u) {
    const KillRecord& r = u->mKillRecords[1];
    return r.mInfantryCasualties + r.mInfantryCaptured;
}

// What the turn's packets say of one unit.
struct UnitTurn {
    std::vector<const ActionPacket*> states; // unit-state packets
    int32_t shots = 0;
    int32_t hits = 0;
};

} // namespace

EnemyContact EnemyContactOf(const Battle& battle, Unit* u) {
    EnemyContact c;
    if (!InPlay(u) || !battle.mUnits) return c;
    Map* map = battle.mMap;
    for (int32_t i = 0; i < battle.mUnits->GetCount() && !c.sight; ++i) {
        Unit* e = battle.mUnits->GetUnit(i);
        if (e->IsAxis() == u->IsAxis() || !Counted(e) || !InPlay(e) || e->mSurrendered) continue;
        if (!u->InRange(std::hypot(e->mX - u->mX, e->mY - u->mY), /*strict=*/false, /*factor=*/1.0f)) continue;
        c.inRange = true;
        if (!e->IsSpottedNow()) continue;
        c.seen = true;
        // The trace a unit's own sight test makes (Unit::CanSee), without its cache.
        float visibility = 0.0f;
        c.sight = map && map->CheckLOS(false, true, false, u->mX, u->mY, u->GetZ() + u->LOSBoost(), e->mX, e->mY,
                                       e->GetZ() + e->LOSBoost(), &visibility, nullptr, nullptr, nullptr,
                                       nullptr) &&
                  visibility > 0.0f;
    }
    return c;
}

BattleStats::~BattleStats() {
    if (mOwned && mOut) std::fclose(mOut);
}

std::unique_ptr<BattleStats> BattleStats::Attach(BattleRunner* runner, const std::string& path,
                                                 std::string* error) {
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (!out || !runner->GetBattle()) {
        if (out) std::fclose(out);
        *error = path + (out ? ": no battle loaded" : ": cannot be written");
        return nullptr;
    }
    auto stats = std::make_unique<BattleStats>(out, true);
    stats->Begin(*runner->GetBattle());
    BattleStats* writer = stats.get();
    runner->OnComputed([writer](const Battle& battle) { writer->Turn(battle); });
    return stats;
}

BattleStats::Seen& BattleStats::Entry(const Unit* u) {
    Seen& s = mSeen[u];
    if (s.number == 0) s.number = mNext++;
    return s;
}

void BattleStats::Take(const Battle& battle, const Unit* u, Seen* s) {
    s->active = InPlay(u);
    const EnemyContact c = EnemyContactOf(battle, const_cast<Unit*>(u));
    s->inRange = c.inRange;
    s->seen = c.seen;
    s->sight = c.sight;
    s->x = u->mX;
    s->y = u->mY;
    s->placed = true;
    s->men = MenPutOut(u);
    s->vehicles = u->mKillRecords[1].VehicleKills();
}

void BattleStats::Begin(const Battle& battle) {
    RandomStateKeeper generator; // a report, not a rule
    for (int32_t i = 0; battle.mUnits && i < battle.mUnits->GetCount(); ++i) {
        const Unit* u = battle.mUnits->GetUnit(i);
        if (Counted(u)) Take(battle, u, &Entry(u));
    }
}

void BattleStats::Turn(const Battle& battle) {
    RandomStateKeeper generator; // a report, not a rule
    if (!mHeader) {
        std::fprintf(mOut,
                     "# turn\tunit\tside\ttype\tkind\tactive\tpaces\tshots\thits\tmen\tvehicles\tmetres\t"
                     "fatigue\tinrange\tseen\tsight\tname\n");
        mHeader = true;
    }
    std::map<const Unit*, UnitTurn> turn;
    const GList& packets = battle.mPackets;
    for (int32_t i = 0; i < packets.GetCount(); ++i) {
        const auto* p = static_cast<const ActionPacket*>(packets.GetObjectA(i));
        if (p->mType == kPacketUnitState && p->mUnit) {
            turn[p->mUnit].states.push_back(p);
        } else if (p->mType == kPacketShell && p->mFirer && p->mFirer != p->mTarget) {
            // A second burst drawn beside a shot (infantry flag 0x40) is part of that shot. It
            // is the one shell drawn plain in mode 3, and may be listed before its shot.
            const bool secondBurst = p->mLook == 0 && (p->mShellFlags & 0x3) == 3;
            if (secondBurst) continue;
            UnitTurn& t = turn[p->mFirer];
            ++t.shots;
            if (p->mShellHit) ++t.hits;
        }
    }
    for (int32_t i = 0; battle.mUnits && i < battle.mUnits->GetCount(); ++i) {
        const Unit* u = battle.mUnits->GetUnit(i);
        if (!Counted(u)) continue;
        const bool known = mSeen.count(u) != 0;
        Seen& s = Entry(u);
        auto found = turn.find(u);
        const UnitTurn empty;
        const UnitTurn& t = found != turn.end() ? found->second : empty;
        // A unit out of play before and after the turn, with nothing in it, is left out.
        if (!(known && s.active) && !InPlay(u) && t.states.empty() && t.shots == 0) continue;

        std::vector<const ActionPacket*> states = t.states;
        std::stable_sort(states.begin(), states.end(), [](const ActionPacket* a, const ActionPacket* b) {
            return a->mTimeSlice < b->mTimeSlice;
        });
        std::map<int32_t, int32_t> paces;
        float metres = 0.0f;
        float x = s.x, y = s.y;
        bool placed = known && s.placed;
        for (size_t k = 0; k < states.size(); ++k) {
            const ActionPacket* p = states[k];
            // A state stamped after the last slice (the turn's closing packets) holds no slice of it.
            const int32_t from = std::clamp<int32_t>(p->mTimeSlice, 0, kTurnSlices);
            const int32_t to = k + 1 < states.size()
                                   ? std::clamp<int32_t>(states[k + 1]->mTimeSlice, 0, kTurnSlices)
                                   : kTurnSlices;
            if ((p->mStatus >> 6) != kPacketInactive && to > from)
                paces[p->mMovementCode & 0x1F] += to - from;
            if (placed) metres += std::hypot(p->mX - x, p->mY - y);
            x = p->mX, y = p->mY, placed = true;
        }
        if (placed) metres += std::hypot(u->mX - x, u->mY - y);

        const int32_t menBefore = known ? s.men : 0, vehiclesBefore = known ? s.vehicles : 0;
        const bool inRangeBefore = known && s.inRange, seenBefore = known && s.seen,
                   sightBefore = known && s.sight;
        Take(battle, u, &s);
        std::string paceText;
        for (const auto& [pace, slices] : paces) {
            if (!paceText.empty()) paceText += ',';
            paceText += std::to_string(pace) + ':' + std::to_string(slices);
        }
        if (paceText.empty()) paceText = "-";
        std::fprintf(mOut, "%d\t%d\t%d\t%c\t%d\t%d\t%s\t%d\t%d\t%d\t%d\t%.1f\t%.1f\t%d\t%d\t%d\t%s\n", battle.mTurn,
                     s.number, u->IsAxis() ? 0 : 1, u->mUnitType == kUnitInfantry ? 'I' : 'V', u->mSubtype,
                     s.active ? 1 : 0, paceText.c_str(), t.shots, t.hits, std::max(0, s.men - menBefore),
                     std::max(0, s.vehicles - vehiclesBefore), static_cast<double>(metres),
                     static_cast<double>(u->mFatigue), inRangeBefore || s.inRange ? 1 : 0, seenBefore || s.seen ? 1 : 0,
                     sightBefore || s.sight ? 1 : 0, KindName(u));
    }
    std::fflush(mOut);
}
