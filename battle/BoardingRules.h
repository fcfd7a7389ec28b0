#pragma once
// What loading an arriving passenger into its transport asks of the
// infantry and vehicle rules: set by them; while null the battle only
// links the rider to its carrier.

class Unit;

struct BoardingRules {
    // The passenger takes its place as a rider, then the transport loads it.
    void (*updateRider)(Unit* passenger, bool flag) = nullptr;
    void (*load)(Unit* transport, Unit* passenger) = nullptr;
    // 0 closed, 1 partly, 2 fully open-topped.
    int (*openTopStatus)(Unit* vehicle) = nullptr;
    // The computer opponent forms a group of arriving units.
    void (*addReinforcementGroup)(void* units) = nullptr;
};

extern BoardingRules gBoardingRules;
