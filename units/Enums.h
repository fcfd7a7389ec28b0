#pragma once
// The game's enumerations. Every one of them is a plain 32-bit number: the
// rules compare, add and index with them, rows of the data tables are picked
// by them, and files and packets store them as integers. Each type is an alias
// of int32_t with named constants for the values the rules single out; values
// without a name are still valid where the tables hold rows for them.

#include <cstdint>

// ---------------------------------------------------------------- sides
using Affiliation = int32_t;
constexpr Affiliation kAxis = 0;
constexpr Affiliation kAllies = 1;

// ---------------------------------------------------------------- units
using UnitType = int32_t;
constexpr UnitType kUnitInfantry = 0;
constexpr UnitType kUnitVehicle = 1;
constexpr UnitType kUnitInanimate = 2;
constexpr UnitType kUnitAirplane = 3;

// Nations below kNationAmerican belong to the Axis; string 500 + nation names it.
using Nation = int32_t;
constexpr Nation kNationGerman = 0;
constexpr Nation kNationItalian = 1;
constexpr Nation kNationAmerican = 2;
constexpr Nation kNationBritish = 3;
constexpr Nation kNationCanadian = 4;
constexpr Nation kNationAustralian = 5;
constexpr Nation kNationNewZealand = 6;
constexpr Nation kNationSouthAfrican = 7;
constexpr Nation kNationPolish = 8;
constexpr Nation kNationFrench = 9;
constexpr int32_t kNationCount = 10;
constexpr Nation kFirstAlliedNation = 2;

// Row of gForceTypeChart.
using Force = int32_t;
constexpr Force kForceDefaultAxis = 0;
constexpr Force kForceDefaultAllies = 30;
constexpr int32_t kForceCount = 62;

// 0..5 as set; effective experience (with bonuses) runs 0..8.
using ExperienceLevel = int32_t;
constexpr ExperienceLevel kExperienceGreen = 0;
constexpr ExperienceLevel kExperienceConscript = 1;
constexpr ExperienceLevel kExperienceRegular = 2;
constexpr ExperienceLevel kExperienceVeteran = 3;
constexpr ExperienceLevel kExperienceHardened = 4;
constexpr ExperienceLevel kExperienceElite = 5;
constexpr ExperienceLevel kExperienceMaxEffective = 8;

using LeadershipType = int32_t;
constexpr LeadershipType kLeadMorale = 0;
constexpr LeadershipType kLeadCombat = 1;
constexpr LeadershipType kLeadStealth = 2;
constexpr LeadershipType kLeadCommand = 3;

using FogOfWarContact = int32_t; // 0 none, 1 heard, 2 seen, 3-4 partly, 5 identified
constexpr FogOfWarContact kContactNone = 0;
constexpr FogOfWarContact kContactHeard = 1;
constexpr FogOfWarContact kContactSeen = 2;
constexpr FogOfWarContact kContactFull = 5;

using DataKnowledge = int32_t;
constexpr DataKnowledge kKnowTruth = 0;
constexpr DataKnowledge kKnowEnemy = 1;
constexpr DataKnowledge kKnowIdentified = 2;

using InanimateType = int32_t;
constexpr InanimateType kInanimateRoadblock = 0;
constexpr InanimateType kInanimateTrenches = 1;
constexpr InanimateType kInanimateWire = 2;
constexpr InanimateType kInanimateTargetReference = 3;
constexpr InanimateType kInanimateAPMines = 4;
constexpr InanimateType kInanimateATMines = 5;
constexpr InanimateType kInanimateDaisyChain = 6;

using SpeedClass = int32_t;
constexpr SpeedClass kSpeedCannotMove = 0;
constexpr SpeedClass kSpeedPushedGun = 1;
constexpr SpeedClass kSpeedHeavy = 2;
constexpr SpeedClass kSpeedMedium = 3;
constexpr SpeedClass kSpeedUnencumbered = 4;

using Direction = int32_t;
constexpr Direction kDirWest = 0;
constexpr Direction kDirNorth = 1;
constexpr Direction kDirEast = 2;
constexpr Direction kDirSouth = 3;

using InfantryAnimationGroup = int32_t; // 9, 10 and 17 are gun crews
constexpr InfantryAnimationGroup kAnimGunCrew = 9;
constexpr InfantryAnimationGroup kAnimGunCrewB = 10;
constexpr InfantryAnimationGroup kAnimGunCrewC = 17;

using VoiceType = int32_t; // 0..44
constexpr VoiceType kVoiceCrewCasualtyA = 18;
constexpr VoiceType kVoiceCrewCasualtyB = 19;
constexpr int32_t kVoiceTypeCount = 45;

using FireType = int32_t;
constexpr FireType kFirePlain = 4;

// 0 unfit, 1 weakened, 2 fit.
using FitnessLevel = int32_t;
constexpr FitnessLevel kFitnessUnfit = 0;
constexpr FitnessLevel kFitnessWeakened = 1;
constexpr FitnessLevel kFitnessFit = 2;

// Time of day of a turn; names are strings 621-624.
using Daytime = int32_t;
constexpr Daytime kMorning = 0;
constexpr Daytime kMidday = 1;
constexpr Daytime kEvening = 2;
constexpr Daytime kNight = 3;

// ---------------------------------------------------------------- weapons
// Row of gWeaponData.
using WeaponType = int32_t;
constexpr WeaponType kWeaponSniper = 252;
constexpr WeaponType kWeaponSpecialFirst = 258;
constexpr WeaponType kWeaponSpecialLast = 265;
constexpr WeaponType kWeaponNone = 286;
constexpr int32_t kWeaponCount = 287;

// 0 small arms, 1 light anti-tank, 2-3 guns (3 fires two shots), 4 mortar,
// 5 indirect (off-map artillery, observers), 6 flame, 7 sniper rifle,
// 8 the special weapons 258-265, 9 further anti-tank/incendiary.
using WeaponClass = int32_t;
constexpr WeaponClass kWClassSmallArms = 0;
constexpr WeaponClass kWClassLightAT = 1;
constexpr WeaponClass kWClassGun = 2;
constexpr WeaponClass kWClassTwinGun = 3;
constexpr WeaponClass kWClassMortar = 4;
constexpr WeaponClass kWClassIndirect = 5;
constexpr WeaponClass kWClassFlame = 6;
constexpr WeaponClass kWClassSniper = 7;
constexpr WeaponClass kWClassSpecial = 8;
constexpr WeaponClass kWClassAT = 9;
constexpr int32_t kWeaponClassCount = 10;

// Row of gAmmoData; 0 = none.
using AmmoType = int32_t;
constexpr AmmoType kAmmoTypeNone = 0;

// Classes 6 and 7 are the rounds of a hull-mounted 75 mm gun: they fire with
// a calibre of 75 mm whatever the weapon record says. 11 = none or MG fire.
using AmmoClass = int32_t;
constexpr AmmoClass kAmmoHE = 0;
constexpr AmmoClass kAmmoAP = 1;
constexpr AmmoClass kAmmoTungsten = 2;
constexpr AmmoClass kAmmoHEAT = 3;
constexpr AmmoClass kAmmoCanister = 4;
constexpr AmmoClass kAmmoSmoke = 5;
constexpr AmmoClass kAmmoHE75 = 6;
constexpr AmmoClass kAmmoAP75 = 7;
constexpr AmmoClass kAmmoNone = 11;
constexpr int32_t kAmmoClassCount = 10; // per-class round counts held by a unit

// Tungsten level of a load slot (0 none); reduced by year before use.
using TungstenAvail = int32_t;

// Projectile kind of an ammunition row (AmmoData::mShellType).
using ShellType = int32_t;

using MGAmmoClass = int32_t; // 0..2
constexpr int32_t kMGAmmoClassCount = 3;

using MGPenetration = int32_t; // 0..3
constexpr int32_t kMGPenetrationCount = 4;

// Row of gSmallArmsData.
using SmallArmsType = int32_t;
constexpr SmallArmsType kSmallArmsGunRowGerman = 68;
constexpr SmallArmsType kSmallArmsGunRowAllied = 69;
constexpr SmallArmsType kSmallArmsFlameGunRow = 59;
constexpr SmallArmsType kSmallArmsNone = 71;
constexpr int32_t kSmallArmsCount = 72;

// Row of gOrdnanceModelData (towed-gun drawing).
using OrdnanceModel = int32_t;
constexpr OrdnanceModel kOrdnanceModelNone = 42;
constexpr int32_t kOrdnanceModelCount = 43;

// ---------------------------------------------------------------- infantry
// Row of gInfantryData.
using InfantryType = int32_t;
constexpr InfantryType kInfantryCrewGerman = 379; // crews of 1..8 men follow
constexpr InfantryType kInfantryCrewAmerican = 120;
constexpr InfantryType kInfantryCrewBritish = 573;
constexpr InfantryType kInfantryCrewItalian = 752;
constexpr InfantryType kInfantryCrewDummy = 790;
constexpr int32_t kInfantryCount = 791;

// Row of gUniformGraphics.
using Uniform = int32_t;
constexpr int32_t kUniformCount = 34;

// ---------------------------------------------------------------- vehicles
// Row of gVehicleData. 406-409 are the generic types of the vehicle classes.
using VehicleType = int32_t;
constexpr VehicleType kVehicleUnidentified = -1;
constexpr VehicleType kVehicleGenericBunker = 406;
constexpr VehicleType kVehicleGenericTruck = 407;
constexpr VehicleType kVehicleGenericLightArmor = 408;
constexpr VehicleType kVehicleGenericTank = 409;
constexpr VehicleType kVehicleTest = 410;
constexpr int32_t kVehicleCount = 411;

// Row of gVehicleClassChart.
using VehicleClass = int32_t;
constexpr int32_t kVehicleClassCount = 31;

// Row of gVehicleModelData.
using VehicleModel = int32_t;
constexpr VehicleModel kVehicleModelOwnExtents = 145;
constexpr int32_t kVehicleModelCount = 236;

// Optics of a vehicle (VehicleData::mOptics); string 2040 + value names it.
using OpticalType = int32_t;

// Weapon of an aircraft attack.
using AirWeapon = int32_t;

using ArmorQuality = int32_t; // 0..6
constexpr int32_t kArmorQualityCount = 7;

using VehicleAspect = int32_t;
constexpr VehicleAspect kAspectFront = 0;
constexpr VehicleAspect kAspectSide = 1;
constexpr VehicleAspect kAspectRear = 2;

using VehicleHitLocation = int32_t;
constexpr VehicleHitLocation kHitTurret = 0;
constexpr VehicleHitLocation kHitUpperHull = 1;
constexpr VehicleHitLocation kHitLowerHull = 2;
constexpr VehicleHitLocation kHitTurretRoof = 3;
constexpr VehicleHitLocation kHitHullDeck = 4;
constexpr VehicleHitLocation kHitRunningGear = 5;
constexpr VehicleHitLocation kHitGun = 6;

// Rows of gAirplaneData (aircraft carry no data the rules read).
constexpr int32_t kAirplaneCount = 95;

// ---------------------------------------------------------------- movement
// Row of gMovementSpeedChart (a pace; 5 bits in a waypoint). Order ids 20..63
// are a separate number space, mapped onto paces by ConvertOrderToSpeed.
using MovementSpeedType = int32_t;
constexpr MovementSpeedType kPaceToContact = 3;   // ends at the first sight of the enemy
constexpr MovementSpeedType kPaceDefaultMove = 4;
constexpr MovementSpeedType kPaceSplitApproach = 6; // its waypoints cannot be dragged
constexpr MovementSpeedType kPaceNoSuppression = 9; // weighs on the command delay
constexpr MovementSpeedType kPaceReverse = 10;
constexpr MovementSpeedType kPaceBuildingOnly = 15;
constexpr MovementSpeedType kPaceRotate = 17;
// Order ids with a fixed meaning for the waypoint rules.
constexpr int32_t kOrderEscapeMove = 20;   // a unit fleeing fire; also a refused move
constexpr int32_t kOrderNoGroundNeeded = 28;
constexpr int32_t kOrderEscapeOnFoot = 31; // a fleeing unit that can run
constexpr int32_t kOrderHeavyBuilding = 33; // only onto terrain 53
constexpr int32_t kOrderHide = 36;          // toggles hiding
constexpr int32_t kOrderRotate = 37;        // stored as pace 17
constexpr int32_t kMovementSpeedCount = 32;
constexpr int32_t kOrderSearchRows = 18;

using PathResult = int32_t;
constexpr PathResult kPathFound = 2;
using PathType = int32_t;
constexpr PathType kPathGround = 0;

using GroundType = int32_t; // 0..2

// ---------------------------------------------------------------- terrain
// Terrain code of a map square, 0..63. 0 is also the answer off the map.
using Terrain = int32_t;
constexpr Terrain kTerrainOpen = 0;
constexpr Terrain kTerrainFoxholeFirst = 5;
constexpr Terrain kTerrainFoxholeLast = 7;
constexpr Terrain kTerrainTrench = 8;
constexpr Terrain kTerrainWireFirst = 10;
constexpr Terrain kTerrainWireLast = 12;
constexpr Terrain kTerrainRoad = 13;
constexpr Terrain kTerrainRoad2 = 14;
constexpr Terrain kTerrainWall = 16;
constexpr Terrain kTerrainMarsh = 19;
constexpr Terrain kTerrainScatteredTrees = 20;
constexpr Terrain kTerrainWoods = 21;
constexpr Terrain kTerrainTallPines = 22;
constexpr Terrain kTerrainGrainField = 23;
constexpr Terrain kTerrainBrush = 24;
constexpr Terrain kTerrainRocky = 25;
constexpr Terrain kTerrainRubble = 26;
constexpr Terrain kTerrainWater = 37;
constexpr Terrain kTerrainIce = 40;
constexpr Terrain kTerrainHighHedge = 41;
constexpr Terrain kTerrainHedge = 44;
constexpr Terrain kTerrainVines = 46;
constexpr Terrain kTerrainSoftGround = 48;
constexpr Terrain kTerrainLightBuilding = 50;
constexpr Terrain kTerrainHeavyBuilding = 51;
constexpr Terrain kTerrainUpperLight = 52;
constexpr Terrain kTerrainUpperHeavy = 53;
constexpr Terrain kTerrainUpperHeavyClosed = 54;
constexpr Terrain kTerrainBridgeFirst = 55;
constexpr Terrain kTerrainBridgeLast = 61;
constexpr Terrain kTerrainBrokenBridgeFirst = 62;
constexpr Terrain kTerrainBrokenBridgeLast = 63;
constexpr int32_t kTerrainCount = 64;
