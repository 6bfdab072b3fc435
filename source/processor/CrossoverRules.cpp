#include "CrossoverRules.h"

#include <cmath>

namespace mallow
{

float constrainLowFreq(float candidate, float effectiveMidFreq) noexcept
{
    const float root = std::sqrt(candidate);
    const float midRoot = std::sqrt(effectiveMidFreq);

    if (root < crossover::smallestLowRoot)
        return crossover::smallestLowFreq;

    if (midRoot - root < crossover::minimumRootGap)
    {
        const float limit = midRoot - crossover::minimumRootGap;
        return limit * limit;
    }

    return candidate;
}

float constrainMidFreq(float candidate, float effectiveLowFreq) noexcept
{
    const float root = std::sqrt(candidate);
    const float lowRoot = std::sqrt(effectiveLowFreq);

    if (root > crossover::largestMidRoot)
        return crossover::largestMidFreq;

    if (root - lowRoot < crossover::minimumRootGap)
    {
        const float limit = lowRoot + crossover::minimumRootGap;
        return limit * limit;
    }

    return candidate;
}

CrossoverPair applyCrossoverRules(float rawLowFreq, float rawMidFreq, float previousEffectiveMidFreq) noexcept
{
    const float low = constrainLowFreq(rawLowFreq, previousEffectiveMidFreq);
    return {low, constrainMidFreq(rawMidFreq, low)};
}

} // namespace mallow
