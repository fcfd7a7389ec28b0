#pragma once
#include "engine/GString.h"
#include "engine/GView.h"

// A text entry field of columns x lines characters in the fixed-width font.
// Clicking it gives it the keys; the kernel sends it every typed character
// except Escape.
class GEditView : public GView {
public:
    ~GEditView() override;
    // fullLength lets the text fill every cell; otherwise one cell stays
    // free for the caret. The last flag is kept for callers and has no
    // effect here.
    void IEditView(GView* parent, int32_t x, int32_t y, int32_t columns, int32_t lines, bool fullLength,
                   bool flag);
    void CaptureString(GString* out) const;
    // Appends the text, as far as there is room.
    void InsertString(const GString* text);
    void Clear();
    // One typed character: printable ones are appended, 8 deletes the last,
    // 13 presses the default button.
    virtual void Input(char key);
    int32_t GetCapacity() const { return mCapacity; }
    // A masked field shows a star for every character (passwords).
    void SetMasked(bool masked) { mMasked = masked; }

    void DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) override;
    void Draw() override;
    // Blinks the caret; the kernel calls it after each idle pass.
    void UpdateCaret(uint32_t now);

protected:
    GString255 mText;
    int32_t mColumns = 1;
    int32_t mLines = 1;
    int32_t mCapacity = 1;
    uint32_t mCaretTime = 0;
    bool mCaretOn = true;
    bool mFlag = false;
    bool mMasked = false;
};
