#pragma once
// One TCP/IP endpoint of the network layer: a host that listens and takes
// the first peer, or a guest that connects. Application data travels as
// data records; credit records bound what either side may send before the
// other has read it; keep-alives mark a quiet but living link. Everything
// happens when the owner calls Idle (which also delivers received records
// and reports a lost connection) or Ping (which only moves bytes).

#include <cstdint>
#include <deque>
#include <vector>

#include "engine/GObject.h"
#include "engine/OPRecordReader.h"

using OPReceiveCallback = void (*)(unsigned char* data, uint32_t length);
using OPLostCallback = void (*)(bool wasConnected);

// The results of Send when a record is not taken.
enum : int32_t {
    kOPNotConnected = -9999, // no connection (any more)
    kOPBadLength = -9998,    // empty, or longer than kOPMaxRecord
    kOPQueueFull = -9997,    // no room now; offer it again later
    kOPClosing = -9996,      // the endpoint is closing
};

class OPEndpoint : public GObject {
public:
    using Clock = uint32_t (*)();

    static constexpr uint32_t kWindow = 256 * 1024;         // bytes a side takes unread
    static constexpr uint32_t kSendQueueBytes = 256 * 1024; // data waiting for credit
    static constexpr uint32_t kKeepAliveMs = 15000;
    static constexpr uint32_t kSilenceMs = 180000;
    static constexpr uint32_t kConnectTimeoutMs = 10000;

    OPEndpoint() = default;
    ~OPEndpoint() override;
    OPEndpoint(const OPEndpoint&) = delete;
    OPEndpoint& operator=(const OPEndpoint&) = delete;

    // The millisecond clock for keep-alives and time-outs (tests replace it).
    void SetClock(Clock clock) { mClock = clock; }

    // Opens the endpoint, closing any earlier one without a report. A host
    // listens on every address; a guest connects to `address`, waiting at
    // most kConnectTimeoutMs. False when the network cannot be opened or
    // the peer cannot be reached.
    bool Open(bool host, uint32_t address, uint32_t port, OPReceiveCallback receive, OPLostCallback lost);
    // Queues one data record: 0 when taken, else one of the codes above.
    int32_t Send(const void* data, uint32_t length);
    // Send, retried while the queue is full and pumping meanwhile, for up to
    // timeoutSeconds (below 1, or 30 and more, count as 30).
    int32_t ForceSend(const void* data, uint32_t length, int32_t timeoutSeconds);
    bool HasConnection() const { return mState == State::kConnected && !mDead; }
    bool IsOpen() const { return mState != State::kClosed; }
    // Closes once the queued records are out or `seconds` have passed. Out
    // means the peer has them: once everything is with the system the
    // endpoint says it sends no more and closes when the peer has closed
    // too, as a close with the peer still talking could lose the last bytes.
    void CloseAfterAllSent(int32_t seconds);
    // Closes at once, without a report.
    void Close();

    // The pump: moves bytes both ways, delivers received data records and,
    // once, reports a connection that ended without being closed here.
    void Idle();
    // Moves bytes and answers keep-alives and credit, sending a keep-alive
    // when due; delivers and reports nothing.
    void Ping();

    // The port the host listens on (for a host opened on port 0).
    uint16_t ListenPort() const { return mListenPort; }

private:
    enum class State { kClosed, kListening, kConnected, kClosing };

    uint32_t Now() const;
    void BeginConnection(int fd);
    void Pump();
    void ReadSocket();
    void TakeRecords();
    void FillOutput();
    void WriteSocket();
    void GrantCredit(bool evenSmall);
    void Control(uint8_t type, uint32_t value);
    void Fail() { mDead = true; }
    void FinishClosing();

    Clock mClock = nullptr;
    OPReceiveCallback mReceive = nullptr;
    OPLostCallback mLost = nullptr;
    State mState = State::kClosed;
    int mListener = -1;
    int mSocket = -1;
    uint16_t mListenPort = 0;
    uint32_t mGeneration = 0; // changes with every open and close

    OPRecordReader mReader;
    std::deque<std::vector<uint8_t>> mReceived; // data records not yet delivered
    std::deque<std::vector<uint8_t>> mPending;  // data records waiting for credit
    uint32_t mPendingBytes = 0;
    std::vector<uint8_t> mOut; // bytes on their way into the socket
    size_t mOutHead = 0;

    uint32_t mCredit = 0;    // data bytes the peer lets us send
    uint32_t mAllowance = 0; // data bytes we let the peer send
    uint32_t mConsumed = 0;  // delivered since our last grant
    bool mRequested = false; // we asked for credit and wait for it
    bool mPeerWaits = false; // the peer asked for credit

    uint32_t mLastSend = 0;
    uint32_t mLastReceive = 0;
    uint32_t mCloseDeadline = 0;
    bool mDead = false;
    bool mWriteShut = false; // closing: all sent, waiting for the peer to close
    bool mDelivering = false;
};
