#pragma once
#include "engine/GObject.h"
#include "engine/LongRect.h"
#include "platform/SoftTexture.h"
#include "platform/Surface16.h"
#include <cstdint>

// 0: a 2-D picture; 1: a picture the 3-D display blits (fonts, buttons);
// 2: a texture of the 3-D renderer.
enum GraphicType : int32_t { kGraphic2D = 0, kGraphic3DPicture = 1, kGraphicTexture = 2 };

// While set, the loader keeps pure white pixels (the font bitmaps need them).
extern bool gLoadingFontBMP;

// A picture from the picture store on a 16-bit surface whose source colour
// key is the mask colour (transparent pixels of the PNG become it). A texture
// also keeps its RGBA pixels for the renderer.
class GGraphic : public GObject {
public:
    GGraphic();
    ~GGraphic() override;

    // Loads picture id; false (and an empty graphic that draws nothing) when
    // the picture is missing or the renderer refuses textures at the moment.
    virtual bool IGraphic(GraphicType type, int32_t id, int32_t priority, bool flag);

    Surface16* GetSurface() { return mSurface.IsEmpty() ? nullptr : &mSurface; }
    const PictureRGBA* GetTexturePicture() const { return mTexture.rgba.empty() ? nullptr : &mTexture; }
    // The 3-D device's texture of a texture picture, keyed on the mask
    // colour; made at first use, null without a texture picture.
    const SoftTexture* GetD3DTexture();
    // (0, 0, width, height), or (0, 0, 1, 1) without a picture.
    void GetBounds(LongRect* bounds) const;
    bool IsLoaded() const { return !mSurface.IsEmpty(); }
    GraphicType GetType() const { return mType; }
    int32_t GetID() const { return mID; }
    int32_t GetPriority() const { return mPriority; }

protected:
    Surface16 mSurface;
    PictureRGBA mTexture;
    SoftTexture mDeviceTexture;
    bool mDeviceTextureMade = false;
    GraphicType mType = kGraphic2D;
    int32_t mID = -1;
    int32_t mPriority = 0;
    bool mHoldsStoreEntry = false;
};

// A font bitmap: loaded keeping pure white, keyed on black.
class GWinFontGraphic : public GGraphic {
public:
    bool IGraphic(GraphicType type, int32_t id, int32_t priority, bool flag) override;
};

// Picture preparation steps of the loader, kept apart to be testable.
namespace PictureSteps {
void Halve(PictureRGBA* pic);
void Tint(PictureRGBA* pic, const float rgb[3]);
void SoftenWhite(PictureRGBA* pic);
// RGBA to RGB565; pixels with alpha below 128 become the mask colour.
void ToSurface(const PictureRGBA& pic, Surface16* out, uint16_t maskColour);
} // namespace PictureSteps
