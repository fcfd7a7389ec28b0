// Playback of a computed turn: the clock, packet dispatch, the effects, the
// playback controls with their rewind, and the sound queue.

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/ExplosionGraphic.h"
#include "battle/ShellGraphic.h"
#include "battle/SoundLimits.h"
#include "battle/SparkGraphic.h"
#include "battle/UnitList.h"
#include "battle/VehicleHitRules.h"
#include "engine/GOLTA.h"
#include "map/BuildingWallCrater.h"
#include "map/Map.h"
#include "units/Unit.h"

uint32_t BattleHost::ClockTime() {
    return ::ClockTime();
}

namespace {

constexpr int32_t kPlaying = 15;
constexpr int32_t kPaused = 13;
constexpr int32_t kEndSound = 128;
constexpr int32_t kEndSoundPriority = 28;
constexpr int32_t kWindows = 160;
constexpr int32_t kKinds = 29;
constexpr uint8_t kEngineSound = 0x04;

bool IsEngineSound(const ActionPacket* p) {
    return (p->mSoundFlags & kEngineSound) != 0;
}

void ForEachUnit(UnitList* units, void (*fn)(Unit*, void*), void* context) {
    if (!units) return;
    for (int32_t i = 0; i < units->GetCount(); ++i)
        fn(units->GetUnit(i), context);
}

// Windows of half a second a sound of that kind keeps busy.
int32_t KindSpan(int32_t kind) {
    switch (kind) {
    case 4:
        return 1;
    case 6:
    case 11:
    case 16:
    case 20:
    case 21:
    case 22:
        return 2;
    case 7:
    case 8:
    case 9:
    case 25:
        return 3;
    case 10:
    case 15:
    case 17:
    case 19:
    case 24:
        return 4;
    case 12:
    case 13:
        return 5;
    case 26:
        return 6;
    case 18:
        return 10;
    case 27:
        return 25;
    default:
        return 0;
    }
}

} // namespace

uint32_t Battle::PlaybackClock() {
    return Host()->ClockTime();
}

void Battle::DeleteEffects() {
    mEffects.EmptyOut(true);
    mPlaybackList.EmptyOut(true);
}

int32_t Battle::LastTimeSlice(bool raw) const {
    const int32_t n = mPackets.GetCount();
    if (n == 0) return kSlicesPerTurn;
    const int32_t last = static_cast<ActionPacket*>(mPackets.GetObjectA(n - 1))->mTimeSlice;
    return !raw && last < kSlicesPerTurn ? kSlicesPerTurn : last;
}

bool Battle::AtEndOfPlayback() const {
    return mEffects.GetCount() == 0 && mPlayNow >= LastTimeSlice(false) + 10;
}

void Battle::AdvanceAnimations() {
    if (mComputing || mAIThinking) return;
    ForEachUnit(
        mUnits,
        [](Unit* u, void*) {
            if (u) u->AdvanceAnimation();
        },
        nullptr);
}

void Battle::BeginPlayback() {
    ForEachUnit(
        mUnits, [](Unit* u, void*) { u->PrepareForPlayback(); }, nullptr);
    mPlayNow = 0;
    mPlayPrevious = -1;
    mStartSoundsHeld = false;
    mPlayStart = PlaybackClock();
    if (mMap) mMap->RestoreMutableData(&mPackets);
}

void Battle::Playback() {
    if (mPlayState == kPaused) return;
    // Effects step first, on the interval the previous pass reached.
    mEffects.DoForEach(AdvanceShellGraphic, &mPlaybackList);
    mEffects.DeleteSome(EphemeralExpired, nullptr, true);
    for (int32_t k = 0; k < mPlaybackList.GetCount(); ++k)
        mEffects.Add(mPlaybackList.GetObjectA(k));
    mPlaybackList.EmptyOut(false);

    mDispatching = true;
    // The first pass also plays what was recorded before slice 0 (the fires'
    // crackle starts as early as slice -1).
    const int32_t after = mPlayPrevious <= -1 ? -2 : mPlayPrevious;
    const int32_t n = mPackets.GetCount();
    if (mStartSoundsHeld) {
        // The start was shown silently by a rewind while held: its sounds are
        // heard now, unless a seek plays on without sound.
        mStartSoundsHeld = false;
        for (int32_t i = 0; i < n && !mSilent; ++i) {
            auto* p = static_cast<ActionPacket*>(mPackets.GetObjectA(i));
            if (p->mType == kPacketSound && p->mTimeSlice > -2 && p->mTimeSlice <= after && !IsEngineSound(p))
                QueueSoundEffect(p);
        }
    }
    int32_t k = 0;
    if (mPacketsSorted) {
        // In playback order the due packets form one run: find its start.
        int32_t hi = n;
        while (k < hi) {
            const int32_t mid = k + (hi - k) / 2;
            if (static_cast<ActionPacket*>(mPackets.GetObjectA(mid))->mTimeSlice <= after)
                k = mid + 1;
            else
                hi = mid;
        }
    }
    for (; k < n; ++k) {
        auto* p = static_cast<ActionPacket*>(mPackets.GetObjectA(k));
        if (mPacketsSorted && p->mTimeSlice > mPlayNow) break;
        if (p->mTimeSlice > after && p->mTimeSlice <= mPlayNow) DispatchPacket(p);
    }
    struct Step {
        int32_t mUpTo, mNow, mElapsed;
    } step{mPlayNow < kSlicesPerTurn ? mPlayNow : kSlicesPerTurn, mPlayNow, mPlayNow - mPlayPrevious};
    ForEachUnit(
        mUnits,
        [](Unit* u, void* c) {
            auto* s = static_cast<Step*>(c);
            u->ProcessTimeSlice(s->mUpTo, s->mNow, s->mElapsed);
        },
        &step);
    mDispatching = false;

    mPlayPrevious = mPlayNow;
    mPlayNow = static_cast<int32_t>(static_cast<uint64_t>(PlaybackClock() - mPlayStart) * 40 / 1000);
    BattleHost* host = Host();
    // A slow pass may jump past the end: the end waits one more pass so
    // that the packets of the last interval are still played.
    const bool allPlayed = mPackets.GetCount() == 0 || mPlayPrevious >= LastTimeSlice(true);
    if (AtEndOfPlayback() && allPlayed) {
        host->PlaySound(kEndSound, kEndSoundPriority);
        ForEachUnit(
            mUnits, [](Unit* u, void*) { u->CompletePlayback(); }, nullptr);
        mPlayState = kPaused;
        // The replay is over, not held: the figures go on moving.
        mPlaybackPaused = false;
    }
    if (!mSilent) host->PlaybackPanelChanged(mPlayState, mPlayNow / 40);
    VerifySelectedUnit();
    if (mSelectedUnit) RefreshInfoPanel();
}

void Battle::SetPlaypoint(int32_t slice) {
    mPlayNow = slice;
    const int32_t kept = mPlayState;
    mSilent = true;
    mPlayState = kPlaying;
    Playback();
    mSilent = false;
    if (mPlayState != kPaused) mPlayState = kept;
    mPlayPrevious = slice;
    mPlayNow = slice + 1;
    mPlayStart =
        static_cast<uint32_t>(static_cast<int64_t>(PlaybackClock()) - static_cast<int64_t>(mPlayNow * 25.0));
    Host()->PlaybackPanelChanged(mPlayState, mPlayNow / 40);
}

void Battle::HandleVCRButton(int32_t command, bool shift) {
    const int32_t step = shift ? kSlicesPerTurn / 30 : kSlicesPerTurn / 6;
    auto restart = [this]() {
        if (mMap) mMap->ClearReplaySounds(false);
        BeginPlayback();
        DeleteEffects();
    };
    BattleHost* host = Host();
    switch (command) {
    case 11: {
        // A slow screen hides the pointer and the battlefield while the
        // replay starts again, then draws it whole.
        const bool slow = host->SlowRedraw();
        if (slow) {
            host->ShowCursor(false);
            if (mMap) mMap->mDrawMode = 0;
        }
        restart();
        // Held, the screen shows the turn's start at once, as the clock
        // does: what the first slice's packets set is played silently. Their
        // sounds (squares already burning, burning wrecks) wait for play.
        if (mPlayState == kPaused) {
            SetPlaypoint(0);
            mPlayNow = 0;
            mPlayStart = PlaybackClock();
            mStartSoundsHeld = true;
        }
        RefreshInfoPanel();
        if (slow) {
            if (mMap) {
                mMap->mDrawMode = 2;
                mMap->Refresh();
            }
            host->UpdateScreen();
            host->UpdateScreen();
            host->ShowCursor(true);
        }
        break;
    }
    case 12: {
        host->FlushSoundCache(0);
        const int32_t target = mPlayNow - step;
        if (target <= 1) {
            HandleVCRButton(11, shift);
            return;
        }
        restart();
        SetPlaypoint(target);
        break;
    }
    case 13:
        if (mPlayState != kPaused) mPlayState = kPaused;
        mPlaybackPaused = true;
        break;
    case 14: {
        int32_t target = mPlayNow + step;
        const int32_t end = LastTimeSlice(false) + 10;
        const bool reachesEnd = target >= end;
        if (reachesEnd) target = end;
        if (target > mPlayPrevious) {
            SetPlaypoint(target);
            if (reachesEnd) {
                DeleteEffects();
                SetPlaypoint(target);
            }
        }
        break;
    }
    case 15:
        if (mPlayState != kPlaying) {
            mPlayStart = static_cast<uint32_t>(static_cast<int64_t>(PlaybackClock()) -
                                               static_cast<int64_t>(mPlayNow * 25.0));
            mPlayState = kPlaying;
        }
        mPlaybackPaused = false;
        break;
    default:
        return; // not a playback control
    }
    Host()->PlaybackPanelChanged(mPlayState, mPlayNow / 40);
    if (mSelectedUnit && mSelectedUnit->VisibleToPlayer(true) == 0) SetSelectedUnit(nullptr);
}

void Battle::DispatchPacket(ActionPacket* p) {
    switch (p->mType) {
    case kPacketUnitState:
        if (p->mUnit) p->mUnit->ProcessActionPacket(p);
        break;
    case kPacketShell:
        HandleShellBodyPacket(p);
        break;
    case kPacketSound:
        if (!mSilent || IsEngineSound(p)) QueueSoundEffect(p);
        break;
    case kPacketFire:
        if (mMap) mMap->StartFire(p->mX, p->mY, p->mZ != 0.0f, false);
        break;
    case kPacketRubble:
        CollapseBuilding(p);
        break;
    case kPacketSmokeOn:
        AddSmokeShell(p);
        break;
    case kPacketSmokeOff:
        RemoveSmokeShell(p);
        break;
    case kPacketCrater:
        if (mMap)
            mMap->HandleCraterPacket(p->mX, p->mY, p->mDimension[0], p->mDimension[1], p->mDimension[2],
                                     p->mCraterKind, p->mCraterSide);
        break;
    case kPacketCraterRemoved:
        if (mMap) mMap->RemoveCrater(p->mX, p->mY);
        break;
    case kPacketFoxholeSpotted:
        if (mMap) mMap->SpotOneFoxhole(p->mX, p->mY);
        break;
    case kPacketBuilding:
        if (mMap) mMap->UpdateBuilding(p->mX, p->mY, p->mDamage, p->mBuildingState);
        break;
    case kPacketArmorHit:
        if (p->mVehicle && gVehicleHitRules.tagArmorHitRecord)
            gVehicleHitRules.tagArmorHitRecord(p->mVehicle, p);
        break;
    case kPacketClearDoodads:
        if (mMap) mMap->ClearDoodads(p->mX, p->mY);
        break;
    case kPacketSparks:
        HandleSparkPacket(p);
        break;
    default:
        break;
    }
}

void Battle::HandleShellBodyPacket(ActionPacket* p) {
    auto* s = new ShellGraphic;
    s->mLook = p->mLook;
    s->mStart = p->mTimeSlice;
    s->mDuration = p->mFlightTime;
    s->mShowToEnemy =
        p->mFlightTime > 0 && ((p->mShellFlags & 0x04) != 0 || (p->mFirer && p->mFirer->ShowShellToEnemy()));
    s->mRaisedBurst = (p->mShellFlags & 0x10) != 0;
    s->mDownwardBurst = (p->mShellFlags & 0x08) != 0;
    s->mBlast = p->mBlast;
    s->mMuzzleHeight = p->mMuzzleHeight;
    s->mTargetX = p->mEndX;
    s->mTargetY = p->mEndY;
    s->mTargetZ = p->mEndZ;
    const float dx = p->mEndX - p->mX, dy = p->mEndY - p->mY;
    if (dx == 0.0f) {
        s->mHeading = dy < 0.0f ? 270.0f : 90.0f;
    } else {
        float h = std::atan(dy / dx) * 180.0f / 3.14159265358979f;
        if (dx < 0.0f)
            h += 180.0f;
        else if (h < 0.0f)
            h += 360.0f;
        s->mHeading = h;
    }
    s->mImpactKind = p->mBlast <= 0.0f ? 0 : (p->mShellFlags & 0x03);
    s->mFirer = p->mFirer;
    s->mHeavyShell = s->mLook < 20;
    if (s->mHeavyShell) {
        s->mX = p->mX;
        s->mY = p->mY;
        s->mZ = p->mZ;
    }
    mEffects.Add(s);
}

void Battle::HandleSparkPacket(ActionPacket* p) {
    const uint8_t seen = Host()->ViewingSide() == 0 ? 0x02 : 0x01;
    if (!(p->mSparkFlags & seen)) return;
    auto* s = new SparkGraphic;
    s->mX = p->mX;
    s->mY = p->mY;
    s->mZ = p->mZ;
    s->mStart = p->mTimeSlice;
    s->mDuration = 80;
    s->CreateSparks(p->mEnergy, p->mHeading);
    mEffects.Add(s);
}

void Battle::CollapseBuilding(ActionPacket* p) {
    if (!mMap) return;
    Building* b = mMap->GetBuildingAtXY(p->mX, p->mY);
    if (!b && mMap->OnMap(p->mX, p->mY))
        b = mMap->GetBuildingAtCR(static_cast<int32_t>(p->mX * 0.05f), static_cast<int32_t>(p->mY * 0.05f));
    const bool standing = b && !b->mRuined;
    // A building with an upper floor raises the big cloud.
    const bool big = standing && b->mType >= kTerrainUpperLight && b->mType <= kTerrainUpperHeavyClosed;
    mMap->RubbleizeBuilding(p->mX, p->mY, p->mTimeSlice);
    if (!standing) return;
    // The cloud's own draws come from a generator seeded by the packet, so
    // that a rewound replay raises the same cloud; the game's sequence
    // resumes untouched.
    const uint32_t kept = GetRandomState();
    SeedRandomGenerator(static_cast<uint32_t>(b->mColumn) * 4099u + static_cast<uint32_t>(b->mRow) * 7u +
                        static_cast<uint32_t>(p->mTimeSlice) * 131u);
    RubbleCloud(p->mX, p->mY, big, p->mTimeSlice);
    SeedRandomGenerator(kept);
}

void Battle::RubbleCloud(float x, float y, bool big, int32_t startSlice) {
    auto* e = new ExplosionGraphic;
    e->mShardCount = 0;
    e->mBurstKind = 1;
    e->mX = x;
    e->mY = y;
    e->mZ = mMap ? mMap->GetZCoord(x, y) : 0.0f;
    e->mBlast = big ? 20.0f * 4.5f : 20.0f * 3.0f;
    e->mRubble = true;
    e->mRaisedBurst = true;
    e->mStart = startSlice >= 0 ? startSlice : mPlayNow;
    e->mDuration = static_cast<int32_t>((EffectU() * 2.0f + 7.0f + (big ? 1.5f : 0.0f)) * 40.0f);
    e->CreateShards();
    mEffects.Add(e);
}

// ------------------------------------------------------------------ sounds

void Battle::QueueSoundEffect(ActionPacket* p) {
    const uint8_t heard = Host()->ViewingSide() == 0 ? 0x02 : 0x01;
    if (p->mSoundFlags & heard) mSoundQueue.Enqueue(p);
}

void Battle::RemoveQueuedEngineSound(Unit* unit) {
    for (int32_t k = mSoundQueue.GetCount() - 1; k >= 0; --k) {
        auto* p = static_cast<ActionPacket*>(mSoundQueue.GetObjectA(k));
        if (p->mSource == unit && IsEngineSound(p)) mSoundQueue.DeleteIndex(k, false);
    }
}

void Battle::PlaySoundQueue() {
    for (int32_t k = 0; k < mSoundQueue.GetCount();) {
        auto* p = static_cast<ActionPacket*>(mSoundQueue.GetObjectA(k));
        bool later = false;
        if (IsEngineSound(p) && p->mSource) {
            for (int32_t j = k + 1; j < mSoundQueue.GetCount() && !later; ++j) {
                auto* q = static_cast<ActionPacket*>(mSoundQueue.GetObjectA(j));
                later = q->mSource == p->mSource && IsEngineSound(q);
            }
        }
        if (later)
            mSoundQueue.DeleteIndex(k, false);
        else
            ++k;
    }
    BattleHost* host = Host();
    for (int32_t k = 0; k < mSoundQueue.GetCount(); ++k)
        host->PlayPacketSound(static_cast<ActionPacket*>(mSoundQueue.GetObjectA(k)));
    mSoundQueue.EmptyOut(false);
}

void Battle::StripSuperfluousSounds() {
    static int32_t counts[kWindows][kKinds];
    for (auto& row : counts)
        for (int32_t& c : row)
            c = 0;
    int32_t cutoff[kWindows] = {};
    auto windowOf = [](const ActionPacket* p) { return static_cast<int32_t>(p->mTimeSlice * 2 * 0.025); };
    auto kindOf = [](const ActionPacket* p) {
        return p->mPriority < 0 ? 0 : (p->mPriority >= kKinds ? kKinds - 1 : p->mPriority);
    };
    const int32_t n = mPackets.GetCount();
    for (int32_t i = 0; i < n; ++i) {
        auto* p = static_cast<ActionPacket*>(mPackets.GetObjectA(i));
        if (p->mType != kPacketSound || (p->mSoundFlags & 0x03) != 0x03) continue;
        const int32_t w = windowOf(p);
        const int32_t k = kindOf(p);
        int32_t span;
        if (IsEngineSound(p)) {
            if (!p->mSource) {
                span = kWindows - 1 - w;
            } else {
                span = 0;
                for (int32_t j = i + 1; j < n; ++j) {
                    auto* q = static_cast<ActionPacket*>(mPackets.GetObjectA(j));
                    if (q->mType == kPacketSound && IsEngineSound(q) && q->mSource == p->mSource) {
                        span = windowOf(q) - (w + 1);
                        break;
                    }
                }
            }
        } else {
            span = KindSpan(k);
        }
        // The list is thinned before it is sorted, so a unit's next engine
        // sound may lie earlier: such spans count nowhere.
        if (span <= 0 || w < 0 || w >= kWindows) continue;
        for (int32_t j = 0; j < span && w + j < kWindows; ++j)
            ++counts[w + j][k];
        if (w > 0) ++counts[w - 1][k];
    }
    // What the sound manager could play: its second list's channels, each
    // kind at its instance limit.
    const int32_t limit = kThinningChannels;
    int32_t caps[kKinds];
    for (int32_t k = 0; k < kKinds; ++k)
        caps[k] = MyInstanceLimit(ConvertToActivePriority(k));
    for (int32_t w = 0; w < kWindows; ++w) {
        int32_t sum = 0;
        for (int32_t k = kKinds - 1; k >= 1; --k) {
            sum += counts[w][k] < caps[k] ? counts[w][k] : caps[k];
            if (sum >= limit) {
                cutoff[w] = k;
                break;
            }
        }
    }
    struct Strip {
        int32_t* mCutoff;
    } strip{cutoff};
    mPackets.DeleteSome(
        [](GObject* member, void* context) {
            auto* p = static_cast<ActionPacket*>(member);
            if (p->mType != kPacketSound || IsEngineSound(p)) return false;
            const int32_t w = static_cast<int32_t>(p->mTimeSlice * 2 * 0.025);
            const int32_t k = p->mPriority;
            return w >= 0 && w < kWindows && k < static_cast<Strip*>(context)->mCutoff[w];
        },
        &strip, true);
}
