#pragma once

// A deterministic test signal that reaches all three bands: a low and a high sine, a slow
// swell, and a little noise from a fixed seed. The channels differ, so a swapped or
// duplicated channel shows.

#include <juce_audio_basics/juce_audio_basics.h>

#include <cmath>
#include <cstdint>

namespace mallow::test
{

inline juce::AudioBuffer<float> makeTestSignal(int numChannels, int numSamples, double sampleRate)
{
    juce::AudioBuffer<float> signal(numChannels, numSamples);
    std::uint32_t noise = 12345u;
    const double twoPi = 2.0 * 3.14159265358979323846;

    for (int channel = 0; channel < numChannels; ++channel)
    {
        auto* samples = signal.getWritePointer(channel);
        const double lowHz = 90.0 + 37.0 * channel;
        const double highHz = 5200.0 - 700.0 * channel;

        for (int i = 0; i < numSamples; ++i)
        {
            const double t = i / sampleRate;
            noise = noise * 1664525u + 1013904223u;
            const double white = (double(noise >> 8) / double(1u << 24)) * 2.0 - 1.0;
            const double swell = 0.5 + 0.5 * std::sin(twoPi * 1.5 * t);
            samples[i] =
                float(swell * (0.55 * std::sin(twoPi * lowHz * t) + 0.3 * std::sin(twoPi * highHz * t)) +
                      0.05 * white);
        }
    }

    return signal;
}

} // namespace mallow::test
