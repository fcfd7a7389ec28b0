// The computer side's set-up turn.

#include "battle/Battle.h"

// Least answers until the set-up placement exists: an unplanned side keeps
// its scenario set-up and gets no groups.
void Battle::AISetup() {}

void Battle::AIAddReinforcementGroup(GList* /*arriving*/) {}
