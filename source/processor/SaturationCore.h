#pragma once

#include "CrossoverState.h"
#include "RmsWindow.h"

namespace mallow
{

// The signal maths of the effect, free of any framework so that tests and benchmarks can
// drive it directly. The processor owns the state and calls these once per channel.
namespace saturation
{
inline constexpr int numParameters = 7;
inline constexpr int maxChannels = 2;
inline constexpr int numLevelKinds = 5;

enum ParameterIndex
{
    gainIn = 0,
    gainOut,
    lowFreq,
    midFreq,
    gainLow,
    gainMid,
    gainHigh
};

enum LevelKind
{
    inputLevel = 0,
    lowBandLevel,
    midBandLevel,
    highBandLevel,
    outputLevel
};

// Keeps the first filter stage of each chain away from zero during silence, so that the
// states never become denormal: 2^-32 + 2^-64.
inline constexpr double antiDenormalOffset = 2.3283064370807974e-10;

using LevelWindows = RmsWindow[numLevelKinds][maxChannels];

// A crossover value of 0 to 1 in hertz: 20 Hz to 10 kHz, in single precision.
float crossoverFrequency(float value) noexcept;

// Recomputes both filter coefficients of one channel from the effective crossover values.
// Frequencies and the sample rate are truncated to whole numbers first. A sample rate
// below 1 Hz (a host that never said) keeps the coefficients the channel already has.
void updateCoefficients(CrossoverState& state, float lowFreqValue, float midFreqValue,
                        double sampleRate) noexcept;

// Runs one channel in place: gain, three-band split, sine shaping per band, sum, output
// gain and limit, updating the channel's five level windows (their `rms` as of the last
// sample). `values` are the effective
// parameter values of the block. Returns true when a sample went beyond full scale before
// the limit. The coefficients must have been updated for this block.
bool processChannel(CrossoverState& state, LevelWindows& levels, int channel,
                    const float (&values)[numParameters], float* samples, int numSamples) noexcept;

} // namespace saturation
} // namespace mallow
