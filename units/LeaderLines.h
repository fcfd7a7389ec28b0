#pragma once
// Whether leadership lines are hidden: the renderer's and the display's
// flags, as the program that draws installs them. Without an answer
// (headless) the lines are drawn, which headless draws nothing.

// Installs the question (null removes it).
void SetLeaderLinesHidden(bool (*hidden)());
bool LeaderLinesHidden();
// Whether a screen has set the rule.
bool LeaderLinesRuleSet();
