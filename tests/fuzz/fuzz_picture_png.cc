// The picture loader on arbitrary file contents: it answers false or a
// picture whose pixel count matches its size, and the picture's conversion
// to a 16-bit surface stays inside it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/GGraphic.h"
#include "platform/PngIO.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/dm-fuzz-png-" + std::to_string(getpid()) + ".png";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    PictureRGBA pic;
    const bool ok = LoadPngRGBA(path, &pic);
    std::remove(path.c_str());
    if (!ok) {
        if (!pic.rgba.empty() || pic.width != 0) __builtin_trap();
        return 0;
    }
    if (pic.rgba.size() != static_cast<size_t>(pic.width) * pic.height * 4) __builtin_trap();
    Surface16 surface;
    PictureSteps::ToSurface(pic, &surface, 0xF81F);
    if (pic.width > 1 || pic.height > 1) PictureSteps::Halve(&pic);
    return 0;
}
