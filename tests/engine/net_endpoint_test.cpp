// Two endpoints of the network layer talking over loopback in one process:
// records round-trip intact and in order, credit holds back a sender whose
// peer does not read, keep-alives and the silence time-out follow injected
// clocks, callbacks come only from Idle, and every misbehaving peer ends in
// one clean report of the loss.

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

#include "engine/OPEndpoint.h"
#include "platform/PlatformSocket.h"

namespace {

constexpr uint32_t kLoopback = 0x7F000001;

struct Side {
    std::vector<std::vector<uint8_t>> received;
    int lost = 0;
    bool lostWasConnected = false;
};
Side gHost, gGuest;
uint32_t gHostNow = 0, gGuestNow = 0;
std::function<void()> gOnHostReceive;

uint32_t HostClock() {
    return gHostNow;
}
uint32_t GuestClock() {
    return gGuestNow;
}
void HostReceive(unsigned char* d, uint32_t n) {
    gHost.received.emplace_back(d, d + n);
    if (gOnHostReceive) gOnHostReceive();
}
void GuestReceive(unsigned char* d, uint32_t n) {
    gGuest.received.emplace_back(d, d + n);
}
void HostLost(bool was) {
    ++gHost.lost;
    gHost.lostWasConnected = was;
}
void GuestLost(bool was) {
    ++gGuest.lost;
    gGuest.lostWasConnected = was;
}

std::vector<uint8_t> Bytes(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(seed + i * 7);
    return v;
}

class NetEndpointTest : public ::testing::Test {
protected:
    void SetUp() override {
        gHost = Side{};
        gGuest = Side{};
        gOnHostReceive = nullptr;
        gHostNow = gGuestNow = 1000;
        mHost.SetClock(&HostClock);
        mGuest.SetClock(&GuestClock);
    }
    void TearDown() override { gOnHostReceive = nullptr; }

    bool Listen() {
        if (!mHost.Open(true, 0, 0, &HostReceive, &HostLost)) return false;
        mPort = mHost.ListenPort();
        return mPort != 0;
    }
    bool Connect() {
        if (!Listen() || !mGuest.Open(false, kLoopback, mPort, &GuestReceive, &GuestLost)) return false;
        return PumpUntil([&] { return mHost.HasConnection(); });
    }
    // Pumps both sides until the condition holds or about three seconds pass.
    bool PumpUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 3000; ++i) {
            mHost.Idle();
            mGuest.Idle();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    // A peer of our own making that writes whatever bytes a test wants.
    int RawPeer() {
        const int fd = PlatformSocket::ConnectStart(kLoopback, mPort);
        if (fd < 0 || PlatformSocket::ConnectPoll(fd, 2000) != 1) return -1;
        PumpUntil([&] { return mHost.HasConnection(); });
        return fd;
    }
    void RawSend(int fd, const std::vector<uint8_t>& bytes) {
        size_t sent = 0;
        while (sent < bytes.size()) {
            const int32_t n =
                PlatformSocket::Send(fd, bytes.data() + sent, static_cast<int32_t>(bytes.size() - sent));
            ASSERT_GE(n, 0);
            sent += static_cast<size_t>(n);
            mHost.Idle();
        }
    }

    OPEndpoint mHost, mGuest;
    uint16_t mPort = 0;
};

TEST_F(NetEndpointTest, RecordsRoundTripIntactAndInOrder) {
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(mGuest.HasConnection());
    const std::vector<std::vector<uint8_t>> records = {Bytes(1, 1), Bytes(8192, 2), Bytes(kOPMaxRecord, 3),
                                                       Bytes(5, 4)};
    for (const auto& r : records)
        EXPECT_EQ(mGuest.Send(r.data(), static_cast<uint32_t>(r.size())), 0);
    const std::vector<uint8_t> reply = Bytes(300, 9);
    EXPECT_EQ(mHost.Send(reply.data(), 300), 0);
    ASSERT_TRUE(PumpUntil([] { return gHost.received.size() == 4 && gGuest.received.size() == 1; }));
    EXPECT_EQ(gHost.received, records);
    EXPECT_EQ(gGuest.received[0], reply);
    EXPECT_EQ(gHost.lost + gGuest.lost, 0);
}

TEST_F(NetEndpointTest, RefusesWhatItCannotSend) {
    const uint8_t byte = 1;
    EXPECT_EQ(mGuest.Send(&byte, 1), kOPNotConnected);
    ASSERT_TRUE(Connect());
    EXPECT_EQ(mGuest.Send(&byte, 0), kOPBadLength);
    EXPECT_EQ(mGuest.Send(nullptr, 1), kOPBadLength);
    const std::vector<uint8_t> tooLong(kOPMaxRecord + 1);
    EXPECT_EQ(mGuest.Send(tooLong.data(), kOPMaxRecord + 1), kOPBadLength);
    // A second guest finds nobody listening any more; the first stays.
    OPEndpoint second;
    EXPECT_FALSE(second.Open(false, kLoopback, mPort, &GuestReceive, &GuestLost));
    EXPECT_TRUE(mHost.HasConnection());
}

TEST_F(NetEndpointTest, GuestFailsWhenNobodyListens) {
    ASSERT_TRUE(Listen());
    const uint16_t port = mPort;
    mHost.Close();
    EXPECT_FALSE(mGuest.Open(false, kLoopback, port, &GuestReceive, &GuestLost));
    EXPECT_FALSE(mGuest.IsOpen());
}

TEST_F(NetEndpointTest, CreditHoldsBackASenderWhosePeerDoesNotRead) {
    ASSERT_TRUE(Connect());
    const std::vector<uint8_t> chunk = Bytes(8192, 5);
    int taken = 0;
    // The host only moves bytes (as during a long computation), so nothing
    // is read by its application and no credit comes back.
    for (int i = 0; i < 200; ++i) {
        const int32_t r = mGuest.Send(chunk.data(), 8192);
        if (r == kOPQueueFull) break;
        ASSERT_EQ(r, 0);
        ++taken;
        mHost.Ping();
        mGuest.Ping();
    }
    EXPECT_EQ(taken, static_cast<int>((OPEndpoint::kWindow + OPEndpoint::kSendQueueBytes) / 8192));
    EXPECT_TRUE(gHost.received.empty());
    // Once the host's application reads, everything follows in order.
    ASSERT_TRUE(PumpUntil([&] { return static_cast<int>(gHost.received.size()) == taken; }));
    for (int i = 0; i < 100; ++i) {
        int tries = 0;
        while (mGuest.Send(chunk.data(), 8192) == kOPQueueFull && ++tries < 3000) {
            mHost.Idle();
            mGuest.Idle();
        }
        ASSERT_LT(tries, 3000) << i;
    }
    ASSERT_TRUE(PumpUntil([&] { return static_cast<int>(gHost.received.size()) == taken + 100; }));
    EXPECT_EQ(gHost.received.back(), chunk);
}

TEST_F(NetEndpointTest, ForceSendGivesUpAfterItsTimeOut) {
    ASSERT_TRUE(Connect());
    const std::vector<uint8_t> chunk = Bytes(65536, 6);
    while (mGuest.Send(chunk.data(), 65536) == 0) {
    }
    // Each look at the clock moves it on 500 ms: a 2 s time-out gives up.
    mGuest.SetClock([] { return gGuestNow += 500; });
    EXPECT_EQ(mGuest.ForceSend(chunk.data(), 65536, 2), kOPQueueFull);
    const uint32_t before = gGuestNow;
    EXPECT_EQ(mGuest.ForceSend(chunk.data(), 65536, 0), kOPQueueFull); // 0 counts as 30 s
    EXPECT_GE(gGuestNow - before, 30000u);
    mGuest.SetClock(&GuestClock);
    // With a reader on the other side it gets through.
    const uint8_t one = 42;
    mHost.Idle();
    EXPECT_EQ(mGuest.ForceSend(&one, 1, 5), 0);
}

TEST_F(NetEndpointTest, PingMovesBytesButDeliversNothing) {
    ASSERT_TRUE(Connect());
    const std::vector<uint8_t> r = Bytes(10, 7);
    mGuest.Send(r.data(), 10);
    mGuest.Close(); // closed here: no report on this side
    for (int i = 0; i < 50; ++i) {
        mHost.Ping();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(gHost.received.empty());
    EXPECT_EQ(gHost.lost, 0);
    // Idle delivers what came before the loss, then reports it once.
    mHost.Idle();
    EXPECT_EQ(gHost.received.size(), 1u);
    EXPECT_EQ(gHost.lost, 1);
    EXPECT_TRUE(gHost.lostWasConnected);
    mHost.Idle();
    EXPECT_EQ(gHost.lost, 1);
    EXPECT_EQ(gGuest.lost, 0);
    EXPECT_FALSE(mHost.IsOpen());
}

TEST_F(NetEndpointTest, KeepAlivesHoldAQuietLinkAndSilenceEndsIt) {
    ASSERT_TRUE(Connect());
    // Nearly twelve minutes of quiet in 10 s steps: the keep-alives that
    // both sides send every 15 s keep the link.
    for (int i = 0; i < 70; ++i) {
        gHostNow += 10000;
        gGuestNow += 10000;
        mHost.Idle();
        mGuest.Ping();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    mHost.Idle();
    EXPECT_TRUE(mHost.HasConnection());
    EXPECT_EQ(gHost.lost, 0);
    // The guest falls silent: 180 s are still fine, more are not.
    gHostNow += 180000;
    mHost.Idle();
    EXPECT_TRUE(mHost.HasConnection());
    gHostNow += 1000;
    mHost.Idle();
    EXPECT_FALSE(mHost.HasConnection());
    EXPECT_EQ(gHost.lost, 1);
    EXPECT_TRUE(gHost.lostWasConnected);
}

TEST_F(NetEndpointTest, CloseAfterAllSentDeliversEverythingFirst) {
    ASSERT_TRUE(Connect());
    const std::vector<uint8_t> chunk = Bytes(8192, 8);
    int sent = 0;
    while (mGuest.Send(chunk.data(), 8192) == 0)
        ++sent;
    mGuest.CloseAfterAllSent(5);
    EXPECT_EQ(mGuest.Send(chunk.data(), 8192), kOPClosing);
    EXPECT_FALSE(mGuest.HasConnection());
    ASSERT_TRUE(PumpUntil([] { return gHost.lost == 1; }));
    EXPECT_EQ(static_cast<int>(gHost.received.size()), sent);
    EXPECT_EQ(gGuest.lost, 0);
    EXPECT_FALSE(mGuest.IsOpen());
}

// Records the closing side has handed to the system still reach the peer
// when the peer keeps sending meanwhile (its records must not make the
// system throw away what is still on its way).
TEST_F(NetEndpointTest, CloseAfterAllSentSurvivesAPeerThatKeepsTalking) {
    ASSERT_TRUE(Connect());
    const std::vector<uint8_t> chunk = Bytes(8192, 3);
    const int records = static_cast<int>(OPEndpoint::kWindow / 8192);
    for (int i = 0; i < records; ++i)
        ASSERT_EQ(mGuest.Send(chunk.data(), 8192), 0);
    mGuest.CloseAfterAllSent(5);
    // The host is busy: it sends but reads nothing for a while.
    const uint8_t chat = 7;
    for (int i = 0; i < 20; ++i) {
        mHost.Send(&chat, 1);
        mGuest.Idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(PumpUntil([] { return gHost.lost == 1; }));
    EXPECT_EQ(static_cast<int>(gHost.received.size()), records);
    EXPECT_EQ(gGuest.lost, 0);
    ASSERT_TRUE(PumpUntil([&] { return !mGuest.IsOpen(); }));
}

TEST_F(NetEndpointTest, CloseAfterAllSentGivesUpAtItsDeadline) {
    ASSERT_TRUE(Connect());
    const std::vector<uint8_t> chunk = Bytes(8192, 8);
    while (mGuest.Send(chunk.data(), 8192) == 0) {
    }
    mGuest.CloseAfterAllSent(5); // the host reads nothing meanwhile
    mGuest.Idle();
    EXPECT_TRUE(mGuest.IsOpen());
    gGuestNow += 5000;
    mGuest.Idle();
    EXPECT_FALSE(mGuest.IsOpen());
}

TEST_F(NetEndpointTest, CallbacksMayCloseOrSendDuringDelivery) {
    ASSERT_TRUE(Connect());
    const uint8_t ping = 1;
    for (int i = 0; i < 3; ++i)
        mGuest.Send(&ping, 1);
    gOnHostReceive = [&] {
        const uint8_t pong = 2;
        EXPECT_EQ(mHost.Send(&pong, 1), 0);
        mHost.Close(); // no further delivery, no report
    };
    ASSERT_TRUE(PumpUntil([] { return !gHost.received.empty(); }));
    mHost.Idle();
    EXPECT_EQ(gHost.received.size(), 1u);
    EXPECT_EQ(gHost.lost, 0);
    EXPECT_FALSE(mHost.IsOpen());
}

// Each misbehaving peer: the host drops it and reports the loss once, and
// can listen again afterwards.
TEST_F(NetEndpointTest, BadPeersAreDroppedCleanly) {
    std::vector<uint8_t> overWindow;
    for (uint32_t sent = 0; sent <= OPEndpoint::kWindow; sent += kOPMaxRecord) {
        OPAppendHeader(&overWindow, kOPRecordData, kOPMaxRecord);
        overWindow.resize(overWindow.size() + kOPMaxRecord, 0x55);
    }
    std::vector<uint8_t> overGrant;
    OPAppendHeader(&overGrant, kOPRecordCreditGrant, OPEndpoint::kWindow);
    OPAppendHeader(&overGrant, kOPRecordCreditGrant, 1);
    const std::vector<std::vector<uint8_t>> cases = {
        {0x47, 0x45, 0x54, 0x20, 0x2F, 0x20}, // garbage
        {0x09, 0, 0, 0, 0},                   // unknown record type
        {0x01, 0x00, 0x10, 0x00, 0x01},       // length beyond the longest record
        {0x01, 0x00, 0x00, 0x00, 0x10, 1, 2}, // closes in the middle of a record
        overWindow,                           // ignores credit
        overGrant,                            // grants more than a window
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        gHost = Side{};
        ASSERT_TRUE(Listen()) << i;
        const int fd = RawPeer();
        ASSERT_GE(fd, 0) << i;
        RawSend(fd, cases[i]);
        if (i == 3) PlatformSocket::Close(fd);
        ASSERT_TRUE(PumpUntil([] { return gHost.lost > 0; })) << i;
        for (int k = 0; k < 5; ++k)
            mHost.Idle();
        EXPECT_EQ(gHost.lost, 1) << i;
        EXPECT_TRUE(gHost.received.empty() || i == 4) << i;
        EXPECT_FALSE(mHost.IsOpen()) << i;
        if (i != 3) PlatformSocket::Close(fd);
    }
}

} // namespace
