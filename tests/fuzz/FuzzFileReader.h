#pragma once
// Shared by the GFile fuzz targets: puts the input on the disk, opens it in
// one reading mode and, when the open succeeds, reads it the way records
// are read, with counts taken from the data itself.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "engine/GFile.h"

// One scratch file per fuzzing process; each input removes it again once
// the open has read it, so none is left behind.
inline const std::string& FuzzFilePath() {
    static const std::string path = "/tmp/dm-fuzz-" + std::to_string(getpid()) + ".bin";
    return path;
}

inline bool PutOnDisk(const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(FuzzFilePath().c_str(), "wb");
    if (!file) return false;
    const bool ok = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

inline void ReadLikeRecords(GFile& file) {
    std::vector<int16_t> shorts;
    while (!file.HasFailed()) {
        const int8_t kind = file.ReadChar();
        const int32_t count = file.ReadLong();
        switch (kind & 7) {
        case 0:
            file.Skip(count);
            break;
        case 1:
            file.ReadFixed(static_cast<float>(count % 1000) + 0.5f);
            break;
        case 2:
            // A count that runs past the data must not run past the array.
            shorts.assign(static_cast<size_t>(count & 0x3FF), 0);
            file.ReadShortArray(shorts.data(), static_cast<int32_t>(shorts.size()));
            break;
        case 3:
            file.ReadFloat();
            break;
        case 4:
            file.ReadShort();
            break;
        default: {
            uint8_t buffer[64];
            file.ReadBytes(buffer, count & 63);
            break;
        }
        }
    }
    // Reads after the failure keep giving zeros.
    (void)file.ReadLong();
    file.Rewind();
    (void)file.GetFileLength();
}

inline void FuzzOpen(const uint8_t* data, size_t size, FileMode mode) {
    if (!PutOnDisk(data, size)) return;
    GFile file;
    const bool opened = file.IFile(FuzzFilePath().c_str(), mode);
    std::remove(FuzzFilePath().c_str());
    if (opened) ReadLikeRecords(file);
}

// The whole stream a reading file holds.
inline std::vector<uint8_t> StreamOf(GFile& file) {
    std::vector<uint8_t> stream(static_cast<size_t>(file.GetFileLength()));
    if (!stream.empty()) file.ReadBytes(stream.data(), static_cast<int32_t>(stream.size()));
    file.Rewind();
    return stream;
}

// Writes the stream in writeMode and gives the disk image; the image read
// back in readMode must give the stream again.
inline std::vector<uint8_t> WriteAndCheck(const std::vector<uint8_t>& stream, FileMode writeMode,
                                          FileMode readMode) {
    const std::string path = FuzzFilePath() + ".out";
    {
        GFile out;
        if (!out.IFile(path.c_str(), writeMode)) std::abort();
        if (!stream.empty()) out.WriteBytes(stream.data(), static_cast<int32_t>(stream.size()));
        if (out.HasFailed()) std::abort();
    }
    std::vector<uint8_t> image;
    {
        std::ifstream in(path, std::ios::binary);
        image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    GFile back;
    const bool opened = back.IFile(path.c_str(), readMode);
    std::remove(path.c_str());
    if (!opened || StreamOf(back) != stream) {
        std::fprintf(stderr, "round trip: a written file does not read back as its stream\n");
        std::abort();
    }
    return image;
}

// Opens the input in readMode; when it opens, its stream is written in
// writeMode twice over (write, read, write) and both disk images must be
// the same bytes. Then the stream is read the way records are read.
inline void FuzzOpenRoundTrip(const uint8_t* data, size_t size, FileMode readMode, FileMode writeMode) {
    if (!PutOnDisk(data, size)) return;
    GFile file;
    const bool opened = file.IFile(FuzzFilePath().c_str(), readMode);
    std::remove(FuzzFilePath().c_str());
    if (!opened) return;
    const std::vector<uint8_t> stream = StreamOf(file);
    const std::vector<uint8_t> first = WriteAndCheck(stream, writeMode, readMode);
    if (WriteAndCheck(stream, writeMode, readMode) != first) {
        std::fprintf(stderr, "round trip: the same stream wrote different files\n");
        std::abort();
    }
    ReadLikeRecords(file);
}

// The folder of a --write-seeds=FOLDER argument, or "" when there is none.
inline std::string SeedFolderArgument(const int* argc, char** const* argv) {
    const std::string flag = "--write-seeds=";
    std::string folder;
    for (int i = 1; argc && argv && i < *argc; ++i) {
        const std::string arg = (*argv)[i];
        if (arg.compare(0, flag.size(), flag) == 0) folder = arg.substr(flag.size());
    }
    return folder;
}

// Each seed written into folder as a file of its name.
inline void WriteSeedFiles(const std::string& folder,
                           const std::vector<std::pair<std::string, std::vector<uint8_t>>>& seeds) {
    for (const auto& [name, bytes] : seeds) {
        if (std::FILE* f = std::fopen((folder + "/" + name).c_str(), "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
    }
}
