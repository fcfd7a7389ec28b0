#include "PngWriter.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace {
struct FileCloser {
    FILE* f;
    ~FileCloser() {
        if (f) std::fclose(f);
    }
};

bool WriteRows(FILE* f, const Image& image, bool withAlpha) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    const int channels = withAlpha ? 4 : 3;
    std::vector<png_byte> row(size_t(image.Width()) * channels);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 6);
    png_set_IHDR(png, info, image.Width(), image.Height(), 8,
                 withAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const auto& px = image.Pixels();
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x)
            for (int c = 0; c < channels; ++c)
                row[size_t(x) * channels + c] = px[(size_t(y) * image.Width() + x) * 4 + c];
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}
} // namespace

bool WritePng(const std::string& path, const Image& image, bool withAlpha) {
    if (image.Width() <= 0 || image.Height() <= 0) return false;
    FileCloser file{std::fopen(path.c_str(), "wb")};
    if (!file.f) return false;
    bool ok = WriteRows(file.f, image, withAlpha);
    if (std::fclose(file.f) != 0) ok = false;
    file.f = nullptr;
    return ok;
}
