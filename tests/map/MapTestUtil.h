#pragma once
// Helpers shared by the map tests: small maps with chosen terrain, and
// capturing a map's record as bytes.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/GFile.h"
#include "map/Map.h"

// Paints terrain code t into the 2 m cells of the rectangle [x0, x1) x [y0, y1)
// (metres), keeping the heights.
inline void PaintTerrain(Map& map, float x0, float y0, float x1, float y1, Terrain t)
{
    for (int32_t i = static_cast<int32_t>(x0 / 2); i < static_cast<int32_t>(x1 / 2); ++i) {
        for (int32_t j = static_cast<int32_t>(y0 / 2); j < static_cast<int32_t>(y1 / 2); ++j) {
            uint16_t e = map.GetPoint(i, j);
            map.SetPoint(i, j, EncodePoint(e & 0x3ff, t));
        }
    }
}

// Sets the height code of every point in [i0, i1] x [j0, j1] (point indices).
inline void RaisePoints(Map& map, int32_t i0, int32_t j0, int32_t i1, int32_t j1, int32_t code)
{
    for (int32_t i = i0; i <= i1; ++i) {
        for (int32_t j = j0; j <= j1; ++j) {
            map.SetPoint(i, j, EncodePoint(code, DecodePointTerrain(map.GetPoint(i, j))));
        }
    }
    map.RecomputeHeights();
}

// The bytes of a file's stream, read from its start.
inline std::vector<uint8_t> StreamBytes(GFile& file)
{
    file.Rewind();
    std::vector<uint8_t> bytes(file.GetFileLength());
    file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

// The map's record as bytes.
inline std::vector<uint8_t> RecordBytes(Map& map)
{
    GFile file;
    if (!file.ITempFile(false)) return {};
    map.Write(&file);
    return StreamBytes(file);
}

// A temporary file holding bytes, rewound for reading.
inline std::unique_ptr<GFile> FileWith(const std::vector<uint8_t>& bytes)
{
    auto file = std::make_unique<GFile>();
    if (!file->ITempFile(false)) return nullptr;
    file->WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    file->Rewind();
    return file;
}
