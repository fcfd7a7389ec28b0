#include "app/ResultView.h"

#include "engine/GButton2D.h"

namespace {

constexpr int32_t kFigureY[kResultFigureRows] = {213, 233, 253, 278, 298, 318, 338, 358};
constexpr int32_t kPointsY[5] = {433, 453, 473, 493, 513};
constexpr int32_t kColumnWidth = 29;
constexpr int32_t kTextX = 43;
constexpr int32_t kLineY = 118;   // the first line of how it ended
constexpr int32_t kLineStep = 15; // the lines under it, then the grade
constexpr int16_t kClickSound = 152;

void Button(GView* parent, int32_t x, int32_t y, int32_t command, int32_t picture) {
    auto* b = new GButton2D;
    b->IButton2D(parent, x, y, command, picture, 3);
    b->AttachSound(kClickSound);
}

} // namespace

void ResultView::IResultView(GView* parent, const BattleResult& result, const GString* scenarioTitle,
                             bool inOperation, bool operationContinues) {
    mResult = result;
    IBlitView2D(parent, -1, -1, 11102);
    mTitle.IStringRez(result.mTitleString);
    if (scenarioTitle) mTitle.Concat(scenarioTitle);
    mReason.IStringRez(result.mReasonString);
    mMoreLineCount = 0;
    if (result.mOperation && result.mBattlesLeft > 0) {
        GString255& left = mMoreLines[mMoreLineCount++];
        if (result.mBattlesLeft == 1) {
            left.IStringRez(469);
        } else {
            left.IStringRez(467);
            left.ConcatNum(result.mBattlesLeft);
            left.ConcatRez(468);
        }
        if (result.mNightComing)
            for (int32_t id = 430; id <= 432; ++id)
                mMoreLines[mMoreLineCount++].IStringRez(id);
    }
    mEstimateEnemy = result.mOperation && result.mBattlesLeft > 0 && !result.mHotseat;
    if (result.mHotseat) {
        mGrade.IStringRez(463);
        mGrade.ConcatRez(result.mHotseatGradeString);
    } else {
        mGrade.IStringRez(449);
        mGrade.ConcatRez(result.mPersonalGradeString);
    }
    mShowPoints = !inOperation;
    const int32_t h = GetHeight();
    if (operationContinues) {
        Button(this, -1, h - 44, 120, 10014);
    } else {
        Button(this, 45, h - 39, 119, 11100);
        Button(this, 245, h - 39, 120, 11105);
    }
}

void ResultView::Draw() {
    GBlitView::Draw();
    const auto font = static_cast<GOLTAFont>(0);
    WriteString(&mTitle, kTextX, 55, -1, font, 185, 185, 185);
    WriteString(&mReason, kTextX, 118, -1, font, 200, 200, 210);
    for (int32_t k = 0; k < mMoreLineCount; ++k)
        WriteString(&mMoreLines[k], kTextX, kLineY + kLineStep * (k + 1), -1, font, 200, 200, 210);
    WriteString(&mGrade, kTextX, kLineY + kLineStep * (mMoreLineCount + 1), -1, font, 200, 200, 210);
    // Empty cells instead of zeros.
    auto figure = [&](int32_t side, int32_t y, int32_t value) {
        if (value == 0) return;
        GString15 text;
        text.IStringNum(value);
        WriteString(&text, kResultColumnX[side] + kColumnWidth / 2, y, 0, font, 230, 230, 230);
    };
    for (int32_t s = 0; s < 2; ++s) {
        const int32_t* counts = mResult.mCounts[s];
        int32_t column[kResultFigureRows] = {counts[0], mResult.mWounded[s], counts[1], counts[2],
                                             counts[3], counts[4],           counts[5], counts[6]};
        if (mEstimateEnemy && s != mResult.mViewer) {
            const int32_t salt = mResult.mMenLeft[0] * 31 + mResult.mMenLeft[1];
            for (int32_t row = 0; row < kResultFigureRows; ++row)
                column[row] = EstimatedFigure(column[row], row, salt);
        }
        for (int32_t row = 0; row < kResultFigureRows; ++row)
            figure(s, kFigureY[row], column[row]);
        if (mShowPoints)
            for (int32_t row = 0; row < 5; ++row)
                figure(s, kPointsY[row], mResult.mPoints[s][row]);
    }
}
