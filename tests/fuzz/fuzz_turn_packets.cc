// Application packets of a two-player game fed in sequence to the packet
// handler from any transfer phase: nothing crashes or leaks, and the
// phase stays in range. Then the input's bytes travel as a turn file: the
// chunks sent, received and sent again, and sent once more when the peer
// asks for the file again, must be the same records.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzRoundTrip.h"
#include "engine/GEncoder.h"
#include "app/MVApplication.h"

namespace {

using Bytes = std::vector<uint8_t>;

class FuzzApp : public MVApplication {
public:
    uint32_t NetworkClock() override { return 500000; }
    int32_t SendRecord(const uint8_t* data, uint32_t length) override {
        sent.emplace_back(data, data + length);
        return 0;
    }
    int32_t ForceSendRecord(const uint8_t*, uint32_t, int32_t) override { return 0; }
    void Reset(int32_t phase, bool host) {
        delete mOutgoingTurnFile;
        delete mIncomingTurnFile;
        mOutgoingTurnFile = mIncomingTurnFile = nullptr;
        mBytesToSend = mPendingChunk = mBytesCounted = 0;
        mConnectionType = 2;
        mTCPIPPhase = phase;
        mIsHost = host;
        ResetIncomingTransfer();
        mAwaitedMarker = mResendMarker = 0;
        mFileAttempts = 0;
        mDeferredPackets.clear();
        mOwnDigestTurn = mPeerDigestTurn = -1;
        mBattlesDiffer = mPeerDiedMessageOff = false;
        mNetworkReport = -1;
        sent.clear();
    }
    std::vector<Bytes> sent;
};

FuzzApp* Apps(int which) {
    // Kept for the whole run: the application writes its preferences when
    // it goes.
    static FuzzApp* apps[2] = {new FuzzApp, new FuzzApp};
    return apps[which];
}

std::vector<Bytes> SendAsFile(FuzzApp* app, const Bytes& bytes) {
    app->Reset(7, true);
    auto file = FuzzFileWith(bytes);
    if (!file) FuzzFail("no scratch file");
    app->mOutgoingTurnFile = file.release();
    app->mBytesToSend = static_cast<int32_t>(bytes.size());
    // As the file's sending begins: its length and check value for the end marker.
    app->mOutgoingIndex = 0;
    app->mOutgoingLength = static_cast<uint32_t>(bytes.size());
    app->mOutgoingCRC = ComputeCRC32(bytes.data(), bytes.size());
    app->mOutgoingBytes = bytes;
    app->SendTCPIPFile();
    FuzzRequire(app->mOutgoingTurnFile == nullptr, "a whole file was not sent");
    return app->sent;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzApp* app = Apps(0);
    app->Reset(size > 0 ? data[0] % 24 : 6, size > 1 && (data[1] & 1) != 0);
    size_t at = 2;
    while (at + 2 <= size) {
        size_t length = (static_cast<size_t>(data[at]) << 8) | data[at + 1];
        at += 2;
        if (length > size - at) length = size - at;
        app->ReceivePacket(data + at, static_cast<uint32_t>(length));
        FuzzRequire(app->mTCPIPPhase >= 0 && app->mTCPIPPhase <= 23, "phase out of range");
        at += length;
    }

    // Write, read, write: the input as a turn file in chunks.
    Bytes file(data, data + size);
    std::vector<Bytes> first = SendAsFile(app, file);
    FuzzApp* receiver = Apps(1);
    receiver->Reset(20, false);
    for (const Bytes& record : first)
        receiver->ReceivePacket(record.data(), static_cast<uint32_t>(record.size()));
    FuzzRequire(receiver->mTCPIPPhase == 21, "the end marker was not taken");
    Bytes received;
    if (receiver->mIncomingTurnFile) received = FuzzFileBytes(receiver->mIncomingTurnFile);
    FuzzRequireSame(file, received, "received turn file");
    std::vector<Bytes> second = SendAsFile(app, received);
    FuzzRequire(first.size() == second.size(), "chunk count differs");
    for (size_t i = 0; i < first.size(); ++i)
        FuzzRequireSame(first[i], second[i], "chunk");
    // Asked for again, the kept file goes out as it went the first time.
    app->sent.clear();
    const uint8_t again[2] = {21, 7};
    app->ReceivePacket(again, 2);
    app->SendResentFile();
    FuzzRequire(app->sent.size() == first.size(), "the file sent again has another chunk count");
    for (size_t i = 0; i < first.size(); ++i)
        FuzzRequireSame(first[i], app->sent[i], "chunk sent again");
    app->Reset(6, true);
    receiver->Reset(6, false);
    return 0;
}
