#pragma once

#include "StreamFormat.h"

#include <juce_audio_basics/juce_audio_basics.h>

/** The clip rendered when no input file is given: a short stereo groove (kick, snare and
    hi-hat over a bass line and a slow pad) made in code, so the tool can show the plug-in
    with nothing but an output path. */
class DemoClip
{
public:
    static constexpr double sampleRate = 48000.0;
    static constexpr int bitsPerSample = 24;
    static constexpr double lengthInSeconds = 7.0;
    static constexpr juce::int64 lengthInSamples = 336000; // 7 s at 48 kHz

    static StreamFormat format();

    /** The whole clip, two channels, peak at -3 dBFS. The same every time. */
    static juce::AudioBuffer<float> generate();
};
