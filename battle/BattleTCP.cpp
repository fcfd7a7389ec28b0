// The body of the per-turn file that a TCP/IP player sends: the changed
// battle state, the side states and this machine's CPU-speed value.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/SmokeShell.h"
#include "battle/UnitID.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GFile.h"
#include "engine/GString.h"
#include "map/BuildingWallCrater.h"
#include "map/Map.h"
#include "units/Unit.h"

namespace {

constexpr int32_t kMaxCraters = 100000;

bool SendsCraters(const Battle* battle, Affiliation sender) {
    return battle->mSetupPhase && battle->mAttacker != 2 && battle->mAttacker != sender &&
           battle->mScenarioLevel >= 2;
}

// Reads a crater group; false, with nothing kept, when it is damaged.
// A crater from the peer must be a shell crater on (or near) this map, as
// the map's own reader demands; anything else refuses the whole body.
bool ReadCraters(GFile* file, const Map* map, std::vector<std::unique_ptr<Crater>>* out) {
    file->ReadChar();
    int32_t count = file->ReadLong();
    if (file->HasFailed() || count < 0 || count > kMaxCraters) return false;
    for (int32_t i = 0; i < count; ++i) {
        auto crater = std::make_unique<Crater>();
        crater->Read(file);
        if (file->HasFailed()) return false;
        if (map && (!crater->IsValid(map->mWidthMetres, map->mHeightMetres) || crater->IsFoxhole()))
            return false;
        out->push_back(std::move(crater));
    }
    return true;
}

// Replaces the current battle's craters by those read.
void ReplaceCraters(std::vector<std::unique_ptr<Crater>>* craters) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map || !map->mCraters) return;
    map->mCraters->EmptyOut(true);
    for (auto& crater : *craters)
        map->mCraters->Add(crater.release());
    map->IndexObjects();
}

void WriteGroup(GFile* file, GList* list) {
    if (!list) {
        file->WriteLong(-1);
        return;
    }
    file->WriteLong(list->GetCount());
    for (int32_t i = 0; i < list->GetCount(); ++i)
        list->GetObjectA(i)->Write(file);
}

} // namespace

std::vector<Battle::SimulationRecord> Battle::SimulationRecords() {
    std::vector<SimulationRecord> records;
    auto add = [&records](std::string name, const auto& write) {
        GFile file;
        file.IMemoryFile();
        SimulationRecord& r = records.emplace_back();
        file.AttachFieldNames(&r.fields);
        write(&file);
        file.AttachFieldNames(nullptr);
        file.Rewind();
        r.name = std::move(name);
        r.bytes.resize(static_cast<size_t>(file.GetFileLength()));
        if (!r.bytes.empty()) file.ReadBytes(r.bytes.data(), static_cast<int32_t>(r.bytes.size()));
    };
    add("turn", [&](GFile* f) {
        f->WriteShort(static_cast<int16_t>(mTurn));
        f->WriteShort(static_cast<int16_t>(mLastTurn));
        f->WriteChar(mSetupPhase ? 1 : 0);
    });
    for (int32_t side = 0; side < 2; ++side) {
        add("side " + std::to_string(side), [&](GFile* f) {
            f->WriteChar(static_cast<int8_t>(mSurrenderState[side]));
            f->WriteLong(mSideScore[side]);
            f->WriteShort(mQuietTurns[side]);
            f->WriteChar(mReinforcementsArrived[side] ? 1 : 0);
        });
    }
    // A flag as the screen shows it was coloured by what this machine's
    // player sees, which the peer's does not: its holder counts as the
    // units around it decide in truth, on a copy that changes nothing.
    for (int32_t k = 0; k < mFlags.GetCount(); ++k) {
        const auto* flag = static_cast<const VictoryFlag*>(mFlags.GetObjectA(k));
        add("flag " + std::to_string(k), [&](GFile* f) {
            VictoryFlag truth = *flag;
            truth.Color(false);
            f->WriteFloat(truth.mX);
            f->WriteFloat(truth.mY);
            f->WriteChar(static_cast<int8_t>(truth.mKind));
            f->WriteChar(truth.mCandidate ? 1 : 0);
            f->WriteChar(truth.mReal ? 1 : 0);
            f->WriteChar(static_cast<int8_t>(truth.mNeutral ? -1 : truth.mHolderNation));
        });
    }
    for (int32_t i = 0; mUnits && i < mUnits->GetCount(); ++i) {
        Unit* u = mUnits->GetUnit(i);
        add("unit " + std::to_string(i) + " (id " + std::to_string(u->UniqueID()) + ")",
            [&](GFile* f) { u->Write(f); });
    }
    // What units carry to the next turn beyond their records.
    add("carried", [&](GFile* f) { WriteUnitExtras(f, this); });
    if (mMap) {
        add("buildings", [&](GFile* f) { WriteGroup(f, mMap->mBuildings); });
        add("walls", [&](GFile* f) { WriteGroup(f, mMap->mWalls); });
        add("craters", [&](GFile* f) { WriteGroup(f, mMap->mCraters); });
        add("foxholes", [&](GFile* f) { WriteGroup(f, mMap->mFoxholes); });
        if (mMap->mSmokeShells)
            add("smoke", [&](GFile* f) {
                mMap->mSmokeShells->DoForEach(
                    [](GObject* shell, void* g) { shell->Write(static_cast<GFile*>(g)); }, f);
            });
    }
    return records;
}

std::string Battle::RecordDifference(const SimulationRecord& here, const SimulationRecord& there) {
    const std::vector<uint8_t>& a = here.bytes;
    const std::vector<uint8_t>& b = there.bytes;
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    if (at == a.size() && at == b.size() && here.name == there.name) return {};
    // The field the byte lies in, and its bytes on either machine.
    std::string field = "byte " + std::to_string(at);
    size_t from = at, to = at + 1;
    for (size_t k = 0; k < here.fields.size(); ++k) {
        if (here.fields[k].first > at) {
            if (from != at || k > 0) to = here.fields[k].first;
            break;
        }
        field = std::string(here.fields[k].second) + " (byte " + std::to_string(at) + ")";
        from = here.fields[k].first;
        to = k + 1 < here.fields.size() ? here.fields[k + 1].first : a.size();
    }
    to = std::max(to, at + 1);
    auto hex = [from, to](const std::vector<uint8_t>& v) {
        static const char kDigits[] = "0123456789abcdef";
        std::string out;
        for (size_t i = from; i < to && i < v.size(); ++i) {
            out += kDigits[v[i] >> 4];
            out += kDigits[v[i] & 15];
        }
        return out.empty() ? std::string("none") : out;
    };
    return here.name + ", " + field + ": " + hex(a) + " here, " + hex(b) + " there";
}

uint64_t Battle::DigestOf(const std::vector<SimulationRecord>& records) {
    // FNV-1a, 64 bits, over the records in order.
    uint64_t hash = 1469598103934665603ull;
    for (const SimulationRecord& r : records)
        for (uint8_t b : r.bytes)
            hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

uint64_t Battle::SimulationDigest() {
    return DigestOf(SimulationRecords());
}

void Battle::WritePartialTCP(GFile* file) {
    BattleHost* host = Host();
    Affiliation sender = host->ViewingSide();
    file->WriteShort(static_cast<int16_t>(host->TCPTurnCounter()));
    bool password = !host->IsHost() && mSetupPhase;
    file->WriteChar(password ? 1 : 0);
    if (password) {
        GString255 hash;
        host->GetPasswordHash(&hash);
        hash.WriteNoConversion(file);
    }
    file->WriteChar(static_cast<int8_t>(mSurrenderState[0]));
    file->WriteChar(static_cast<int8_t>(mSurrenderState[1]));
    file->WriteLong(host->CPUSpeed());
    mUnits->WriteUnits(file);
    file->WriteShort(static_cast<int16_t>(mLastTurn));
    CraterGroup* craters = mMap ? mMap->mCraters : nullptr;
    bool sendCraters = SendsCraters(this, sender) && craters;
    file->WriteChar(sendCraters ? 1 : 0);
    if (sendCraters) {
        file->WriteChar(1);
        file->WriteLong(craters->GetCount());
        for (int32_t i = 0; i < craters->GetCount(); ++i)
            craters->GetObjectA(i)->Write(file);
    }
    if (gCampaign) file->WriteChar(static_cast<int8_t>(gCampaign->mSideValue[sender == kAllies ? 1 : 0]));
}

bool Battle::ReadPartialTCP(GFile* file, bool ownFile) {
    // Everything is read first; the host, the operation and the current
    // battle's map are changed only once the whole body has been read.
    BattleHost* host = Host();
    int32_t counter = file->ReadShort();
    bool hasPassword = file->ReadChar() == 1;
    GString255 hash;
    if (hasPassword) hash.ReadNoConversion(file);
    int32_t surrender0 = file->ReadChar();
    int32_t surrender1 = file->ReadChar();
    int32_t peerSpeed = file->ReadLong();
    if (file->HasFailed()) return false;
    int32_t before = mUnits->GetCount();
    if (!mUnits->ReadUnits(file)) return false;
    int32_t lastTurn = file->ReadShort();
    std::vector<std::unique_ptr<Crater>> craters;
    bool hasCraters = file->ReadChar() == 1;
    bool ok = !hasCraters || ReadCraters(file, gBattle ? gBattle->mMap : nullptr, &craters);
    int8_t sideValue = gCampaign ? file->ReadChar() : 0;
    if (!ok || file->HasFailed()) {
        while (mUnits->GetCount() > before)
            mUnits->DeleteIndex(mUnits->GetCount() - 1, true);
        return false;
    }

    if (!host->IsHost()) host->SetTCPTurnCounter(counter);
    if (hasPassword && !ownFile) host->SetOtherPasswordHash(hash);
    mSurrenderState[0] = surrender0;
    mSurrenderState[1] = surrender1;
    if (!ownFile) {
        int32_t ownSpeed = host->CPUSpeed();
        host->SetComputesTurn(peerSpeed < ownSpeed || (peerSpeed == ownSpeed && host->IsHost()));
    }
    int32_t read = mUnits->GetCount() - before;
    for (int32_t i = 0; i < read; ++i)
        mUnits->GetUnit(before + i)->mLoadNumber = read - 1 - i;
    for (int32_t i = 0; i < mUnits->GetCount(); ++i)
        mUnits->GetUnit(i)->ReadPassTwo(this);
    if (!host->ComputesTurn()) mLastTurn = lastTurn;
    if (hasCraters) ReplaceCraters(&craters);
    if (gCampaign && !ownFile) gCampaign->mSideValue[host->ViewingSide() == kAllies ? 0 : 1] = sideValue;
    return true;
}
