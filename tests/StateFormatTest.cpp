#include "MallowAudioProcessor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

namespace
{
std::vector<std::uint8_t> bytesOf(const juce::MemoryBlock& block)
{
    const auto* data = static_cast<const std::uint8_t*>(block.getData());
    return {data, data + block.getSize()};
}

std::vector<std::uint8_t> blobOf(std::initializer_list<float> values)
{
    std::vector<std::uint8_t> blob;
    for (float v : values)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        for (int b = 0; b < 4; ++b)
            blob.push_back(std::uint8_t(bits >> (8 * b)));
    }
    return blob;
}

std::vector<float> parameterValues(const MallowAudioProcessor& processor)
{
    std::vector<float> values;
    for (int i = 0; i < 7; ++i)
        values.push_back(processor.parameter(i).getValue());
    return values;
}

void runBlock(MallowAudioProcessor& processor)
{
    juce::AudioBuffer<float> buffer(2, 32);
    buffer.clear();
    juce::MidiBuffer midi;
    processor.processBlock(buffer, midi);
}
} // namespace

TEST(StateFormat, NewInstanceSavesTheDefaultBytes)
{
    MallowAudioProcessor processor;
    juce::MemoryBlock block;
    processor.getStateInformation(block);

    const std::vector<std::uint8_t> expected = {0x9A, 0x99, 0x19, 0x3F, 0xCD, 0xCC, 0x4C, 0x3E, 0xC3, 0xF5,
                                                0xA8, 0x3E, 0xC3, 0xF5, 0x28, 0x3F, 0xCD, 0xCC, 0x4C, 0x3E,
                                                0x9A, 0x99, 0x19, 0x3F, 0x9A, 0x99, 0x99, 0x3E};
    EXPECT_EQ(bytesOf(block), expected);
}

TEST(StateFormat, SavingAppends)
{
    MallowAudioProcessor processor;
    const char prefix[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    juce::MemoryBlock block(prefix, sizeof(prefix));
    processor.getStateInformation(block);
    ASSERT_EQ(block.getSize(), 38u);
    EXPECT_EQ(std::memcmp(block.getData(), prefix, 10), 0);
    EXPECT_EQ(static_cast<const std::uint8_t*>(block.getData())[10], 0x9A);
}

TEST(StateFormat, RestoreTable)
{
    const auto defaults = std::vector<float>{0.6f, 0.2f, 0.33f, 0.66f, 0.2f, 0.6f, 0.3f};
    const auto full = blobOf({0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f});
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();

    struct Case
    {
        const char* name;
        std::vector<std::uint8_t> blob;
        std::vector<float> expected;
    };
    const Case cases[] = {
        {"empty changes nothing", {}, defaults},
        {"three bytes change nothing", {full.begin(), full.begin() + 3}, defaults},
        {"27 bytes set six", {full.begin(), full.begin() + 27}, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.3f}},
        {"28 bytes set seven", {full.begin(), full.begin() + 28}, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f}},
        {"32 bytes ignore the eighth value", full, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f}},
        {"out of range values are brought into range", blobOf({1.5f, -0.5f}),
         {1.0f, 0.0f, 0.33f, 0.66f, 0.2f, 0.6f, 0.3f}},
        {"non-finite values leave their parameter alone", blobOf({nan, 0.9f, inf, -inf, 0.25f}),
         {0.6f, 0.9f, 0.33f, 0.66f, 0.25f, 0.6f, 0.3f}},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        MallowAudioProcessor processor;
        processor.setStateInformation(c.blob.data(), (int) c.blob.size());
        const auto values = parameterValues(processor);
        for (size_t i = 0; i < 7; ++i)
            EXPECT_FLOAT_EQ(values[i], c.expected[i]) << "parameter " << i;

        // The working copy follows only at the next block.
        EXPECT_FLOAT_EQ(processor.paramValues[0].load(), 0.6f);
    }
}

TEST(StateFormat, RestoreNotifiesListeners)
{
    struct Counter : juce::AudioProcessorParameter::Listener
    {
        int changes = 0;
        void parameterValueChanged(int, float) override { ++changes; }
        void parameterGestureChanged(int, bool) override { ADD_FAILURE() << "no gestures on restore"; }
    } counter;

    MallowAudioProcessor processor;
    for (int i = 0; i < 7; ++i)
        processor.parameter(i).addListener(&counter);

    const auto blob = blobOf({0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f});
    processor.setStateInformation(blob.data(), (int) blob.size());
    EXPECT_EQ(counter.changes, 7);

    for (int i = 0; i < 7; ++i)
        processor.parameter(i).removeListener(&counter);
}

TEST(StateFormat, CrossoversAreStoredAsTheirEffectiveValues)
{
    MallowAudioProcessor processor;
    processor.setRateAndBufferSizeDetails(48000.0, 32);
    processor.parameter(2).setValueNotifyingHost(1.0f);
    processor.parameter(3).setValueNotifyingHost(1.0f);
    for (int i = 0; i < 3; ++i)
        runBlock(processor);

    juce::MemoryBlock saved;
    processor.getStateInformation(saved);
    ASSERT_EQ(saved.getSize(), 28u);

    MallowAudioProcessor restored;
    restored.setStateInformation(saved.getData(), (int) saved.getSize());
    EXPECT_NEAR(restored.parameter(2).getValue(), 0.5476f, 1e-6f);
    EXPECT_NEAR(restored.parameter(3).getValue(), 0.7569f, 1e-6f);
}

TEST(StateFormat, SavingWithoutABlockStoresWhatTheParametersHoldNow)
{
    // A host with its engine stopped restores a project, moves a knob and saves: no block
    // has run, yet the save must hold the new values.
    MallowAudioProcessor processor;
    const auto blob = blobOf({0.1f, 0.2f, 0.04f, 0.36f, 0.5f, 0.6f, 0.7f});
    processor.setStateInformation(blob.data(), (int) blob.size());
    processor.parameter(6).setValueNotifyingHost(0.95f);

    juce::MemoryBlock saved;
    processor.getStateInformation(saved);
    EXPECT_EQ(bytesOf(saved), blobOf({0.1f, 0.2f, 0.04f, 0.36f, 0.5f, 0.6f, 0.95f}));

    // The crossover rules still apply, as a block would apply them.
    processor.parameter(2).setValueNotifyingHost(1.0f);
    processor.parameter(3).setValueNotifyingHost(1.0f);
    juce::MemoryBlock collided;
    processor.getStateInformation(collided);
    float low, mid;
    std::memcpy(&low, static_cast<const char*>(collided.getData()) + 8, 4);
    std::memcpy(&mid, static_cast<const char*>(collided.getData()) + 12, 4);
    EXPECT_NEAR(low, 0.465675f, 2e-6f); // against the previous effective mid, 0.66
    EXPECT_NEAR(mid, 0.7569f, 1e-6f);

    // Saving is read-only for the working copy, which belongs to the audio thread.
    EXPECT_FLOAT_EQ(processor.paramValues[6].load(), 0.3f);
}
