#pragma once
#include "platform/PixelTarget.h"
#include <cstdint>
#include <map>
#include <string>

// The picture store: picture N is the file "Demo Data/Pictures/<N>.png" in the
// program's folder. Decoded pictures are shared while graphics use them and
// dropped when the last one gives its picture back.
class GPictureStore {
public:
    static GPictureStore& Get();

    // The folder that holds the numbered PNG files; "" (the default) is
    // "Demo Data/Pictures" in the program's folder.
    void SetFolder(const std::string& folder);
    const std::string& GetFolder() const { return mFolder; }
    std::string PathOf(int32_t id) const;

    // The picture, or null when it is missing or unreadable. Each successful
    // Acquire needs one Release.
    const PictureRGBA* Acquire(int32_t id);
    void Release(int32_t id);
    int32_t CachedCount() const { return static_cast<int32_t>(mEntries.size()); }

private:
    GPictureStore();
    struct Entry {
        PictureRGBA picture;
        int32_t users = 0;
    };
    std::map<int32_t, Entry> mEntries;
    std::string mFolder;
};
