#include "seam_census.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <type_traits>

#include "app/MVApplication.h"
#include "battle/Battle.h"
#include "battle/Ephemeral.h"
#include "battle/GameFile.h"
#include "battle/VehicleHitRules.h"
#include "draw/DrawSettings.h"
#include "draw/InfantryDraw.h"
#include "draw/UnitDraw.h"
#include "engine/GKernel.h"
#include "map/Map.h"
#include "units/LeaderLines.h"
#include "units/OrderMarkHook.h"
#include "units/RuleContext.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

// ---- Pending: seams that other work of this round fills or removes. Each
// entry fails once its seam is filled or gone; drop it then.
struct Pending {
    const char* seam;
    const char* closedBy;
    bool (*filled)(); // null: the census cannot read it, only see it go
};
// clang-format off
const Pending kPending[] = {
    {"", "", nullptr}, // every seam of this round is filled or gone
};
// clang-format on

// ---- The host's questions: answered by the application, or kept at the
// headless default with the reason.
template <class C, class R, class... A> constexpr bool Answered(R (C::*)(A...)) {
    return std::is_same_v<C, MVApplication>;
}

struct HostQuestion {
    const char* name;
    bool answered;
    const char* keptBecause; // null: the application must answer it
};

// clang-format off
#define ANSWERED(f) HostQuestion{#f, Answered(&MVApplication::f), nullptr}
#define KEPT(f, why) HostQuestion{#f, Answered(&MVApplication::f), why}

constexpr HostQuestion kHostQuestions[] = {
    ANSWERED(ViewingSide),
    ANSWERED(SetViewingSide),
    ANSWERED(HumanPlayers),
    ANSWERED(ConnectionKind),
    ANSWERED(IsHost),
    ANSWERED(FogOfWarLevel),
    ANSWERED(ComputerSetupOption),
    ANSWERED(GameMode),
    ANSWERED(SetGameMode),
    ANSWERED(ComputerSide),
    KEPT(PlayerSideValue, "2 only in an editor preview, which this program lacks: the viewing side"),
    ANSWERED(LastTurnFileCRC),
    ANSWERED(RememberScenarioName),
    ANSWERED(LoadingFileVersion),
    ANSWERED(TCPTurnCounter),
    ANSWERED(SetTCPTurnCounter),
    ANSWERED(GetPasswordHash),
    ANSWERED(SetOtherPasswordHash),
    ANSWERED(CPUSpeed),
    ANSWERED(ComputesTurn),
    ANSWERED(SetComputesTurn),
    ANSWERED(BuildBattleScreen),
    ANSWERED(HasScreen),
    ANSWERED(ReleaseBattleScreen),
    ANSWERED(ShowBattleScreen),
    ANSWERED(RestartVehicleSounds),
    ANSWERED(JoinerBeginsBattle),
    ANSWERED(AddRadioInstructions),
    ANSWERED(RefreshInfoPanel),
    ANSWERED(ReportVP),
    ANSWERED(ToggleKillsPage),
    ANSWERED(SelectionChanged),
    ANSWERED(CreateFloorChoiceMenu),
    ANSWERED(CreateGunChoiceMenu),
    ANSWERED(UnitSizePreference),
    KEPT(SpottingPreference, "the preferences hold no spotting byte: boats are identified as first seen"),
    ANSWERED(SetState),
    ANSWERED(SynchRandomForTCPIP),
    ANSWERED(TransferPhase),
    ANSWERED(ShowProgress),
    ANSWERED(PingDuringBusyCPU),
    ANSWERED(ShiftHeld),
    ANSWERED(ActionPhaseStarts),
    ANSWERED(PlaybackPanelChanged),
    KEPT(ClockTime, "the program's own millisecond clock is the host's clock"),
    ANSWERED(PreloadSounds),
    ANSWERED(PlayPacketSound),
    ANSWERED(PlaySound),
    ANSWERED(GoButtonChanged),
    ANSWERED(AutoSave),
    ANSWERED(ExchangeAutoSave),
    ANSWERED(SendGameData),
    ANSWERED(SecondHalf),
    ANSWERED(SetSecondHalf),
    ANSWERED(GoButton),
    ANSWERED(InteractionState),
    ANSWERED(ShowResult),
    ANSWERED(AskAboutNightBattle),
    ANSWERED(CameraCommand),
    ANSWERED(OrdersMenuCommand),
    ANSWERED(ApplicationCommand),
    ANSWERED(MoveCamera),
    ANSWERED(TurnCamera),
    ANSWERED(TurnCameraTo),
    ANSWERED(JumpCameraToLevel),
    ANSWERED(CameraKeyPad),
    ANSWERED(ToggleCameraLock),
    ANSWERED(EnsurePointIsVisible),
    ANSWERED(ToggleUnitInfo),
    ANSWERED(OrdersMenuOpen),
    ANSWERED(OpenOrdersMenu),
    ANSWERED(CloseOrdersMenu),
    ANSWERED(OrdersMenuKey),
    ANSWERED(RespondToOrder),
    ANSWERED(TurnClockPausable),
    ANSWERED(PauseTurnClock),
    ANSWERED(ViewOtherSide),
    ANSWERED(UnitGoes),
    ANSWERED(MakeAIBox),
    ANSWERED(UpdateScreen),
    ANSWERED(RefreshWindow),
    ANSWERED(ManageSounds),
    ANSWERED(GetDrawSettings),
    ANSWERED(BattleGoes),
    ANSWERED(BreakMouse),
    ANSWERED(CloseUnitInfo),
    ANSWERED(FlushSoundCache),
    ANSWERED(HogCPU),
    ANSWERED(OrdersProhibited),
    ANSWERED(ShowCursor),
    ANSWERED(SlowRedraw),
    ANSWERED(StopTurnClock),
    ANSWERED(TakeAutoSaveReloading),
    ANSWERED(UpdateProgressWindow),
    ANSWERED(UpdateScreenForProgress),
};

#undef ANSWERED
#undef KEPT
// clang-format on

constexpr bool EveryQuestionAsListed() {
    for (const HostQuestion& q : kHostQuestions)
        if (q.answered != (q.keptBecause == nullptr)) return false;
    return true;
}
static_assert(EveryQuestionAsListed(),
              "a host question is answered by the application's base, or a kept default "
              "is now answered: see kHostQuestions");

// ---- Hooks: installed by the program, or a default kept with the reason,
// or no seam at all.
enum class HookState { kInstalled, kKept, kNoSeam };
struct Hook {
    const char* seam;
    HookState state;
    bool (*installed)(); // null for kNoSeam
    const char* reason;  // for kKept and kNoSeam
};

// clang-format off
#define DRAW(m) [] { return gDrawHooks.m != nullptr; }
#define INSTALLED(name, check) Hook{name, HookState::kInstalled, check, nullptr}
#define KEPT(name, check, why) Hook{name, HookState::kKept, check, why}

const Hook kHooks[] = {
    KEPT("DrawHooks::makeTexture", DRAW(makeTexture), "the kernel makes the pictures"),
    KEPT("DrawHooks::makeTextureCanFail", DRAW(makeTextureCanFail), "the kernel makes the pictures"),
    KEPT("DrawHooks::deleteTexture", DRAW(deleteTexture), "the kernel deletes the pictures"),
    INSTALLED("DrawHooks::viewDraw2D", DRAW(viewDraw2D)),
    INSTALLED("DrawHooks::showWarningLabel", DRAW(showWarningLabel)),
    INSTALLED("DrawHooks::writeString", DRAW(writeString)),
    INSTALLED("DrawHooks::stringWidth", DRAW(stringWidth)),
    INSTALLED("DrawHooks::viewSize", DRAW(viewSize)),
    INSTALLED("DrawHooks::activate3D", DRAW(activate3D)),
    INSTALLED("DrawHooks::viewRefresh", DRAW(viewRefresh)),
    INSTALLED("DrawHooks::resetCameraPrefs", DRAW(resetCameraPrefs)),
    INSTALLED("DrawHooks::setSoundDistanceOffset", DRAW(setSoundDistanceOffset)),
    INSTALLED("DrawHooks::soundComplete", DRAW(soundComplete)),
    INSTALLED("DrawHooks::soundUpdate", DRAW(soundUpdate)),
    INSTALLED("DrawHooks::loopUpdate", DRAW(loopUpdate)),
    KEPT("DrawHooks::drawEffect", DRAW(drawEffect), "each effect draws itself"),
    KEPT("DrawSettings::mClock", [] { return CurrentDrawSettings().mClock != nullptr; },
         "the drawing's clock is the program's clock"),
    INSTALLED("InfantryHooks::fireOffboardArtillery", [] { return gInfantryHooks.fireOffboardArtillery != nullptr; }),
    INSTALLED("InfantryHooks::sewerTime", [] { return gInfantryHooks.sewerTime != nullptr; }),
    INSTALLED("InfantryHooks::disembark", [] { return gInfantryHooks.disembark != nullptr; }),
    INSTALLED("InfantryHooks::updateRider", [] { return gInfantryHooks.updateRider != nullptr; }),
    INSTALLED("RuleContext::scenarioDate", [] { return CurrentRuleContext().scenarioDate != nullptr; }),
    INSTALLED("RuleContext::season", [] { return CurrentRuleContext().season != nullptr; }),
    INSTALLED("RuleContext::timeOfDay", [] { return CurrentRuleContext().timeOfDay != nullptr; }),
    INSTALLED("RuleContext::terrainAt", [] { return CurrentRuleContext().terrainAt != nullptr; }),
    INSTALLED("VehicleHitRules::hitStageOne", [] { return gVehicleHitRules.hitStageOne != nullptr; }),
    INSTALLED("VehicleHitRules::hitStageTwo", [] { return gVehicleHitRules.hitStageTwo != nullptr; }),
    INSTALLED("VehicleHitRules::resolveExternalDamage", [] { return gVehicleHitRules.resolveExternalDamage != nullptr; }),
    INSTALLED("VehicleHitRules::tagArmorHitRecord", [] { return gVehicleHitRules.tagArmorHitRecord != nullptr; }),
    INSTALLED("gSmokeShellMaker", [] { return gSmokeShellMaker != nullptr; }),
    INSTALLED("gSmokeShellValid", [] { return gSmokeShellValid != nullptr; }),
    INSTALLED("gDrawEphemeral", [] { return gDrawEphemeral != nullptr; }),
    INSTALLED("gHandWeaponHook", [] { return gHandWeaponHook != nullptr; }),
    INSTALLED("gFlameTankHook", [] { return gFlameTankHook != nullptr; }),
    INSTALLED("gCrewPoseHook", [] { return gCrewPoseHook != nullptr; }),
    INSTALLED("gAIGroupWriter", [] { return gAIGroupWriter != nullptr; }),
    INSTALLED("gAIGroupReader", [] { return gAIGroupReader != nullptr; }),
    INSTALLED("Vehicle::sDropEngineSound", [] { return Vehicle::sDropEngineSound != nullptr; }),
    INSTALLED("Vehicle::sMakeRicochetPacket", [] { return Vehicle::sMakeRicochetPacket != nullptr; }),
    INSTALLED("GKernel::SetManageSoundsHook", [] { return gKernel && gKernel->ManageSoundsHook(); }),
    INSTALLED("GKernel::SetNetworkPumpHook", [] { return gKernel && gKernel->NetworkPumpHook(); }),
    INSTALLED("GKernel::SetBeepHook", [] { return gKernel && gKernel->BeepHook(); }),
    INSTALLED("GKernel::SetPlaySoundHook", [] { return gKernel && gKernel->ClickSoundHook(); }),
    INSTALLED("SetLeaderLinesHidden", [] { return LeaderLinesRuleSet(); }),
    INSTALLED("gRefusedDestinationMark", [] { return gRefusedDestinationMark != nullptr; }),
    INSTALLED("Map::SetBattleLink", [] { return gBattle && gBattle->mMap && gBattle->mMap->GetBattleLink(); }),
    KEPT("Vehicle::sDetailedSpotting", [] { return Vehicle::sDetailedSpotting; },
         "the preferences hold no detailed-spotting choice"),
    Hook{"ShellView::u", HookState::kNoSeam, nullptr, "a drawn shell's values, filled for each shell it draws"},
    Hook{"ShellView::r", HookState::kNoSeam, nullptr, "a drawn shell's values, filled for each shell it draws"},
};

#undef DRAW
#undef INSTALLED
#undef KEPT
// clang-format on

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

std::string CensusSourceDir() {
    if (const char* dir = std::getenv("DM_SOURCE_DIR")) return dir;
    return (std::filesystem::current_path().parent_path().parent_path()).string();
}

std::vector<std::string> ScanSeams(const std::string& sourceDir) {
    namespace fs = std::filesystem;
    std::vector<std::string> seams;
    const fs::path root(sourceDir);
    // The host's questions.
    {
        static const std::regex question(R"(^\s*virtual\s+[^(;~]*?\b(\w+)\s*\()");
        std::istringstream in(ReadText(root / "battle" / "BattleHost.h"));
        std::smatch m;
        for (std::string line; std::getline(in, line);)
            if (std::regex_search(line, m, question)) seams.push_back("BattleHost::" + m[1].str());
    }
    // Function pointers, hook tables and hook setters of the game's headers
    // and the kernel.
    std::vector<fs::path> headers;
    for (const char* folder : {"ai", "battle", "draw", "map", "units", "app"})
        for (const auto& entry : fs::directory_iterator(root / folder))
            if (entry.path().extension() == ".h") headers.push_back(entry.path());
    headers.push_back(root / "engine" / "GKernel.h");
    std::sort(headers.begin(), headers.end());
    static const std::regex opens(R"(^\s*(class|struct)\s+(\w+)\b[^;]*$)");
    static const std::regex closes(R"(^\};)");
    static const std::regex pointer(R"(^\s*(extern\s+|static\s+)?[A-Za-z_][\w:<>\s\*&]*\(\*\s*(\w+)\)\s*\()");
    static const std::regex alias(R"(^\s*using\s+(\w+)\s*=[^;]*\(\*\))");
    static const std::regex externOfAlias(R"(^\s*extern\s+(\w+)\s+(\w+)\s*;)");
    static const std::regex setter(R"(^\s*(static\s+)?void\s+(Set\w+)\s*\(([^;]*)\)\s*[;{])");
    for (const fs::path& header : headers) {
        std::istringstream in(ReadText(header));
        std::string type;
        std::set<std::string> aliases;
        std::smatch m;
        for (std::string line; std::getline(in, line);) {
            if (std::regex_search(line, m, opens)) type = m[2].str();
            if (std::regex_search(line, m, closes)) type.clear();
            if (std::regex_search(line, m, alias)) aliases.insert(m[1].str());
            const std::string scope = type.empty() ? "" : type + "::";
            if (std::regex_search(line, m, pointer)) {
                const bool global = m[1].matched && m[1].str().find("extern") != std::string::npos;
                seams.push_back(global ? m[2].str() : scope + m[2].str());
            } else if (std::regex_search(line, m, externOfAlias) && aliases.count(m[1].str())) {
                seams.push_back(m[2].str());
            } else if (std::regex_search(line, m, setter)) {
                const std::string params = m[3].str();
                bool hook = params.find("(*") != std::string::npos;
                for (const std::string& a : aliases)
                    hook = hook || (a.size() > 4 && a.compare(a.size() - 4, 4, "Hook") == 0 &&
                                    params.find(a + " ") != std::string::npos);
                if (hook) seams.push_back(scope + m[2].str());
            }
        }
    }
    return seams;
}

void CheckSeamCensus(MVApplication* app) {
    ASSERT_NE(app, nullptr);
    ASSERT_NE(gBattle, nullptr) << "the census needs the battle";
    ASSERT_NE(gBattle->mScreen, nullptr) << "the census needs the battle screen";

    std::set<std::string> listed;
    for (const HostQuestion& q : kHostQuestions) {
        listed.insert(std::string("BattleHost::") + q.name);
        if (q.keptBecause)
            EXPECT_FALSE(q.answered) << q.name << " is answered now: take it off the kept defaults";
        else
            EXPECT_TRUE(q.answered) << q.name << " keeps the headless default";
    }
    for (const Hook& h : kHooks) {
        listed.insert(h.seam);
        if (h.state == HookState::kInstalled)
            EXPECT_TRUE(h.installed()) << h.seam << " is not installed";
        else if (h.state == HookState::kKept)
            EXPECT_FALSE(h.installed()) << h.seam << " is installed now: take it off the kept defaults";
    }

    const std::vector<std::string> scanned = ScanSeams(CensusSourceDir());
    ASSERT_FALSE(scanned.empty()) << "no header read under " << CensusSourceDir();
    const std::set<std::string> present(scanned.begin(), scanned.end());
    for (const Pending& p : kPending) {
        if (!*p.seam) continue;
        listed.insert(p.seam);
        EXPECT_TRUE(present.count(p.seam))
            << p.seam << " is gone (" << p.closedBy << "): drop it from kPending";
        if (p.filled)
            EXPECT_FALSE(p.filled()) << p.seam << " is filled (" << p.closedBy << "): drop it from kPending";
    }
    for (const std::string& seam : scanned)
        EXPECT_TRUE(listed.count(seam)) << seam << " is a seam the census does not list";
    // A listed seam the headers no longer declare is stale, except the
    // census's own entries that are no pointer (the map's link, a flag).
    for (const std::string& seam : listed)
        if (seam != "Map::SetBattleLink" && seam != "Vehicle::sDetailedSpotting")
            EXPECT_TRUE(present.count(seam)) << seam << " is listed but no header declares it";
}
