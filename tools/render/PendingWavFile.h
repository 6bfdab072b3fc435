#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

#include <memory>

/** A WAV file written under a temporary name in the target's folder and renamed over the
    target only by commit(). Until then the target is untouched; on destruction without commit
    (an error, or an interrupt signal) the temporary file is removed. */
class PendingWavFile
{
public:
    /** Creates the temporary file. Throws RenderError if the folder cannot be written. */
    PendingWavFile(const juce::File& target, double sampleRate, int numChannels, int bitsPerSample);
    ~PendingWavFile();

    PendingWavFile(const PendingWavFile&) = delete;
    PendingWavFile& operator=(const PendingWavFile&) = delete;

    void write(const juce::AudioBuffer<float>& block, int numSamples);

    /** Finishes the file, checks that it reads back with the expected length and moves it into
        place. Throws RenderError on any failure, leaving the target as it was. */
    void commit(juce::int64 expectedLength);

private:
    void fail(const std::string& what);

    juce::File target;
    juce::File temporary;
    std::unique_ptr<juce::AudioFormatWriter> writer;
    int numChannels;
    bool committed = false;
};
