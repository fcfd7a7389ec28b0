#pragma once
#include "engine/GString.h"
#include "engine/GView.h"
#include <utility>
#include <vector>

// A block of text, wrapped at the view's width; its height follows the text.
class GTextView : public GView {
public:
    void ITextView(GView* parent, int32_t x, int32_t y, int32_t width, const GString* text);
    void ITextViewRez(GView* parent, int32_t x, int32_t y, int32_t width, int16_t stringId);
    void SetText(const GString* text);
    void SetTextRez(int32_t stringId);
    const GString* GetText() const { return &mText; }
    // As WriteString: below 0 left, 0 centred (the default), above 0 right.
    void SetJustify(int32_t justify);
    // Until a colour is set, the text is black, or white when the view or
    // its parent (other than the kernel's window) is filled with a dark
    // colour, as the framed boxes are, so that it stays readable.
    void SetColor(uint8_t r, uint8_t g, uint8_t b);
    void Draw() override;
    int32_t GetLineCount() const { return mLineCount; }

    static constexpr int32_t kLineHeight = 15;

private:
    // Breaks the text into lines of at most the view's width; returns their
    // count and, when starts is given, each line's first and past-last index.
    int32_t Wrap(int32_t width, std::vector<std::pair<int32_t, int32_t>>* lines) const;
    void Place(GView* parent, int32_t x, int32_t y, int32_t width);
    // The colour the text is drawn in now.
    void TextColour(uint8_t* r, uint8_t* g, uint8_t* b) const;

    GString255 mText;
    int32_t mJustify = 0;
    int32_t mLineCount = 1;
    uint8_t mRed = 0, mGreen = 0, mBlue = 0;
    bool mColourSet = false;
};
