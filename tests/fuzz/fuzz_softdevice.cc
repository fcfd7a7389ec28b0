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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint16_t> buf(size_t(kPitch) * (kH + 2 * kBorder), kSentinel);
    PixelTarget16 target{buf.data() + kBorder * kPitch + kBorder, kW, kH, kPitch};
    SoftDevice3D device;
    if (!device.ICreate16(target)) return 0;
    PictureRGBA picture;
    picture.width = 8;
    picture.height = 4;
    picture.rgba.assign(8 * 4 * 4, 0x80);
    SoftTexture texture;
    texture.ICreate(picture);
    device.SetTexture(&texture);

    const uint8_t* p = data;
    size_t n = size;
    // States first: a few words set stage and render states.
    uint32_t states = Take(p, n) % 8;
    for (uint32_t i = 0; i < states; ++i) {
        uint32_t which = Take(p, n), value = Take(p, n);
        if (which & 1) device.SetTextureStageState(static_cast<SoftStage>((which >> 1) % int(SoftStage::Count)), value % 6);
        else device.SetRenderState(static_cast<SoftState>((which >> 1) % int(SoftState::Count)), value);
    }
    uint32_t kind = Take(p, n);
    SoftPrimitive type = static_cast<SoftPrimitive>(4 + kind % 3);
    uint32_t fvf = (kind & 8) ? kSoftFvfTex1 : kSoftFvfDiffuse;
    size_t stride = fvf == kSoftFvfTex1 ? 24 : 20;
    int32_t count = static_cast<int32_t>(n / stride);
    if (count > 64) count = 64;
    std::vector<uint8_t> vertices(p, p + size_t(count) * stride);
    device.DrawPrimitive(type, fvf, vertices.data(), count, kSoftDrawFlags);
    device.SetReferencePath(true);
    device.DrawPrimitive(type, fvf, vertices.data(), count, kSoftDrawFlags);

    for (int32_t y = 0; y < kH + 2 * kBorder; ++y)
        for (int32_t x = 0; x < kPitch; ++x) {
            bool inside = x >= kBorder && x < kBorder + kW && y >= kBorder && y < kBorder + kH;
            if (!inside && buf[size_t(y) * kPitch + x] != kSentinel) std::abort();
        }
    return 0;
}
