// The scenario builder's readers: the first byte picks the description (even)
// or the order script (odd), the rest is the text. Any text is read or
// refused with a file, line and reason, never a crash. A description of a
// small map that reads is built into a battle, which is then checked to hold
// the units it described; the order script is checked against it. A
// battle or an operation that builds is written, read and written again to
// the same bytes.

#include <cstdint>
#include <memory>
#include <string>

#include "FuzzRoundTrip.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "map/Map.h"
#include "tools/scenarios/OrderScript.h"
#include "tools/scenarios/ScenarioBuild.h"
#include "units/Hack.h"

namespace {

// An operation that builds is written as the builder writes it, read back
// through the game file's reader and written again to the same bytes.
void CheckOperation(const ScenarioDescription& description) {
    ScenarioFault fault;
    std::unique_ptr<Campaign> operation = BuildOperation(description, &fault);
    if (!operation) {
        if (fault.reason.empty()) FuzzFail("a refused operation without a reason");
        return;
    }
    auto write = [&](Campaign* op) {
        auto file = FuzzScratchFile();
        if (!file) FuzzFail("no scratch file");
        GameFileState state = ScenarioFileState(description);
        WriteGameFile(file.get(), &state, nullptr, op, {.scenario = true});
        return std::make_pair(FuzzFileBytes(file.get()), std::move(file));
    };
    auto [first, file] = write(operation.get());
    GameFileState state;
    GameFileContents contents;
    if (ReadGameFile(file.get(), &state, &contents) != kGameFileLoaded || !contents.campaign ||
        contents.battle)
        FuzzFail("a built operation does not read back");
    std::unique_ptr<Campaign> read(contents.campaign);
    if (read->mLastTurn != description.operation.battles) FuzzFail("the operation lost its battles");
    FuzzRequireSame(first, write(read.get()).first, "operation file");
}

// A battle that builds is written as the builder writes it, read back
// through the game file's reader and written again to the same bytes; its
// landmarks, weather and fortifications come back with it.
void CheckBattle(const ScenarioDescription& description, Battle* built) {
    auto write = [&](Battle* battle) {
        auto file = FuzzScratchFile();
        if (!file) FuzzFail("no scratch file");
        GameFileState state = ScenarioFileState(description);
        Battle* old = gBattle;
        gBattle = battle;
        WriteGameFile(file.get(), &state, battle, nullptr, {.scenario = true});
        gBattle = old;
        return std::make_pair(FuzzFileBytes(file.get()), std::move(file));
    };
    auto [first, file] = write(built);
    GameFileState state;
    GameFileContents contents;
    if (ReadGameFile(file.get(), &state, &contents) != kGameFileLoaded || !contents.battle ||
        contents.campaign)
        FuzzFail("a built battle does not read back");
    std::unique_ptr<Battle> read(contents.battle);
    if (read->mWeather != description.weather) FuzzFail("the battle lost its weather");
    const int32_t landmarks = read->mMap && read->mMap->mLandmarks ? read->mMap->mLandmarks->GetCount() : 0;
    if (landmarks != static_cast<int32_t>(description.landmarks.size()))
        FuzzFail("the battle lost landmarks");
    if (read->mUnits->GetCount() != built->mUnits->GetCount()) FuzzFail("the battle lost units on reading");
    FuzzRequireSame(first, write(read.get()).first, "scenario file");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool loaded = DecryptData();
    if (!loaded) FuzzFail("the program's game data does not load");
    if (size < 1) return 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    ScenarioFault fault;
    if (data[0] & 1) {
        OrderScript script;
        if (!ParseOrderScript(text, "fuzz.orders", &script, &fault)) {
            if (fault.reason.empty()) FuzzFail("a refused script without a reason");
            return 0;
        }
        // An operation's script holds every order in a battle section.
        for (const ScriptOrder& order : script.orders)
            if ((script.lastBattle > 0) != (order.battle > 0) || order.battle > script.lastBattle)
                FuzzFail("an order outside the script's battle sections");
        return 0;
    }
    ScenarioDescription description;
    if (!ParseScenarioText(text, "fuzz.txt", &description, &fault)) {
        if (fault.reason.empty()) FuzzFail("a refused description without a reason");
        return 0;
    }
    // Building large maps costs more than it finds.
    if (description.columns * description.rows > 40 * 40 || description.units.size() > 200) return 0;
    if (description.operation.present) {
        CheckOperation(description);
        return 0;
    }
    std::unique_ptr<Battle> battle = BuildScenarioBattle(description, &fault);
    if (!battle) {
        if (fault.reason.empty()) FuzzFail("a refused build without a reason");
        return 0;
    }
    int32_t onMap = 0;
    for (const ScenarioUnit& unit : description.units)
        if (unit.reinforcement < 0) ++onMap;
    if (battle->mUnits->GetCount() != onMap) FuzzFail("the battle lost units of its description");
    CheckBattle(description, battle.get());
    return 0;
}
