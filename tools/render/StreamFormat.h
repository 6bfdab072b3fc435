#pragma once

#include <juce_core/juce_core.h>

/** The shape of the audio being rendered: what the output copies from the input. */
struct StreamFormat
{
    int numChannels = 0;
    double sampleRate = 0.0;
    int bitsPerSample = 0;
    bool isFloat = false;
    juce::int64 lengthInSamples = 0;

    double lengthInSeconds() const { return sampleRate > 0.0 ? (double)lengthInSamples / sampleRate : 0.0; }

    /** For example "stereo, 44100 Hz, 24-bit, 0.25 s". */
    juce::String describe() const
    {
        const juce::String layout = numChannels == 1   ? "mono"
                                    : numChannels == 2 ? "stereo"
                                                       : juce::String(numChannels) + " channels";
        return layout + ", " + juce::String(juce::roundToInt(sampleRate)) + " Hz, " +
               juce::String(bitsPerSample) + "-bit" + (isFloat ? " float" : "") + ", " +
               juce::String(lengthInSeconds(), 2) + " s";
    }
};
