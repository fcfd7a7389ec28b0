#pragma once
// The vehicle hit stages the battle's attack resolution calls: the vehicle
// rules' own by default; a test may put others in. While a stage is null a
// direct hit on a vehicle does nothing beyond its record and the blast.

#include <cstdint>

class ActionPacket;
class PendingAttack;
class Unit;

struct VehicleHitRules {
    // Stage one of a direct hit: the hit location (out), the aspect (out)
    // and whether stage two is to run.
    void (*hitStageOne)(Unit* vehicle, PendingAttack* attack, int32_t* location, int32_t* aspect,
                        bool* stageTwo) = nullptr;
    void (*hitStageTwo)(Unit* vehicle, PendingAttack* attack, int32_t location, int32_t aspect) = nullptr;
    void (*resolveExternalDamage)(Unit* vehicle, float firepower, int32_t location, float factor) = nullptr;
    // Playback of an armour-hit packet on its vehicle.
    void (*tagArmorHitRecord)(Unit* vehicle, ActionPacket* packet) = nullptr;
};

extern VehicleHitRules gVehicleHitRules;
