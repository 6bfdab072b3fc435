#pragma once

namespace mallow
{

// Filter memory of the band splitter for one channel. Two chains of four one-pole
// low-pass stages (low and mid crossover) and a three-sample delay of the gained
// input, all in double precision. Only the audio thread touches it.
struct CrossoverState
{
    double lowCoeff = 0.0;
    double lowStage[4] = {};
    double midCoeff = 0.0;
    double midStage[4] = {};
    double delay[3] = {}; // newest first
};

} // namespace mallow
