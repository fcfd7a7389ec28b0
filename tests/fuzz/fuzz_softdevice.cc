// The software 3-D device with arbitrary vertices and states: whatever it is
// given, it writes nothing outside its target (the sentinels around it stay).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/SoftDevice3D.h"

namespace {

constexpr int32_t kW = 37, kH = 23, kBorder = 8, kPitch = kW + 2 * kBorder;
constexpr uint16_t kSentinel = 0xA55A;

uint32_t Take(const uint8_t*& p, size_t& n) {
    uint32_t v = 0;
    size_t k = n < 4 ? n : 4;
    std::memcpy(&v, p, k);
    p += k;
    n -= k;
    return v;
}

// The input's states on a device over target, with the texture bound.
struct Input {
    std::vector<uint32_t> states; // pairs: which, value
    SoftPrimitive type = SoftPrimitive::TriangleList;
    uint32_t fvf = kSoftFvfDiffuse;
    int32_t count = 0;
    std::vector<uint8_t> vertices;
    bool OnDevice(SoftDevice3D* device, const PixelTarget16& target, const SoftTexture* texture) const {
        if (!device->ICreate16(target)) return false;
        device->SetTexture(texture);
        for (size_t i = 0; i + 1 < states.size(); i += 2) {
            uint32_t which = states[i], value = states[i + 1];
            if (which & 1)
                device->SetTextureStageState(static_cast<SoftStage>((which >> 1) % int(SoftStage::Count)),
                                             value % 6);
            else
                device->SetRenderState(static_cast<SoftState>((which >> 1) % int(SoftState::Count)), value);
        }
        return true;
    }
};

bool SentinelsIntact(const std::vector<uint16_t>& buf) {
    for (int32_t y = 0; y < kH + 2 * kBorder; ++y)
        for (int32_t x = 0; x < kPitch; ++x) {
            bool inside = x >= kBorder && x < kBorder + kW && y >= kBorder && y < kBorder + kH;
            if (!inside && buf[size_t(y) * kPitch + x] != kSentinel) return false;
        }
    return true;
}

PixelTarget16 TargetIn(std::vector<uint16_t>& buf) {
    return PixelTarget16{buf.data() + kBorder * kPitch + kBorder, kW, kH, kPitch};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PictureRGBA picture;
    picture.width = 8;
    picture.height = 4;
    picture.rgba.assign(8 * 4 * 4, 0x80);
    SoftTexture texture;
    texture.ICreate(picture);

    const uint8_t* p = data;
    size_t n = size;
    Input in;
    // States first: a few words set stage and render states.
    uint32_t states = Take(p, n) % 8;
    for (uint32_t i = 0; i < 2 * states; ++i)
        in.states.push_back(Take(p, n));
    uint32_t kind = Take(p, n);
    in.type = static_cast<SoftPrimitive>(4 + kind % 3);
    in.fvf = (kind & 8) ? kSoftFvfTex1 : kSoftFvfDiffuse;
    size_t stride = in.fvf == kSoftFvfTex1 ? 24 : 20;
    in.count = static_cast<int32_t>(n / stride);
    if (in.count > 64) in.count = 64;
    in.vertices.assign(p, p + size_t(in.count) * stride);

    std::vector<uint16_t> buf(size_t(kPitch) * (kH + 2 * kBorder), kSentinel);
    {
        SoftDevice3D device;
        if (!in.OnDevice(&device, TargetIn(buf), &texture)) return 0;
        device.DrawPrimitive(in.type, in.fvf, in.vertices.data(), in.count, kSoftDrawFlags);
        device.SetReferencePath(true);
        device.DrawPrimitive(in.type, in.fvf, in.vertices.data(), in.count, kSoftDrawFlags);
    }
    if (!SentinelsIntact(buf)) std::abort();

    // A scene drawn in bands on three threads shows what one thread shows.
    std::vector<uint16_t> one(buf.size(), kSentinel), many(buf.size(), kSentinel);
    for (std::vector<uint16_t>* b : {&one, &many}) {
        SoftDevice3D device;
        device.SetThreadCount(b == &one ? 1 : 3);
        if (!in.OnDevice(&device, TargetIn(*b), &texture) || !device.BeginScene()) return 0;
        device.DrawPrimitive(in.type, in.fvf, in.vertices.data(), in.count, kSoftDrawFlags);
        device.DrawPrimitive(in.type, in.fvf, in.vertices.data(), in.count, kSoftDrawFlags);
        device.EndScene();
    }
    if (one != many || !SentinelsIntact(many)) std::abort();
    return 0;
}
