// TCP/IP play: the application packets, the transfer phase they drive, the
// chunked sending and receiving of turn files, the turn clock and the pause
// agreement. Everything runs on the program's one thread: the network
// layer's pump calls ReceivePacket from inside the main loop.

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "app/AppViews.h"
#include "app/MVApplication.h"
#include "app/UpDownloadPanel.h"
#include "battle/Battle.h"
#include "battle/GameFile.h"
#include "engine/EZOpenPlay.h"
#include "engine/GButton3D.h"
#include "engine/GEncoder.h"
#include "engine/GKernel.h"
#include "engine/GTextView.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "engine/GSoundManager.h"
#include "map/Map.h"

namespace {

constexpr int32_t kChunkBytes = 8191;
// How long battles that differ wait for the peer's record that differs.
constexpr uint32_t kDifferRecordWaitMs = 5000;
constexpr uint32_t kReplayAllowance = 75000; // ms
constexpr int32_t kBuildNumberString = 9999;
// Sends of one turn file before the receiver gives it up.
constexpr int32_t kFileAttempts = 3;
// Packet 22's flag: the file came whole but did not read (its sender's
// battle or build is at fault, so computing it anew would not help).
constexpr uint8_t kUnreadableFile = 0x80;

// Where a sent file of each end marker type is kept (-1: none).
// FNV-1a, 32 bits, over a record's bytes: the peer's is compared with it.
uint32_t RecordHash(const Battle::SimulationRecord& record) {
    uint32_t hash = 2166136261u;
    for (uint8_t b : record.bytes)
        hash = (hash ^ b) * 16777619u;
    return hash;
}

int32_t KeptSlot(uint8_t marker) {
    switch (marker) {
    case 5:
        return 0;
    case 7:
        return 1;
    case 10:
        return 2;
    default:
        return -1;
    }
}

uint32_t ReadBig32(const uint8_t* bytes) {
    return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
           (static_cast<uint32_t>(bytes[2]) << 8) | static_cast<uint32_t>(bytes[3]);
}

void WriteBig32(uint8_t* bytes, uint32_t value) {
    bytes[0] = static_cast<uint8_t>(value >> 24);
    bytes[1] = static_cast<uint8_t>(value >> 16);
    bytes[2] = static_cast<uint8_t>(value >> 8);
    bytes[3] = static_cast<uint8_t>(value);
}

int32_t BuildNumber() {
    GString31 build;
    build.IStringRez(kBuildNumberString);
    return build.ConvertToNumber();
}

// The host's fog-of-war level, sent before each scenario.
constexpr uint8_t kPacketFogLevel = 24;

// Whether a packet of this type may have this length at all.
bool WellFormed(uint8_t type, uint32_t length) {
    switch (type) {
    case 1:
    case 8:
    case 12:
        return length == 5;
    case 20:
        // Type, turn, the digest's 8 bytes, a hash of each record.
        return length >= 13 && (length - 13) % 4 == 0;
    case 23:
        // Type, the record's index, its bytes.
        return length >= 5;
    case 16:
    case 21:
    case 22:
    case kPacketFogLevel:
        return length == 2;
    case 4:
    case 6:
    case 9:
        // Type, index, at least one data byte.
        return length >= 6 && length <= kChunkBytes + 5;
    case 5:
    case 7:
    case 10:
        // Type, the file's length and CRC-32.
        return length == 9;
    case 19:
        return length >= 2;
    case 2:
    case 3:
    case 11:
    case 13:
    case 14:
    case 15:
    case 17:
    case 18:
        return length == 1;
    default:
        return false;
    }
}

} // namespace

int32_t MVApplication::SendRecord(const uint8_t* data, uint32_t length) {
    return OPSend(const_cast<uint8_t*>(data), length);
}

int32_t MVApplication::ForceSendRecord(const uint8_t* data, uint32_t length, int32_t timeoutSeconds) {
    return OPForceSend(const_cast<uint8_t*>(data), length, timeoutSeconds);
}

void MVApplication::CloseTCPIP() {
    if (OPHasConnection()) {
        uint8_t leaving = 18;
        ForceSendRecord(&leaving, 1, 4);
    }
    OPCloseAfterAllSent(5);
}

void MVApplication::PauseTCPIP() {
    mOwnPauseRequest = false;
    mPeerPause = false;
    mClockWasRunning = false;
    mTurnClockStart = 0;
}

void MVApplication::TogglePauseRequest() {
    mOwnPauseRequest = !mOwnPauseRequest;
    if (mOwnPauseRequest) {
        uint8_t request = 15;
        ForceSendRecord(&request, 1, 0);
    } else {
        uint8_t withdrawn[2] = {16, 0};
        ForceSendRecord(withdrawn, 2, 0);
    }
}

bool MVApplication::GoButton() {
    if (mConnectionType != 2) return true;
    // Battles found to differ are not played on.
    if (mBattlesDiffer) return false;
    // Every GO stops the turn clock; the pause key still knows it ran.
    mClockWasRunning = mTurnClockStart != 0;
    mTurnClockStart = 0;
    switch (mTCPIPPhase) {
    case 6:
        mTCPIPPhase = 7;
        BeginTCPIPFileSend(false);
        return false;
    case 10:
        mTCPIPPhase = 11;
        return false;
    case 12:
        mTCPIPPhase = 13;
        BeginTCPIPFileSend(false);
        return false;
    case 14:
        mOwnPauseRequest = false;
        mPeerPause = false;
        return true;
    default:
        return false;
    }
}

void MVApplication::SynchRandomForTCPIP() {
    if (mConnectionType == 2) SeedRandomGenerator(mRandomSeed);
}

uint32_t MVApplication::TCPIPTimeRemaining() {
    uint32_t elapsed = NetworkClock() - static_cast<uint32_t>(mTurnClockStart);
    uint32_t allowance = static_cast<uint32_t>(mTurnTimeLimit) + kReplayAllowance;
    if (elapsed >= allowance) return 0;
    return (allowance - elapsed + 999) / 1000;
}

bool MVApplication::TakeAutoSaveReloading() {
    const bool reloading = mAutoSaveReloading;
    mAutoSaveReloading = false;
    return reloading;
}

bool MVApplication::ProhibitOrdersDueToTCPIP() {
    if (mConnectionType != 2) return false;
    if (mAutoSaveReloading || mBattlesDiffer) return true;
    switch (mTCPIPPhase) {
    case 7:
    case 8:
    case 9:
    case 11:
    case 13:
    case 14:
    case 15:
    case 16:
    case 17:
    case 18:
        return true;
    default:
        return false;
    }
}

void MVApplication::BeginTCPIPFileSend(bool fullScenario) {
    // The status line of the new phase shows before the file is built.
    if (gBattle && gBattle->mMap) {
        gBattle->mMap->Refresh();
        if (gKernel) gKernel->UpdateScreen();
    }
    delete mOutgoingTurnFile;
    mOutgoingTurnFile = new GFile;
    mBytesToSend = 0;
    mPendingChunk = 0;
    if (!mOutgoingTurnFile->ITempFile(true)) {
        delete mOutgoingTurnFile;
        mOutgoingTurnFile = nullptr;
        return;
    }
    if (fullScenario) {
        // A new battle: the checks of the last one are done with.
        ResetExchangeChecks();
        // The host's fog-of-war level goes ahead of the game: the peer
        // computes and sees the battle at it too.
        if (mIsHost) {
            const uint8_t fog[2] = {kPacketFogLevel, static_cast<uint8_t>(mPrefs[kPrefFogOfWar])};
            ForceSendRecord(fog, 2, 0);
        }
        // The peer receives the game from its own point of view, as a fresh
        // start: neither side's must-give-orders byte travels.
        bool mustGive[2] = {false, false};
        if (gBattle) {
            for (int32_t s = 0; s < 2; ++s) {
                mustGive[s] = gBattle->mMustGiveOrders[s];
                gBattle->mMustGiveOrders[s] = false;
            }
        }
        mSide = 1 - mSide;
        mSidesSwapped = !mSidesSwapped;
        SaveGame(mOutgoingTurnFile);
        mSide = 1 - mSide;
        mSidesSwapped = !mSidesSwapped;
        if (gBattle) {
            for (int32_t s = 0; s < 2; ++s)
                gBattle->mMustGiveOrders[s] = mustGive[s];
        }
    } else if (gBattle) {
        gBattle->WritePartialTCP(mOutgoingTurnFile);
        if (mTCPIPPhase == 16) {
            mOutgoingTurnFile->WriteChar(1);
            gBattle->WriteActionPackets(mOutgoingTurnFile);
            // The quiet-turn counts only the computing machine keeps: without
            // them the two battles could end differently.
            mOutgoingTurnFile->WriteShort(gBattle->mQuietTurns[0]);
            mOutgoingTurnFile->WriteShort(gBattle->mQuietTurns[1]);
        } else {
            mOutgoingTurnFile->WriteChar(0);
        }
        // What units carry between turns beyond their records: the peer's
        // copies of them are read from records, as a saved game's are.
        WriteUnitExtras(mOutgoingTurnFile, gBattle);
    }
    mOutgoingTurnFile->FlushCompressedAndRewindAsPlainRead();
    mBytesToSend = mOutgoingTurnFile->GetFileLength();
    // The end marker carries the length and check value of the whole file.
    std::vector<uint8_t> bytes(static_cast<size_t>(std::max(mBytesToSend, 0)));
    if (!bytes.empty()) mOutgoingTurnFile->ReadBytes(bytes.data(), mBytesToSend);
    mOutgoingTurnFile->Rewind();
    mOutgoingLength = static_cast<uint32_t>(bytes.size());
    mOutgoingCRC = ComputeCRC32(bytes.data(), bytes.size());
    mOutgoingIndex = 0;
    mOutgoingBytes = std::move(bytes);
}

bool MVApplication::ChunkInOrder(const uint8_t* body, uint32_t length) {
    if (length < 5) return false;
    const uint32_t index = ReadBig32(body);
    if (index < mIncomingIndex) return false; // a repeat: already taken
    if (index > mIncomingIndex) {
        // One went missing or this came early; while a file is asked for
        // again, a late chunk of the refused sending is only dropped.
        if (!(mAwaitedMarker != 0 && mIncomingIndex == 0)) mIncomingBroken = true;
        return false;
    }
    return !mIncomingBroken;
}

void MVApplication::ResetIncomingTransfer() {
    mIncomingIndex = 0;
    mIncomingLength = 0;
    mIncomingCRC = 0;
    mIncomingBroken = false;
}

bool MVApplication::IncomingFileWhole(const uint8_t* body, uint32_t length, bool* refused) {
    *refused = false;
    if (length != 8) {
        *refused = true;
        return false;
    }
    const uint32_t total = ReadBig32(body);
    const uint32_t crc = ReadBig32(body + 4);
    if (mIncomingIndex == 0 && !mIncomingBroken && total == mAcceptedLength && crc == mAcceptedCRC &&
        total != 0)
        return false; // the last file's marker once more
    if (mIncomingBroken || total != mIncomingLength || crc != mIncomingCRC) {
        *refused = true;
        return false;
    }
    mAcceptedLength = total;
    mAcceptedCRC = crc;
    ResetIncomingTransfer();
    return true;
}

void MVApplication::DropTransfers() {
    delete mIncomingTurnFile;
    mIncomingTurnFile = nullptr;
    ResetIncomingTransfer();
    delete mOutgoingTurnFile;
    mOutgoingTurnFile = nullptr;
    mOutgoingBytes.clear();
    mBytesToSend = 0;
    mPendingChunk = 0;
}

void MVApplication::RefuseIncomingFile(uint8_t marker) {
    delete mIncomingTurnFile;
    mIncomingTurnFile = nullptr;
    ResetIncomingTransfer();
    // The results' progress count starts again with the file.
    if (mTCPIPPhase == 18) mBytesCounted = 0;
    if (++mFileAttempts < kFileAttempts) {
        mAwaitedMarker = marker;
        const uint8_t again[2] = {21, marker};
        ForceSendRecord(again, 2, 0);
        return;
    }
    GiveUpFile(marker, false);
}

void MVApplication::StartOwnReplay() {
    mTCPIPPhase = 19;
    PlayAppSound(128, 28);
    ShowReplayControls(&mBattleScreen, true);
    DeleteTransferPanel();
    if (gBattle) gBattle->HandleCommand(15);
}

void MVApplication::GiveUpFile(uint8_t marker, bool unreadable) {
    // The peer is told inside TransferGivenUp: when this machine computes
    // the turn itself, only once it has.
    TransferGivenUp(static_cast<uint8_t>(marker | (unreadable ? kUnreadableFile : 0)), true);
}

void MVApplication::TransferGivenUp(uint8_t code, bool here) {
    const auto marker = static_cast<uint8_t>(code & ~kUnreadableFile);
    const bool unreadable = (code & kUnreadableFile) != 0;
    DropTransfers();
    mAwaitedMarker = 0;
    mFileAttempts = 0;
    mDeferredPackets.clear();
    mResendMarker = 0;
    // The second orders file after the set-up, when the machine that waited
    // for it computes the turn: the sender merged both orders but computed
    // nothing, so both go back to the exchange's second half. The receiver
    // waits for the file again, the sender gives GO again. (The sender that
    // computes, or the set-up's end, cannot be taken back.)
    const bool secondAgain = marker == 5 && gBattle &&
                             (here ? (mTCPIPPhase == 8 || mTCPIPPhase == 9) && mComputesTurn && !gBattle->mSetupPhase
                                   : mTCPIPPhase == 15);
    // The results: the machine that waited for them holds the battle the
    // peer computed the turn from, and the seed, so it computes the turn
    // itself; the peer replays its own. The digests at the replay's end
    // show whether both came to the same battle.
    const bool computeHere = marker == 10 && !unreadable && gBattle && !gBattle->Over() &&
                             (here ? mTCPIPPhase == 15 || mTCPIPPhase == 18
                                   : mTCPIPPhase == 16 || mTCPIPPhase == 17);
    const uint8_t givenUp[2] = {22, code};
    if (computeHere) {
        mNetworkReport = kConfirmResultsComputedHere;
        if (here) {
            DeleteTransferPanel();
            const bool computes = mComputesTurn;
            mComputesTurn = true;
            mTCPIPPhase = 14;
            DoCommand(9);
            mComputesTurn = computes;
        }
        StartOwnReplay();
        // Told only now, as the results' arrival is answered: told before
        // the turn is computed, the peer would start its replay, end it and
        // send its next orders while this machine still computes, and those
        // would come in behind the replay's start in one pass.
        if (here) ForceSendRecord(givenUp, 2, 0);
        Confirm(kConfirmResultsComputedHere);
        return;
    }
    if (here) ForceSendRecord(givenUp, 2, 0);
    if (secondAgain) {
        mTCPIPPhase = here ? 8 : 12;
        mNetworkReport = kConfirmExchangeAgain;
        Confirm(kConfirmExchangeAgain);
        return;
    }
    if (marker == 7) {
        // The first orders file: neither machine has merged or computed
        // anything of this exchange, so both go back to it. The sender
        // gives its orders (and GO) again, the receiver keeps its replay or
        // its orders; the connection stays.
        switch (mTCPIPPhase) {
        case 7:
        case 8:
        case 10:
        case 11:
            mTCPIPPhase = 6;
            break;
        case 20:
            mTCPIPPhase = 19;
            break;
        default:
            break;
        }
        mNetworkReport = kConfirmExchangeAgain;
        Confirm(kConfirmExchangeAgain);
        return;
    }
    // Neither plays on with a battle the other does not have; the peer is
    // told by its own box, not by the lost connection.
    OPCloseAfterAllSent(5);
    mPeerDiedMessageOff = true;
    mNetworkReport = kConfirmFileNotHad;
    Confirm(kConfirmFileNotHad);
}

void MVApplication::ResendKeptFile(uint8_t marker) {
    const int32_t slot = KeptSlot(marker);
    if (slot < 0 || !mHasKeptFile[slot]) {
        GiveUpFile(marker, false);
        return;
    }
    mResendMarker = marker;
    mResendOffset = 0;
    mResendIndex = 0;
}

void MVApplication::SendResentFile() {
    const int32_t slot = KeptSlot(mResendMarker);
    if (slot < 0) return;
    const std::vector<uint8_t>& file = mKeptFile[slot];
    std::vector<uint8_t> record;
    while (mResendOffset < file.size()) {
        const uint32_t n = std::min<uint32_t>(static_cast<uint32_t>(file.size()) - mResendOffset, kChunkBytes);
        record.assign(5, 0);
        record[0] = static_cast<uint8_t>(mResendMarker - 1);
        WriteBig32(record.data() + 1, mResendIndex);
        record.insert(record.end(), file.begin() + mResendOffset, file.begin() + mResendOffset + n);
        if (SendRecord(record.data(), static_cast<uint32_t>(record.size())) != 0) return;
        mResendOffset += n;
        ++mResendIndex;
    }
    uint8_t marker[9] = {mResendMarker};
    WriteBig32(marker + 1, static_cast<uint32_t>(file.size()));
    WriteBig32(marker + 5, ComputeCRC32(file.data(), file.size()));
    if (SendRecord(marker, sizeof marker) != 0) return;
    mResendMarker = 0;
}

void MVApplication::SetBytesCounted(int32_t count) {
    // The panel shows the count: drawn again when it changes, as the screen
    // around it may stand still.
    if (count != mBytesCounted)
        if (GView* panel = Alive(mTransferPanel)) panel->Refresh();
    mBytesCounted = count;
}

void MVApplication::NoteExchangeDigest() {
    if (!gBattle || mConnectionType != 2) return;
    mOwnDigestTurn = gBattle->mTurn;
    mOwnRecords = gBattle->SimulationRecords();
    mOwnDigest = Battle::DigestOf(mOwnRecords);
    // Behind the digest a hash of each record (as many as a record holds),
    // so that battles that differ can say where.
    const size_t hashes = std::min(mOwnRecords.size(), static_cast<size_t>((kChunkBytes - 13) / 4));
    std::vector<uint8_t> record(13 + 4 * hashes);
    record[0] = 20;
    WriteBig32(record.data() + 1, static_cast<uint32_t>(mOwnDigestTurn));
    WriteBig32(record.data() + 5, static_cast<uint32_t>(mOwnDigest >> 32));
    WriteBig32(record.data() + 9, static_cast<uint32_t>(mOwnDigest));
    for (size_t i = 0; i < hashes; ++i)
        WriteBig32(record.data() + 13 + 4 * i, RecordHash(mOwnRecords[i]));
    ForceSendRecord(record.data(), static_cast<uint32_t>(record.size()), 0);
    CompareDigests();
}

void MVApplication::ResetExchangeChecks() {
    mAwaitedMarker = 0;
    mFileAttempts = 0;
    mDeferredPackets.clear();
    mResendMarker = 0;
    for (int32_t slot = 0; slot < 3; ++slot) {
        mKeptFile[slot].clear();
        mHasKeptFile[slot] = false;
    }
    mUnreadableScenarios = 0;
    mAwaitedDifferRecord = false;
    mDifferRecordDeadline = 0;
    mOwnDigestTurn = -1;
    mPeerDigestTurn = -1;
    mDigestsAgreed = 0;
    mBattlesDiffer = false;
    mNetworkReport = -1;
}

void MVApplication::CompareDigests() {
    if (mOwnDigestTurn < 0 || mOwnDigestTurn != mPeerDigestTurn) return;
    const bool same = mOwnDigest == mPeerDigest;
    mPeerDigestTurnCompared = mOwnDigestTurn;
    mOwnDigestTurn = -1;
    mPeerDigestTurn = -1;
    if (same) {
        ++mDigestsAgreed;
        return;
    }
    // The first record whose hash differs is named in the log, and its
    // bytes go to the peer, which names the field (as this machine does
    // with the peer's).
    size_t at = 0;
    while (at < mOwnRecords.size() && at < mPeerRecordHashes.size() &&
           RecordHash(mOwnRecords[at]) == mPeerRecordHashes[at])
        ++at;
    if (at < mOwnRecords.size()) {
        const Battle::SimulationRecord& own = mOwnRecords[at];
        mBattlesDifferLine = "battles differ after turn " + std::to_string(mPeerDigestTurnCompared) + ": " +
                             own.name;
        std::vector<uint8_t> record(5);
        record[0] = 23;
        WriteBig32(record.data() + 1, static_cast<uint32_t>(at));
        record.insert(record.end(), own.bytes.begin(),
                      own.bytes.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(own.bytes.size(), kChunkBytes)));
        ForceSendRecord(record.data(), static_cast<uint32_t>(record.size()), 0);
        mAwaitedDifferRecord = true;
    } else {
        mBattlesDifferLine = "battles differ after turn " + std::to_string(mPeerDigestTurnCompared);
    }
    std::fprintf(stderr, "%s\n", mBattlesDifferLine.c_str());
    BattlesDiffer();
}

void MVApplication::CloseAfterDifferRecord() {
    mAwaitedDifferRecord = false;
    mDifferRecordDeadline = 0;
    OPCloseAfterAllSent(5);
}

void MVApplication::NameDifferingField(const uint8_t* data, uint32_t length) {
    if (mAwaitedDifferRecord && mBattlesDiffer) CloseAfterDifferRecord();
    const uint32_t at = ReadBig32(data + 1);
    if (at >= mOwnRecords.size()) return;
    Battle::SimulationRecord peer;
    peer.name = mOwnRecords[at].name;
    peer.bytes.assign(data + 5, data + length);
    const std::string difference = Battle::RecordDifference(mOwnRecords[at], peer);
    if (difference.empty()) return;
    mBattlesDifferLine = "battles differ: " + difference;
    std::fprintf(stderr, "%s\n", mBattlesDifferLine.c_str());
}

void MVApplication::BattlesDiffer() {
    mBattlesDiffer = true;
    DropTransfers();
    mAwaitedMarker = 0;
    mDeferredPackets.clear();
    mResendMarker = 0;
    // The peer finds the same difference with the digest it has from here
    // and says so itself; the closing connection adds no second box. When
    // this machine sent the record it found different, the connection stays
    // until the peer's comes (or 5 s have passed), so that both can name
    // the field.
    if (mAwaitedDifferRecord)
        mDifferRecordDeadline = NetworkClock() + kDifferRecordWaitMs;
    else
        OPCloseAfterAllSent(5);
    mPeerDiedMessageOff = true;
    mNetworkReport = kConfirmBattlesDiffer;
    Confirm(kConfirmBattlesDiffer);
}

void MVApplication::WriteIncomingBytesToDisk(const uint8_t* data, uint32_t length) {
    if (length == 0) return;
    ++mIncomingIndex;
    mIncomingLength += length;
    mIncomingCRC = ComputeCRC32(data, length, mIncomingCRC);
    if (!mIncomingTurnFile) {
        mIncomingTurnFile = new GFile;
        if (!mIncomingTurnFile->ITempFile(false)) {
            delete mIncomingTurnFile;
            mIncomingTurnFile = nullptr;
            return;
        }
    }
    mIncomingTurnFile->WriteBytes(data, static_cast<int32_t>(length));
}

void MVApplication::SendTCPIPFile() {
    if (!mOutgoingTurnFile) return;
    bool results = mTCPIPPhase == 16;
    bool second = mTCPIPPhase == 3 || mTCPIPPhase == 13;
    while (mBytesToSend > 0) {
        if (mPendingChunk == 0) {
            mPendingChunk = std::min(mBytesToSend, kChunkBytes);
            mChunk[0] = results ? 9 : (second ? 4 : 6);
            WriteBig32(mChunk + 1, mOutgoingIndex);
            mOutgoingTurnFile->ReadBytes(mChunk + 5, mPendingChunk);
        }
        if (SendRecord(mChunk, static_cast<uint32_t>(mPendingChunk) + 5) != 0) return;
        mBytesToSend -= mPendingChunk;
        mPendingChunk = 0;
        ++mOutgoingIndex;
    }
    uint8_t marker[9] = {static_cast<uint8_t>(results ? 10 : (second ? 5 : 7))};
    WriteBig32(marker + 1, mOutgoingLength);
    WriteBig32(marker + 5, mOutgoingCRC);
    if (SendRecord(marker, sizeof marker) != 0) return;
    // Kept until the next file of its kind, should the peer ask again.
    if (const int32_t slot = KeptSlot(marker[0]); slot >= 0) {
        mKeptFile[slot] = std::move(mOutgoingBytes);
        mHasKeptFile[slot] = true;
    }
    mOutgoingBytes.clear();
    if (mTCPIPPhase == 13) {
        // Both machines apply both orders files through the same merge.
        delete mIncomingTurnFile;
        mIncomingTurnFile = mOutgoingTurnFile;
        mOutgoingTurnFile = nullptr;
        MergeTCPIPFile(true, true);
        CommunicateAction();
        return;
    }
    delete mOutgoingTurnFile;
    mOutgoingTurnFile = nullptr;
}

void MVApplication::ReceivePacket(const uint8_t* data, uint32_t length) {
    if (!data || length == 0) return;
    const uint8_t type = data[0];
    if (!WellFormed(type, length)) return;
    switch (type) {
    case 20:
        mPeerDigestTurn = static_cast<int32_t>(ReadBig32(data + 1));
        mPeerDigest = (static_cast<uint64_t>(ReadBig32(data + 5)) << 32) | ReadBig32(data + 9);
        mPeerRecordHashes.clear();
        for (uint32_t at = 13; at + 4 <= length; at += 4)
            mPeerRecordHashes.push_back(ReadBig32(data + at));
        CompareDigests();
        return;
    case 23:
        NameDifferingField(data, length);
        return;
    case 21:
        ResendKeptFile(data[1]);
        return;
    case 22:
        TransferGivenUp(data[1], false);
        return;
    case kPacketFogLevel:
        if (!mIsHost && data[1] <= 3) mHostFogLevel = static_cast<int8_t>(data[1]);
        return;
    default:
        break;
    }
    if (mBattlesDiffer) return;
    // While a refused file is asked for again, another file's packets (the
    // peer may have gone on to its results) wait until it is in.
    const uint8_t awaited = mAwaitedMarker;
    if (awaited != 0 && type >= 4 && type <= 10 && type != awaited && type != awaited - 1) {
        mDeferredPackets.emplace_back(data, data + length);
        return;
    }
    ReceivePhasePacket(data, length);
    if (awaited != 0 && mAwaitedMarker == 0 && !mDeferredPackets.empty()) {
        std::vector<std::vector<uint8_t>> later;
        later.swap(mDeferredPackets);
        for (const std::vector<uint8_t>& packet : later)
            ReceivePacket(packet.data(), static_cast<uint32_t>(packet.size()));
    }
}

void MVApplication::ReceivePhasePacket(const uint8_t* data, uint32_t length) {
    const uint8_t type = data[0];
    switch (type) {
    case 19: {
        if (data[length - 1] != 0) return;
        if (!gBattle || !gBattle->mMap || mRadioWidest <= 0) return;
        GString255 text;
        uint32_t n = 0;
        while (n + 1 < length && data[n + 1] != 0 && n < text.GetCapacity())
            text.AddChar(static_cast<char>(data[1 + n++]));
        AddRadioText(&text, 1 - mSide);
        if (Alive(gBattle->mScreen) && gBattle->mScreen->IsVisible()) PlayAppSound(190, 5);
        return;
    }
    case 17:
        // Late for a machine that has gone on to an operation's next
        // battle (the host waiting for the joining side, the joining side
        // waiting for the battle): the operation goes on.
        if (mTCPIPPhase != 2 && mTCPIPPhase != 5) mPeerDiedMessageOff = true;
        return;
    case 18:
        mPeerQuit = true;
        return;
    case 15: {
        mPeerPause = true;
        uint8_t answer[2] = {16, static_cast<uint8_t>(mOwnPauseRequest ? 1 : 0)};
        ForceSendRecord(answer, 2, 0);
        if (mOwnPauseRequest) PauseTCPIP();
        return;
    }
    case 14:
        mClientReady = true;
        return;
    case 16:
        mPeerPause = data[1] != 0;
        if (mPeerPause && mOwnPauseRequest) PauseTCPIP();
        return;
    case 12:
        if (mTransferPanel) {
            SetBytesCounted(static_cast<int32_t>(ReadBig32(data + 1)));
            mTurnClockStart = static_cast<int32_t>(NetworkClock());
        }
        return;
    default:
        break;
    }
    const uint8_t* body = data + 1;
    uint32_t bodyLength = length - 1;
    // A turn file is taken only whole and in order: a repeated chunk is
    // dropped, a missing or early one breaks the file, and the end marker's
    // length and check value must match what came.
    if (type == 4 || type == 6 || type == 9) {
        if (!ChunkInOrder(body, bodyLength)) return;
        body += 4;
        bodyLength -= 4;
    } else if (type == 5 || type == 7 || type == 10) {
        bool refused = false;
        if (!IncomingFileWhole(body, bodyLength, &refused)) {
            // A marker after nothing at all is a file cut whole where the
            // phase waits for one.
            if (refused && (mIncomingTurnFile || mIncomingBroken || ExpectsFile(type) || mAwaitedMarker == type))
                RefuseIncomingFile(type);
            return;
        }
        mAwaitedMarker = 0;
        mFileAttempts = 0;
    }
    switch (mTCPIPPhase) {
    case 1:
        if (type == 2) {
            BeginTCPIPFileSend(true);
            mTCPIPPhase = 3;
        } else if (type == 3) {
            Confirm(kConfirmOtherBuild);
        }
        return;
    case 4:
        if (type == 11) {
            mTCPIPPhase = 6;
            // The button and the panel it sits on: the host's screen was built
            // with the panel hidden.
            if (Alive(mBattleScreen.mGoButton)) mBattleScreen.mGoButton->Show(true);
            GoButtonChanged(true);
            AddRadioInstructions();
            mTurnClockStart = static_cast<int32_t>(NetworkClock() - kReplayAllowance +
                                                   static_cast<uint32_t>(mTurnTimeLimit));
        }
        return;
    case 5:
        if (type == 1) {
            bool same = static_cast<int32_t>(ReadBig32(body)) == BuildNumber();
            uint8_t answer = same ? 2 : 3;
            ForceSendRecord(&answer, 1, 0);
            if (!same) Confirm(kConfirmOtherBuild);
        } else if (type == 4) {
            WriteIncomingBytesToDisk(body, bodyLength);
        } else if (type == 5 && mIncomingTurnFile) {
            GFile* file = mIncomingTurnFile;
            mIncomingTurnFile = nullptr;
            // A scenario that came whole (its length and check value right)
            // but does not decompress or read as a game is asked for again,
            // as a damaged one is; after the last sending both machines are
            // told and go back to the menu. Without it the host waited in
            // phase 4 for a side that had no game.
            if (!file->RewindAndReadAsCompressed() || !ReadsAsGame(file)) {
                delete file;
                // Its whole end marker began the count of sendings anew:
                // these are counted on their own.
                mFileAttempts = mUnreadableScenarios++;
                RefuseIncomingFile(type);
                return;
            }
            ResetExchangeChecks();
            HighLevelLoadGame(file);
            if (!gBattle) {
                // An operation whose battle could not be made: the host is
                // told, and both end here.
                GiveUpFile(type, true);
                return;
            }
            mLastSaveName = mScenarioFileName;
            mTCPIPPhase = 6;
        }
        return;
    case 6:
        if (type == 6) {
            mTCPIPPhase = 10;
            ReceivePacket(data, length);
        }
        return;
    case 7:
        if (type == 6 && !mIsHost) {
            // Both pressed GO at once: the joining side gives way.
            delete mOutgoingTurnFile;
            mOutgoingTurnFile = nullptr;
            mBytesToSend = 0;
            mPendingChunk = 0;
            mTCPIPPhase = 11;
            ReceivePacket(data, length);
        }
        return;
    case 8:
        if (type == 6 && !mIsHost) {
            mTCPIPPhase = 11;
            ReceivePacket(data, length);
        } else if (type == 4) {
            mTCPIPPhase = 9;
            ReceivePacket(data, length);
        }
        return;
    case 9:
        if (type == 4) {
            WriteIncomingBytesToDisk(body, bodyLength);
        } else if (type == 5) {
            if (!MergeTCPIPFile(true, false)) {
                GiveUpFile(type, true);
                return;
            }
            if (mNewTCPIPTextures) LoadNewTCPIPTextures();
            CommunicateAction();
        }
        return;
    case 10:
    case 11:
        if (type == 6) {
            WriteIncomingBytesToDisk(body, bodyLength);
        } else if (type == 7) {
            // A whole file the merge refuses changes nothing here: the
            // phase and clock stay, and both players are told.
            if (!MergeTCPIPFile(false, false)) {
                GiveUpFile(type, true);
                return;
            }
            PlayAppSound(128, 28);
            bool goPressed = mTCPIPPhase == 11;
            mTCPIPPhase = goPressed ? 13 : 12;
            if (mNewTCPIPTextures) LoadNewTCPIPTextures();
            if (goPressed) {
                BeginTCPIPFileSend(false);
            } else if (gBattle && mSide >= 0 && mSide <= 1 && gBattle->mSurrenderState[1 - mSide] == 2) {
                DoCommand(9);
            }
        }
        return;
    case 15:
        if (type == 8) {
            MakeTransferPanel(static_cast<int32_t>(ReadBig32(body)));
        } else if (type == 9) {
            mTCPIPPhase = 18;
            ReceivePacket(data, length);
        }
        return;
    case 17:
        if (type == 13) StartOwnReplay();
        return;
    case 18:
        if (type == 9) {
            WriteIncomingBytesToDisk(body, bodyLength);
            SetBytesCounted(mBytesCounted + static_cast<int32_t>(bodyLength));
            uint8_t report[5] = {12};
            WriteBig32(report + 1, static_cast<uint32_t>(mBytesCounted));
            ForceSendRecord(report, 5, 0);
        } else if (type == 10) {
            if (!MergeTCPIPFile(true, false)) {
                GiveUpFile(type, true);
                return;
            }
            if (Alive(mTransferBox)) mTransferBox->Refresh();
            if (gKernel) gKernel->UpdateScreen();
            DeleteTransferPanel();
            mTCPIPPhase = 19;
            if (gBattle) gBattle->ActionPhase(false, false);
            mTurnClockStart = static_cast<int32_t>(NetworkClock());
            if (gBattle) gBattle->HandleCommand(15);
            // Answered once the replay has begun: the peer's replay, and the
            // orders it sends at its end, come after this one's start.
            uint8_t received = 13;
            ForceSendRecord(&received, 1, 0);
        }
        return;
    case 19:
        if (type == 6) {
            mTCPIPPhase = 20;
            ReceivePacket(data, length);
        }
        return;
    case 20:
        if (type == 6) {
            WriteIncomingBytesToDisk(body, bodyLength);
        } else if (type == 7) {
            mTCPIPPhase = 21;
        }
        return;
    default:
        return;
    }
}

bool MVApplication::ExpectsFile(uint8_t marker) const {
    switch (mTCPIPPhase) {
    case 5:
    case 8:
    case 9:
        return marker == 5;
    case 6:
    case 10:
    case 11:
    case 19:
    case 20:
        return marker == 7;
    case 15:
    case 18:
        return marker == 10;
    default:
        return false;
    }
}

void MVApplication::TCPIPIdleStep() {
    if (mAwaitedDifferRecord && mBattlesDiffer &&
        static_cast<int32_t>(NetworkClock() - mDifferRecordDeadline) >= 0)
        CloseAfterDifferRecord();
    if (mResendMarker != 0) SendResentFile();
    SendTCPIPFile();
    switch (mTCPIPPhase) {
    case 0:
        if (OPHasConnection() && gBattle) {
            mTCPIPPhase = 1;
            uint8_t build[5] = {1};
            WriteBig32(build + 1, static_cast<uint32_t>(BuildNumber()));
            ForceSendRecord(build, 5, 0);
            if (auto* text = static_cast<GTextView*>(Alive(mTCPIPWaitBox))) {
                text->SetTextRez(1681);
                text->MoveTo(10, 65);
            }
        }
        break;
    case 2:
        if (mClientReady) {
            mClientReady = false;
            mTCPIPPhase = 3;
            BeginTCPIPFileSend(true);
        }
        break;
    case 3:
        if (!mOutgoingTurnFile && gBattle) {
            mTCPIPPhase = 4;
            gBattle->BeginBattle(true, true);
            gBattle->TruceOrSurrenderCheck(true);
        }
        break;
    case 7:
        if (!mOutgoingTurnFile) mTCPIPPhase = 8;
        break;
    case 16:
        if (!mOutgoingTurnFile) mTCPIPPhase = 17;
        break;
    default:
        break;
    }
    // The turn clock: an expired turn ends the orders or the replay.
    if (gBattle && mTurnClockStart != 0 && mTurnTimeLimit > 0 && !mPendingModal &&
        TCPIPTimeRemaining() == 0) {
        if (mTCPIPPhase == 6 || mTCPIPPhase == 12) {
            gBattle->SetSelectedUnit(nullptr);
            DoCommand(9);
        } else if (mTCPIPPhase == 19 || mTCPIPPhase == 21) {
            DoCommand(10);
        }
    }
}

void MVApplication::JoinerBeginsBattle() {
    uint8_t loaded = 11;
    ForceSendRecord(&loaded, 1, 0);
    mTurnClockStart =
        static_cast<int32_t>(NetworkClock() - kReplayAllowance + static_cast<uint32_t>(mTurnTimeLimit));
}
