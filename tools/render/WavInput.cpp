#include "WavInput.h"

#include "RenderError.h"

namespace
{
bool hasWavHeader(juce::InputStream& stream)
{
    char header[12] = {};

    if (stream.read(header, sizeof(header)) != (int)sizeof(header))
        return false;

    const juce::String riff(header, 4);
    const juce::String wave(header + 8, 4);
    return (riff == "RIFF" || riff == "RF64" || riff == "BW64") && wave == "WAVE";
}
} // namespace

WavInput::WavInput(const juce::File& inputFile) : file(inputFile)
{
    const auto name = file.getFullPathName().toStdString();

    if (!file.exists())
        throw RenderError("input file not found: " + name);

    if (file.isDirectory())
        throw RenderError("input is a folder, not a WAV file: " + name);

    auto stream = std::make_unique<juce::FileInputStream>(file);

    if (stream->failedToOpen())
        throw RenderError("cannot read input file " + name + ": " +
                          stream->getStatus().getErrorMessage().toStdString());

    if (!hasWavHeader(*stream))
        throw RenderError("input is not a WAV file: " + name);

    stream->setPosition(0);
    juce::WavAudioFormat wav;
    reader.reset(wav.createReaderFor(stream.release(), true));

    if (reader == nullptr || reader->sampleRate <= 0.0)
        throw RenderError("input is a damaged or unsupported WAV file: " + name);

    const auto channels = (int)reader->numChannels;

    if (channels < 1 || channels > 2)
        throw RenderError("input has " + std::to_string(channels) +
                          " channels; only mono and stereo files can be rendered: " + name);

    // The reader decodes 8, 16, 24 and 32-bit samples only; anything else would read as noise.
    const auto bits = (int)reader->bitsPerSample;

    if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
        throw RenderError("input uses " + std::to_string(bits) +
                          "-bit samples; use 16 or 24-bit integer or 32-bit float: " + name);

    format.numChannels = channels;
    format.sampleRate = reader->sampleRate;
    format.bitsPerSample = bits;
    format.isFloat = reader->usesFloatingPointData;
    format.lengthInSamples = reader->lengthInSamples;
}

void WavInput::read(juce::AudioBuffer<float>& block, juce::int64 startSample, int numSamples)
{
    if (!reader->read(&block, 0, numSamples, startSample, true, true))
        throw RenderError("cannot read input file " + file.getFullPathName().toStdString());
}
