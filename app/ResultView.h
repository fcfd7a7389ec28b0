#pragma once
// The result screen of a finished battle: picture 11102 centred on the
// screen with the battle's title, how it ended (in an operation that goes on:
// the battles left and the coming night), the grade, the losses of both
// sides and, for a plain battle, the points by source; "review" and
// "continue" buttons below.
#include <cstdint>

#include "battle/BattleResult.h"
#include "engine/GBlitView.h"
#include "engine/GString.h"

class ResultView : public GBlitView {
public:
    // The texts are worked out here from the figures; operationContinues
    // leaves out the review button and the points.
    void IResultView(GView* parent, const BattleResult& result, const GString* scenarioTitle,
                     bool inOperation, bool operationContinues);
    void Draw() override;

    BattleResult mResult;
    GString255 mTitle;
    GString255 mReason;
    // Further lines under the first: the battles left and the coming night.
    GString255 mMoreLines[4];
    int32_t mMoreLineCount = 0;
    GString255 mGrade;
    // The enemy's figures are estimates while the operation goes on.
    bool mEstimateEnemy = false;
    bool mShowPoints = true;
};

// The y of each row of figures: casualties, wounded, captured, then the
// guns of the two kinds, emplacements, vehicles and airplanes.
constexpr int32_t kResultFigureRows = 8;
// The x of each side's column (a text 29 pixels wide).
constexpr int32_t kResultColumnX[2] = {244, 337};
