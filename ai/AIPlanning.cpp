#include "ai/AIPlanning.h"

Affiliation gAISide = kAxis;
bool gAIDefending = false;
GView* gAIPanel = nullptr;
