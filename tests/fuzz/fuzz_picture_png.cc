// The picture loader on arbitrary file contents: it answers false or a
// picture whose pixel count matches its size, and the picture's conversion
// to a 16-bit surface stays inside it. A picture that loads is written by
// the art tool's writer, loaded and written again: the same picture and the
// same bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "FuzzRoundTrip.h"
#include "engine/GGraphic.h"
#include "platform/PngIO.h"
#include "tools/art/Image.h"
#include "tools/art/PngWriter.h"

namespace {

const std::string& PicturePath() {
    static const std::string path = "/tmp/dm-fuzz-png-" + std::to_string(getpid()) + ".png";
    return path;
}

std::vector<uint8_t> WritePicture(const PictureRGBA& pic, PictureRGBA* back) {
    Image image(pic.width, pic.height);
    for (int32_t y = 0; y < pic.height; ++y)
        for (int32_t x = 0; x < pic.width; ++x) {
            const uint8_t* p = &pic.rgba[(static_cast<size_t>(y) * pic.width + x) * 4];
            image.Set(x, y, Rgb{p[0], p[1], p[2]}, p[3]);
        }
    const std::string path = PicturePath() + ".out.png";
    FuzzRequire(WritePng(path, image, true), "the picture writer failed");
    std::vector<uint8_t> bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const bool loaded = LoadPngRGBA(path, back);
    std::remove(path.c_str());
    FuzzRequire(loaded, "a written picture does not load");
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = PicturePath();
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

    PictureRGBA back;
    const std::vector<uint8_t> first = WritePicture(pic, &back);
    FuzzRequire(back.width == pic.width && back.height == pic.height && back.rgba == pic.rgba,
                "a written picture loads as another");
    PictureRGBA again;
    FuzzRequireSame(first, WritePicture(back, &again), "picture file");

    Surface16 surface;
    PictureSteps::ToSurface(pic, &surface, 0xF81F);
    if (pic.width > 1 || pic.height > 1) PictureSteps::Halve(&pic);
    return 0;
}
