#include "MallowAudioProcessor.h"

#include "MallowAudioProcessorEditor.h"

#include "CrossoverRules.h"
#include "MallowIdentity.h"

#include <cmath>
#include <cstring>

using namespace mallow;

const std::array<const char*, MallowAudioProcessor::numParameters> MallowAudioProcessor::parameterIds{
    "Gain In", "Gain Out", "Low Freq", "Mid Freq", "Gain Low", "Gain Mid", "Gain High"};

const std::array<float, MallowAudioProcessor::numParameters> MallowAudioProcessor::parameterDefaults{
    0.6f, 0.2f, 0.33f, 0.66f, 0.2f, 0.6f, 0.3f};

MallowAudioProcessor::MallowAudioProcessor()
    : juce::AudioProcessor(BusesProperties()
                               .withInput("Input", juce::AudioChannelSet::stereo(), true)
                               .withOutput("Output", juce::AudioChannelSet::stereo(), true)),
      aaxClient(*this),
      globalSettings(mallow::identity::productName)
{
    lastNumChannels.store(1, std::memory_order_relaxed);
    for (auto& kind : levelWindows)
        for (auto& window : kind)
            window.clear();

    for (int i = 0; i < numParameters; ++i)
    {
        // The identifiers bind host automation and stored projects: never rename them.
        addParameter(new juce::AudioParameterFloat(juce::ParameterID{parameterIds[(size_t) i], 1},
                                                   parameterIds[(size_t) i],
                                                   juce::NormalisableRange<float>(0.0f, 1.0f),
                                                   parameterDefaults[(size_t) i]));
        paramValues[(size_t) i].store(parameterDefaults[(size_t) i], std::memory_order_relaxed);
    }

    outputClipped.store(0, std::memory_order_relaxed);
    for (auto& state : crossover)
        state = CrossoverState{};
}

MallowAudioProcessor::~MallowAudioProcessor() = default;

const juce::String MallowAudioProcessor::getName() const
{
    return identity::productName;
}

// The signal state deliberately survives transport stops and rate changes.
void MallowAudioProcessor::prepareToPlay(double, int) {}

void MallowAudioProcessor::releaseResources() {}

bool MallowAudioProcessor::isBusesLayoutSupported(const BusesLayout& layouts) const
{
    if (layouts.inputBuses.isEmpty())
        return false;

    const auto input = layouts.getMainInputChannelSet();
    if (input != layouts.getMainOutputChannelSet())
        return false;

    // Two channels at most: that is how many filter and level states there are.
    const int channels = input.size();
    return channels == 1 || channels == 2;
}

void MallowAudioProcessor::readEffectiveValues(float (&values)[numParameters]) const
{
    for (int i = 0; i < numParameters; ++i)
        values[i] = parameter(i).getValue();

    // "Low Freq" yields to the previous block's effective "Mid Freq", as every block does.
    const auto crossovers = applyCrossoverRules(values[saturation::lowFreq], values[saturation::midFreq],
                                                paramValues[saturation::midFreq].load(std::memory_order_relaxed));
    values[saturation::lowFreq] = crossovers.lowFreq;
    values[saturation::midFreq] = crossovers.midFreq;
}

void MallowAudioProcessor::processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    float values[numParameters];
    readEffectiveValues(values);

    for (int i = 0; i < numParameters; ++i)
        paramValues[(size_t) i].store(values[i], std::memory_order_relaxed);

    const int numChannels = buffer.getNumChannels();
    lastNumChannels.store(numChannels, std::memory_order_relaxed);
    if (numChannels <= 0)
        return;

    // The layout rule allows two channels; a misbehaving host must not index past them.
    const int channelsToProcess = juce::jmin(numChannels, saturation::maxChannels);
    const double sampleRate = getSampleRate();
    bool clipped = false;

    for (int channel = 0; channel < channelsToProcess; ++channel)
    {
        const juce::ScopedNoDenormals noDenormals;
        auto& state = crossover[channel];
        saturation::updateCoefficients(state, values[saturation::lowFreq], values[saturation::midFreq],
                                       sampleRate);
        clipped |= saturation::processChannel(state, levelWindows, channel, values,
                                              buffer.getWritePointer(channel), buffer.getNumSamples());
    }

    if (clipped)
        outputClipped.store(1, std::memory_order_relaxed);
}

double MallowAudioProcessor::getTailLengthSeconds() const
{
    return 0.0;
}

bool MallowAudioProcessor::acceptsMidi() const
{
    return false;
}

bool MallowAudioProcessor::producesMidi() const
{
    return false;
}

juce::AudioProcessorEditor* MallowAudioProcessor::createEditor()
{
    return new MallowAudioProcessorEditor(*this);
}

bool MallowAudioProcessor::hasEditor() const
{
    return true;
}

int MallowAudioProcessor::getNumPrograms()
{
    return 1;
}

int MallowAudioProcessor::getCurrentProgram()
{
    return 0;
}

void MallowAudioProcessor::setCurrentProgram(int) {}

const juce::String MallowAudioProcessor::getProgramName(int)
{
    return {};
}

void MallowAudioProcessor::changeProgramName(int, const juce::String&) {}

void MallowAudioProcessor::getStateInformation(juce::MemoryBlock& destData)
{
    // Stored from the parameters as they are now, through the crossover rules, rather than
    // from the last processed block: a host that restores or automates with its engine
    // stopped and then saves must get what it set. paramValues itself is the audio
    // thread's to refresh, so it is only read here.
    float values[numParameters];
    readEffectiveValues(values);

    for (float value : values)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof(bits));
        bits = juce::ByteOrder::swapIfBigEndian(bits);
        destData.append(&bits, sizeof(bits));
    }
}

void MallowAudioProcessor::setStateInformation(const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes < 4)
        return;

    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const int count = juce::jmin(sizeInBytes / 4, numParameters);

    for (int i = 0; i < count; ++i)
    {
        const std::uint32_t bits = juce::ByteOrder::littleEndianInt(bytes + 4 * i);
        float value;
        std::memcpy(&value, &bits, sizeof(value));

        // A damaged blob must not put a NaN or an infinity into a parameter.
        if (!std::isfinite(value))
            continue;

        parameter(i).setValueNotifyingHost(value);
    }
}

VTKIT::AAXClientExtensions& MallowAudioProcessor::getAAXClientExtensions()
{
    return aaxClient;
}

juce::AudioProcessorParameter& MallowAudioProcessor::parameter(int index) const
{
    return *getParameters().getUnchecked(index);
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new MallowAudioProcessor();
}
