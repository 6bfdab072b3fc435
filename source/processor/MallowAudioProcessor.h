#pragma once

#include "AAXClient.h"
#include "SaturationCore.h"
#include "VTGlobalSettings.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>
#include <cstdint>

// The one object per plug-in instance that the host's wrapper creates: seven parameters,
// the signal state of the three-band saturator and the values the editor shows. The
// members below are public because the editor and the state code reach them directly;
// everything the editor reads or writes while audio runs is an atomic 32-bit value.
class MallowAudioProcessor : public juce::AudioProcessor
{
public:
    static constexpr int numParameters = mallow::saturation::numParameters;

    MallowAudioProcessor();
    ~MallowAudioProcessor() override;

    const juce::String getName() const override;
    void prepareToPlay(double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    bool isBusesLayoutSupported(const BusesLayout& layouts) const override;
    void processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    using juce::AudioProcessor::processBlock;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram(int index) override;
    const juce::String getProgramName(int index) override;
    void changeProgramName(int index, const juce::String& newName) override;

    void getStateInformation(juce::MemoryBlock& destData) override;
    void setStateInformation(const void* data, int sizeInBytes) override;

    VTKIT::AAXClientExtensions& getAAXClientExtensions();

    // The parameter with index 0 ("Gain In") to 6 ("Gain High").
    juce::AudioProcessorParameter& parameter(int index) const;

    // Identifiers (equal to the names) and defaults in host order.
    static const std::array<const char*, numParameters> parameterIds;
    static const std::array<float, numParameters> parameterDefaults;

    mallow::CrossoverState crossover[mallow::saturation::maxChannels];
    mallow::saturation::LevelWindows levelWindows;
    std::atomic<std::int32_t> outputClipped{0};
    std::atomic<std::int32_t> lastNumChannels{1};
    std::array<std::atomic<float>, numParameters> paramValues;
    VTKIT::AAXClient aaxClient;
    // Declared after aaxClient: built after it and destroyed first.
    VTGlobalSettings globalSettings;

private:
    // The parameters as they are now, with the crossover rules applied: what a block
    // processes with and what a save stores. Reads paramValues, never writes it.
    void readEffectiveValues(float (&values)[numParameters]) const;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MallowAudioProcessor)
};
