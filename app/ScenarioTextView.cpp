#include "app/ScenarioTextView.h"

#include <string>
#include <utility>

#include "app/AppViews.h"
#include "engine/GOLTAFont.h"
#include "engine/GString.h"
#include "engine/GTextView.h"

namespace {

constexpr int32_t kLineWidth = 70;
constexpr int32_t kMaxLines = 2000;

void AddLine(BriefingLines* lines, const std::string& text) {
    if (static_cast<int32_t>(lines->size()) >= kMaxLines) return;
    lines->emplace_back(text.c_str());
}

} // namespace

void BreakBriefing(const char* text, int32_t length, BriefingLines* lines) {
    if (!text || length <= 0) return;
    std::string line;
    for (int32_t i = 0; i < length && static_cast<int32_t>(lines->size()) < kMaxLines; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c == 13) {
            AddLine(lines, line);
            line.clear();
            continue;
        }
        if (c == '\t') {
            line += "   ";
        } else if (c >= 32) {
            line += static_cast<char>(c);
        }
        while (static_cast<int32_t>(line.size()) >= kLineWidth) {
            // Cut after the last blank; a blank in the first place is none.
            size_t cut = line.rfind(' ', kLineWidth - 1);
            if (cut == std::string::npos || cut == 0) {
                AddLine(lines, line.substr(0, kLineWidth));
                line.erase(0, kLineWidth);
            } else {
                AddLine(lines, line.substr(0, cut));
                line.erase(0, cut + 1);
            }
        }
    }
    if (!line.empty()) AddLine(lines, line);
}

void ScenarioTextView::IScenarioTextView(GView* parent, BriefingLines lines, GTextView* pageNumber) {
    IView(parent, 0, 0, 500, 480);
    if (gKernel) SetFillColor(gKernel->MakeColor16(218, 215, 191));
    mLines = std::move(lines);
    mPageNumber = pageNumber;
    mPage = 0;
    auto count = static_cast<int32_t>(mLines.size());
    mPageCount = (count + kLinesPerPage - 1) / kLinesPerPage;
}

void ScenarioTextView::Draw() {
    GView::Draw();
    int32_t first = mPage * kLinesPerPage;
    for (int32_t i = 0; i < kLinesPerPage && first + i < static_cast<int32_t>(mLines.size()); ++i)
        WriteString(&mLines[static_cast<size_t>(first + i)], 2, 12 + 15 * i, -1, kFontFixed, 0, 0, 0);
}

void ScenarioTextView::Scroll(bool forward) {
    if (forward && mPage >= mPageCount - 1) return;
    if (!forward && mPage <= 0) return;
    mPage += forward ? 1 : -1;
    Refresh();
    if (Alive(mPageNumber)) {
        GString15 number;
        number.IStringNum(mPage + 1);
        mPageNumber->SetText(&number);
    }
}
