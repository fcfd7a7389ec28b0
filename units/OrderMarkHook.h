#pragma once
// Where a refused destination goes: the battlefield drawing installs the
// receiver, which shows the mark to that side for a moment. Null (headless)
// keeps no mark.
extern void (*gRefusedDestinationMark)(float x, float y, char side);
