#include "AAXClient.h"
#include "MallowAudioProcessor.h"

#include <gtest/gtest.h>

namespace
{
using juce::AudioChannelSet;

// The framework's default ID is 'jcaa' (or 'jyaa' for AudioSuite) plus the input and
// output layout indices (disabled 0, mono 1, stereo 2, LCR 3, ...) in the two low bytes.
struct IdCase
{
    const char* name;
    AudioChannelSet input, output;
    bool audioSuite;
    juce::int32 expected;
};
} // namespace

TEST(AAXClient, PluginIdPerLayout)
{
    MallowAudioProcessor processor;
    auto& extensions = processor.getAAXClientExtensions();
    EXPECT_EQ(&extensions, &processor.aaxClient);

    const IdCase cases[] = {
        {"mono to mono", AudioChannelSet::mono(), AudioChannelSet::mono(), false, 0x6A636161},
        {"stereo to stereo", AudioChannelSet::stereo(), AudioChannelSet::stereo(), false, 0x6A636162},
        {"mono to stereo has no own ID", AudioChannelSet::mono(), AudioChannelSet::stereo(), false,
         0x6A636161 + 0x0102},
        {"LCR falls back to default", AudioChannelSet::createLCR(), AudioChannelSet::createLCR(), false,
         0x6A636161 + 0x0303},
        {"AudioSuite mono", AudioChannelSet::mono(), AudioChannelSet::mono(), true, 0x6A796161 + 0x0101},
        {"AudioSuite stereo", AudioChannelSet::stereo(), AudioChannelSet::stereo(), true, 0x6A796161 + 0x0202},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(extensions.getPluginIDForMainBusConfig(c.input, c.output, c.audioSuite), c.expected);
    }
}

TEST(AAXClient, MonoToStereoIdIsUsedWhenSet)
{
    MallowAudioProcessor processor;
    processor.aaxClient.monoToStereoPluginID = 0x6A636163;
    EXPECT_EQ(processor.aaxClient.getPluginIDForMainBusConfig(AudioChannelSet::mono(), AudioChannelSet::stereo(),
                                                              false),
              0x6A636163);
    EXPECT_TRUE(processor.aaxClient.getPageFileName().isEmpty());
}
