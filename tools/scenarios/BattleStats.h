#pragma once
// Per-unit figures of a battle played by the headless runner, one line per
// unit and computed turn, for scripts/battle-stats. They are read from the
// battle after each turn's GO (the turn's action packets and the units'
// own counters) and change nothing the rules read.
//
// The file is tab-separated text: a header line starting with '#', then a
// line per infantry or vehicle unit that was in play during the turn:
//
//   turn unit side type kind active paces shots hits men vehicles metres fatigue inrange seen sight name
//
//   turn      the turn computed
//   unit      the unit's number in this file (1, 2, ... in the order first seen)
//   side      0 Axis, 1 Allies
//   type      I infantry, V vehicle
//   kind      the infantry record or vehicle type
//   active    1 when in play at the end of the turn
//   paces     slices of the turn spent in play at each pace, "pace:slices,..."
//             (the units act in slices 0..2400, 2401 a turn; infantry: the
//             pace row, vehicles: the pace number of the first waypoint, 1
//             with none), from the unit-state packets; "-" for none
//   shots     shell packets the unit fired in the turn (the second burst
//             drawn beside an infantry shot is part of that shot)
//   hits      of them, those shown striking the unit they were aimed at: a
//             shot at a vehicle that hit it, small-arms, MG or flame fire at
//             a unit that no obstacle stopped short (fire of explosive shells
//             at men or at an area is never a hit: its effect is in men)
//   men       men the unit put out in the turn (killed, wounded or captured)
//   vehicles  vehicles the unit put out in the turn
//   metres    ground covered in the turn (along its unit-state packets)
//   fatigue   fatigue at the end of the turn
//   inrange   1 when an enemy in play stood within the unit's weapons' range
//             at the start or the end of the turn
//   seen      1 when such an enemy was spotted by the unit's side (what a
//             target must be before any unit may pick it)
//   sight     1 when such a spotted enemy stood in the unit's own line of
//             sight (the other test a target must pass)
//   name      the kind's name

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

class Battle;
class BattleRunner;
class Unit;

class BattleStats {
public:
    // Writes to `out`, which it closes when it goes if it owns it.
    BattleStats(std::FILE* out, bool owned) : mOut(out), mOwned(owned) {}
    ~BattleStats();
    BattleStats(const BattleStats&) = delete;
    BattleStats& operator=(const BattleStats&) = delete;

    // Writes the file at `path` for the runner's battle (loaded, no turn
    // computed yet): the state now, then a line per unit after every turn
    // the runner computes. Null with the reason when the file cannot be
    // written. The runner must not outlive the result.
    static std::unique_ptr<BattleStats> Attach(BattleRunner* runner, const std::string& path,
                                               std::string* error);

    // Takes the units' state before the first turn (after Load).
    void Begin(const Battle& battle);
    // Writes the lines of the turn just computed (the runner's OnComputed).
    void Turn(const Battle& battle);

private:
    struct Seen {
        int32_t number = 0;
        bool active = false;
        // At the end of the last turn: an enemy within range, of them one
        // spotted by the unit's side, of those one in its own sight.
        bool inRange = false, seen = false, sight = false;
        float x = 0.0f, y = 0.0f;
        int32_t men = 0, vehicles = 0; // the kill record's totals
        bool placed = false;
    };
    Seen& Entry(const Unit* u);
    void Take(const Battle& battle, const Unit* u, Seen* s);

    std::FILE* mOut;
    bool mOwned;
    std::map<const Unit*, Seen> mSeen;
    int32_t mNext = 1;
    bool mHeader = false;
};

// The enemies of `u` in play within its weapons' range: whether there is
// one, whether one of them is spotted by u's side, and whether one of the
// spotted ones stands in u's own line of sight. The sight lines are traced
// afresh and stored nowhere, so asking changes nothing the rules read.
struct EnemyContact {
    bool inRange = false, seen = false, sight = false;
};
EnemyContact EnemyContactOf(const Battle& battle, Unit* u);
