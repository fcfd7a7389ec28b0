#pragma once
// Shared by the fuzz targets that check the round trip: whatever a reader
// accepts is written again, read back and written once more, and the two
// writes must be the same bytes. A difference stops the fuzzer with the
// place of the first differing byte, so the input is kept as a crash.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/GFile.h"

// A new temporary file ready for writing; null when none can be made.
inline std::unique_ptr<GFile> FuzzScratchFile() {
    auto file = std::make_unique<GFile>();
    if (!file->ITempFile(false)) return nullptr;
    return file;
}

// The stream a file holds, from its start; the file is left rewound.
inline std::vector<uint8_t> FuzzFileBytes(GFile* file) {
    file->Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file->GetFileLength()));
    if (!bytes.empty()) file->ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    file->Rewind();
    return bytes;
}

// A temporary file holding these bytes, rewound for reading.
inline std::unique_ptr<GFile> FuzzFileWith(const uint8_t* data, size_t size) {
    auto file = FuzzScratchFile();
    if (!file) return nullptr;
    if (size) file->WriteBytes(data, static_cast<int32_t>(size));
    file->Rewind();
    return file;
}

inline std::unique_ptr<GFile> FuzzFileWith(const std::vector<uint8_t>& bytes) {
    return FuzzFileWith(bytes.data(), bytes.size());
}

// Stops the run when a condition the round trip promises does not hold.
[[noreturn]] inline void FuzzFail(const char* what) {
    std::fprintf(stderr, "round trip: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

inline void FuzzRequire(bool holds, const char* what) {
    if (!holds) FuzzFail(what);
}

// The two writes of a round trip must agree byte for byte.
template <class Bytes> void FuzzRequireSame(const Bytes& first, const Bytes& second, const char* what) {
    if (first.size() == second.size() && std::equal(first.begin(), first.end(), second.begin())) return;
    size_t at = 0;
    while (at < first.size() && at < second.size() && first[at] == second[at])
        ++at;
    std::fprintf(
        stderr,
        "round trip: %s: the second write differs (sizes %zu and %zu, first difference at byte %zu)\n", what,
        static_cast<size_t>(first.size()), static_cast<size_t>(second.size()), at);
    std::fflush(stderr);
    std::abort();
}
