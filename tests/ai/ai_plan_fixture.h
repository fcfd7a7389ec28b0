#pragma once
// The unit-move tests' battle, which also frees the computer's group lists
// that a test gives it (a stub battle leaves them to its owner).

#include "ai_moves_fixtures.h"

class PlanBattle : public MoveBattle {
public:
    using MoveBattle::MoveBattle;
    ~PlanBattle() {
        for (GList*& list : mBattle.mAIGroups) {
            delete list;
            list = nullptr;
        }
    }
};
