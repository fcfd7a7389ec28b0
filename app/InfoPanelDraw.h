#pragma once
// Drawing calls of the battle screen's information views (the unit panel,
// the weather text, the hot-key window, the unit balloon and the map view's
// line texts). Each goes to the view as usual and, while a log is installed,
// is also recorded, so that tests read what was drawn without pixels.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/GOLTAFont.h"
#include "engine/LongRect.h"

class GGraphic;
class GString;
class GView;

struct InfoDrawItem {
    char mKind = 0;       // 'b' picture, 's' text, 'r' filled rectangle
    int32_t mPicture = 0; // picture number of a blit
    int32_t mX = 0;       // blit: the point given; rectangle: left
    int32_t mY = 0;       // blit: the point given; rectangle: top
    int32_t mW = 0;       // rectangle or picture width; text: its width in the font
    int32_t mH = 0;       // rectangle or picture height; text: rows from its top to 3 below y
    int32_t mJustify = 0; // text: < 0 left edge, 0 centred, > 0 right edge
    int32_t mFont = 0;
    uint8_t mR = 0, mG = 0, mB = 0;
    bool mCentred = false; // blit centred across (and down with mCentredDown)
    bool mCentredDown = false;
    std::string mText; // Latin-1 bytes as drawn
};

struct InfoDrawLog {
    std::vector<InfoDrawItem> mItems;
    void Clear() { mItems.clear(); }
    // The first text drawn at exactly (x, y), or null.
    const InfoDrawItem* TextAt(int32_t x, int32_t y) const;
    // The first text equal to text, or null.
    const InfoDrawItem* FindText(const std::string& text) const;
    // The first blit of that picture, or null.
    const InfoDrawItem* FindPicture(int32_t picture) const;
    int32_t CountPictures(int32_t picture) const;
    // The view rectangle an item covers: a picture's place and size, a
    // text's by the font's metrics (as the screen's draw record measures).
    static LongRect Area(const InfoDrawItem& item);
    // Every text in drawing order.
    std::vector<std::string> Texts() const;
};

// Null except while a test records.
extern InfoDrawLog* gInfoDrawLog;

// A picture that is null or did not load draws (and records) nothing.
void InfoBlit(GView* view, GGraphic* picture, int32_t x, int32_t y);
void InfoBlitCentered(GView* view, GGraphic* picture, int32_t x, int32_t y, bool across, bool down);
void InfoShadow(GView* view, GString* text, int32_t x, int32_t y, int32_t justify, GOLTAFont font, uint8_t r,
                uint8_t g, uint8_t b, bool thick);
void InfoWrite(GView* view, GString* text, int32_t x, int32_t y, int32_t justify, GOLTAFont font, uint8_t r,
               uint8_t g, uint8_t b);
void InfoPaint(GView* view, const LongRect& rect, uint8_t r, uint8_t g, uint8_t b);
