#pragma once
// Two TCP/IP machines' battles, as the records of their exchange digest,
// written to a folder and told apart: the first record and field in which
// they differ.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "battle/Battle.h"
#include "battle/VictoryFlag.h"
#include "engine/GFile.h"

// Writes this machine's records as "host" or "join" into the folder.
inline void WriteBattleRecords(const std::string& folder, bool host) {
    if (folder.empty() || !gBattle) return;
    std::FILE* f = std::fopen((folder + (host ? "/host" : "/join")).c_str(), "wb");
    if (!f) return;
    for (const Battle::SimulationRecord& r : gBattle->SimulationRecords()) {
        const uint32_t sizes[2] = {static_cast<uint32_t>(r.name.size()),
                                   static_cast<uint32_t>(r.bytes.size())};
        std::fwrite(sizes, sizeof sizes, 1, f);
        std::fwrite(r.name.data(), 1, r.name.size(), f);
        std::fwrite(r.bytes.data(), 1, r.bytes.size(), f);
    }
    std::fclose(f);
}

inline std::vector<Battle::SimulationRecord> ReadBattleRecords(const std::string& path) {
    std::vector<Battle::SimulationRecord> records;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return records;
    uint32_t sizes[2];
    while (std::fread(sizes, sizeof sizes, 1, f) == 1 && sizes[0] < 4096 && sizes[1] < (1u << 26)) {
        Battle::SimulationRecord& r = records.emplace_back();
        r.name.resize(sizes[0]);
        r.bytes.resize(sizes[1]);
        if (std::fread(r.name.data(), 1, sizes[0], f) != sizes[0] ||
            std::fread(r.bytes.data(), 1, sizes[1], f) != sizes[1])
            break;
    }
    std::fclose(f);
    return records;
}

// The field of a unit's record that holds byte `at`, as the unit writes its
// record: the parts that are there only for some units (a spot marker's
// place, sound offsets, area targets) are found from the bytes before them.
inline std::string UnitRecordField(const std::vector<uint8_t>& r, size_t at) {
    const char* head[] = {"kind", "state bits", "casualties", "experience", "spot marker and contact",
                          "off-map, fatigue state and acquisition", "moving and spot phase", "fired"};
    if (at < std::size(head)) return head[at];
    if (r.size() < 8) return "byte " + std::to_string(at);
    struct Part {
        const char* name;
        size_t size;
        bool there;
    };
    const bool marker = (r[4] & 0x80) != 0, sound = (r[4] & 7) <= 1, area = (r[1] & 0x20) != 0;
    std::vector<Part> parts = {{"x", 4, true},        {"y", 4, true},           {"heading", 2, true},
                               {"z", 2, true},        {"suppression", 2, true}, {"rounds", 20, true},
                               {"command delay", 2, true}, {"carried delay", 2, true},
                               {"spot marker's place", 8, marker}, {"sound offsets", 2, sound},
                               {"firing signature", 2, true}, {"force", 1, true},
                               {"extra artillery minutes", 1, true}, {"fatigue", 2, true}, {"subtype", 2, true},
                               {"area target", 8, area}};
    size_t offset = 8;
    for (const Part& p : parts) {
        if (!p.there) continue;
        if (at < offset + p.size) return std::string(p.name) + " (byte " + std::to_string(at) + ")";
        offset += p.size;
    }
    if (offset >= r.size()) return "byte " + std::to_string(at);
    const bool previous = r[offset] != 0;
    parts = {{"previous area target", 1, true}, {"previous area's place", 8, previous}, {"packed id", 4, true},
             {"index", 2, true},          {"alert count", 2, true},   {"playback speed", 2, true},
             {"turn rate", 2, true},      {"aim pause", 2, true},     {"aim time", 4, true},
             {"load time", 2, true},      {"spot clock", 2, true},    {"fear clock", 2, true},
             {"name index", 2, true}};
    for (const Part& p : parts) {
        if (!p.there) continue;
        if (at < offset + p.size) return std::string(p.name) + " (byte " + std::to_string(at) + ")";
        offset += p.size;
    }
    return "a later part (byte " + std::to_string(at) + ", " + std::to_string(at - offset) +
           " after the name index)";
}

// The first record, and field (or byte) in it, where the two machines'
// records differ, with both values of that byte.
inline std::string FirstRecordDifference(const std::string& folder) {
    const auto host = ReadBattleRecords(folder + "/host");
    const auto join = ReadBattleRecords(folder + "/join");
    if (host.empty() || join.empty()) return "records not written";
    for (size_t i = 0; i < std::min(host.size(), join.size()); ++i) {
        const auto& a = host[i].bytes;
        const auto& b = join[i].bytes;
        if (host[i].name != join[i].name) return "record " + host[i].name + " against " + join[i].name;
        size_t at = 0;
        while (at < std::min(a.size(), b.size()) && a[at] == b[at])
            ++at;
        if (at == a.size() && at == b.size()) continue;
        std::string field = "byte " + std::to_string(at);
        const char* turn[] = {"turn", "turn", "last turn", "last turn", "set-up"};
        const char* flag[] = {"x", "x", "x", "x", "y", "y", "y", "y", "kind", "candidate", "real", "holder"};
        const std::string& name = host[i].name;
        if (name == "turn" && at < std::size(turn)) field = turn[at];
        if (name.rfind("flag ", 0) == 0 && at < std::size(flag)) field = flag[at];
        if (name.rfind("unit ", 0) == 0) field = UnitRecordField(a, at);
        return name + ", " + field + " (" + std::to_string(at < a.size() ? a[at] : -1) + " on the host, " +
               std::to_string(at < b.size() ? b[at] : -1) + " on the joining side)";
    }
    return host.size() == join.size() ? "no record" : "the number of records";
}

// A hash of the whole battle file, with each flag's holder as the units
// around it decide in truth: the holder shown is what this machine's player
// sees, which differs between the machines by design.
inline uint64_t SharedBattleDigest() {
    GFile file;
    if (!gBattle || !file.ITempFile(false)) return 0;
    std::vector<VictoryFlag> shown;
    for (int32_t k = 0; k < gBattle->mFlags.GetCount(); ++k) {
        auto* flag = static_cast<VictoryFlag*>(gBattle->mFlags.GetObjectA(k));
        shown.push_back(*flag);
        flag->Color(false);
        if (flag->mNeutral) flag->mHolderNation = 0;
    }
    gBattle->Write(&file);
    for (int32_t k = 0; k < gBattle->mFlags.GetCount(); ++k)
        *static_cast<VictoryFlag*>(gBattle->mFlags.GetObjectA(k)) = shown[static_cast<size_t>(k)];
    file.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    uint64_t hash = 1469598103934665603ull;
    for (uint8_t b : bytes)
        hash = (hash ^ b) * 1099511628211ull;
    return hash;
}
