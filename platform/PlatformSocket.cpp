#include "platform/PlatformSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace PlatformSocket {
namespace {

bool MakeNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL, 0);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// Records go out as soon as they are written; they are small and a peer
// waits for each.
void NoDelay(int fd) {
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

int NewSocket() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (!MakeNonBlocking(fd)) {
        close(fd);
        return -1;
    }
    return fd;
}

bool WouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

} // namespace

int Listen(uint16_t port) {
    const int fd = NewSocket();
    if (fd < 0) return -1;
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    addr.sin_port = htons(port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 4) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

uint16_t LocalPort(int fd) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return 0;
    return ntohs(addr.sin_port);
}

int Accept(int listener) {
    const int fd = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) NoDelay(fd);
    return fd;
}

int ConnectStart(uint32_t address, uint16_t port) {
    const int fd = NewSocket();
    if (fd < 0) return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(address);
    addr.sin_port = htons(port);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 && errno != EINPROGRESS) {
        close(fd);
        return -1;
    }
    NoDelay(fd);
    return fd;
}

int ConnectPoll(int fd, int32_t waitMs) {
    pollfd p{fd, POLLOUT, 0};
    const int ready = poll(&p, 1, waitMs < 0 ? 0 : waitMs);
    if (ready < 0) return errno == EINTR ? 0 : -1;
    if (ready == 0) return 0;
    int error = 0;
    socklen_t len = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0) return -1;
    return 1;
}

int32_t Send(int fd, const void* data, int32_t length) {
    if (length <= 0) return 0;
    const ssize_t n = send(fd, data, static_cast<size_t>(length), MSG_NOSIGNAL);
    if (n >= 0) return static_cast<int32_t>(n);
    return WouldBlock() ? 0 : -1;
}

int32_t Receive(int fd, void* buffer, int32_t length) {
    if (length <= 0) return 0;
    const ssize_t n = recv(fd, buffer, static_cast<size_t>(length), 0);
    if (n > 0) return static_cast<int32_t>(n);
    if (n == 0) return -1; // orderly close by the peer
    return WouldBlock() ? 0 : -1;
}

void Wait(int fd, bool forWriting, int32_t waitMs) {
    pollfd p{fd, static_cast<short>(forWriting ? (POLLIN | POLLOUT) : POLLIN), 0};
    poll(&p, 1, waitMs < 0 ? 0 : waitMs);
}

void ShutdownWrite(int fd) {
    if (fd >= 0) shutdown(fd, SHUT_WR);
}

void Close(int fd) {
    if (fd >= 0) close(fd);
}

std::vector<uint32_t> OwnAddresses() {
    std::vector<uint32_t> result;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) == 0) {
        for (ifaddrs* i = list; i; i = i->ifa_next) {
            if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !(i->ifa_flags & IFF_UP)) continue;
            if (i->ifa_flags & IFF_LOOPBACK) continue;
            result.push_back(ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr));
        }
        freeifaddrs(list);
    }
    if (result.empty()) result.push_back(0x7F000001u);
    return result;
}

} // namespace PlatformSocket
