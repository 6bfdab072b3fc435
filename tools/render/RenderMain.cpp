// mallow-render: renders a WAV file (or a built-in demo clip) through the Mallow VST3 bundle,
// loaded through JUCE's plug-in hosting exactly as a DAW loads it.

#include "DemoClip.h"
#include "HostedPlugin.h"
#include "PendingWavFile.h"
#include "ProgressBar.h"
#include "RenderError.h"
#include "RenderOptions.h"
#include "SignalLevels.h"
#include "WavInput.h"

#include <juce_events/juce_events.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <sys/stat.h>

namespace
{
constexpr int blockSize = 512;

std::filesystem::path resolvedPath(const std::string& path)
{
    std::error_code error;
    auto resolved = std::filesystem::weakly_canonical(std::filesystem::absolute(path), error);
    return error ? std::filesystem::absolute(path).lexically_normal() : resolved;
}

/** Same file by name after resolving ".", ".." and links, or by identity (hard links). */
bool isSameFile(const std::string& first, const std::string& second)
{
    if (resolvedPath(first) == resolvedPath(second))
        return true;

    struct stat a = {}, b = {};
    return stat(first.c_str(), &a) == 0 && stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

juce::File toFile(const std::filesystem::path& path)
{
    return juce::File(juce::String(path.string()));
}

/** The WAV writer offers 8, 16, 24-bit integer and 32-bit float; 8-bit is too coarse to be
    worth keeping, and a 32-bit integer file keeps most of its precision as float. */
int outputBitsFor(const StreamFormat& input)
{
    if (input.bitsPerSample == 8)
    {
        std::cerr << "mallow-render: note: 8-bit input is written as 16-bit\n";
        return 16;
    }

    if (input.bitsPerSample == 32 && !input.isFloat)
    {
        std::cerr << "mallow-render: note: 32-bit integer input is written as 32-bit float\n";
        return 32;
    }

    return input.bitsPerSample;
}

int render(const RenderOptions& options)
{
    const bool useDemo = options.inputPath.empty();

    if (!useDemo && isSameFile(options.inputPath, options.outputPath))
        throw RenderError("the output file is the same as the input file: " + options.outputPath);

    const auto outputFile = toFile(resolvedPath(options.outputPath));

    if (outputFile.isDirectory())
        throw RenderError("output is a folder, not a file: " + options.outputPath);

    if (!outputFile.getParentDirectory().isDirectory())
        throw RenderError("output folder does not exist: " +
                          outputFile.getParentDirectory().getFullPathName().toStdString());

    std::optional<WavInput> input;
    juce::AudioBuffer<float> demo;
    StreamFormat format;

    if (useDemo)
    {
        demo = DemoClip::generate();
        format = DemoClip::format();
    }
    else
    {
        input.emplace(toFile(resolvedPath(options.inputPath)));
        format = input->getFormat();
    }

    const int outputBits = outputBitsFor(format);

    // VST3 hosting runs on the message manager; this thread is its message thread.
    const juce::ScopedJuceInitialiser_GUI juceRuntime;

    const auto bundle =
        options.pluginPath.empty() ? HostedPlugin::defaultBundle() : toFile(resolvedPath(options.pluginPath));
    HostedPlugin plugin(bundle, format.sampleRate, format.numChannels, blockSize);

    for (const auto& setting : options.settings)
        plugin.setParameter(setting.name, setting.value);

    std::cout << "rendering " << (useDemo ? juce::String("demo clip") : juce::String(options.inputPath))
              << " (" << format.describe() << ") through " << plugin.describe() << " at "
              << bundle.getFullPathName() << "\n";

    PendingWavFile output(outputFile, format.sampleRate, format.numChannels, outputBits);
    SignalLevels inputLevels, outputLevels;
    ProgressBar progress(format.lengthInSamples, format.lengthInSeconds());
    juce::AudioBuffer<float> block(format.numChannels, blockSize);

    for (juce::int64 position = 0; position < format.lengthInSamples; position += blockSize)
    {
        const auto numSamples = (int)std::min<juce::int64>(blockSize, format.lengthInSamples - position);

        if (useDemo)
            for (int channel = 0; channel < format.numChannels; ++channel)
                block.copyFrom(channel, 0, demo, channel, (int)position, numSamples);
        else
            input->read(block, position, numSamples);

        // The last block is usually short; the plug-in sees exactly the samples that are left.
        juce::AudioBuffer<float> samples(block.getArrayOfWritePointers(), format.numChannels, 0, numSamples);
        inputLevels.add(samples, numSamples);
        plugin.process(samples);
        outputLevels.add(samples, numSamples);
        output.write(samples, numSamples);
        progress.update(position + numSamples);
    }

    output.commit(format.lengthInSamples);
    progress.finish();

    std::cout << "input:  " << inputLevels.describe() << "\n"
              << "output: " << outputLevels.describe() << "\n"
              << "output clipped: " << (outputLevels.reachedFullScale() ? "yes" : "no") << "\n";

    if (outputLevels.nonFiniteSamples() > 0)
        std::cout << "output has " << outputLevels.nonFiniteSamples()
                  << " non-finite samples (NaN or infinity)\n";

    std::cout << "wrote " << options.outputPath << "\n";
    return 0;
}
} // namespace

int main(int argc, char* argv[])
{
    try
    {
        const auto options = RenderOptions::parse(std::vector<std::string>(argv + 1, argv + argc));

        if (options.showHelp)
        {
            std::cout
                << RenderOptions::usageLine() << "\n"
                << "Renders IN.wav (or, without it, a built-in demo clip) through the Mallow VST3 plug-in.\n"
                << "  --set \"NAME=VALUE\"  set a parameter by name to a value from 0 to 1; repeatable\n"
                << "  --plugin PATH.vst3  use this bundle instead of the built or installed one\n";
            return 0;
        }

        return render(options);
    }
    catch (const UsageError& error)
    {
        std::cerr << "mallow-render: " << error.what() << "\n" << RenderOptions::usageLine() << "\n";
        return 2;
    }
    catch (const RenderError& error)
    {
        std::cerr << "mallow-render: " << error.what() << "\n";
        return 1;
    }
    catch (const std::exception& error)
    {
        std::cerr << "mallow-render: " << error.what() << "\n";
        return 1;
    }
}
