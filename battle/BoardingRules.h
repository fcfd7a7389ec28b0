#pragma once
// What an arriving group asks of the computer opponent: set by it; while
// null the group arrives without being taken over.

struct BoardingRules {
    // The computer opponent forms a group of arriving units (a UnitList).
    void (*addReinforcementGroup)(void* units) = nullptr;
};

extern BoardingRules gBoardingRules;
