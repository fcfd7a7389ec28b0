#pragma once
// Inputs of the application-packet target, shared by the target's seed
// maker: a start phase, a side flag, then records (a 16-bit big-endian
// length and the packet's bytes) fed one by one to the packet handler.

#include <cstdint>
#include <vector>

inline void AppendTurnRecord(std::vector<uint8_t>* out, const std::vector<uint8_t>& packet) {
    out->push_back(static_cast<uint8_t>(packet.size() >> 8));
    out->push_back(static_cast<uint8_t>(packet.size()));
    out->insert(out->end(), packet.begin(), packet.end());
}

// Every packet type in its well-formed shape, starting in the given phase.
inline std::vector<uint8_t> TurnPacketSequence(uint8_t phase, bool host) {
    std::vector<uint8_t> out = {phase, static_cast<uint8_t>(host ? 1 : 0)};
    const std::vector<std::vector<uint8_t>> packets = {{1, 0xFF, 0xFE, 0x79, 0x60},
                                                       {2},
                                                       {3},
                                                       {4, 1, 2, 3},
                                                       {5},
                                                       {6, 9, 8, 7},
                                                       {7},
                                                       {8, 0, 0, 1, 0},
                                                       {9, 4, 4},
                                                       {10},
                                                       {11},
                                                       {12, 0, 0, 0, 2},
                                                       {13},
                                                       {14},
                                                       {15},
                                                       {16, 1},
                                                       {17},
                                                       {19, 'h', 'a', 'l', 'l', 'o', 0},
                                                       {20, 0, 0, 0, 2, 1, 2, 3, 4, 5, 6, 7, 8},
                                                       {21, 7},
                                                       {22, 10},
                                                       {18}};
    for (const auto& packet : packets)
        AppendTurnRecord(&out, packet);
    return out;
}
