#include "units/GameDataSet.h"

#include <cstring>

namespace {

// Calls f with the vector of table t.
template <class Set, class F> decltype(auto) WithTable(Set& s, GameTable t, F&& f) {
    switch (t) {
    case kTableVehicleClass:
        return f(s.mVehicleClasses);
    case kTableForceType:
        return f(s.mForces);
    case kTableMovementSpeed:
        return f(s.mPaces);
    case kTableVehicle:
        return f(s.mVehicles);
    case kTableInfantry:
        return f(s.mInfantry);
    case kTableWeapon:
        return f(s.mWeapons);
    case kTableSmallArms:
        return f(s.mSmallArms);
    case kTableVehicleModel:
        return f(s.mVehicleModels);
    case kTableOrdnanceModel:
        return f(s.mOrdnanceModels);
    case kTableTOE:
        return f(s.mTOE);
    case kTableAirplane:
        return f(s.mAirplanes);
    case kTableUniform:
        return f(s.mUniforms);
    case kTableAmmo:
        return f(s.mAmmo);
    default:
        return f(s.mATRModels);
    }
}

void PutU32(std::vector<uint8_t>* out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t GetU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

constexpr uint32_t kMaxRows = 100000;

} // namespace

uint8_t* GameDataSet::Bytes(GameTable t) {
    return WithTable(*this, t, [](auto& v) { return reinterpret_cast<uint8_t*>(v.data()); });
}

const uint8_t* GameDataSet::Bytes(GameTable t) const {
    return WithTable(*this, t, [](const auto& v) { return reinterpret_cast<const uint8_t*>(v.data()); });
}

int32_t GameDataSet::Count(GameTable t) const {
    return WithTable(*this, t, [](const auto& v) { return static_cast<int32_t>(v.size()); });
}

void GameDataSet::Resize(GameTable t, int32_t rows) {
    WithTable(*this, t, [rows](auto& v) { v.resize(rows < 0 ? 0 : rows); });
}

const char* GameTableName(GameTable t) {
    static const char* const kNames[kTableCount] = {
        "vehicle_classes", "forces",          "paces", "vehicles",  "infantry", "weapons", "small_arms",
        "vehicle_models",  "ordnance_models", "toe",   "airplanes", "uniforms", "ammo",    "atr_models"};
    return t >= 0 && t < kTableCount ? kNames[t] : "?";
}

const char* GameTableGlobal(GameTable t) {
    static const char* const kNames[kTableCount] = {
        "gVehicleClassChart", "gForceTypeChart", "gMovementSpeedChart", "gVehicleData",
        "gInfantryData",      "gWeaponData",     "gSmallArmsData",      "gVehicleModelData",
        "gOrdnanceModelData", "gTOEData",        "gAirplaneData",       "gUniformGraphics",
        "gAmmoData",          "gATRModelData"};
    return t >= 0 && t < kTableCount ? kNames[t] : "?";
}

std::vector<uint8_t> FlattenGameData(const GameDataSet& set) {
    std::vector<uint8_t> out;
    for (int i = 0; i < kTableCount; ++i) {
        const GameTable t = static_cast<GameTable>(i);
        const uint32_t n = static_cast<uint32_t>(set.Count(t));
        PutU32(&out, n);
        PutU32(&out, kTableRecordSize[t]);
        const uint8_t* b = set.Bytes(t);
        if (n) out.insert(out.end(), b, b + size_t(n) * kTableRecordSize[t]);
    }
    return out;
}

bool SplitGameData(const std::vector<uint8_t>& plain, GameDataSet* set, std::string* error) {
    size_t at = 0;
    for (int i = 0; i < kTableCount; ++i) {
        const GameTable t = static_cast<GameTable>(i);
        const std::string where = std::string("Tabelle ") + GameTableGlobal(t) + ": ";
        if (plain.size() - at < 8) {
            *error = where + "fehlt";
            return false;
        }
        const uint32_t n = GetU32(plain.data() + at);
        const uint32_t size = GetU32(plain.data() + at + 4);
        at += 8;
        if (size != kTableRecordSize[t]) {
            *error = where + "Satzgroesse " + std::to_string(size) + " statt " +
                     std::to_string(kTableRecordSize[t]);
            return false;
        }
        if (n > kMaxRows || n < uint32_t(kTableMinRows[t])) {
            *error = where + std::to_string(n) + " Zeilen, mindestens " + std::to_string(kTableMinRows[t]) +
                     " noetig";
            return false;
        }
        const size_t bytes = size_t(n) * size;
        if (plain.size() - at < bytes) {
            *error = where + "abgeschnitten";
            return false;
        }
        set->Resize(t, static_cast<int32_t>(n));
        if (bytes) std::memcpy(set->Bytes(t), plain.data() + at, bytes);
        at += bytes;
    }
    if (at != plain.size()) {
        *error = "Datenblock hat ueberzaehlige Bytes";
        return false;
    }
    return true;
}
