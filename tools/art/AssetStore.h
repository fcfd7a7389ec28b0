// The program folder's picture and sound store: "Demo Data/Pictures/<N>.png" and "Demo Data/WAV/%08d.wav".
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Image.h"

// A 2-D picture button names one picture, its normal look, and is sized to it. Its other looks are
// stored beside it at these offsets from its number, for a button that shows them; every game
// picture number lies below the first offset.
constexpr int32_t kPressedOffset = 1000000;
constexpr int32_t kHighlightOffset = 2000000;
constexpr int32_t kInactiveOffset = 3000000;
// The largest texture side the battlefield pictures are made at (the renderer's smallest maximum).
constexpr int kMaxTextureSide = 256;

class AssetStore {
public:
    // root is the program folder; the store's folders are made when missing.
    bool Open(const std::string& root);
    std::string PicturePath(int32_t number) const;
    std::string SoundPath(int32_t number) const;
    // Each write returns false on failure and remembers it (see Failed).
    bool Picture(int32_t number, const Image& image, bool withAlpha = false);
    // A battlefield texture: the same, but a picture larger than kMaxTextureSide on either side is
    // refused (and the store fails, naming the number), since the renderer would halve it.
    bool Texture(int32_t number, const Image& image, bool withAlpha = false);
    // The looks of one button: normal at number, then pressed, highlight and (if given) inactive.
    bool ButtonPictures(int32_t number, const std::vector<Image>& looks);
    bool Sound(int32_t number, const std::vector<int16_t>& samples, int32_t rate);
    bool Failed() const { return mFailed; }
    // With keeping on, every picture written is also kept in memory (for the contact sheet).
    void KeepPictures(bool keep) { mKeep = keep; }
    const std::map<int32_t, Image>& Kept() const { return mKept; }
    int Written() const { return mWritten; }

private:
    std::string mRoot;
    bool mFailed = false;
    int mWritten = 0;
    bool mKeep = false;
    std::map<int32_t, Image> mKept;
};
