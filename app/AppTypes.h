#pragma once
// Numbers the application shell shares: the interaction state, the
// preference bytes by index, the confirm box kinds and the front-end
// commands.

#include <cstdint>

// What a mouse click on the battle map means now.
using State = int32_t;
constexpr State kStateNone = 0;        // orders may be given
constexpr State kStateSightLine = 1;   // line-of-sight tool
constexpr State kStateMoveOrder = 2;   // plotting waypoints
constexpr State kStateMoveOrder29 = 3; // plotting waypoints of order 29
constexpr State kStatePickTarget = 4;
constexpr State kStateArcFirst = 5;
constexpr State kStateArcSecond = 6;
constexpr State kStateDragWaypoint = 7;
constexpr State kStatePlayback = 8; // the action phase plays back
constexpr State kStateSetupPick57 = 9;
constexpr State kStateSetupPick59 = 10;
constexpr State kStateSetupPick60 = 11;
constexpr State kStateSetupPick63 = 12;
constexpr State kStateConfirm = 13; // a confirm box is open
constexpr State kStateBoxSelect = 14;

// Indexes into the preference bytes.
using GamePref = int32_t;
constexpr GamePref kPrefSound = 0;
constexpr GamePref kPrefUnitBases = 1;
constexpr GamePref kPrefTreeDensity = 2;
constexpr GamePref kPrefThirdMan = 3;
constexpr GamePref kPrefUnitScale = 4;
constexpr GamePref kPrefRoofs = 5;
constexpr GamePref kPrefResetOnLoad = 6;
constexpr GamePref kPrefPaths = 7;
constexpr GamePref kPrefCameraShake = 8;
constexpr GamePref kPrefHorizon = 9;
constexpr GamePref kPrefFogOfWar = 10;
constexpr GamePref kPrefComputerSetup = 11;
constexpr GamePref kPrefWeather = 12;
constexpr GamePref kPrefWarningLabels = 13;
constexpr GamePref kPrefDamageReport = 14;
constexpr GamePref kPrefSmoke = 15;
constexpr GamePref kPrefTerrainPoints = 16;
constexpr GamePref kPrefTransparentBuildings = 17;
constexpr GamePref kPrefGamma = 18;
constexpr GamePref kPrefCameraPivot = 20;
constexpr GamePref kPrefAddress = 21; // four bytes, 21 to 24
constexpr GamePref kPrefTerrainDensity = 25;
constexpr GamePref kPrefBuildingShadows = 78;
constexpr GamePref kPrefFireArcs = 81;
constexpr GamePref kPrefEscapeSuspends = 82;
constexpr GamePref kPrefExcludePassengers = 83; // passengers stay out of group selection
constexpr GamePref kPrefCameraAngle = 1083;
constexpr GamePref kPrefZoom = 1084;
constexpr GamePref kPrefFlags = 1085;
constexpr GamePref kPrefSetupZone = 1086;
constexpr GamePref kPrefVehicles = 1087;
constexpr GamePref kPrefHideAids = 1088;

constexpr int32_t kPrefCount = 1090;       // bytes held while the program runs
constexpr int32_t kPrefStoredCount = 1083; // bytes kept in the preferences file
constexpr int32_t kPrefsFileSize = 1 + 64 + kPrefStoredCount;

// The kind of a confirm box.
using Confirmable = int32_t;
constexpr Confirmable kConfirmWrongBuild = 2;
// A save the disk did not take whole; the old file is kept and the save
// dialog comes back.
constexpr Confirmable kConfirmSaveFailed = 6;
constexpr Confirmable kConfirmNotice7 = 7;
constexpr Confirmable kConfirmHandicap = 8;
constexpr Confirmable kConfirmFormatTooNew = 9;
constexpr Confirmable kConfirmVersionTooNew = 10;
constexpr Confirmable kConfirmQuit = 13;
constexpr Confirmable kConfirmSurrender = 14;
constexpr Confirmable kConfirmCeaseFire = 15;
constexpr Confirmable kConfirmNightBattle = 16; // yes: rest until morning, no: fight
constexpr Confirmable kConfirmLeaveScenario = 17;
constexpr Confirmable kConfirmOverwrite = 23;
// The network's boxes: the first five return to the main menu, an
// unreachable address keeps its screen.
constexpr Confirmable kConfirmNoNetwork = 0;
constexpr Confirmable kConfirmConnectionBroken = 1;
constexpr Confirmable kConfirmOtherBuild = 3;
constexpr Confirmable kConfirmPeerLeft = 4;
constexpr Confirmable kConfirmConnectionLost = 5;
constexpr Confirmable kConfirmPeerUnreachable = 11;
// The two machines' battles differ after an exchange; back to the menu.
constexpr Confirmable kConfirmBattlesDiffer = 26;
// A turn file did not arrive whole after every attempt; back to the menu.
constexpr Confirmable kConfirmFileNotHad = 27;
// The first orders file did not arrive whole after every attempt; both
// machines are back at the exchange's start and play on.
constexpr Confirmable kConfirmExchangeAgain = 28;
// The results did not arrive whole after every attempt; the machine that
// waited for them computed the turn itself, and both replay it.
constexpr Confirmable kConfirmResultsComputedHere = 29;
constexpr int32_t kConfirmKinds = 30;
// The texts of kind k are strings kConfirmTextBase + 3k to + 3k + 2; those
// of kinds from kConfirmLaterKinds on kConfirmLaterTextBase + 3(k - 26) on.
constexpr int32_t kConfirmTextBase = 6000;
constexpr Confirmable kConfirmLaterKinds = 26;
constexpr int32_t kConfirmLaterTextBase = 6100;
// The handicap line of kind 8: Allies favoured, Axis favoured.
constexpr int32_t kConfirmHandicapAllies = 6080;
constexpr int32_t kConfirmHandicapAxis = 6081;

// The command that does nothing.
constexpr int32_t kCommandNothing = 101;
