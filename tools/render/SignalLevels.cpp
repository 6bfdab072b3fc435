#include "SignalLevels.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
double toDecibels(double magnitude)
{
    return magnitude > 0.0 ? 20.0 * std::log10(magnitude) : -std::numeric_limits<double>::infinity();
}

juce::String formatDecibels(double decibels)
{
    return std::isinf(decibels) ? juce::String("-inf") : juce::String(decibels, 1);
}
} // namespace

void SignalLevels::add(const juce::AudioBuffer<float>& block, int numSamples)
{
    for (int channel = 0; channel < block.getNumChannels(); ++channel)
    {
        const float* samples = block.getReadPointer(channel);

        for (int i = 0; i < numSamples; ++i)
        {
            const double x = samples[i];

            // A NaN or infinity would swamp the RMS; it is counted and reported instead.
            if (!std::isfinite(x))
            {
                ++nonFinite;
                continue;
            }

            const double magnitude = std::abs(x);
            peak = std::max(peak, magnitude);
            fullScale = fullScale || magnitude >= 1.0;
            sumOfSquares += x * x;
        }

        count += numSamples;
    }
}

double SignalLevels::peakDecibels() const
{
    return toDecibels(peak);
}

double SignalLevels::rmsDecibels() const
{
    return count > 0 ? toDecibels(std::sqrt(sumOfSquares / (double)count)) : toDecibels(0.0);
}

juce::String SignalLevels::describe() const
{
    return "peak " + formatDecibels(peakDecibels()) + " dBFS, RMS " + formatDecibels(rmsDecibels()) + " dBFS";
}
