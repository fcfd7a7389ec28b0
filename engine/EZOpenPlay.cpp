#include "engine/EZOpenPlay.h"

#include <vector>

#include "platform/PlatformSocket.h"

namespace {
uint32_t sPortOverride = 0;

OPEndpoint& Endpoint() {
    static OPEndpoint endpoint;
    return endpoint;
}
} // namespace

bool OPOpen(bool host, uint32_t address, uint32_t port, OPReceiveCallback receive, OPLostCallback lost) {
    return Endpoint().Open(host, host ? 0 : address, sPortOverride != 0 ? sPortOverride : port, receive, lost);
}

void OPSetPort(uint32_t port) {
    sPortOverride = port;
}

int32_t OPSend(void* data, uint32_t length) {
    return Endpoint().Send(data, length);
}

int32_t OPForceSend(void* data, uint32_t length, int32_t timeoutSeconds) {
    return Endpoint().ForceSend(data, length, timeoutSeconds);
}

bool OPHasConnection() {
    return Endpoint().HasConnection();
}

void OPCloseAfterAllSent(int32_t seconds) {
    Endpoint().CloseAfterAllSent(seconds);
}

uint32_t OPGetOwnIP() {
    static std::vector<uint32_t> addresses;
    static size_t next = 0;
    if (next == 0) addresses = PlatformSocket::OwnAddresses();
    if (next < addresses.size()) return addresses[next++];
    next = 0;
    return 0;
}

uint32_t OPConvertNumsToIP(unsigned char o1, unsigned char o2, unsigned char o3, unsigned char o4) {
    return (uint32_t{o1} << 24) | (uint32_t{o2} << 16) | (uint32_t{o3} << 8) | uint32_t{o4};
}

void OPConvertIPToNums(uint32_t address, unsigned char* o1, unsigned char* o2, unsigned char* o3,
                       unsigned char* o4) {
    if (o1) *o1 = static_cast<unsigned char>(address >> 24);
    if (o2) *o2 = static_cast<unsigned char>(address >> 16);
    if (o3) *o3 = static_cast<unsigned char>(address >> 8);
    if (o4) *o4 = static_cast<unsigned char>(address);
}

void OPIdle() {
    Endpoint().Idle();
}

void OPSetClock(OPEndpoint::Clock clock) {
    Endpoint().SetClock(clock);
}

void OPPingDuringBusyCPU() {
    Endpoint().Ping();
}

void OPShutdown() {
    Endpoint().Close();
}
