#include "engine/GPictureStore.h"
#include "engine/GFileServices.h"
#include "platform/PngIO.h"

GPictureStore& GPictureStore::Get() {
    static GPictureStore store;
    return store;
}

GPictureStore::GPictureStore() = default;

void GPictureStore::SetFolder(const std::string& folder) {
    mFolder = folder;
    if (!mFolder.empty() && mFolder.back() != '/') mFolder += '/';
}

std::string GPictureStore::PathOf(int32_t id) const {
    // Without a folder of its own the store follows the program's folder.
    const std::string folder = mFolder.empty() ? GetProgramFolder() + "/Demo Data/Pictures/" : mFolder;
    return folder + std::to_string(id) + ".png";
}

const PictureRGBA* GPictureStore::Acquire(int32_t id) {
    auto it = mEntries.find(id);
    if (it == mEntries.end()) {
        Entry e;
        if (id < 0 || !LoadPngRGBA(PathOf(id), &e.picture)) return nullptr;
        it = mEntries.emplace(id, std::move(e)).first;
    }
    ++it->second.users;
    return &it->second.picture;
}

void GPictureStore::Release(int32_t id) {
    auto it = mEntries.find(id);
    if (it == mEntries.end()) return;
    if (--it->second.users <= 0) mEntries.erase(it);
}
