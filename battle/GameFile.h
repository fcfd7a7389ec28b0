#pragma once
// The game file: one form for shipped scenarios, saved games, auto-saves and
// e-mail turn files. Its top level holds, in this order, the header that the
// scenario list reads (format and file version, saved-or-scenario, rounds,
// units, each side's force emblem, the title, then 1024 zero bytes), the
// players and connection state of the program that wrote it, the computer
// opponent's groups, the seed, the time limit, the three briefings, the
// build string of an e-mail file, a length-prefixed block, the battle, the
// password flags, the operation and the action packets. Numbers are
// big-endian as GFile writes them.
//
// This is the one writer and reader of that top level: the application's
// save and load, the scenario builder and the headless runner all use it.
// It touches no global state and needs no screen.

#include <cstdint>

#include "engine/GString.h"

class Battle;
class BattleHost;
class Campaign;
class GFile;
class GList;

// The format version written and the highest one read.
constexpr int8_t kGameFileVersion = 4;

// What the scenario list shows of a file without loading it.
struct GameFileHeader {
    bool fromGame = false;     // false: a scenario as the editor wrote it
    int32_t rounds = 0;        // turns (battles of an operation) still to play, this one included
    int32_t units = 0;         // map units plus every reinforcement's units
    int16_t force[2] = {0, 0}; // force emblem of side 0 and side 1
    GString127 title;
};

// The program's state that travels in the file around the battle.
struct GameFileState {
    int32_t players = 0;       // 0 not chosen yet, 1, 2
    int32_t side = 2;          // the side to move; 2 not chosen yet
    bool sidesSwapped = false; // the hand-over flag
    int32_t scenarioKind = 0;  // 0 battle, 2 operation (read only; written from the operation)
    GString63 passwordHash[2]; // each side's password digest as text, or empty
    bool passwordSet[2] = {false, false};
    GString31 scenarioName;
    uint16_t randomSeed = 0;   // kept unless the reader is told to take the file's
    int32_t turnTimeLimit = 0; // milliseconds; the file keeps whole minutes
    int8_t fileVersion = kGameFileVersion;
    bool autoSaveReloading = false;
    int32_t connectionType = 0;       // 0 hotseat, 1 e-mail, 2 TCP/IP
    int32_t loadedConnectionType = 0; // the connection type the last file read held
    uint32_t mailFileCRC = 0;         // CRC of the last e-mail file read
};

struct GameFileWriteOptions {
    // The scenario form: field 3 is 0, the rounds are the last turn, the
    // hand-over flag is 0 and action packets are never saved.
    bool scenario = false;
};

enum GameFileResult : int32_t {
    kGameFileLoaded = 0,
    kGameFileFormatTooNew,  // format version above 4
    kGameFileVersionTooNew, // file version above 4
    kGameFileWrongBuild,    // an e-mail file of an older version or another build
    kGameFileDamaged,       // the data does not read as a game file
};

// Writes the whole file. Sets state->fileVersion to 4. The battle and the
// operation may each be null.
void WriteGameFile(GFile* file, GameFileState* state, Battle* battle, Campaign* campaign,
                   const GameFileWriteOptions& options = {});

// Reads the header only and fills header.
GameFileResult ReadGameFileHeader(GFile* file, GameFileHeader* header);

struct GameFileReadOptions {
    bool takeSeed = false;      // the file's seed replaces state->randomSeed
    BattleHost* host = nullptr; // given to the battle before it loads
    // While the file is read, points at the state being read (its version
    // byte among the first things read), so that the host can answer the
    // file's version to the unit records; set back when the read ends.
    const GameFileState** reading = nullptr;
};

// What a whole read makes; the caller owns it.
struct GameFileContents {
    Battle* battle = nullptr;
    Campaign* campaign = nullptr;
};

// Reads the whole file. On success the state holds what the file says and
// contents the new battle and operation (each may be null), with the
// briefings given to the operation if any, else the battle. On failure
// nothing is made and the state is as it was.
GameFileResult ReadGameFile(GFile* file, GameFileState* state, GameFileContents* contents,
                            const GameFileReadOptions& options = {});

// What units hold between turns that their records do not keep (the part
// behind everything else in a saved game; a TCP/IP turn file carries it too).
// Units are named by their place in the battle's list, from 1. The reader
// goes on to the end of the data or a kind it does not know; false when a
// part it knows is damaged.
void WriteUnitExtras(GFile* file, Battle* battle);
bool ReadUnitExtras(GFile* file, Battle* battle);

// The computer opponent's groups of both sides: its writer and reader.
// Without a writer no groups are saved; a file that holds groups is refused
// without a reader.
using AIGroupWriter = void (*)(Battle* battle, GFile* file);
using AIGroupReader = bool (*)(GFile* file, GList** lists);
extern AIGroupWriter gAIGroupWriter;
extern AIGroupReader gAIGroupReader;
