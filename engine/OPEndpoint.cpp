#include "engine/OPEndpoint.h"

#include <algorithm>

#include "engine/GOLTA.h"
#include "platform/PlatformSocket.h"

namespace {
constexpr size_t kReadPiece = 16384;
// Reads per pump, so that a flooding peer cannot hold the main loop.
constexpr int kReadsPerPump = 64;
constexpr uint32_t kPortLimit = 65535;
constexpr int32_t kConnectPollMs = 20;
} // namespace

OPEndpoint::~OPEndpoint() {
    Close();
}

uint32_t OPEndpoint::Now() const {
    // The peer's silence is real time, whatever paces this program.
    return mClock ? mClock() : RealClockTime();
}

void OPEndpoint::Close() {
    PlatformSocket::Close(mListener);
    PlatformSocket::Close(mSocket);
    mListener = mSocket = -1;
    mListenPort = 0;
    mState = State::kClosed;
    ++mGeneration;
    mReader.Clear();
    mReceived.clear();
    mPending.clear();
    mPendingBytes = 0;
    mOut.clear();
    mOutHead = 0;
    mCredit = mAllowance = mConsumed = 0;
    mRequested = mPeerWaits = false;
    mDead = false;
    mWriteShut = false;
}

bool OPEndpoint::Open(bool host, uint32_t address, uint32_t port, OPReceiveCallback receive,
                      OPLostCallback lost) {
    Close();
    if (port > kPortLimit) return false;
    mReceive = receive;
    mLost = lost;
    if (host) {
        mListener = PlatformSocket::Listen(static_cast<uint16_t>(port));
        if (mListener < 0) return false;
        mListenPort = PlatformSocket::LocalPort(mListener);
        mState = State::kListening;
        return true;
    }
    const int fd = PlatformSocket::ConnectStart(address, static_cast<uint16_t>(port));
    if (fd < 0) return false;
    // Bounded by the clock and, should the clock stand still, by the polls.
    const uint32_t start = Now();
    for (uint32_t waited = 0;; waited += kConnectPollMs) {
        const int r = PlatformSocket::ConnectPoll(fd, kConnectPollMs);
        if (r > 0) break;
        if (r < 0 || Now() - start >= kConnectTimeoutMs || waited >= kConnectTimeoutMs) {
            PlatformSocket::Close(fd);
            return false;
        }
    }
    BeginConnection(fd);
    return true;
}

// A fresh connection: the peer may at once send a window's worth of data.
void OPEndpoint::BeginConnection(int fd) {
    mSocket = fd;
    mState = State::kConnected;
    mDead = false;
    mLastReceive = Now();
    mAllowance = kWindow;
    Control(kOPRecordCreditGrant, kWindow);
    WriteSocket();
}

void OPEndpoint::Control(uint8_t type, uint32_t value) {
    OPAppendHeader(&mOut, type, value);
    mLastSend = Now();
}

int32_t OPEndpoint::Send(const void* data, uint32_t length) {
    if (mState == State::kClosing) return kOPClosing;
    if (!HasConnection()) return kOPNotConnected;
    if (!data || length == 0 || length > kOPMaxRecord) return kOPBadLength;
    if (mPendingBytes + length > kSendQueueBytes) {
        FillOutput();
        WriteSocket();
        if (mPendingBytes + length > kSendQueueBytes) return kOPQueueFull;
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    mPending.emplace_back(bytes, bytes + length);
    mPendingBytes += length;
    FillOutput();
    WriteSocket();
    return 0;
}

int32_t OPEndpoint::ForceSend(const void* data, uint32_t length, int32_t timeoutSeconds) {
    const uint32_t seconds =
        (timeoutSeconds < 1 || timeoutSeconds >= 30) ? 30u : static_cast<uint32_t>(timeoutSeconds);
    const uint32_t start = Now();
    for (;;) {
        const int32_t result = Send(data, length);
        if (result != kOPQueueFull || Now() - start >= seconds * 1000u) return result;
        Pump();
        if (mSocket >= 0) PlatformSocket::Wait(mSocket, mOutHead < mOut.size(), 5);
    }
}

void OPEndpoint::CloseAfterAllSent(int32_t seconds) {
    if (mState == State::kClosed) return;
    if (mState != State::kConnected || mDead) {
        Close();
        return;
    }
    mState = State::kClosing;
    mCloseDeadline = Now() + static_cast<uint32_t>(std::max(seconds, 0)) * 1000u;
    mReceived.clear(); // the application no longer listens
    Pump();
    FinishClosing();
}

void OPEndpoint::FinishClosing() {
    if (mDead || static_cast<int32_t>(Now() - mCloseDeadline) >= 0) {
        Close();
        return;
    }
    if (mWriteShut || !mPending.empty() || mOutHead != mOut.size()) return;
    // All is with the system. Closing now would make it throw away what is
    // still on its way should the peer send anything more; so the peer is
    // told that nothing more comes, and the endpoint reads (and drops) until
    // the peer closes too (its end of stream marks this side dead).
    PlatformSocket::ShutdownWrite(mSocket);
    mWriteShut = true;
}

void OPEndpoint::Pump() {
    if (mState == State::kListening) {
        const int fd = PlatformSocket::Accept(mListener);
        if (fd < 0) return;
        // The first peer is the one; later ones find no listener.
        PlatformSocket::Close(mListener);
        mListener = -1;
        BeginConnection(fd);
    }
    if (mState == State::kClosed || mDead) return;
    ReadSocket();
    const uint32_t now = Now();
    if (!mWriteShut) {
        FillOutput();
        if (now - mLastSend >= kKeepAliveMs) Control(kOPRecordKeepAlive, 0);
        WriteSocket();
    }
    if (now - mLastReceive > kSilenceMs) Fail();
}

void OPEndpoint::ReadSocket() {
    uint8_t buffer[kReadPiece];
    for (int i = 0; i < kReadsPerPump && !mDead; ++i) {
        const int32_t n = PlatformSocket::Receive(mSocket, buffer, static_cast<int32_t>(sizeof buffer));
        if (n < 0) {
            Fail();
            return;
        }
        if (n == 0) return;
        mLastReceive = Now();
        mReader.Append(buffer, static_cast<size_t>(n));
        TakeRecords();
    }
}

void OPEndpoint::TakeRecords() {
    for (;;) {
        uint8_t type = 0;
        uint32_t value = 0;
        const uint8_t* payload = nullptr;
        const OPRecordReader::Result r = mReader.Next(&type, &value, &payload);
        if (r == OPRecordReader::Result::kNeedMore) return;
        if (r == OPRecordReader::Result::kBad) {
            Fail();
            return;
        }
        switch (type) {
        case kOPRecordData:
            // More than we allowed means the peer does not keep the rules.
            if (value > mAllowance) {
                Fail();
                return;
            }
            mAllowance -= value;
            if (mState == State::kClosing)
                mConsumed += value;
            else
                mReceived.emplace_back(payload, payload + value);
            break;
        case kOPRecordCreditRequest:
            mPeerWaits = true;
            if (!mWriteShut) GrantCredit(true);
            break;
        case kOPRecordCreditGrant:
            if (value > kWindow - mCredit) {
                Fail();
                return;
            }
            mCredit += value;
            mRequested = false;
            break;
        default: // keep-alive: its arrival was the point
            break;
        }
    }
}

// Gives the peer back the room that delivered records freed: in quarters of
// the window, or at once when the peer waits for it.
void OPEndpoint::GrantCredit(bool evenSmall) {
    if (mConsumed == 0) return;
    if (!evenSmall && !mPeerWaits && mConsumed < kWindow / 4) return;
    Control(kOPRecordCreditGrant, mConsumed);
    mAllowance += mConsumed;
    mConsumed = 0;
    mPeerWaits = false;
}

void OPEndpoint::FillOutput() {
    while (!mPending.empty()) {
        std::vector<uint8_t>& record = mPending.front();
        const uint32_t length = static_cast<uint32_t>(record.size());
        if (length > mCredit) {
            if (!mRequested) {
                Control(kOPRecordCreditRequest, length);
                mRequested = true;
            }
            return;
        }
        mCredit -= length;
        Control(kOPRecordData, length);
        mOut.insert(mOut.end(), record.begin(), record.end());
        mPendingBytes -= length;
        mPending.pop_front();
    }
}

void OPEndpoint::WriteSocket() {
    if (mSocket < 0 || mDead) return;
    while (mOutHead < mOut.size()) {
        const size_t left = mOut.size() - mOutHead;
        const int32_t n = PlatformSocket::Send(mSocket, mOut.data() + mOutHead,
                                               static_cast<int32_t>(std::min<size_t>(left, 1u << 20)));
        if (n < 0) {
            Fail();
            return;
        }
        if (n == 0) break;
        mOutHead += static_cast<size_t>(n);
    }
    if (mOutHead == mOut.size()) {
        mOut.clear();
        mOutHead = 0;
    } else if (mOutHead * 2 >= mOut.size()) {
        mOut.erase(mOut.begin(), mOut.begin() + static_cast<std::ptrdiff_t>(mOutHead));
        mOutHead = 0;
    }
}

void OPEndpoint::Ping() {
    if (HasConnection()) Pump();
}

void OPEndpoint::Idle() {
    if (mState == State::kClosed) return;
    if (mDelivering) {
        // Called again from a receive callback: move bytes only.
        Pump();
        return;
    }
    const uint32_t generation = mGeneration;
    Pump();
    if (mState == State::kClosing) {
        FinishClosing();
        return;
    }
    // Records that arrived before a loss are still delivered, then the loss.
    mDelivering = true;
    while (!mReceived.empty() && generation == mGeneration && mState == State::kConnected) {
        std::vector<uint8_t> record = std::move(mReceived.front());
        mReceived.pop_front();
        mConsumed += static_cast<uint32_t>(record.size());
        if (mReceive) mReceive(record.data(), static_cast<uint32_t>(record.size()));
    }
    mDelivering = false;
    if (generation != mGeneration || mState != State::kConnected) return;
    if (!mDead) {
        GrantCredit(false);
        FillOutput();
        WriteSocket();
        return;
    }
    const OPLostCallback lost = mLost;
    Close();
    if (lost) lost(true);
}
