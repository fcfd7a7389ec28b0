// The body of the per-turn file that a TCP/IP player sends: the changed
// battle state, the side states and this machine's CPU-speed value.

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/UnitID.h"
#include "battle/UnitList.h"
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

// Replaces the current battle's craters by those of the file.
bool ReadCraters(GFile* file) {
    CraterGroup* craters = gBattle && gBattle->mMap ? gBattle->mMap->mCraters : nullptr;
    file->ReadChar();
    int32_t count = file->ReadLong();
    if (file->HasFailed() || count < 0 || count > kMaxCraters) return false;
    if (craters) craters->EmptyOut(true);
    for (int32_t i = 0; i < count; ++i) {
        auto* crater = new Crater;
        crater->Read(file);
        if (file->HasFailed()) {
            delete crater;
            return false;
        }
        if (craters)
            craters->Add(crater);
        else
            delete crater;
    }
    if (gBattle && gBattle->mMap) gBattle->mMap->IndexObjects();
    return true;
}

} // namespace

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
    BattleHost* host = Host();
    int32_t counter = file->ReadShort();
    if (!host->IsHost()) host->SetTCPTurnCounter(counter);
    if (file->ReadChar() == 1) {
        GString255 hash;
        hash.ReadNoConversion(file);
        if (!ownFile && !file->HasFailed()) host->SetOtherPasswordHash(hash);
    }
    mSurrenderState[0] = file->ReadChar();
    mSurrenderState[1] = file->ReadChar();
    int32_t peerSpeed = file->ReadLong();
    if (file->HasFailed()) return false;
    if (!ownFile) {
        int32_t ownSpeed = host->CPUSpeed();
        host->SetComputesTurn(peerSpeed < ownSpeed || (peerSpeed == ownSpeed && host->IsHost()));
    }
    int32_t before = mUnits->GetCount();
    if (!mUnits->ReadUnits(file)) return false;
    int32_t read = mUnits->GetCount() - before;
    for (int32_t i = 0; i < read; ++i)
        mUnits->GetUnit(before + i)->mLoadNumber = read - 1 - i;
    for (int32_t i = 0; i < mUnits->GetCount(); ++i)
        mUnits->GetUnit(i)->ReadPassTwo(this);
    int32_t lastTurn = file->ReadShort();
    if (!host->ComputesTurn()) mLastTurn = lastTurn;
    if (file->ReadChar() == 1 && !ReadCraters(file)) return false;
    if (gCampaign) {
        int8_t value = file->ReadChar();
        if (!ownFile) gCampaign->mSideValue[host->ViewingSide() == kAllies ? 0 : 1] = value;
    }
    return !file->HasFailed();
}
