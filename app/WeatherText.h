#pragma once
// The hover text over the unit panel's weather and ground pictures: while
// the pointer rests there and the panel shows its general page, the
// battle's weather, ground, temperature and wind in words.
#include <cstdint>

#include "engine/GView.h"

class WeatherText : public GView {
public:
    ~WeatherText() override;
    // 88 x 61 pixels at (135, 0) of the panel.
    void IWeatherText(GView* panel);
    void Draw() override;
    void DoCursor(int32_t x, int32_t y) override;
    void DoCursorExit() override;
};
