#include "platform/PngIO.h"
#include "platform/Surface16.h"
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <png.h>
#include <vector>

namespace {
constexpr uint32_t kMaxPngSide = 8192;

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

void QuietWarning(png_structp, png_const_charp) {}
// Damaged files are an ordinary answer (false), not worth a message.
[[noreturn]] void QuietError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

// Kept apart from the caller so that nothing with a destructor lives in the
// frame that longjmp leaves.
bool ReadPng(FILE* f, PictureRGBA* out) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, QuietWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    std::vector<png_bytep>* rows = new std::vector<png_bytep>();
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        delete rows;
        out->rgba.clear();
        out->width = out->height = 0;
        return false;
    }
    png_init_io(png, f);
    png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
    png_read_info(png, info);
    const png_byte colourType = png_get_color_type(png, info);
    const png_byte depth = png_get_bit_depth(png, info);
    if (depth == 16) png_set_strip_16(png);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (!(colourType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const uint32_t w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    if (w == 0 || h == 0 || png_get_rowbytes(png, info) != static_cast<size_t>(w) * 4)
        png_error(png, "unexpected layout");
    out->width = static_cast<int32_t>(w);
    out->height = static_cast<int32_t>(h);
    out->rgba.assign(static_cast<size_t>(w) * h * 4, 0);
    rows->resize(h);
    for (uint32_t y = 0; y < h; ++y)
        (*rows)[y] = out->rgba.data() + static_cast<size_t>(y) * w * 4;
    png_read_image(png, rows->data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    delete rows;
    return true;
}

bool WritePng(FILE* f, const PixelTarget16& src, std::vector<uint8_t>& line) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, QuietWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<uint32_t>(src.width), static_cast<uint32_t>(src.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < src.height; ++y) {
        const uint16_t* row = src.Row(y);
        for (int32_t x = 0; x < src.width; ++x) {
            const uint16_t p = row[x];
            line[x * 3 + 0] = static_cast<uint8_t>(((p >> 11) & 31) * 255 / 31);
            line[x * 3 + 1] = static_cast<uint8_t>(((p >> 5) & 63) * 255 / 63);
            line[x * 3 + 2] = static_cast<uint8_t>((p & 31) * 255 / 31);
        }
        png_write_row(png, line.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}
} // namespace

bool LoadPngRGBA(const std::string& path, PictureRGBA* out) {
    out->width = out->height = 0;
    out->rgba.clear();
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) return false;
    unsigned char sig[8];
    if (std::fread(sig, 1, 8, f.get()) != 8 || png_sig_cmp(sig, 0, 8) != 0) return false;
    std::rewind(f.get());
    return ReadPng(f.get(), out);
}

bool SavePng16(const char* path, const PixelTarget16& src) {
    if (!src.pixels || src.width < 1 || src.height < 1) return false;
    FilePtr f(std::fopen(path, "wb"));
    if (!f) return false;
    std::vector<uint8_t> line(static_cast<size_t>(src.width) * 3);
    bool ok = WritePng(f.get(), src, line);
    return ok;
}
