#include "SaturationCore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace mallow;
using namespace mallow::saturation;

namespace
{
constexpr double pi = 3.14159265358979323846;

// One channel's worth of engine state, as the processor holds it.
struct Channel
{
    CrossoverState state;
    LevelWindows levels;
    float values[numParameters] = {0.6f, 0.2f, 0.33f, 0.66f, 0.2f, 0.6f, 0.3f};

    bool run(std::vector<float>& samples, double sampleRate = 48000.0)
    {
        updateCoefficients(state, values[lowFreq], values[midFreq], sampleRate);
        return processChannel(state, levels, 0, values, samples.data(), (int) samples.size());
    }
};

std::vector<float> testSignal(int length)
{
    std::vector<float> signal((size_t) length);
    for (int i = 0; i < length; ++i)
        signal[(size_t) i] = 0.8f * std::sin(0.031f * (float) i) + 0.15f * std::sin(0.77f * (float) i);
    return signal;
}
} // namespace

TEST(SaturationCore, CoefficientsUseTruncatedFrequenciesAndRate)
{
    // 0.0169 is 188.662 Hz and 0.7569 is 7573.862 Hz: the filters use 188 and 7573 Hz,
    // and a rate of 44100.9 Hz counts as 44100 Hz.
    CrossoverState state;
    updateCoefficients(state, 0.0169f, 0.7569f, 44100.9);
    EXPECT_DOUBLE_EQ(state.lowCoeff, 2.0 * std::sin(pi * (188.0 / 44100.0)));
    EXPECT_DOUBLE_EQ(state.midCoeff, 2.0 * std::sin(pi * (7573.0 / 44100.0)));

    // Rounding instead of truncating would give 189 Hz.
    EXPECT_NE(state.lowCoeff, 2.0 * std::sin(pi * (189.0 / 44100.0)));
}

TEST(SaturationCore, UnknownSampleRateKeepsCoefficients)
{
    CrossoverState state;
    updateCoefficients(state, 0.33f, 0.66f, 48000.0);
    const double low = state.lowCoeff;
    updateCoefficients(state, 0.5f, 0.7f, 0.0);
    EXPECT_EQ(state.lowCoeff, low);
    EXPECT_TRUE(std::isfinite(state.midCoeff));
}

TEST(SaturationCore, BandsSumToTheInputThreeSamplesEarlier)
{
    // With tiny drives sin(a) is a, so the output is the gained input of three samples
    // earlier times pi × drive × "Gain Out".
    Channel channel;
    const float drive = 0.0001f;
    channel.values[gainIn] = 0.5f;
    channel.values[gainOut] = 1.0f;
    channel.values[gainLow] = channel.values[gainMid] = channel.values[gainHigh] = drive;

    const auto input = testSignal(256);
    auto output = input;
    channel.run(output);

    const double scale = pi * (double) (drive * 25.0f);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(output[(size_t) i], 0.0f, 1e-9f) << "sample " << i;

    for (size_t i = 3; i < input.size(); ++i)
    {
        const double expected = (double) (input[i - 3] * 0.5f) * scale;
        EXPECT_NEAR(output[i], expected, std::abs(expected) * 1e-4 + 1e-9) << "sample " << i;
    }
}

TEST(SaturationCore, ClipFlagAndLimit)
{
    struct Case
    {
        const char* name;
        float gainOut, drive;
        bool expectClip;
    };
    const Case cases[] = {
        {"silent output never clips", 0.0f, 1.0f, false},
        {"hot drives at full output clip", 1.0f, 1.0f, true},
        {"default drives at default output stay below full scale", 0.2f, 0.3f, false},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Channel channel;
        channel.values[gainIn] = 1.0f;
        channel.values[gainOut] = c.gainOut;
        channel.values[gainLow] = channel.values[gainMid] = channel.values[gainHigh] = c.drive;

        auto samples = testSignal(2048);
        EXPECT_EQ(channel.run(samples), c.expectClip);

        float peak = 0.0f;
        for (float s : samples)
            peak = std::max(peak, std::abs(s));

        EXPECT_LE(peak, 1.0f);
        if (c.gainOut == 0.0f)
        {
            EXPECT_EQ(peak, 0.0f);
        }
        if (c.expectClip)
        {
            EXPECT_EQ(peak, 1.0f);
        }
    }
}

TEST(SaturationCore, LevelWindowsFollowTheSignal)
{
    // A constant input of 1 at unity input gain: the input window's RMS climbs to 1 over
    // its 60 samples, sqrt(30/60) half way.
    Channel channel;
    channel.values[gainIn] = 1.0f;
    std::vector<float> ones(30, 1.0f);
    channel.run(ones);
    EXPECT_NEAR(channel.levels[inputLevel][0].rms.load(), std::sqrt(0.5f), 1e-6f);

    std::vector<float> more(30, 1.0f);
    channel.run(more);
    EXPECT_NEAR(channel.levels[inputLevel][0].rms.load(), 1.0f, 1e-6f);

    // Every kind saw signal; channel 1's windows saw nothing.
    for (int kind = 0; kind < numLevelKinds; ++kind)
    {
        SCOPED_TRACE(kind);
        EXPECT_GT(channel.levels[kind][0].rms.load(), 0.0f);
        EXPECT_EQ(channel.levels[kind][1].rms.load(), 0.0f);
        EXPECT_EQ(channel.levels[kind][1].writeIndex, 0);
    }
}

TEST(RmsWindow, NeverNegativeOrNaNAfterLoudThenQuiet)
{
    // 1e8 swallows the following ones in single precision; once it leaves the window the
    // running sum goes below zero. The level must read 0, not NaN.
    RmsWindow window;
    window.push(1e8f);
    for (int i = 0; i < 59; ++i)
        window.push(1.0f);
    for (int i = 0; i < 120; ++i)
    {
        window.push(0.0f);
        window.publish();
        const float rms = window.rms.load();
        ASSERT_FALSE(std::isnan(rms)) << "after " << i << " zeros";
        ASSERT_GE(rms, 0.0f);
    }
    EXPECT_LT(window.sum, 0.0f) << "the fixture no longer provokes the drift it guards against";
}

TEST(RmsWindow, NonFiniteSquaresCountAsSilence)
{
    RmsWindow window;
    window.push(4.0f);
    window.push(std::numeric_limits<float>::quiet_NaN());
    window.push(std::numeric_limits<float>::infinity());
    window.publish();
    EXPECT_EQ(window.ring[1], 0.0f);
    EXPECT_EQ(window.ring[2], 0.0f);
    EXPECT_NEAR(window.rms.load(), std::sqrt(4.0f / 60.0f), 1e-6f);
    EXPECT_EQ(window.writeIndex, 3);
}

TEST(SaturationCore, NonFiniteInputNeitherEscapesNorPoisonsTheChannel)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();

    struct Case
    {
        const char* name;
        float bad;
    };
    const Case cases[] = {{"NaN", nan}, {"+inf", inf}, {"-inf", -inf}};

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        auto input = testSignal(512);
        input[100] = c.bad;

        // The reference run has silence where the bad sample was.
        auto reference = input;
        reference[100] = 0.0f;

        Channel damaged, clean;
        damaged.values[gainOut] = clean.values[gainOut] = 0.8f;
        auto output = input;
        damaged.run(output);
        clean.run(reference);

        for (size_t i = 0; i < output.size(); ++i)
        {
            ASSERT_TRUE(std::isfinite(output[i])) << "sample " << i;
            ASSERT_EQ(output[i], reference[i]) << "sample " << i;
        }

        for (double s : damaged.state.lowStage)
            EXPECT_TRUE(std::isfinite(s));
        for (int kind = 0; kind < numLevelKinds; ++kind)
            EXPECT_TRUE(std::isfinite(damaged.levels[kind][0].rms.load()));

        // And the next block is clean too.
        auto next = testSignal(64);
        damaged.run(next);
        for (float s : next)
            EXPECT_TRUE(std::isfinite(s));
    }
}

TEST(SaturationCore, HugeFiniteInputGivesFiniteOutput)
{
    Channel channel;
    channel.values[gainIn] = 1.0f;
    channel.values[gainOut] = 1.0f;
    std::vector<float> samples = {3e38f, -3e38f, 1e30f, 0.0f, 0.5f, 0.0f, 0.0f};
    channel.run(samples);
    for (float s : samples)
    {
        EXPECT_TRUE(std::isfinite(s));
        EXPECT_LE(std::abs(s), 1.0f);
    }
}

TEST(SaturationCore, FilterStatesStayAwayFromZeroInSilence)
{
    // The offset in the first stage keeps the states above zero, so long silence never
    // produces denormals.
    Channel channel;
    std::vector<float> silence(48000, 0.0f);
    channel.run(silence);
    for (double s : channel.state.lowStage)
    {
        EXPECT_GT(s, 0.0);
        EXPECT_TRUE(std::isnormal(s));
    }
    for (float s : silence)
        EXPECT_TRUE(std::isfinite(s));
}
