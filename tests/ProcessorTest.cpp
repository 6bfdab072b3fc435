#include "MallowAudioProcessor.h"

#include <gtest/gtest.h>

using juce::AudioChannelSet;

namespace
{
juce::AudioBuffer<float> makeBlock(int channels, int samples)
{
    juce::AudioBuffer<float> buffer(channels, samples);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            buffer.setSample(c, i, 0.7f * std::sin(0.05f * (float) (i + 13 * c)));
    return buffer;
}

void process(MallowAudioProcessor& processor, juce::AudioBuffer<float>& buffer)
{
    juce::MidiBuffer midi;
    processor.processBlock(buffer, midi);
}

juce::AudioProcessor::BusesLayout layout(AudioChannelSet in, AudioChannelSet out)
{
    juce::AudioProcessor::BusesLayout l;
    l.inputBuses.add(in);
    l.outputBuses.add(out);
    return l;
}
} // namespace

TEST(Processor, ParametersInHostOrderWithDefaultsAndTexts)
{
    MallowAudioProcessor processor;
    const auto& parameters = processor.getParameters();
    ASSERT_EQ(parameters.size(), 7);

    const char* names[] = {"Gain In", "Gain Out", "Low Freq", "Mid Freq", "Gain Low", "Gain Mid", "Gain High"};
    const float defaults[] = {0.6f, 0.2f, 0.33f, 0.66f, 0.2f, 0.6f, 0.3f};

    for (int i = 0; i < 7; ++i)
    {
        SCOPED_TRACE(names[i]);
        auto* parameter = dynamic_cast<juce::AudioParameterFloat*>(parameters[i]);
        ASSERT_NE(parameter, nullptr);
        EXPECT_EQ(parameter->getParameterID(), names[i]);
        EXPECT_EQ(parameter->getName(100), names[i]);
        EXPECT_EQ(parameter->getVersionHint(), 1);
        EXPECT_FLOAT_EQ(parameters[i]->getValue(), defaults[i]);
        EXPECT_FLOAT_EQ(parameters[i]->getDefaultValue(), defaults[i]);
        EXPECT_FLOAT_EQ(processor.paramValues[(size_t) i].load(), defaults[i]);
        EXPECT_TRUE(parameter->getLabel().isEmpty());
        EXPECT_TRUE(parameter->isAutomatable());
        EXPECT_FALSE(parameter->isMetaParameter());
        EXPECT_EQ(parameter->range.start, 0.0f);
        EXPECT_EQ(parameter->range.end, 1.0f);
        EXPECT_EQ(parameter->range.interval, 0.0f);
        EXPECT_EQ(parameter->range.skew, 1.0f);
    }

    EXPECT_EQ(parameters[0]->getText(parameters[0]->getValue(), 1024), "0.6000000");
    EXPECT_EQ(parameters[2]->getText(parameters[2]->getValue(), 1024), "0.3300000");
}

TEST(Processor, TextToValue)
{
    MallowAudioProcessor processor;
    auto& gainIn = processor.parameter(0);
    EXPECT_FLOAT_EQ(gainIn.getValueForText("0.25"), 0.25f);
    EXPECT_FLOAT_EQ(gainIn.getValueForText("3"), 1.0f);
    EXPECT_FLOAT_EQ(gainIn.getValueForText("-2"), 0.0f);
}

TEST(Processor, BusLayoutRule)
{
    MallowAudioProcessor processor;
    struct Case
    {
        const char* name;
        juce::AudioProcessor::BusesLayout layout;
        bool accepted;
    };
    juce::AudioProcessor::BusesLayout noInput;
    noInput.outputBuses.add(AudioChannelSet::stereo());

    const Case cases[] = {
        {"stereo to stereo", layout(AudioChannelSet::stereo(), AudioChannelSet::stereo()), true},
        {"mono to mono", layout(AudioChannelSet::mono(), AudioChannelSet::mono()), true},
        {"mono to stereo", layout(AudioChannelSet::mono(), AudioChannelSet::stereo()), false},
        {"stereo to mono", layout(AudioChannelSet::stereo(), AudioChannelSet::mono()), false},
        {"no input bus", noInput, false},
        {"three channels", layout(AudioChannelSet::createLCR(), AudioChannelSet::createLCR()), false},
        {"quad", layout(AudioChannelSet::quadraphonic(), AudioChannelSet::quadraphonic()), false},
        {"disabled", layout(AudioChannelSet::disabled(), AudioChannelSet::disabled()), false},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(processor.checkBusesLayoutSupported(c.layout), c.accepted);
    }

    EXPECT_EQ(processor.getBus(true, 0)->getName(), "Input");
    EXPECT_EQ(processor.getBus(false, 0)->getName(), "Output");
    EXPECT_EQ(processor.getMainBusNumInputChannels(), 2);
}

TEST(Processor, QueryAnswers)
{
    MallowAudioProcessor processor;
    EXPECT_EQ(processor.getName(), "Mallow");
    EXPECT_EQ(processor.getTailLengthSeconds(), 0.0);
    EXPECT_FALSE(processor.acceptsMidi());
    EXPECT_FALSE(processor.producesMidi());
    EXPECT_FALSE(processor.isMidiEffect());
    EXPECT_FALSE(processor.supportsDoublePrecisionProcessing());
    EXPECT_EQ(processor.getLatencySamples(), 0);
    EXPECT_TRUE(processor.hasEditor());
    EXPECT_EQ(processor.getNumPrograms(), 1);
    EXPECT_EQ(processor.getCurrentProgram(), 0);
    EXPECT_TRUE(processor.getProgramName(0).isEmpty());

    processor.parameter(0).setValueNotifyingHost(0.9f);
    processor.setCurrentProgram(5);
    processor.changeProgramName(0, "x");
    EXPECT_EQ(processor.getCurrentProgram(), 0);
    EXPECT_TRUE(processor.getProgramName(0).isEmpty());
    EXPECT_FLOAT_EQ(processor.parameter(0).getValue(), 0.9f);
}

TEST(Processor, BlockAppliesCrossoverRulesToWorkingCopyOnly)
{
    MallowAudioProcessor processor;
    processor.setRateAndBufferSizeDetails(48000.0, 64);
    processor.parameter(2).setValueNotifyingHost(1.0f);
    processor.parameter(3).setValueNotifyingHost(1.0f);

    auto block = makeBlock(2, 64);
    process(processor, block);
    EXPECT_NEAR(processor.paramValues[2].load(), 0.465675f, 2e-6f);
    EXPECT_NEAR(processor.paramValues[3].load(), 0.7569f, 1e-6f);

    process(processor, block);
    EXPECT_NEAR(processor.paramValues[2].load(), 0.5476f, 1e-6f);
    EXPECT_NEAR(processor.paramValues[3].load(), 0.7569f, 1e-6f);

    // The host keeps seeing what it set.
    EXPECT_EQ(processor.parameter(2).getValue(), 1.0f);
    EXPECT_EQ(processor.parameter(3).getValue(), 1.0f);
}

TEST(Processor, MonoBlockTouchesOnlyChannelZero)
{
    MallowAudioProcessor processor;
    processor.setRateAndBufferSizeDetails(44100.0, 128);
    auto mono = makeBlock(1, 128);
    process(processor, mono);

    EXPECT_EQ(processor.lastNumChannels.load(), 1);
    EXPECT_NE(processor.crossover[0].delay[0], 0.0);
    EXPECT_EQ(processor.crossover[1].delay[0], 0.0);
    EXPECT_EQ(processor.crossover[1].lowStage[0], 0.0);
    for (int kind = 0; kind < 5; ++kind)
    {
        EXPECT_GT(processor.levelWindows[kind][0].rms.load(), 0.0f);
        EXPECT_EQ(processor.levelWindows[kind][1].rms.load(), 0.0f);
    }

    auto stereo = makeBlock(2, 128);
    process(processor, stereo);
    EXPECT_EQ(processor.lastNumChannels.load(), 2);
    EXPECT_NE(processor.crossover[1].delay[0], 0.0);
}

TEST(Processor, MatchesTheCoreAndLeavesMidiAlone)
{
    MallowAudioProcessor processor;
    processor.setRateAndBufferSizeDetails(48000.0, 256);
    auto block = makeBlock(2, 256);
    auto expected = block;

    juce::MidiBuffer midi;
    midi.addEvent(juce::MidiMessage::noteOn(1, 60, 0.5f), 10);
    const auto midiBefore = midi.data;
    processor.processBlock(block, midi);
    EXPECT_EQ(midi.data, midiBefore);

    using namespace mallow;
    CrossoverState states[2];
    saturation::LevelWindows levels;
    const float values[7] = {0.6f, 0.2f, 0.33f, 0.66f, 0.2f, 0.6f, 0.3f};
    for (int c = 0; c < 2; ++c)
    {
        saturation::updateCoefficients(states[c], values[2], values[3], 48000.0);
        saturation::processChannel(states[c], levels, c, values, expected.getWritePointer(c), 256);
    }

    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(block.getSample(c, i), expected.getSample(c, i)) << c << "/" << i;
}

TEST(Processor, ClipFlagIsStickyAndSignalStateSurvivesPrepare)
{
    MallowAudioProcessor processor;
    processor.setRateAndBufferSizeDetails(48000.0, 256);
    for (int i : {0, 1, 4, 5, 6})
        processor.parameter(i).setValueNotifyingHost(1.0f);

    auto loud = makeBlock(2, 256);
    process(processor, loud);
    EXPECT_EQ(processor.outputClipped.load(), 1);
    EXPECT_EQ(std::abs(loud.getSample(0, 100)) <= 1.0f, true);

    processor.parameter(1).setValueNotifyingHost(0.0f);
    auto quiet = makeBlock(2, 256);
    process(processor, quiet);
    EXPECT_EQ(processor.outputClipped.load(), 1) << "only the editor clears the flag";
    EXPECT_EQ(quiet.getMagnitude(0, 256), 0.0f);

    const auto stateBefore = processor.crossover[0];
    const float rmsBefore = processor.levelWindows[0][0].rms.load();
    const int indexBefore = processor.levelWindows[0][0].writeIndex;

    processor.prepareToPlay(96000.0, 512);
    processor.releaseResources();
    processor.reset();

    for (int k = 0; k < 4; ++k)
    {
        EXPECT_EQ(processor.crossover[0].lowStage[k], stateBefore.lowStage[k]);
        EXPECT_EQ(processor.crossover[0].midStage[k], stateBefore.midStage[k]);
    }
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(processor.crossover[0].delay[k], stateBefore.delay[k]);
    EXPECT_EQ(processor.levelWindows[0][0].rms.load(), rmsBefore);
    EXPECT_EQ(processor.levelWindows[0][0].writeIndex, indexBefore);
    EXPECT_EQ(processor.outputClipped.load(), 1);
}
