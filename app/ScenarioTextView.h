#pragma once
// A briefing on paper: 500 x 480, 32 lines a page in the fixed font, paged
// with the briefing screen's buttons.

#include <cstdint>

#include <vector>

#include "engine/GString.h"
#include "engine/GView.h"

class GTextView;

using BriefingLines = std::vector<GString127>;

class ScenarioTextView : public GView {
public:
    static constexpr int32_t kLinesPerPage = 32;
    ~ScenarioTextView() override = default;
    void IScenarioTextView(GView* parent, BriefingLines lines, GTextView* pageNumber);
    void Draw() override;
    void Scroll(bool forward);
    int32_t GetPage() const { return mPage; }
    int32_t GetPageCount() const { return mPageCount; }
    const BriefingLines& GetLines() const { return mLines; }

private:
    BriefingLines mLines;
    GTextView* mPageNumber = nullptr; // not owned
    int32_t mPage = 0;
    int32_t mPageCount = 0;
};

// Breaks a briefing into lines of at most 70 characters and appends them to
// lines, stopping at 2000 lines in all.
void BreakBriefing(const char* text, int32_t length, BriefingLines* lines);
