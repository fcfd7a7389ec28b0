#include "AssetStore.h"

#include <cstdio>
#include <filesystem>

#include "PngWriter.h"
#include "WavWriter.h"

bool AssetStore::Open(const std::string& root) {
    mRoot = root;
    std::error_code ec;
    std::filesystem::create_directories(root + "/Demo Data/Pictures", ec);
    std::filesystem::create_directories(root + "/Demo Data/WAV", ec);
    return std::filesystem::is_directory(root + "/Demo Data/Pictures") &&
           std::filesystem::is_directory(root + "/Demo Data/WAV");
}

std::string AssetStore::PicturePath(int32_t number) const {
    return mRoot + "/Demo Data/Pictures/" + std::to_string(number) + ".png";
}

std::string AssetStore::SoundPath(int32_t number) const {
    char name[32];
    std::snprintf(name, sizeof name, "%08d.wav", int(number));
    return mRoot + "/Demo Data/WAV/" + name;
}

bool AssetStore::Picture(int32_t number, const Image& image, bool withAlpha) {
    bool ok = WritePng(PicturePath(number), image, withAlpha);
    if (!ok) {
        std::fprintf(stderr, "art: cannot write picture %d\n", int(number));
        mFailed = true;
    } else {
        ++mWritten;
        if (mKeep) mKept[number] = image;
    }
    return ok;
}

bool AssetStore::Texture(int32_t number, const Image& image, bool withAlpha) {
    if (image.Width() > kMaxTextureSide || image.Height() > kMaxTextureSide) {
        std::fprintf(stderr, "art: texture %d is %d x %d, above %d pixels a side\n", int(number),
                     image.Width(), image.Height(), kMaxTextureSide);
        mFailed = true;
        return false;
    }
    return Picture(number, image, withAlpha);
}

bool AssetStore::ButtonPictures(int32_t number, const std::vector<Image>& looks) {
    const int32_t offsets[4] = {0, kPressedOffset, kHighlightOffset, kInactiveOffset};
    bool ok = true;
    for (size_t i = 0; i < looks.size() && i < 4; ++i)
        ok = Picture(number + offsets[i], looks[i]) && ok;
    return ok;
}

bool AssetStore::Sound(int32_t number, const std::vector<int16_t>& samples, int32_t rate) {
    bool ok = WriteWav(SoundPath(number), samples, rate);
    if (!ok) {
        std::fprintf(stderr, "art: cannot write sound %d\n", int(number));
        mFailed = true;
    } else {
        ++mWritten;
    }
    return ok;
}
