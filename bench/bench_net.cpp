// A 1 MB turn file over loopback in records of 8192 bytes, host and guest
// endpoints in one process, as the application sends files from its idle
// hook: offer records until one is refused, then let the pumps run. The
// time per iteration is the time for the whole file. Then the application's
// side of TCP/IP play: merging a 300-unit turn file into the running battle,
// a results file of about 2 MB sent over loopback by the idle pass at the
// game's frame rate and received and merged, and wrapping a 255-character
// radio line.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ScenarioPaths.h"
#include "app/MVApplication.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/EZOpenPlay.h"
#include "engine/GFile.h"
#include "engine/GFileServices.h"
#include "engine/GOLTA.h"
#include "engine/GOLTAFont.h"
#include "engine/OPEndpoint.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

uint64_t sReceivedBytes = 0;
void CountBytes(unsigned char*, uint32_t length) { sReceivedBytes += length; }
void IgnoreLoss(bool) {}

void BM_TurnFileOverLoopback(benchmark::State& state)
{
    constexpr uint32_t kFile = 1 << 20;
    constexpr uint32_t kRecord = 8192;
    OPEndpoint host, guest;
    if (!host.Open(true, 0, 0, &CountBytes, &IgnoreLoss) ||
        !guest.Open(false, 0x7F000001, host.ListenPort(), &CountBytes, &IgnoreLoss)) {
        state.SkipWithError("no loopback connection");
        return;
    }
    while (!host.HasConnection()) host.Idle();
    const std::vector<uint8_t> record(kRecord, 0x5A);
    for (auto _ : state) {
        sReceivedBytes = 0;
        uint32_t sent = 0;
        while (sReceivedBytes < kFile) {
            while (sent < kFile && guest.Send(record.data(), kRecord) == 0) sent += kRecord;
            host.Idle();
            guest.Idle();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFile);
}
BENCHMARK(BM_TurnFileOverLoopback)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// A program folder of its own for the applications of one case, so that
// nothing they write lands beside the program; removed at the end.
struct NetBenchFolder {
    NetBenchFolder() {
        path = (std::filesystem::temp_directory_path() / ("dm-bench-net-" + std::to_string(getpid()))).string();
        for (const char* f : {"Szenarien", "Savegames", "PBEM"})
            std::filesystem::create_directories(path + "/" + f);
        SetProgramFolder(path.c_str());
    }
    ~NetBenchFolder() {
        SetProgramFolder(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

class NetBenchApp : public MVApplication {
public:
    void AutoSave(bool) override {}
    GView* BuildBattleScreen(Battle*, bool) override { return nullptr; }
};

Battle* LoadBattle(BattleHost* host) {
    GFile file;
    const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/hecken.mvg";
    if (!file.IFile(path.c_str(), kFileModeCompressedRead)) return nullptr;
    GameFileState state;
    GameFileContents contents;
    if (ReadGameFile(&file, &state, &contents, {.takeSeed = true, .host = host}) != kGameFileLoaded)
        return nullptr;
    delete contents.campaign;
    return contents.battle;
}

// The scenario's units copied until there are at least n, each with an
// identity of its own.
void GrowTo(Battle* battle, int32_t n) {
    Battle* previous = gBattle;
    gBattle = battle;
    GFile file;
    file.ITempFile(false);
    battle->mUnits->WriteUnits(&file);
    while (battle->mUnits->GetCount() < n) {
        file.Rewind();
        battle->mUnits->ReadUnits(&file);
    }
    Unit::ResetUnitIDNumbers(true);
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i)
        battle->mUnits->GetUnit(i)->AssignID();
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i)
        battle->mUnits->GetUnit(i)->ReadPassTwo(battle);
    gBattle = previous;
}

std::vector<uint8_t> Compressed(Battle* battle, bool packets) {
    Battle* previous = gBattle;
    gBattle = battle;
    GFile file;
    file.ITempFile(true);
    battle->WritePartialTCP(&file);
    file.WriteChar(packets ? 1 : 0);
    if (packets) battle->WriteActionPackets(&file);
    file.FlushCompressedAndRewindAsPlainRead();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    gBattle = previous;
    return bytes;
}

void BM_MergeTurnFile300Units(benchmark::State& state) {
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    NetBenchFolder folder;
    NetBenchApp app;
    app.mConnectionType = 2;
    app.mPlayers = 2;
    app.mSide = 0;
    Battle* running = LoadBattle(&app);
    Battle* peer = LoadBattle(&app);
    if (!running || !peer) {
        state.SkipWithError("no scenario");
        return;
    }
    GrowTo(running, 300);
    GrowTo(peer, 300);
    for (int32_t i = 0; i < peer->mUnits->GetCount(); ++i)
        peer->mUnits->GetUnit(i)->mX += 1.0f;
    const std::vector<uint8_t> file = Compressed(peer, false);
    gBattle = running;
    for (auto _ : state) {
        app.WriteIncomingBytesToDisk(file.data(), static_cast<uint32_t>(file.size()));
        app.MergeTCPIPFile(true, false);
    }
    state.counters["units"] = static_cast<double>(running->mUnits->GetCount());
    state.counters["bytes"] = static_cast<double>(file.size());
    gBattle = nullptr;
    delete running;
    delete peer;
}
BENCHMARK(BM_MergeTurnFile300Units)->Unit(benchmark::kMillisecond);

// ---- A results file over loopback ----------------------------------------------------

OPEndpoint* sGuest = nullptr;
MVApplication* sReceiver = nullptr;
MVApplication* sSender = nullptr;

class GuestApp : public NetBenchApp {
public:
    int32_t SendRecord(const uint8_t* data, uint32_t length) override { return sGuest->Send(data, length); }
    int32_t ForceSendRecord(const uint8_t* data, uint32_t length, int32_t timeout) override {
        return sGuest->ForceSend(data, length, timeout);
    }
};

void GuestReceives(unsigned char* data, uint32_t length) {
    if (sReceiver) sReceiver->ReceivePacket(data, length);
}
void HostReceives(unsigned char* data, uint32_t length) {
    if (sSender) sSender->ReceivePacket(data, length);
}
void Lost(bool) {}

void BM_ResultsFileOverLoopbackAtFrameRate(benchmark::State& state) {
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    NetBenchFolder folder;
    NetBenchApp sender;
    GuestApp receiver;
    for (MVApplication* app :
         {static_cast<MVApplication*>(&sender), static_cast<MVApplication*>(&receiver)}) {
        app->mConnectionType = 2;
        app->mPlayers = 2;
    }
    sender.mSide = 0;
    receiver.mSide = 1;
    receiver.mIsHost = false;
    Battle* battle = LoadBattle(&sender);
    if (!battle) {
        state.SkipWithError("no scenario");
        return;
    }
    gBattle = battle;
    battle->mSetupPhase = false;
    // Packets of scattered values until the compressed file is about 2 MB.
    SeedRandomGenerator(7);
    for (int32_t i = 0; i < 175000; ++i) {
        ActionPacket* p = battle->CreateActionPacket(0);
        p->mType = kPacketSound;
        p->mTimeSlice = static_cast<int16_t>(i % 2400);
        p->mSource = battle->mUnits->GetUnit(i % battle->mUnits->GetCount());
        p->mSoundNumber = Random();
        p->mX = static_cast<float>(Random());
        p->mY = static_cast<float>(Random());
        p->mSoundParam = static_cast<float>(Random()) / 7.0f;
    }
    OPEndpoint guest;
    sGuest = &guest;
    sSender = &sender;
    sReceiver = &receiver;
    const uint32_t port = 27023;
    if (!OPOpen(true, 0, port, &HostReceives, &Lost) ||
        !guest.Open(false, OPConvertNumsToIP(127, 0, 0, 1), port, &GuestReceives, &Lost)) {
        state.SkipWithError("no loopback");
        return;
    }
    for (int i = 0; i < 2000 && !OPHasConnection(); ++i) {
        OPIdle();
        guest.Idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    double bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        sender.mTCPIPPhase = 16;
        sender.BeginTCPIPFileSend(false);
        bytes = sender.mBytesToSend;
        receiver.mTCPIPPhase = 15;
        receiver.mBytesCounted = 0;
        state.ResumeTiming();
        const auto frame = std::chrono::microseconds(16667); // 60 passes a second
        auto next = std::chrono::steady_clock::now();
        while (receiver.mTCPIPPhase != 19) {
            OPIdle();
            sender.TCPIPIdleStep();
            guest.Idle();
            next += frame;
            std::this_thread::sleep_until(next);
            if (sender.mTCPIPPhase == 16 && !sender.mOutgoingTurnFile && receiver.mTCPIPPhase == 19) break;
        }
    }
    state.counters["bytes"] = bytes;
    OPCloseAfterAllSent(1);
    guest.Close();
    sGuest = nullptr;
    sSender = sReceiver = nullptr;
    gBattle = nullptr;
    delete battle;
}
BENCHMARK(BM_ResultsFileOverLoopbackAtFrameRate)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_WrapRadioLine255(benchmark::State& state) {
    if (!GOLTAFonts::Make()) {
        state.SkipWithError("no fonts");
        return;
    }
    NetBenchApp app;
    app.mRadioWidest = 200; // an 800-pixel map view
    GString255 line;
    while (line.GetLength() < 255)
        line.ConcatText(line.GetLength() % 3 == 0 ? "Panzer, " : "links vorbei; ");
    line.CropLength(255, true);
    for (auto _ : state) {
        for (GString255& entry : app.mRadioLine)
            entry.IStringText("");
        app.AddRadioText(&line, 0);
        benchmark::DoNotOptimize(app.mRadioLine[0]);
    }
    int32_t lines = 0;
    while (lines < 14 && app.mRadioLine[lines].GetLength() > 0)
        ++lines;
    state.counters["lines"] = lines;
}
BENCHMARK(BM_WrapRadioLine255)->Unit(benchmark::kMicrosecond);

} // namespace
