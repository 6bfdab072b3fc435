// The mallow-render tool, run as a separate process the way a user runs it: it loads the built
// VST3 bundle through JUCE's hosting, so these tests cover the tool and the bundle together.

#include <gtest/gtest.h>

#include <juce_audio_formats/juce_audio_formats.h>

#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
struct ProcessResult
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

struct WavContents
{
    int numChannels = 0;
    double sampleRate = 0.0;
    int bitsPerSample = 0;
    bool isFloat = false;
    juce::AudioBuffer<float> audio;
};

std::string readText(const juce::File& file)
{
    return file.loadFileAsString().toStdString();
}

/** Runs the tool in workingDirectory with stdout and stderr sent to files in logDirectory. */
ProcessResult runTool(const std::vector<std::string>& args, const juce::File& workingDirectory,
                      const juce::File& logDirectory)
{
    const auto outLog = logDirectory.getNonexistentChildFile("stdout", ".txt");
    const auto errLog = logDirectory.getNonexistentChildFile("stderr", ".txt");

    std::vector<std::string> argvStrings{MALLOW_RENDER_EXE};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;

    for (auto& arg : argvStrings)
        argv.push_back(arg.data());

    argv.push_back(nullptr);

    const pid_t child = fork();

    if (child == 0)
    {
        const int outFd = open(outLog.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = open(errLog.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

        if (outFd < 0 || errFd < 0 || chdir(workingDirectory.getFullPathName().toRawUTF8()) != 0)
            _exit(126);

        dup2(outFd, STDOUT_FILENO);
        dup2(errFd, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }

    ProcessResult result;
    int status = 0;

    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);

    result.out = readText(outLog);
    result.err = readText(errLog);
    return result;
}

void writeWav(const juce::File& file, const juce::AudioBuffer<float>& audio, double sampleRate,
              int bitsPerSample)
{
    file.deleteFile();
    auto stream = std::make_unique<juce::FileOutputStream>(file);
    ASSERT_TRUE(stream->openedOk());

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer(wav.createWriterFor(
        stream.get(), sampleRate, (unsigned int)audio.getNumChannels(), bitsPerSample, {}, 0));
    ASSERT_NE(writer, nullptr);
    stream.release();
    ASSERT_TRUE(writer->writeFromAudioSampleBuffer(audio, 0, audio.getNumSamples()));
}

std::optional<WavContents> readWav(const juce::File& file)
{
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader(
        wav.createReaderFor(file.createInputStream().release(), true));

    if (reader == nullptr)
        return std::nullopt;

    WavContents contents;
    contents.numChannels = (int)reader->numChannels;
    contents.sampleRate = reader->sampleRate;
    contents.bitsPerSample = (int)reader->bitsPerSample;
    contents.isFloat = reader->usesFloatingPointData;
    contents.audio.setSize(contents.numChannels, (int)reader->lengthInSamples);
    reader->read(&contents.audio, 0, (int)reader->lengthInSamples, 0, true, true);
    return contents;
}

/** A 440 Hz sine in every channel. The lengths used below hold a whole number of cycles, so the
    RMS is exactly amplitude / sqrt(2). */
juce::AudioBuffer<float> sine(int numChannels, int numSamples, double sampleRate, float amplitude)
{
    juce::AudioBuffer<float> audio(numChannels, numSamples);

    for (int channel = 0; channel < numChannels; ++channel)
        for (int i = 0; i < numSamples; ++i)
            audio.setSample(
                channel, i,
                amplitude * (float)std::sin(2.0 * juce::MathConstants<double>::pi * 440.0 * i / sampleRate));

    return audio;
}

juce::StringArray fileNamesIn(const juce::File& folder)
{
    juce::StringArray names;

    // Hidden files included: that is where a temporary output would hide.
    for (const auto& entry :
         juce::RangedDirectoryIterator(folder, false, "*", juce::File::findFilesAndDirectories))
        names.add(entry.getFile().getFileName());

    names.sort(false);
    return names;
}

/** A scratch folder per test: "work" is where the tool runs and writes, "logs" holds what it
    printed, so a listing of "work" shows exactly the files the tool left. */
class RenderToolTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = juce::File::getSpecialLocation(juce::File::tempDirectory)
                                  .getChildFile("mallow-render-test-XXXXXX")
                                  .getFullPathName()
                                  .toStdString();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = juce::File(juce::String(pattern));
        work = root.getChildFile("work");
        logs = root.getChildFile("logs");
        ASSERT_TRUE(work.createDirectory());
        ASSERT_TRUE(logs.createDirectory());
    }

    void TearDown() override { root.deleteRecursively(); }

    ProcessResult run(const std::vector<std::string>& args) { return runTool(args, work, logs); }

    juce::File root, work, logs;
};

// ---------------------------------------------------------------------------------------------
// Renders of real files: the output copies the input's shape and carries the plug-in's sound.

enum class Expect
{
    processed, // changed by the plug-in, finite, within full scale
    silent     // every sample exactly 0
};

struct RenderCase
{
    const char* name;
    int numChannels;
    double sampleRate;
    int bitsPerSample;
    int outputBits; // what the output is written with
    float amplitude;
    std::vector<std::string> extraArgs;
    Expect expect;
    // Worked out from the sine: peak 20 log10(a), RMS 20 log10(a / sqrt 2), one decimal.
    const char* inputLevels;
    const char* outputLevels; // start of the output levels; nullptr: not worked out
    bool clipped;
    const char* note; // expected on stderr; empty: stderr stays empty
};

void PrintTo(const RenderCase& c, std::ostream* os)
{
    *os << c.name;
}

class RenderFileTest : public RenderToolTest, public testing::WithParamInterface<RenderCase>
{
};

TEST_P(RenderFileTest, OutputKeepsTheInputShapeAndCarriesThePluginSound)
{
    const auto& c = GetParam();
    // A quarter of a second: 110 whole cycles of 440 Hz at any sample rate.
    const int numSamples = (int)c.sampleRate / 4;
    const auto input = sine(c.numChannels, numSamples, c.sampleRate, c.amplitude);
    writeWav(work.getChildFile("in.wav"), input, c.sampleRate, c.bitsPerSample);

    std::vector<std::string> args{"in.wav", "out.wav"};
    args.insert(args.end(), c.extraArgs.begin(), c.extraArgs.end());
    const auto result = run(args);

    ASSERT_EQ(result.exitCode, 0) << result.err;
    if (*c.note == '\0')
        EXPECT_EQ(result.err, "") << "a short render prints nothing on stderr";
    else
        EXPECT_EQ(result.err, std::string("mallow-render: note: ") + c.note + "\n");
    EXPECT_NE(result.out.find(std::string("input:  ") + c.inputLevels + "\n"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("output: peak "), std::string::npos) << result.out;

    if (c.outputLevels != nullptr)
    {
        EXPECT_NE(result.out.find(std::string("output: ") + c.outputLevels), std::string::npos) << result.out;
    }

    EXPECT_NE(result.out.find(std::string("output clipped: ") + (c.clipped ? "yes" : "no") + "\n"),
              std::string::npos)
        << result.out;

    EXPECT_EQ(fileNamesIn(work), juce::StringArray({"in.wav", "out.wav"})) << "no temporary file is left";

    const auto in = readWav(work.getChildFile("in.wav"));
    const auto out = readWav(work.getChildFile("out.wav"));
    ASSERT_TRUE(in.has_value());
    ASSERT_TRUE(out.has_value()) << "the output is a readable WAV file";
    EXPECT_EQ(out->numChannels, c.numChannels);
    EXPECT_EQ(out->sampleRate, c.sampleRate);
    EXPECT_EQ(out->bitsPerSample, c.outputBits);
    EXPECT_EQ(out->isFloat, c.outputBits == 32);
    ASSERT_EQ(out->audio.getNumSamples(), numSamples);

    float largestChange = 0.0f;
    int outOfRange = 0, nonZero = 0;

    for (int channel = 0; channel < c.numChannels; ++channel)
        for (int i = 0; i < numSamples; ++i)
        {
            const float y = out->audio.getSample(channel, i);
            largestChange = std::max(largestChange, std::abs(y - in->audio.getSample(channel, i)));
            outOfRange += (!std::isfinite(y) || std::abs(y) > 1.0f) ? 1 : 0;
            nonZero += y != 0.0f ? 1 : 0;
        }

    EXPECT_EQ(outOfRange, 0) << "every output sample is finite and within [-1, 1]";

    if (c.expect == Expect::silent)
        EXPECT_EQ(nonZero, 0);
    else
        EXPECT_GT(largestChange, 0.01f) << "the plug-in changed the signal";
}

const char* const halfScaleSineLevels = "peak -6.0 dBFS, RMS -9.0 dBFS"; // amplitude 0.5

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Renders, RenderFileTest,
    testing::Values(
        RenderCase{"Stereo24Bit", 2, 44100.0, 24, 24, 0.5f, {}, Expect::processed, halfScaleSineLevels, nullptr,
                   false, ""},
        RenderCase{"Mono16Bit", 1, 48000.0, 16, 16, 0.5f, {}, Expect::processed, halfScaleSineLevels, nullptr,
                   false, ""},
        // JUCE writes 0.5 in 8 bits as 63 or -64 steps of 1/128: the negative peak is still
        // exactly 0.5, and half a step of rounding bias does not move the RMS by 0.05 dB.
        RenderCase{"EightBitIsWrittenAsSixteen", 2, 44100.0, 8, 16, 0.5f, {}, Expect::processed,
                   halfScaleSineLevels, nullptr, false, "8-bit input is written as 16-bit"},
        // The bundle path as the build gives it, dots and all.
        RenderCase{"ExplicitPluginPath", 2, 44100.0, 24, 24, 0.5f, {"--plugin", MALLOW_VST3_BUNDLE},
                   Expect::processed, halfScaleSineLevels, nullptr, false, ""},
        // Gain Out scales the sum of the bands, so at 0 nothing is left.
        RenderCase{"GainOutZeroIsSilent", 2, 44100.0, 32, 32, 0.5f, {"--set", "Gain Out=0"}, Expect::silent,
                   halfScaleSineLevels, "peak -inf dBFS, RMS -inf dBFS", false, ""},
        // Every band driven to the top swings its sine curve through +-1 many times per cycle; at
        // unity output gain the three bands add beyond full scale and the plug-in limits to +-1.
        // Amplitude 0.9: peak -0.9 dBFS, RMS 20 log10(0.9 / sqrt 2) = -3.9 dBFS.
        RenderCase{"FullDriveClips", 2, 48000.0, 24, 24, 0.9f,
                   {"--set", "Gain In=1", "--set", "Gain Out=1", "--set", "Gain Low=1", "--set", "Gain Mid=1",
                    "--set", "Gain High=1"},
                   Expect::processed, "peak -0.9 dBFS, RMS -3.9 dBFS", "peak 0.0 dBFS", true, ""}),
    [](const testing::TestParamInfo<RenderCase>& row) { return std::string(row.param.name); });
// clang-format on

// ---------------------------------------------------------------------------------------------
// Refused runs: one line on stderr, a non-zero exit, the input untouched, no output left.

enum class InputKind
{
    none,
    stereoWav,
    textNamedWav,
    threeChannelWav
};

struct RefusedCase
{
    const char* name;
    InputKind input;     // written as work/in.wav
    bool existingOutput; // work/out.wav present before the run
    std::vector<std::string> args;
    const char* message; // expected in "mallow-render: ..." on stderr
    bool showsUsage;
};

void PrintTo(const RefusedCase& c, std::ostream* os)
{
    *os << c.name;
}

class RefusedRunTest : public RenderToolTest, public testing::WithParamInterface<RefusedCase>
{
};

TEST_P(RefusedRunTest, ExplainsOnStderrAndLeavesFilesAlone)
{
    const auto& c = GetParam();
    const auto inFile = work.getChildFile("in.wav");
    const auto outFile = work.getChildFile("out.wav");

    switch (c.input)
    {
    case InputKind::none:
        break;
    case InputKind::stereoWav:
        writeWav(inFile, sine(2, 4410, 44100.0, 0.5f), 44100.0, 24);
        break;
    case InputKind::textNamedWav:
        ASSERT_TRUE(inFile.replaceWithText("RIFF is how this line starts, but it is only text.\n"));
        break;
    case InputKind::threeChannelWav:
        writeWav(inFile, sine(3, 4410, 44100.0, 0.5f), 44100.0, 24);
        break;
    }

    if (c.existingOutput)
    {
        ASSERT_TRUE(outFile.replaceWithText("an earlier render"));
    }

    juce::MemoryBlock inputBefore;
    inFile.loadFileAsData(inputBefore);
    const auto filesBefore = fileNamesIn(work);

    const auto result = run(c.args);

    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.exitCode, -1) << "the tool exited by itself instead of crashing";
    EXPECT_EQ(result.out, "");

    const auto firstLineEnd = result.err.find('\n');
    ASSERT_NE(firstLineEnd, std::string::npos) << result.err;
    const auto firstLine = result.err.substr(0, firstLineEnd);
    EXPECT_EQ(firstLine.rfind("mallow-render: ", 0), 0u) << firstLine;
    EXPECT_NE(firstLine.find(c.message), std::string::npos) << firstLine;

    const auto rest = result.err.substr(firstLineEnd + 1);

    if (c.showsUsage)
        EXPECT_EQ(rest.rfind("usage: mallow-render", 0), 0u) << result.err;
    else
        EXPECT_EQ(rest, "") << "one line only";

    juce::MemoryBlock inputAfter;
    inFile.loadFileAsData(inputAfter);
    EXPECT_TRUE(inputAfter == inputBefore) << "the input is untouched";
    EXPECT_EQ(fileNamesIn(work), filesBefore) << "no output or temporary file appears";

    if (c.existingOutput)
    {
        EXPECT_EQ(outFile.loadFileAsString(), "an earlier render") << "a failed render keeps the old output";
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusedRunTest,
    testing::Values(
        RefusedCase{"MissingInput", InputKind::none, false,
                    {"in.wav", "out.wav"}, "input file not found", false},
        RefusedCase{"TextFileNamedWav", InputKind::textNamedWav, false,
                    {"in.wav", "out.wav"}, "input is not a WAV file", false},
        RefusedCase{"ThreeChannels", InputKind::threeChannelWav, false,
                    {"in.wav", "out.wav"}, "input has 3 channels", false},
        RefusedCase{"UnknownParameter", InputKind::stereoWav, false,
                    {"in.wav", "out.wav", "--set", "Gain Sideways=0.5"}, "unknown parameter \"Gain Sideways\"", false},
        // Names are exact: a wrong case is unknown too, and the old output survives the failure.
        RefusedCase{"UnknownParameterKeepsOldOutput", InputKind::stereoWav, true,
                    {"in.wav", "out.wav", "--set", "Gain In=0.5", "--set", "gain out=0.5"},
                    "unknown parameter \"gain out\"", false},
        RefusedCase{"ValueAboveOne", InputKind::stereoWav, false,
                    {"in.wav", "out.wav", "--set", "Gain In=1.5"}, "must be between 0 and 1", false},
        RefusedCase{"ValueBelowZero", InputKind::stereoWav, false,
                    {"in.wav", "out.wav", "--set", "Gain In=-0.1"}, "must be between 0 and 1", false},
        RefusedCase{"ValueNotANumber", InputKind::stereoWav, false,
                    {"in.wav", "out.wav", "--set", "Gain In=abc"}, "is not a number", false},
        RefusedCase{"ValueWithTrailingText", InputKind::stereoWav, false,
                    {"in.wav", "out.wav", "--set", "Gain In=0.5x"}, "is not a number", false},
        RefusedCase{"SettingWithoutValue", InputKind::stereoWav, false,
                    {"in.wav", "out.wav", "--set", "Gain In"}, "--set expects NAME=VALUE", true},
        RefusedCase{"OutputIsInput", InputKind::stereoWav, false,
                    {"in.wav", "in.wav"}, "output file is the same as the input", false},
        RefusedCase{"OutputIsInputSpelledWithDot", InputKind::stereoWav, false,
                    {"in.wav", "./in.wav"}, "output file is the same as the input", false},
        RefusedCase{"OutputIsInputSpelledThroughParent", InputKind::stereoWav, false,
                    {"./in.wav", "../work/in.wav"}, "output file is the same as the input", false},
        RefusedCase{"OutputFolderMissing", InputKind::stereoWav, false,
                    {"in.wav", "nowhere/out.wav"}, "output folder does not exist", false},
        RefusedCase{"PluginMissing", InputKind::stereoWav, false,
                    {"in.wav", "out.wav", "--plugin", "gone.vst3"}, "cannot load plug-in", false},
        RefusedCase{"NoArguments", InputKind::none, false,
                    {}, "no output file given", true},
        RefusedCase{"TooManyFiles", InputKind::stereoWav, false,
                    {"in.wav", "out.wav", "extra.wav"}, "too many files", true},
        RefusedCase{"UnknownOption", InputKind::stereoWav, false,
                    {"in.wav", "out.wav", "--louder"}, "unknown option --louder", true}),
    [](const testing::TestParamInfo<RefusedCase>& row) { return std::string(row.param.name); });
// clang-format on

TEST_F(RenderToolTest, PluginBundleWithoutAUsableBinaryIsRefused)
{
    // A bundle-shaped folder whose "binary" is text: the loader must fail cleanly, not crash.
    const auto bundle = work.getChildFile("Broken.vst3");
    ASSERT_TRUE(bundle.getChildFile("Contents/x86_64-linux").createDirectory());
    ASSERT_TRUE(bundle.getChildFile("Contents/x86_64-linux/Broken.so").replaceWithText("not a library"));
    writeWav(work.getChildFile("in.wav"), sine(2, 4410, 44100.0, 0.5f), 44100.0, 24);

    const auto result = run({"in.wav", "out.wav", "--plugin", "Broken.vst3"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("mallow-render: cannot load plug-in"), std::string::npos) << result.err;
    EXPECT_FALSE(work.getChildFile("out.wav").exists());
}

// ---------------------------------------------------------------------------------------------

TEST_F(RenderToolTest, WithoutInputRendersTheDemoClip)
{
    const auto result = run({"demo.wav"});

    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "") << "no progress bar when stderr is not a terminal";

    const auto demo = readWav(work.getChildFile("demo.wav"));
    ASSERT_TRUE(demo.has_value());
    EXPECT_EQ(demo->numChannels, 2);
    EXPECT_EQ(demo->sampleRate, 48000.0);
    EXPECT_EQ(demo->bitsPerSample, 24);
    EXPECT_EQ(demo->audio.getNumSamples(), 7 * 48000);
    EXPECT_GT(demo->audio.getRMSLevel(0, 0, demo->audio.getNumSamples()), 0.01f);
    EXPECT_GT(demo->audio.getRMSLevel(1, 0, demo->audio.getNumSamples()), 0.01f);

    // The clip itself stays below full scale, with a real level.
    std::smatch match;
    const std::regex inputPeak("input:  peak (-[0-9]+\\.[0-9]) dBFS");
    ASSERT_TRUE(std::regex_search(result.out, match, inputPeak)) << result.out;
    const double peak = std::stod(match[1].str());
    EXPECT_LT(peak, 0.0);
    EXPECT_GT(peak, -12.0);
    // At the default "Gain Out" of 0.2 three bands of at most 1 each give at most 0.6.
    EXPECT_NE(result.out.find("output clipped: no\n"), std::string::npos) << result.out;
}
} // namespace
