#include "platform/SoftDevice3D.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "platform/SoftPixel.h"
#include "platform/SoftThreads.h"

using namespace SoftValue;

namespace {

// n copies of v from p on: with memset where both bytes are the same (the
// far depth), else eight bytes a store (the plain loop stores two a time).
void Fill16(uint16_t* p, size_t n, uint16_t v) {
    if ((v >> 8) == (v & 0xFF)) {
        std::memset(p, v & 0xFF, n * sizeof(uint16_t));
        return;
    }
    const uint64_t four = 0x0001000100010001ull * v;
    for (; n > 0 && (reinterpret_cast<uintptr_t>(p) & 7) != 0; --n) *p++ = v;
    for (; n >= 4; n -= 4, p += 4) std::memcpy(p, &four, sizeof four);
    for (; n > 0; --n) *p++ = v;
}

constexpr int32_t kBandRows = 16;        // rows of the target one thread draws at a time
constexpr size_t kQueueLimit = 1 << 16;  // queued triangles that make the device draw at once

// The devices with queued triangles (for FlushAll).
std::mutex& PendingLock() {
    static std::mutex lock;
    return lock;
}
std::vector<SoftDevice3D*>& Pending() {
    static std::vector<SoftDevice3D*> list;
    return list;
}

}  // namespace

// Set-up of one triangle as drawn: cut to the guard band first when a
// corner lies beyond it. Writes up to kMaxPieces set-ups, returns how many.
constexpr int32_t kMaxPieces = 6;

int32_t SetupPieces(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c, int32_t width,
                    int32_t height, TriangleSetup* out) {
    // Set-up checks the band itself: most triangles lie inside it and need
    // no second look at their corners.
    if (SetupTriangle(a, b, c, width, height, out)) return 1;
    if (InsideGuardBand(a, width, height) && InsideGuardBand(b, width, height) && InsideGuardBand(c, width, height))
        return 0;
    if (!(a.rhw > 0.0f) || !(b.rhw > 0.0f) || !(c.rhw > 0.0f)) return 0;
    RasterVertex poly[8];
    const int32_t n = ClipToGuardBand(a, b, c, width, height, poly);
    int32_t m = 0;
    for (int32_t i = 1; i + 1 < n && m < kMaxPieces; ++i) {
        // Flat shading keeps the colour of the triangle's first corner.
        RasterVertex p0 = poly[0];
        p0.color = a.color;
        if (SetupTriangle(p0, poly[i], poly[i + 1], width, height, &out[m])) ++m;
    }
    return m;
}

constexpr int32_t kSetupChunk = 256;  // queued triangles one thread sets up at a time
// Drawing jobs (see BandJobs): a set-up's work in a band is guessed as the
// pixels of its box there, four times that when blended (see-through puffs
// are filtered and blended, layer over layer), plus kItemWork; a band is cut
// when it holds more than 1 / kJobsPerThread of a thread's share, into runs
// of kMinJobRows rows at least. Every job a triangle reaches sets it up for
// its rows again (the hidden-box test, the texture path's set-up, the first
// row's edges), so the cut stays coarse: taken largest first, jobs of up to
// half a thread's share still end together.
constexpr int64_t kItemWork = 64;
constexpr int64_t kJobsPerThread = 3;
constexpr int32_t kMinJobRows = 2;

struct SoftDevice3D::Queue {
    struct Triangle {
        RasterVertex v[3];
        int32_t shade;
        bool reference;
    };
    struct Item {
        TriangleSetup setup;
        int32_t shade;
        bool reference;
    };
    std::vector<Triangle> triangles;
    std::vector<Shade> shades;
    std::vector<std::vector<Item>> chunks;           // the set-ups, kSetupChunk triangles each
    std::vector<std::vector<const Item*>> bands;     // per band of rows, the set-ups reaching it in order
    std::vector<int64_t> bandWork;                   // per band, the estimated work (see BandJobs)
    struct Job {
        int32_t band, top, bottom;
        int64_t work;
    };
    std::vector<Job> jobs;
};

SoftDevice3D::SoftDevice3D() : mQueue(std::make_unique<Queue>()) {
    auto set = [this](SoftState s, uint32_t v) { mStates[static_cast<int>(s)] = v; };
    set(SoftState::ZEnable, kTrue);
    set(SoftState::ZWriteEnable, kTrue);
    set(SoftState::ZFunc, kCmpLessEqual);
    set(SoftState::SrcBlend, kBlendSrcAlpha);
    set(SoftState::DestBlend, kBlendInvSrcAlpha);
    set(SoftState::AlphaFunc, kCmpAlways);
    set(SoftState::TextureFactor, 0xFFFFFFFFu);
    set(SoftState::CullMode, kCullNone);
    set(SoftState::ShadeMode, kShadeFlat);
    float one = 1.0f;
    std::memcpy(&mStates[static_cast<int>(SoftState::FogTableEnd)], &one, 4);
    auto stage = [this](SoftStage s, uint32_t v) { mStageStates[static_cast<int>(s)] = v; };
    stage(SoftStage::ColorOp, kOpDisable);
    stage(SoftStage::ColorArg1, kArgTexture);
    stage(SoftStage::AlphaOp, kOpDisable);
    stage(SoftStage::AlphaArg1, kArgTexture);
    stage(SoftStage::AlphaArg2, kArgDiffuse);
    stage(SoftStage::MagFilter, kFilterPoint);
    stage(SoftStage::MinFilter, kFilterPoint);
}

// Work still queued when the device goes or takes a new target is dropped:
// the target it was meant for may be gone.
SoftDevice3D::~SoftDevice3D() { DropQueue(); }

void SoftDevice3D::SetThreadCount(int32_t threads) {
    Flush();
    mThreads = threads <= 0 ? SoftThreadPool::DefaultThreads() : std::min(threads, 64);
}

void SoftDevice3D::DropQueue() {
    if (mQueue->triangles.empty()) return;
    mQueue->triangles.clear();
    mQueue->shades.clear();
    for (auto& chunk : mQueue->chunks) chunk.clear();
    for (auto& band : mQueue->bands) band.clear();
    mQueuedShade[0] = mQueuedShade[1] = -1;
    std::lock_guard<std::mutex> lock(PendingLock());
    auto& list = Pending();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

// Three steps: the triangles are set up in chunks on all threads, the
// set-ups sorted into bands of rows in the order drawn, and the bands drawn
// on all threads.
void SoftDevice3D::Flush() {
    Queue& q = *mQueue;
    if (q.triangles.empty()) return;
    const int32_t count = static_cast<int32_t>(q.triangles.size());
    const int32_t chunks = (count + kSetupChunk - 1) / kSetupChunk;
    if (static_cast<int32_t>(q.chunks.size()) < chunks) q.chunks.resize(size_t(chunks));
    SoftThreadPool::Shared().Run(mThreads, chunks, [this, &q, count](int32_t chunk) {
        std::vector<Queue::Item>& items = q.chunks[size_t(chunk)];
        TriangleSetup pieces[kMaxPieces];
        for (int32_t i = chunk * kSetupChunk; i < std::min(count, (chunk + 1) * kSetupChunk); ++i) {
            const Queue::Triangle& t = q.triangles[size_t(i)];
            const int32_t n = SetupPieces(t.v[0], t.v[1], t.v[2], mWidth, mHeight, pieces);
            for (int32_t k = 0; k < n; ++k) items.push_back(Queue::Item{pieces[k], t.shade, t.reference});
        }
    });
    const int32_t bandCount = (mHeight + kBandRows - 1) / kBandRows;
    if (static_cast<int32_t>(q.bands.size()) < bandCount) q.bands.resize(size_t(bandCount));
    q.bandWork.assign(size_t(bandCount), 0);
    for (int32_t c = 0; c < chunks; ++c)
        for (const Queue::Item& item : q.chunks[size_t(c)]) {
            const TriangleSetup& t = item.setup;
            const int64_t width = std::max(1, t.maxX - t.minX + 1);
            const int64_t weight = q.shades[size_t(item.shade)].blend ? 4 : 1;
            for (int32_t b = t.minY / kBandRows; b <= t.maxY / kBandRows; ++b) {
                q.bands[size_t(b)].push_back(&item);
                const int32_t rows = std::min(t.maxY, b * kBandRows + kBandRows - 1) - std::max(t.minY, b * kBandRows) + 1;
                q.bandWork[size_t(b)] += kItemWork + weight * width * std::max(rows, 1);
            }
        }
    BandJobs();
    SoftThreadPool::Shared().Run(mThreads, static_cast<int32_t>(q.jobs.size()), [this, &q](int32_t index) {
        const Queue::Job& job = q.jobs[size_t(index)];
        for (const Queue::Item* item : q.bands[size_t(job.band)])
            if (item->setup.minY < job.bottom && item->setup.maxY >= job.top)
                RasterRows(item->setup, q.shades[size_t(item->shade)], item->reference, job.top, job.bottom);
    });
    DropQueue();
}

// The bands' rows as the drawing threads take them: a band whose estimated
// work is much more than its share (smoke over a strip of the screen) is cut
// into runs of fewer rows, and the largest jobs go first, so that no thread is
// left with a long band at the end while the others wait. Every row still
// belongs to one job that draws its set-ups in the order drawn, so the
// picture is the same whatever the cut and order.
void SoftDevice3D::BandJobs() {
    Queue& q = *mQueue;
    q.jobs.clear();
    const int32_t bandCount = (mHeight + kBandRows - 1) / kBandRows;
    int64_t total = 0;
    for (int32_t b = 0; b < bandCount; ++b) total += q.bandWork[size_t(b)];
    const int64_t share = std::max<int64_t>(1, total / (int64_t(std::max(mThreads, 1)) * kJobsPerThread));
    for (int32_t b = 0; b < bandCount; ++b) {
        const int64_t work = q.bandWork[size_t(b)];
        if (q.bands[size_t(b)].empty()) continue;
        const int32_t top = b * kBandRows, rows = std::min(mHeight, top + kBandRows) - top;
        const int32_t most = std::max(1, rows / kMinJobRows); // a last band of one row stays whole
        const int32_t parts = static_cast<int32_t>(std::clamp<int64_t>((work + share - 1) / share, 1, most));
        for (int32_t k = 0; k < parts; ++k)
            q.jobs.push_back(Queue::Job{b, top + rows * k / parts, top + rows * (k + 1) / parts, work / parts});
    }
    std::stable_sort(q.jobs.begin(), q.jobs.end(),
                     [](const Queue::Job& a, const Queue::Job& b) { return a.work > b.work; });
    mLastJobs = static_cast<int32_t>(q.jobs.size());
}

void SoftDevice3D::FlushAll() {
    std::vector<SoftDevice3D*> devices;
    {
        std::lock_guard<std::mutex> lock(PendingLock());
        devices = Pending();
    }
    for (SoftDevice3D* d : devices) d->Flush();
}

bool SoftDevice3D::ICreate(int32_t width, int32_t height) {
    DropQueue();
    if (width <= 0 || height <= 0) return false;
    mWidth = width;
    mHeight = height;
    mDepth.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFFFF);
    return true;
}

bool SoftDevice3D::ICreate16(const PixelTarget16& target) {
    if (!target.pixels || target.pitch < target.width) return false;
    mTarget16 = target;
    mIs32 = false;
    return ICreate(target.width, target.height);
}

bool SoftDevice3D::ICreate32(const PixelTarget32& target) {
    if (!target.pixels || target.pitch < target.width) return false;
    mTarget32 = target;
    mIs32 = true;
    return ICreate(target.width, target.height);
}

bool SoftDevice3D::GetCaps(SoftDeviceCaps* hardware, SoftDeviceCaps* software) const {
    SoftDeviceCaps caps;
    caps.hardware = true;
    caps.wFog = true;
    caps.zFog = false;
    caps.translucentSortIndependent = false;
    caps.textureNonLocalVidMem = false;
    caps.maxTextureWidth = 2048;
    caps.maxTextureHeight = 2048;
    if (hardware) *hardware = caps;
    if (software) *software = caps;
    return true;
}

bool SoftDevice3D::BeginScene() {
    Flush();
    if (mInScene || mWidth == 0) return false;
    mInScene = true;
    return true;
}

bool SoftDevice3D::EndScene() {
    Flush();
    if (!mInScene) return false;
    mInScene = false;
    return true;
}

void SoftDevice3D::SetRenderState(SoftState state, uint32_t value) {
    int i = static_cast<int>(state);
    if (i >= 0 && i < static_cast<int>(SoftState::Count) && mStates[i] != value) {
        mStates[i] = value;
        mShadeValid[0] = mShadeValid[1] = false;
    }
}

uint32_t SoftDevice3D::GetRenderState(SoftState state) const {
    int i = static_cast<int>(state);
    return (i >= 0 && i < static_cast<int>(SoftState::Count)) ? mStates[i] : 0;
}

void SoftDevice3D::SetTextureStageState(SoftStage state, uint32_t value) {
    int i = static_cast<int>(state);
    if (i >= 0 && i < static_cast<int>(SoftStage::Count) && mStageStates[i] != value) {
        mStageStates[i] = value;
        mShadeValid[0] = mShadeValid[1] = false;
    }
}

uint32_t SoftDevice3D::GetTextureStageState(SoftStage state) const {
    int i = static_cast<int>(state);
    return (i >= 0 && i < static_cast<int>(SoftStage::Count)) ? mStageStates[i] : 0;
}

void SoftDevice3D::Clear(const SoftRect* rects, int32_t count, uint32_t what, uint32_t argb,
                         float z) {
    Flush();
    if (mWidth == 0) return;
    SoftRect whole{0, 0, mWidth, mHeight};
    if (!rects) {
        rects = &whole;
        count = 1;
    }
    float zc = std::isfinite(z) ? std::clamp(z, 0.0f, 1.0f) : 1.0f;
    uint16_t zq = static_cast<uint16_t>(zc * 65535.0f + 0.5f);
    uint16_t c16 = SoftPixel::Pack565(argb, 4 | (2 << 8) | (4 << 16));
    for (int32_t i = 0; i < count; ++i) {
        const int32_t l = std::max(0, rects[i].left), t = std::max(0, rects[i].top);
        const int32_t r = std::min(mWidth, rects[i].right), b = std::min(mHeight, rects[i].bottom);
        if (l >= r || t >= b) continue;
        auto clearRows = [&](int32_t y0, int32_t y1) {
            // Whole rows of depth are one run.
            if ((what & kSoftClearZBuffer) && l == 0 && r == mWidth)
                Fill16(mDepth.data() + size_t(y0) * mWidth, size_t(y1 - y0) * mWidth, zq);
            for (int32_t y = y0; y < y1; ++y) {
                if ((what & kSoftClearZBuffer) && !(l == 0 && r == mWidth))
                    Fill16(mDepth.data() + size_t(y) * mWidth + l, size_t(r - l), zq);
                if (what & kSoftClearTarget) {
                    if (mIs32) {
                        uint32_t* row = mTarget32.pixels + size_t(y) * mTarget32.pitch;
                        std::fill(row + l, row + r, argb);
                    } else {
                        Fill16(mTarget16.Row(y) + l, size_t(r - l), c16);
                    }
                }
            }
        };
        // Large rectangles in bands on the drawing threads.
        const int64_t area = int64_t(r - l) * (b - t);
        if (mThreads > 1 && area >= (1 << 16)) {
            const int32_t bands = (b - t + kBandRows - 1) / kBandRows;
            SoftThreadPool::Shared().Run(mThreads, bands, [&](int32_t k) {
                clearRows(t + k * kBandRows, std::min(b, t + (k + 1) * kBandRows));
            });
        } else {
            clearRows(t, b);
        }
    }
}

namespace {

RasterVertex ReadVertex(const uint8_t* base, uint32_t fvf, int32_t i) {
    RasterVertex v;
    if (fvf == kSoftFvfTex1) {
        float f[6];
        std::memcpy(f, base + size_t(i) * 24, sizeof f);
        v = RasterVertex{f[0], f[1], f[2], f[3], f[4], f[5], 0xFFFFFFFFu};
    } else {
        float f[4];
        uint32_t c;
        std::memcpy(f, base + size_t(i) * 20, sizeof f);
        std::memcpy(&c, base + size_t(i) * 20 + 16, 4);
        v = RasterVertex{f[0], f[1], f[2], f[3], 0.0f, 0.0f, c};
    }
    return v;
}

}  // namespace

void SoftDevice3D::DrawPrimitive(SoftPrimitive type, uint32_t fvf, const void* vertices,
                                 int32_t count, uint32_t flags) {
    ++mDrawCalls;
    if (!vertices || count < 3 || mWidth == 0) return;
    if (fvf != kSoftFvfDiffuse && fvf != kSoftFvfTex1) return;
    const int32_t kind = fvf == kSoftFvfTex1 ? 1 : 0;
    if (!mShade[kind]) mShade[kind] = std::make_unique<Shade>();
    if (!mShadeValid[kind]) {
        SoftPixel::ResolveShade(mStates, mStageStates, mTexture, kind == 1, mShade[kind].get());
        mShadeValid[kind] = true;
        mQueuedShade[kind] = -1;
    }
    const Shade& shade = *mShade[kind];
    const uint8_t* base = static_cast<const uint8_t*>(vertices);
    // Every corner is read once, before the triangles that share it refer
    // to it (copies of corners just written, a triangle at a time, made the
    // processor wait for its own stores).
    constexpr int32_t kCorners = 64;
    RasterVertex local[kCorners];
    std::vector<RasterVertex> many;
    RasterVertex* v = local;
    if (count > kCorners) {
        many.resize(size_t(count));
        v = many.data();
    }
    for (int32_t i = 0; i < count; ++i)
        v[i] = ReadVertex(base, fvf, i);
    switch (type) {
    case SoftPrimitive::TriangleList:
        for (int32_t i = 0; i + 2 < count; i += 3)
            DrawTriangle(v[i], v[i + 1], v[i + 2], shade);
        break;
    case SoftPrimitive::TriangleStrip:
        for (int32_t i = 0; i + 2 < count; ++i) {
            if (i & 1)
                DrawTriangle(v[i + 1], v[i], v[i + 2], shade);
            else
                DrawTriangle(v[i], v[i + 1], v[i + 2], shade);
        }
        break;
    case SoftPrimitive::TriangleFan:
        if (count == 4 && DrawQuad(v[0], v[1], v[2], v[3], shade)) break;
        for (int32_t i = 1; i + 1 < count; ++i)
            DrawTriangle(v[0], v[i], v[i + 1], shade);
        break;
    }
}

void SoftDevice3D::DrawTriangle(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c,
                                const Shade& shade) {
    if (!Deferring()) {
        TriangleSetup pieces[kMaxPieces];
        const int32_t n = SetupPieces(a, b, c, mWidth, mHeight, pieces);
        for (int32_t i = 0; i < n; ++i) RasterRows(pieces[i], shade, mReference, 0, mHeight);
        return;
    }
    Queue& q = *mQueue;
    if (q.triangles.empty()) {
        std::lock_guard<std::mutex> lock(PendingLock());
        Pending().push_back(this);
    }
    // The shading as it is now goes into the queue once, until it changes.
    const int32_t kind = &shade == mShade[1].get() ? 1 : 0;
    if (mQueuedShade[kind] < 0) {
        mQueuedShade[kind] = static_cast<int32_t>(q.shades.size());
        q.shades.push_back(shade);
    }
    q.triangles.push_back(Queue::Triangle{{a, b, c}, mQueuedShade[kind], mReference});
    if (q.triangles.size() >= kQueueLimit) Flush();
}

// A quadrilateral (a fan of two triangles: a tree, a patch of ground) drawn
// at once: when the depths under the box of both hide both, neither is
// walked, and the box is scanned once instead of twice. False (nothing
// drawn) where the device queues or tests every triangle on its own.
bool SoftDevice3D::DrawQuad(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c,
                            const RasterVertex& d, const Shade& shade) {
    if (Deferring() || mIs32 || mReference || !SoftPixel::HiddenSkipOn()) return false;
    TriangleSetup pieces[2 * kMaxPieces];
    int32_t n = SetupPieces(a, b, c, mWidth, mHeight, pieces);
    n += SetupPieces(a, c, d, mWidth, mHeight, pieces + n);
    if (n == 0) return true;
    SoftPixel::Context ctx{mDepth.data(), mWidth, shade, 0, mHeight};
    if (n > 1 && SoftPixel::HiddenBehindDepth(pieces, n, ctx)) return true;
    for (int32_t i = 0; i < n; ++i)
        RasterRows(pieces[i], shade, false, 0, mHeight);
    return true;
}

void SoftDevice3D::RasterRows(const TriangleSetup& t, const Shade& shade, bool reference, int32_t rowBegin,
                              int32_t rowEnd) {
    SoftPixel::Context ctx{mDepth.data(), mWidth, shade, rowBegin, rowEnd};
    if (mIs32) {
        SoftPixel::Target32 target{mTarget32.pixels, mTarget32.pitch};
        if (reference) SoftPixel::RasterReference(t, ctx, target);
        else SoftPixel::RasterGeneral(t, ctx, target);
        return;
    }
    SoftPixel::Target16 target{mTarget16.pixels, mTarget16.pitch};
    if (reference) SoftPixel::RasterReference(t, ctx, target);
    else SoftPixel::RasterFast16(t, ctx, target);
}

void PrepareScreenDevice(SoftDevice3D* d, bool hardware) {
    if (!d) return;
    d->SetRenderState(SoftState::ZEnable, kTrue);
    d->SetRenderState(SoftState::ZFunc, kCmpLessEqual);
    d->SetRenderState(SoftState::CullMode, kCullNone);
    d->SetRenderState(SoftState::ShadeMode, kShadeFlat);
    d->SetTextureStageState(SoftStage::MagFilter, hardware ? kFilterLinear : kFilterPoint);
    d->SetTextureStageState(SoftStage::MinFilter, kFilterPoint);
    d->SetRenderState(SoftState::DitherEnable, hardware ? kTrue : kFalse);
    d->SetRenderState(SoftState::AlphaBlendEnable, hardware ? kTrue : kFalse);
    d->SetRenderState(SoftState::SrcBlend, kBlendSrcAlpha);
    d->SetRenderState(SoftState::DestBlend, kBlendInvSrcAlpha);
    d->SetRenderState(SoftState::AlphaTestEnable, kTrue);
    d->SetRenderState(SoftState::AlphaRef, 0);
    d->SetRenderState(SoftState::AlphaFunc, kCmpGreater);
}
