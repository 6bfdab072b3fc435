#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/** Peak and RMS over every sample of every channel fed to it, and whether any sample reached
    full scale. */
class SignalLevels
{
public:
    void add(const juce::AudioBuffer<float>& block, int numSamples);

    double peakDecibels() const;
    double rmsDecibels() const;

    /** True once any sample had a magnitude of 1 or more. */
    bool reachedFullScale() const { return fullScale; }

    juce::int64 nonFiniteSamples() const { return nonFinite; }

    /** For example "peak -3.1 dBFS, RMS -17.2 dBFS"; silence reads "-inf". */
    juce::String describe() const;

private:
    double peak = 0.0;
    double sumOfSquares = 0.0;
    juce::int64 count = 0;
    juce::int64 nonFinite = 0;
    bool fullScale = false;
};
