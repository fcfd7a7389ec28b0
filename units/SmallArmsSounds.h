#pragma once
// The sound numbers of small-arms bursts by the small arm's sound class:
// the first and last of a run of recordings, one of which is picked per
// burst. The game picks from them and the art generator makes them, so the
// numbers live here once.

#include <cstdint>

struct SmallArmsSoundRange {
    int32_t first, last;
};

constexpr SmallArmsSoundRange SmallArmsSounds(int32_t soundClass) {
    switch (soundClass) {
    case 0:
        return {398, 399};
    case 1:
        return {2060, 2064};
    case 2:
        return {2070, 2074};
    case 4:
    case 20:
    case 21:
    case 22:
        return {2100, 2101};
    case 6:
    case 9:
        return {488, 492};
    case 7:
        return {435, 439};
    case 10:
        return {445, 448};
    case 11:
        return {2010, 2012};
    case 12:
        return {472, 475};
    case 13:
        return {2020, 2021};
    case 17:
        return {334, 336};
    case 18:
    case 19:
        return {2030, 2032};
    default:
        return {2000, 2003};
    }
}
