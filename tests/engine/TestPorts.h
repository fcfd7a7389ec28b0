#pragma once
// Ports for the network tests. Every test but the one about the game's own
// port lets the system choose a free port, so two runs of the tests on one
// machine, or another program holding a port, never make a test fail.

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// Binds a TCP socket on the loopback address to `port` (0: the system
// chooses); the bound port, or 0 when the bind is refused.
inline uint16_t BindLoopbackPort(uint16_t port)
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return 0;
    // As the game's host does: connections of earlier runs waiting out their
    // close do not count as holding the port.
    const int one = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    uint16_t bound = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        socklen_t length = sizeof address;
        if (getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0) bound = ntohs(address.sin_port);
    }
    close(s);
    return bound;
}

// A port the system says is free right now (bound once on port 0 and read
// back); 0 when there is no network.
inline uint16_t FreeLoopbackPort() { return BindLoopbackPort(0); }

// Whether nobody on this machine holds `port`.
inline bool PortIsFree(uint16_t port) { return BindLoopbackPort(port) == port; }
