#pragma once
// A named place of the map (a village, a hill), shown on its 20 m square.
#include <cstdint>

#include "engine/GObject.h"
#include "engine/GString.h"

class Landmark : public GObject {
public:
    Landmark() = default;
    void ILandmark(int32_t column, int32_t row, const GString* name);

    // Record: long column, long row, the name as a length byte and text.
    void Write(GFile* file) override;
    void Read(GFile* file) override;

    int32_t mColumn = 0;
    int32_t mRow = 0;
    GString63 mName;
};
