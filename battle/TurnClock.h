#pragma once
// Wall milliseconds the last GO spent in the computer's planning and in the
// action phase, for the benchmarks and the runner (not part of the battle).
struct TurnClock {
    double planningMs = 0.0;
    double actionMs = 0.0;
};
const TurnClock& LastTurnClock();
