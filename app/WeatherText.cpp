// The weather hover text of the unit panel.
#include "app/WeatherText.h"

#include "app/InfoPanel.h"
#include "app/InfoPanelDraw.h"
#include "app/InfoPanelTexts.h"
#include "battle/Battle.h"
#include "engine/GString.h"

namespace {

bool PanelShowsGeneralPage() {
    return gBattle && gBattle->mInfoPanel && gBattle->mInfoPanel->ShowingGeneric();
}

} // namespace

WeatherText::~WeatherText() = default;

void WeatherText::IWeatherText(GView* panel) {
    IView(panel, 135, 0, 88, 61);
}

void WeatherText::Draw() {
    if (GView::mLastToContainCursor != this || !PanelShowsGeneralPage()) return;
    GView::Draw();
    const Battle* b = gBattle;
    GString255 text;
    for (int32_t line = 0; line < 4; ++line) {
        WeatherLine(line, b->mWeather, b->mGroundCondition, b->mTemperature, b->mWindStrength,
                    b->mWindDirection, &text);
        InfoWrite(this, &text, 2, 9 + 15 * line, -1, kFontSmall, 200, 200, 255);
    }
}

void WeatherText::DoCursor(int32_t x, int32_t y) {
    (void)x;
    (void)y;
    if (GView::mLastToContainCursor != this) DoCursorExit();
}

void WeatherText::DoCursorExit() {
    if (!PanelShowsGeneralPage()) return;
    gBattle->mInfoPanel->Refresh();
    Refresh();
}
