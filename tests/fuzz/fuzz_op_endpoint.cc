// A network endpoint fed a peer's bytes over loopback, in pieces the input
// chooses, with its clock moved on and its own records sent in between:
// credit requests and grants, keep-alives, data, records cut anywhere and
// rubbish. The endpoint delivers exactly the data records the peer sent,
// in order, until it drops a peer that breaks the rules, and reports such a
// loss once; what it sends back is always well-formed records. Delivered
// records framed again read back and frame again to the same bytes.

#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "FuzzRoundTrip.h"
#include "engine/OPEndpoint.h"
#include "platform/PlatformSocket.h"

namespace {

constexpr uint32_t kLoopback = 0x7F000001;

uint32_t sNow = 0;
std::vector<std::vector<uint8_t>> sDelivered;
int sLost = 0;

uint32_t Clock() {
    return sNow;
}
void Receive(unsigned char* data, uint32_t length) {
    sDelivered.emplace_back(data, data + length);
}
void Lost(bool) {
    ++sLost;
}

std::vector<uint8_t> Frame(const std::vector<std::vector<uint8_t>>& records) {
    std::vector<uint8_t> out;
    for (const auto& r : records) {
        OPAppendHeader(&out, kOPRecordData, static_cast<uint32_t>(r.size()));
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

// The data records of a byte stream, up to its first fault.
std::vector<std::vector<uint8_t>> DataRecords(const std::vector<uint8_t>& bytes) {
    OPRecordReader reader;
    reader.Append(bytes.data(), bytes.size());
    std::vector<std::vector<uint8_t>> records;
    uint8_t type;
    uint32_t value;
    const uint8_t* payload;
    while (reader.Next(&type, &value, &payload) == OPRecordReader::Result::kRecord)
        if (type == kOPRecordData) records.emplace_back(payload, payload + value);
    return records;
}

// What the endpoint sent the peer must always be records of ours.
void DrainPeer(int fd, OPRecordReader* reader) {
    uint8_t buffer[4096];
    int32_t n;
    while ((n = PlatformSocket::Receive(fd, buffer, sizeof buffer)) > 0) {
        reader->Append(buffer, static_cast<size_t>(n));
        uint8_t type;
        uint32_t value;
        const uint8_t* payload;
        OPRecordReader::Result r;
        while ((r = reader->Next(&type, &value, &payload)) == OPRecordReader::Result::kRecord) {
        }
        FuzzRequire(r != OPRecordReader::Result::kBad, "the endpoint sent something that is not a record");
    }
}

bool SendAll(int fd, const uint8_t* data, size_t size, OPEndpoint* endpoint, OPRecordReader* fromEndpoint) {
    size_t sent = 0;
    for (int tries = 0; sent < size && tries < 1000; ++tries) {
        const int32_t n = PlatformSocket::Send(fd, data + sent, static_cast<int32_t>(size - sent));
        if (n < 0) return false;
        sent += static_cast<size_t>(n);
        endpoint->Idle();
        DrainPeer(fd, fromEndpoint);
    }
    return sent == size;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<uint8_t> ownRecord(kOPMaxRecord, 0x5A);
    sNow = 1000;
    sDelivered.clear();
    sLost = 0;
    OPEndpoint endpoint;
    endpoint.SetClock(&Clock);
    if (!endpoint.Open(true, 0, 0, &Receive, &Lost)) return 0;
    const int fd = PlatformSocket::ConnectStart(kLoopback, endpoint.ListenPort());
    if (fd < 0) return 0;
    if (PlatformSocket::ConnectPoll(fd, 2000) != 1) {
        PlatformSocket::Close(fd);
        return 0;
    }
    // Closed with a reset, so that no connection lingers after the run.
    const linger reset{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    for (int i = 0; i < 100 && !endpoint.HasConnection(); ++i)
        endpoint.Idle();

    std::vector<uint8_t> fromPeer;
    OPRecordReader fromEndpoint;
    size_t at = 0;
    bool peerOk = true;
    while (at < size && peerOk && sLost == 0) {
        const uint8_t step = data[at++];
        const size_t amount = step >> 2;
        switch (step & 3) {
        case 0:
        case 1: {
            const size_t take = std::min(amount + 1, size - at);
            fromPeer.insert(fromPeer.end(), data + at, data + at + take);
            peerOk = SendAll(fd, data + at, take, &endpoint, &fromEndpoint);
            at += take;
            break;
        }
        case 2:
            sNow += static_cast<uint32_t>(amount) * 4000u;
            break;
        default:
            endpoint.Send(ownRecord.data(), static_cast<uint32_t>(1 + amount * 1000));
            break;
        }
        endpoint.Idle();
        DrainPeer(fd, &fromEndpoint);
    }

    const std::vector<std::vector<uint8_t>> expected = DataRecords(fromPeer);
    // Whatever has arrived is delivered; loopback may take a moment.
    for (int i = 0; i < 200 && sLost == 0 && endpoint.HasConnection() && sDelivered.size() < expected.size();
         ++i) {
        endpoint.Idle();
        if (sDelivered.size() < expected.size()) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    FuzzRequire(sLost <= 1, "a loss was reported twice");
    FuzzRequire(sDelivered.size() <= expected.size(), "the endpoint delivered records the peer never sent");
    for (size_t i = 0; i < sDelivered.size(); ++i)
        FuzzRequire(sDelivered[i] == expected[i], "a delivered record differs from the one sent");
    if (sLost == 0 && endpoint.HasConnection() && peerOk)
        FuzzRequire(sDelivered.size() == expected.size(), "a living connection lost a record");

    const std::vector<uint8_t> first = Frame(sDelivered);
    FuzzRequireSame(first, Frame(DataRecords(first)), "data records");

    PlatformSocket::Close(fd);
    endpoint.Close();
    return 0;
}
