#include "engine/GGraphic.h"
#include "engine/G3DBridge.h"
#include "engine/GPictureStore.h"
#include <algorithm>

bool gLoadingFontBMP = false;

namespace {
constexpr uint16_t kMaskColour = 0xF81F; // magenta in RGB565
}

namespace PictureSteps {
void Halve(PictureRGBA* pic) {
    const int32_t w = pic->width / 2 > 0 ? pic->width / 2 : 1;
    const int32_t h = pic->height / 2 > 0 ? pic->height / 2 : 1;
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) {
                // Average the 2 x 2 block, staying inside for odd sizes.
                int32_t sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) {
                        const int32_t sx = std::min(x * 2 + dx, pic->width - 1);
                        const int32_t sy = std::min(y * 2 + dy, pic->height - 1);
                        sum += pic->rgba[(static_cast<size_t>(sy) * pic->width + sx) * 4 + c];
                    }
                out[(static_cast<size_t>(y) * w + x) * 4 + c] = static_cast<uint8_t>((sum + 2) / 4);
            }
    pic->width = w;
    pic->height = h;
    pic->rgba.swap(out);
}

void Tint(PictureRGBA* pic, const float rgb[3]) {
    for (size_t i = 0; i + 3 < pic->rgba.size(); i += 4)
        for (int c = 0; c < 3; ++c) {
            const float v = pic->rgba[i + c] * rgb[c];
            pic->rgba[i + c] = static_cast<uint8_t>(v >= 255.0f ? 255 : v <= 0.0f ? 0 : v);
        }
}

void SoftenWhite(PictureRGBA* pic) {
    for (size_t i = 0; i + 3 < pic->rgba.size(); i += 4)
        if (pic->rgba[i] == 255 && pic->rgba[i + 1] == 255 && pic->rgba[i + 2] == 255)
            pic->rgba[i] = pic->rgba[i + 1] = pic->rgba[i + 2] = 240;
}

void ToSurface(const PictureRGBA& pic, Surface16* out, uint16_t maskColour) {
    if (!out->Create(pic.width, pic.height)) return;
    const PixelTarget16& t = out->Target();
    for (int32_t y = 0; y < pic.height; ++y) {
        uint16_t* row = t.Row(y);
        const uint8_t* s = pic.rgba.data() + static_cast<size_t>(y) * pic.width * 4;
        for (int32_t x = 0; x < pic.width; ++x, s += 4)
            row[x] = s[3] < 128 ? maskColour : MakeRGB565(s[0], s[1], s[2]);
    }
    out->SetColorKey(maskColour);
}
} // namespace PictureSteps

GGraphic::GGraphic() = default;

GGraphic::~GGraphic() {
    if (mHoldsStoreEntry) GPictureStore::Get().Release(mID);
}

bool GGraphic::IGraphic(GraphicType type, int32_t id, int32_t priority, bool flag) {
    if (mHoldsStoreEntry) GPictureStore::Get().Release(mID);
    mHoldsStoreEntry = false;
    mSurface.Release();
    mTexture = PictureRGBA{};
    mDeviceTexture = SoftTexture{};
    mDeviceTextureMade = false;
    mType = type;
    mID = id;
    mPriority = priority;
    if (Bridge3D::TextureError()) return false;
    const PictureRGBA* stored = GPictureStore::Get().Acquire(id);
    if (!stored) return false;
    mHoldsStoreEntry = true;
    PictureRGBA pic = *stored;
    if (type == kGraphicTexture && Bridge3D::Exists()) {
        for (int32_t i = Bridge3D::TextureDownsample(); i > 0 && (pic.width > 1 || pic.height > 1); --i)
            PictureSteps::Halve(&pic);
        float light[3];
        Bridge3D::LightFactors(light);
        PictureSteps::Tint(&pic, light);
        const int32_t maxSide = Bridge3D::MaxTextureSize();
        while (maxSide > 0 && std::max(pic.width, pic.height) > maxSide)
            PictureSteps::Halve(&pic);
    }
    if (!gLoadingFontBMP) PictureSteps::SoftenWhite(&pic);
    PictureSteps::ToSurface(pic, &mSurface, kMaskColour);
    // Pictures of the 3-D display (type 1) may be bound as textures too.
    if (type != kGraphic2D) mTexture = std::move(pic);
    return !mSurface.IsEmpty();
}

const SoftTexture* GGraphic::GetD3DTexture() {
    if (mTexture.rgba.empty()) return nullptr;
    if (!mDeviceTextureMade) {
        mDeviceTextureMade = true;
        if (mDeviceTexture.ICreate(mTexture)) mDeviceTexture.SetColorKey(kMaskColour);
    }
    return mDeviceTexture.IsEmpty() ? nullptr : &mDeviceTexture;
}

void GGraphic::GetBounds(LongRect* bounds) const {
    if (mSurface.IsEmpty())
        *bounds = LongRect{0, 0, 1, 1};
    else
        *bounds = LongRect{0, 0, mSurface.Width(), mSurface.Height()};
}

bool GWinFontGraphic::IGraphic(GraphicType type, int32_t id, int32_t priority, bool flag) {
    gLoadingFontBMP = true;
    GGraphic::IGraphic(type, id, priority, flag);
    gLoadingFontBMP = false;
    mSurface.SetColorKey(0);
    return true;
}
