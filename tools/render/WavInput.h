#pragma once

#include "StreamFormat.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <memory>

/** A mono or stereo WAV file opened for reading block by block. */
class WavInput
{
public:
    /** Throws RenderError when the file is missing or unreadable, is not a WAV file (judged by
        its header, not its name), or holds a layout or sample format the tool cannot render. */
    explicit WavInput(const juce::File& file);

    const StreamFormat& getFormat() const { return format; }

    /** Fills the first numSamples samples of every channel of block from the file. */
    void read(juce::AudioBuffer<float>& block, juce::int64 startSample, int numSamples);

private:
    juce::File file;
    std::unique_ptr<juce::AudioFormatReader> reader;
    StreamFormat format;
};
