#include "engine/GPictureStore.h"
#include <filesystem>
#include "platform/PngIO.h"

std::string ProgramFolderPath()
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return "./";
    std::string folder = exe.parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

GPictureStore& GPictureStore::Get()
{
    static GPictureStore store;
    return store;
}

GPictureStore::GPictureStore() : mFolder(ProgramFolderPath() + "Demo Data/Pictures/") {}

void GPictureStore::SetFolder(const std::string& folder)
{
    mFolder = folder;
    if (!mFolder.empty() && mFolder.back() != '/') mFolder += '/';
}

std::string GPictureStore::PathOf(int32_t id) const
{
    return mFolder + std::to_string(id) + ".png";
}

const PictureRGBA* GPictureStore::Acquire(int32_t id)
{
    auto it = mEntries.find(id);
    if (it == mEntries.end()) {
        Entry e;
        if (id < 0 || !LoadPngRGBA(PathOf(id), &e.picture)) return nullptr;
        it = mEntries.emplace(id, std::move(e)).first;
    }
    ++it->second.users;
    return &it->second.picture;
}

void GPictureStore::Release(int32_t id)
{
    auto it = mEntries.find(id);
    if (it == mEntries.end()) return;
    if (--it->second.users <= 0) mEntries.erase(it);
}
