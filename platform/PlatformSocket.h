#pragma once
// Non-blocking TCP sockets over IPv4. Addresses are 32-bit values with the
// first octet in the top byte (127.0.0.1 is 0x7F000001); ports are plain
// numbers. Every call returns at once unless it says it waits.

#include <cstdint>
#include <vector>

namespace PlatformSocket {

// Listens on every address of the machine; -1 when the port cannot be had.
int Listen(uint16_t port);
// The port a socket is bound to (for a listener opened on port 0).
uint16_t LocalPort(int fd);
// A waiting connection of a listener, or -1 when none is waiting.
int Accept(int listener);
// Starts connecting; -1 when that fails at once.
int ConnectStart(uint32_t address, uint16_t port);
// Waits up to waitMs for a started connection: 1 connected, 0 still
// pending, -1 failed.
int ConnectPoll(int fd, int32_t waitMs);
// Sends what the system takes now: the number of bytes taken (maybe 0),
// or -1 when the connection has failed.
int32_t Send(int fd, const void* data, int32_t length);
// Receives what has arrived: the number of bytes (0 when nothing is
// waiting), or -1 when the peer has closed or the connection failed.
int32_t Receive(int fd, void* buffer, int32_t length);
// Waits up to waitMs until the socket has something to read (or room to
// write, when forWriting).
void Wait(int fd, bool forWriting, int32_t waitMs);
// Tells the peer that nothing more will be sent; what was sent before still
// goes out, and reading goes on.
void ShutdownWrite(int fd);
void Close(int fd);
// The machine's IPv4 addresses that are up, loopback last and only when
// there is no other.
std::vector<uint32_t> OwnAddresses();

} // namespace PlatformSocket
