#pragma once
// The engine's TCP/IP layer: one endpoint for the whole program, driven by
// OPIdle at the start of every pass of the main loop. Received data records
// and the loss of the connection reach the application only inside OPIdle.
// Addresses are 32-bit values with the first octet in the top byte.

#include <cstdint>

#include "engine/OPEndpoint.h"

// Opens the endpoint: listening on every address when host is true (address
// 0), else connecting to `address`. False when the network cannot be opened
// or the peer cannot be reached.
bool OPOpen(bool host, uint32_t address, uint32_t port, OPReceiveCallback receive, OPLostCallback lost);
// Queues one data record: 0 when taken, -9999 .. -9996 when not (offer it
// again later).
int32_t OPSend(void* data, uint32_t length);
// OPSend, retried while there is no room, for up to timeoutSeconds (below 1
// or 30 and more count as 30); the last OPSend result.
int32_t OPForceSend(void* data, uint32_t length, int32_t timeoutSeconds);
bool OPHasConnection();
void OPCloseAfterAllSent(int32_t seconds);
// Each call gives the next IPv4 address of this machine; after the last one
// 0, and then the first again.
uint32_t OPGetOwnIP();
uint32_t OPConvertNumsToIP(unsigned char o1, unsigned char o2, unsigned char o3, unsigned char o4);
void OPConvertIPToNums(uint32_t address, unsigned char* o1, unsigned char* o2, unsigned char* o3,
                       unsigned char* o4);
// The network pump of the main loop.
void OPIdle();
// During a long computation: keeps the connection alive without delivering
// anything.
void OPPingDuringBusyCPU();
// Closes the endpoint at once, without a report (the kernel's shut-down).
void OPShutdown();
// The endpoint's millisecond clock for keep-alives and time-outs; null for
// the real clock (tests stretch time with it).
void OPSetClock(OPEndpoint::Clock clock);
// The port every later open uses instead of the one asked for; 0 for the
// one asked for. Two games on one machine (tests running side by side)
// keep apart so.
void OPSetPort(uint32_t port);
