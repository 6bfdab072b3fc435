#pragma once

// The effect's signal path run directly on the signal core, block by block, for comparison
// with what a hosted instance puts out. It keeps its own filter and level state from zero,
// as a new plug-in instance does, and applies the crossover rules in block order.

#include "CrossoverRules.h"
#include "SaturationCore.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>

namespace mallow::test
{

class CoreReference
{
public:
    using Values = std::array<float, saturation::numParameters>;

    // The defaults, which hold the effective "Mid Freq" that the first block's rule sees.
    static constexpr Values defaults{0.6f, 0.2f, 0.33f, 0.66f, 0.2f, 0.6f, 0.3f};

    void process(const Values& rawValues, double sampleRate, juce::AudioBuffer<float>& buffer)
    {
        float values[saturation::numParameters];
        for (std::size_t i = 0; i < rawValues.size(); ++i)
            values[i] = rawValues[i];

        const auto crossovers =
            applyCrossoverRules(values[saturation::lowFreq], values[saturation::midFreq], effectiveMidFreq);
        values[saturation::lowFreq] = crossovers.lowFreq;
        values[saturation::midFreq] = crossovers.midFreq;
        effectiveMidFreq = crossovers.midFreq;

        for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        {
            // The plug-in runs each channel with flush-to-zero on; so must the comparison.
            const juce::ScopedNoDenormals noDenormals;
            saturation::updateCoefficients(crossover[channel], values[saturation::lowFreq],
                                           values[saturation::midFreq], sampleRate);
            saturation::processChannel(crossover[channel], levels, channel, values,
                                       buffer.getWritePointer(channel), buffer.getNumSamples());
        }
    }

private:
    CrossoverState crossover[saturation::maxChannels];
    saturation::LevelWindows levels;
    float effectiveMidFreq = defaults[saturation::midFreq];
};

} // namespace mallow::test
