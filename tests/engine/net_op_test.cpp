// The program-wide OP functions: address conversions, the own-address
// cycle, and a host on the game's port talking to a guest endpoint.

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "engine/EZOpenPlay.h"
#include "engine/TestPorts.h"

namespace {

std::vector<std::vector<uint8_t>> gReceived;
int gLost = 0;
void Receive(unsigned char* d, uint32_t n) {
    gReceived.emplace_back(d, d + n);
}
void Lost(bool) {
    ++gLost;
}
std::vector<std::vector<uint8_t>> gGuestReceived;
void GuestReceive(unsigned char* d, uint32_t n) {
    gGuestReceived.emplace_back(d, d + n);
}

TEST(NetOP, ConvertsAddressesFirstOctetFirst) {
    const uint32_t a = OPConvertNumsToIP(192, 168, 1, 20);
    EXPECT_EQ(a, 0xC0A80114u);
    unsigned char o1, o2, o3, o4;
    OPConvertIPToNums(a, &o1, &o2, &o3, &o4);
    EXPECT_EQ(o1, 192);
    EXPECT_EQ(o2, 168);
    EXPECT_EQ(o3, 1);
    EXPECT_EQ(o4, 20);
    OPConvertIPToNums(a, nullptr, nullptr, nullptr, &o4); // missing pointers are skipped
    EXPECT_EQ(o4, 20);
}

TEST(NetOP, OwnAddressesCycleThroughZero) {
    std::vector<uint32_t> first;
    for (uint32_t a; (a = OPGetOwnIP()) != 0;)
        first.push_back(a);
    ASSERT_FALSE(first.empty());
    EXPECT_LE(first.size(), 64u);
    EXPECT_EQ(OPGetOwnIP(), first[0]); // and again from the first
    while (OPGetOwnIP() != 0) {
    }
}

TEST(NetOP, HostOnTheGamePortTalksToAGuest) {
    const uint8_t byte = 1;
    EXPECT_EQ(OPSend(const_cast<uint8_t*>(&byte), 1), kOPNotConnected);
    EXPECT_FALSE(OPHasConnection());
    if (!OPOpen(true, 0, 7023, &Receive, &Lost)) {
        // Only a port someone else holds excuses the refusal.
        if (!PortIsFree(7023)) GTEST_SKIP() << "another program holds the game's port 7023";
        FAIL() << "the host could not open the free game port 7023";
    }
    OPEndpoint guest;
    ASSERT_TRUE(guest.Open(false, OPConvertNumsToIP(127, 0, 0, 1), 7023, &GuestReceive, &Lost));
    for (int i = 0; i < 2000 && !OPHasConnection(); ++i) {
        OPIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(OPHasConnection());
    std::vector<uint8_t> packet = {1, 0xFF, 0xFE, 0x79, 0x60};
    EXPECT_EQ(OPForceSend(packet.data(), 5, 0), 0);
    std::vector<uint8_t> answer = {2};
    EXPECT_EQ(guest.Send(answer.data(), 1), 0);
    for (int i = 0; i < 2000 && (gReceived.empty() || gGuestReceived.empty()); ++i) {
        OPPingDuringBusyCPU();
        EXPECT_TRUE(gReceived.empty()); // nothing is delivered outside OPIdle
        OPIdle();
        guest.Idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(gReceived.size(), 1u);
    EXPECT_EQ(gReceived[0], answer);
    ASSERT_EQ(gGuestReceived.size(), 1u);
    EXPECT_EQ(gGuestReceived[0], packet);
    // Closing here reports nothing; the guest learns of it.
    OPCloseAfterAllSent(5);
    EXPECT_FALSE(OPHasConnection());
    for (int i = 0; i < 2000 && gLost == 0; ++i) {
        OPIdle();
        guest.Idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(gLost, 1);
    OPShutdown();
}

// A port set for the program replaces the one the game asks for, so that
// two games on one machine keep apart.
TEST(NetOP, SetPortReplacesTheAskedPort) {
    const uint16_t port = FreeLoopbackPort();
    ASSERT_NE(port, 0);
    OPSetPort(port);
    const bool opened = OPOpen(true, 0, 7023, &Receive, &Lost);
    OPSetPort(0);
    ASSERT_TRUE(opened);
    OPEndpoint guest;
    ASSERT_TRUE(guest.Open(false, OPConvertNumsToIP(127, 0, 0, 1), port, &GuestReceive, &Lost));
    for (int i = 0; i < 2000 && !OPHasConnection(); ++i) {
        OPIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(OPHasConnection());
    OPShutdown();
}

} // namespace
