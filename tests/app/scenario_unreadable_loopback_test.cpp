// A scenario the host sends at connection that arrives whole (its length
// and check value right) but does not decompress: the joining side asks for
// it again, and after the last sending both machines are told and end the
// connection; neither waits for the other, and the joining side keeps no
// game. Two game processes over 127.0.0.1, each with its own program folder.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/AppTypes.h"
#include "app/MVApplication.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "engine/EZOpenPlay.h"
#include "engine/FileTestFolder.h"
#include "engine/GEncoder.h"
#include "engine/GFile.h"
#include "engine/TestPorts.h"
#include "units/Hack.h"

namespace {

// The host's scenario goes out with every byte changed, the end marker
// carrying the changed bytes' length and check value.
class Peer : public MVApplication {
public:
    uint32_t PeerPort() override { return port; }
    GView* BuildBattleScreen(Battle*, bool) override { return nullptr; }
    bool HasScreen() override { return false; }
    int32_t ForceSendRecord(const uint8_t* data, uint32_t length, int32_t timeout) override {
        if (length == 2 && data[0] == 21) ++asked;
        return MVApplication::ForceSendRecord(data, length, timeout);
    }
    int32_t SendRecord(const uint8_t* data, uint32_t length) override {
        if (!damage || length == 0 || (data[0] != 4 && data[0] != 5))
            return MVApplication::SendRecord(data, length);
        std::vector<uint8_t> record(data, data + length);
        if (data[0] == 4) {
            for (uint32_t i = 5; i < length; ++i)
                record[i] ^= 0x5A;
        } else if (length == 9) {
            for (int k = 0; k < 4; ++k) {
                record[1 + k] = static_cast<uint8_t>(sentLength >> (24 - 8 * k));
                record[5 + k] = static_cast<uint8_t>(sentCRC >> (24 - 8 * k));
            }
        }
        const int32_t result = MVApplication::SendRecord(record.data(), length);
        if (result != 0) return result;
        if (data[0] == 4) {
            sentLength += length - 5;
            sentCRC = ComputeCRC32(record.data() + 5, length - 5, sentCRC);
        } else {
            sentLength = 0;
            sentCRC = 0;
        }
        return result;
    }
    uint32_t port = 0;
    bool damage = false;
    uint32_t sentLength = 0;
    uint32_t sentCRC = 0;
    int32_t asked = 0;
};

// Runs the network until done() or 120 s have passed.
bool PumpUntil(Peer& app, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (std::chrono::steady_clock::now() < end) {
        OPIdle();
        app.TCPIPIdleStep();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

TEST(ScenarioAtConnection, ThatDoesNotDecompressIsAskedForAgainThenBothAreToldAndEnd) {
    ASSERT_TRUE(DecryptData());
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    const std::string scenario = std::string(cwd) + "/Szenarien/hecken.mvg";
    const uint32_t port = FreeLoopbackPort();
    ASSERT_NE(port, 0u) << "no free port on the loopback address";
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    FileTestFolder peerTemp("dm-peer-");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("TMPDIR", peerTemp.Path().c_str(), 1);
        close(channel[0]);
        ProgramFolder folder;
        Peer joining;
        joining.port = port;
        const uint8_t local[4] = {127, 0, 0, 1};
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (!joining.ConnectToPeer(local) && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        PumpUntil(joining, [&] { return joining.mNetworkReport >= 0; });
        // The report, the files asked for again, whether a game stayed.
        const int32_t answer[3] = {joining.mNetworkReport, joining.asked, gBattle ? 1 : 0};
        ssize_t ok = write(channel[1], answer, sizeof answer);
        (void)ok;
        close(channel[1]);
        _exit(0);
    }
    close(channel[1]);
    ProgramFolder folder;
    Peer host;
    host.port = port;
    host.damage = true;
    host.mPlayers = 2;
    host.mConnectionType = 2;
    GFile file;
    ASSERT_TRUE(file.IFile(scenario.c_str(), kFileModeCompressedRead));
    GameFileState state;
    GameFileContents contents;
    ASSERT_EQ(ReadGameFile(&file, &state, &contents, {.takeSeed = true, .host = &host}), kGameFileLoaded);
    delete contents.campaign;
    gBattle = contents.battle;
    host.mSide = 0;
    host.mIsHost = true;
    host.mTCPIPPhase = 0;
    host.ServerOpen();
    EXPECT_TRUE(PumpUntil(host, [&] { return host.mNetworkReport >= 0; }))
        << "the host waited in phase " << host.mTCPIPPhase;
    int32_t answer[3] = {-1, -1, -1};
    EXPECT_EQ(read(channel[0], answer, sizeof answer), static_cast<ssize_t>(sizeof answer));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(host.mNetworkReport, kConfirmFileNotHad);
    EXPECT_EQ(answer[0], kConfirmFileNotHad) << "the joining side's report";
    EXPECT_EQ(answer[1], 2) << "the scenario was asked for again twice (three sendings in all)";
    EXPECT_EQ(answer[2], 0) << "the joining side kept a game";
    host.CloseTCPIP();
    delete gBattle;
    gBattle = nullptr;
}

} // namespace
