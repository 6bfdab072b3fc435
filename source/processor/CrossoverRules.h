#pragma once

namespace mallow
{

// The two crossover values are kept apart so that the middle band never closes: the
// square roots of "Low Freq" and "Mid Freq" stay at least `minimumRootGap` apart, the low
// one at or above 0.13 and the mid one at or below 0.87. The same rules run on the audio
// thread (every block), in the editor (every drag) and in the state writer.
namespace crossover
{
inline constexpr float minimumRootGap = 0.13f;
inline constexpr float smallestLowRoot = 0.13f;
inline constexpr float largestMidRoot = 0.87f;
inline constexpr float smallestLowFreq = 0.0169f; // 0.13 squared
inline constexpr float largestMidFreq = 0.7569f;  // 0.87 squared
} // namespace crossover

// Effective "Low Freq" for a candidate value, given the effective "Mid Freq".
float constrainLowFreq(float candidate, float effectiveMidFreq) noexcept;

// Effective "Mid Freq" for a candidate value, given the effective "Low Freq".
float constrainMidFreq(float candidate, float effectiveLowFreq) noexcept;

struct CrossoverPair
{
    float lowFreq;
    float midFreq;
};

// Both rules in block order: "Low Freq" yields to the previous effective "Mid Freq", then
// "Mid Freq" is checked against the new "Low Freq". When the raw values collide the mid
// crossover keeps its place.
CrossoverPair applyCrossoverRules(float rawLowFreq, float rawMidFreq, float previousEffectiveMidFreq) noexcept;

} // namespace mallow
