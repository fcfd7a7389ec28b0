#include "ArtFiles.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {
uint32_t Be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t Le16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

int Paeth(int a, int b, int c) {
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

bool Unfilter(const std::vector<uint8_t>& raw, ArtPicture& out) {
    const size_t stride = size_t(out.width) * out.channels;
    if (raw.size() != (stride + 1) * size_t(out.height)) return false;
    out.pixels.assign(stride * out.height, 0);
    for (int y = 0; y < out.height; ++y) {
        const uint8_t* in = &raw[(stride + 1) * y];
        uint8_t* row = &out.pixels[stride * y];
        const uint8_t* prev = y ? row - stride : nullptr;
        for (size_t x = 0; x < stride; ++x) {
            int a = x >= size_t(out.channels) ? row[x - out.channels] : 0;
            int b = prev ? prev[x] : 0;
            int c = prev && x >= size_t(out.channels) ? prev[x - out.channels] : 0;
            int pred = 0;
            switch (in[0]) {
            case 0:
                break;
            case 1:
                pred = a;
                break;
            case 2:
                pred = b;
                break;
            case 3:
                pred = (a + b) / 2;
                break;
            case 4:
                pred = Paeth(a, b, c);
                break;
            default:
                return false;
            }
            row[x] = uint8_t(in[1 + x] + pred);
        }
    }
    return true;
}
} // namespace

std::string PicturePath(int number) {
    return "Demo Data/Pictures/" + std::to_string(number) + ".png";
}

std::string SoundPath(int number) {
    char name[32];
    std::snprintf(name, sizeof name, "%08d.wav", number);
    return std::string("Demo Data/WAV/") + name;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool ReadPng(const std::string& path, ArtPicture& out) {
    std::vector<uint8_t> d = ReadBytes(path);
    static const uint8_t kSig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (d.size() < 8 || std::memcmp(d.data(), kSig, 8) != 0) return false;
    std::vector<uint8_t> idat;
    bool header = false, end = false;
    for (size_t pos = 8; pos + 12 <= d.size() && !end;) {
        uint32_t len = Be32(&d[pos]);
        if (len > d.size() - pos - 12) return false;
        const uint8_t* type = &d[pos + 4];
        const uint8_t* body = &d[pos + 8];
        if (crc32(crc32(0, type, 4), body, len) != Be32(body + len)) return false;
        if (!std::memcmp(type, "IHDR", 4)) {
            if (len != 13 || body[8] != 8 || body[12] != 0) return false;
            out.width = int(Be32(body));
            out.height = int(Be32(body + 4));
            out.channels = body[9] == 2 ? 3 : body[9] == 6 ? 4 : 0;
            if (!out.channels || out.width <= 0 || out.height <= 0) return false;
            header = true;
        } else if (!std::memcmp(type, "IDAT", 4)) {
            idat.insert(idat.end(), body, body + len);
        } else if (!std::memcmp(type, "IEND", 4)) {
            end = true;
        }
        pos += 12 + len;
    }
    if (!header || !end) return false;
    std::vector<uint8_t> raw((size_t(out.width) * out.channels + 1) * out.height);
    uLongf rawLen = raw.size();
    if (uncompress(raw.data(), &rawLen, idat.data(), idat.size()) != Z_OK || rawLen != raw.size())
        return false;
    return Unfilter(raw, out);
}

bool ReadWav(const std::string& path, ArtSound& out) {
    std::vector<uint8_t> d = ReadBytes(path);
    if (d.size() < 12 || std::memcmp(&d[0], "RIFF", 4) || std::memcmp(&d[8], "WAVE", 4)) return false;
    if (Le32(&d[4]) != d.size() - 8) return false;
    bool fmt = false;
    for (size_t pos = 12; pos + 8 <= d.size();) {
        uint32_t len = Le32(&d[pos + 4]);
        if (len > d.size() - pos - 8) return false;
        const uint8_t* body = &d[pos + 8];
        if (!std::memcmp(&d[pos], "fmt ", 4)) {
            if (len < 16 || Le16(body) != 1) return false;
            out.channels = Le16(body + 2);
            out.rate = int(Le32(body + 4));
            out.bits = Le16(body + 14);
            if (Le32(body + 8) != uint32_t(out.rate) * out.channels * out.bits / 8) return false;
            fmt = true;
        } else if (!std::memcmp(&d[pos], "data", 4)) {
            if (!fmt || out.bits != 16 || len % 2) return false;
            out.samples.resize(len / 2);
            for (size_t i = 0; i < out.samples.size(); ++i)
                out.samples[i] = int16_t(Le16(body + 2 * i));
            return true;
        }
        pos += 8 + len + (len & 1);
    }
    return false;
}
