// The built Mallow.lv2 found and run through JUCE's LV2 hosting: its manifest names the
// plug-in by an absolute URI, an LV2 host finds it in the bundle's folder, and an instance
// lists the seven parameters and processes audio as the signal core does.

#include "host/BundlePaths.h"
#include "host/CoreReference.h"
#include "host/TestSignal.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace
{
using mallow::test::CoreReference;

const juce::String pluginUri = "https://vantorp.audio/plugins/mallow";
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;

juce::File lv2Bundle()
{
    return juce::File(juce::String(mallow::test::lv2BundlePath()));
}

// The subject of the manifest's "a lv2:Plugin" statement: the line before it, "<uri>".
juce::String pluginSubjectInManifest(const juce::File& manifest)
{
    juce::StringArray lines;
    lines.addLines(manifest.loadFileAsString());

    for (int i = 1; i < lines.size(); ++i)
        if (lines[i].trim() == "a lv2:Plugin ;")
            return lines[i - 1].trim();

    return {};
}

class LV2Bundle : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        juceRuntime = std::make_unique<juce::ScopedJuceInitialiser_GUI>();
        format = std::make_unique<juce::LV2PluginFormat>();

        // An LV2 host searches folders of bundles; ours is the build's LV2 folder.
        const juce::FileSearchPath folder(lv2Bundle().getParentDirectory().getFullPathName());
        urisFound = format->searchPathsForPlugins(folder, false, false);

        juce::OwnedArray<juce::PluginDescription> found;
        format->findAllTypesForFile(found, pluginUri);
        numTypesFound = found.size();

        if (numTypesFound > 0)
            description = std::make_unique<juce::PluginDescription>(*found[0]);
    }

    static void TearDownTestSuite()
    {
        description.reset();
        format.reset();
        juceRuntime.reset();
    }

    static std::unique_ptr<juce::AudioPluginInstance> createInstance()
    {
        return format->createInstanceFromDescription(*description, sampleRate, blockSize, creationError);
    }

    static inline std::unique_ptr<juce::ScopedJuceInitialiser_GUI> juceRuntime;
    static inline std::unique_ptr<juce::LV2PluginFormat> format;
    static inline std::unique_ptr<juce::PluginDescription> description;
    static inline juce::StringArray urisFound;
    static inline int numTypesFound = 0;
    static inline juce::String creationError;
};

TEST_F(LV2Bundle, ManifestNamesThePluginByAnAbsoluteUri)
{
    const auto manifest = lv2Bundle().getChildFile("manifest.ttl");
    ASSERT_TRUE(manifest.existsAsFile()) << manifest.getFullPathName();
    EXPECT_EQ(pluginSubjectInManifest(manifest), "<" + pluginUri + ">");
}

TEST_F(LV2Bundle, HostFindsThePluginInTheBundleFolder)
{
    EXPECT_TRUE(urisFound.contains(pluginUri)) << urisFound.joinIntoString(", ");
    ASSERT_EQ(numTypesFound, 1);

    EXPECT_EQ(description->name, "Mallow");
    EXPECT_EQ(description->pluginFormatName, "LV2");
    EXPECT_EQ(description->fileOrIdentifier, pluginUri);
    EXPECT_FALSE(description->isInstrument);
    EXPECT_EQ(description->numInputChannels, 2);
    EXPECT_EQ(description->numOutputChannels, 2);
}

TEST_F(LV2Bundle, InstanceListsTheSevenParameters)
{
    ASSERT_EQ(numTypesFound, 1);
    const auto instance = createInstance();
    ASSERT_NE(instance, nullptr) << creationError;

    struct Expected
    {
        const char* name;
        float defaultValue;
    };
    const Expected expected[] = {{"Gain In", 0.6f},   {"Gain Out", 0.2f}, {"Low Freq", 0.33f},
                                 {"Mid Freq", 0.66f}, {"Gain Low", 0.2f}, {"Gain Mid", 0.6f},
                                 {"Gain High", 0.3f}};

    // LV2 gives parameters no order (JUCE's host sorts them by URI), so they are found by
    // name; besides them there may be the host's bypass, bound to the plug-in's enable port.
    const auto& parameters = instance->getParameters();
    int bypassParameters = 0;
    for (auto* parameter : parameters)
        bypassParameters += parameter == instance->getBypassParameter() ? 1 : 0;
    EXPECT_LE(bypassParameters, 1);
    EXPECT_EQ(parameters.size(), 7 + bypassParameters);

    for (const auto& e : expected)
    {
        SCOPED_TRACE(e.name);
        const auto named = std::find_if(parameters.begin(), parameters.end(),
                                        [&](auto* parameter) { return parameter->getName(100) == e.name; });
        ASSERT_NE(named, parameters.end());
        EXPECT_NE(*named, instance->getBypassParameter());
        EXPECT_EQ((*named)->getDefaultValue(), e.defaultValue);
        EXPECT_EQ((*named)->getValue(), e.defaultValue);
    }
}

TEST_F(LV2Bundle, ProcessesStereoAudioAsTheSignalCore)
{
    ASSERT_EQ(numTypesFound, 1);
    const auto instance = createInstance();
    ASSERT_NE(instance, nullptr) << creationError;
    instance->prepareToPlay(sampleRate, blockSize);

    const auto input = mallow::test::makeTestSignal(2, blockSize, sampleRate);
    juce::AudioBuffer<float> viaHost(input), viaCore(input);
    juce::MidiBuffer midi;

    instance->processBlock(viaHost, midi);
    CoreReference().process(CoreReference::defaults, sampleRate, viaCore);
    instance->releaseResources();

    int nonFinite = 0;
    int mismatches = 0;
    double largestChange = 0.0;
    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < blockSize; ++i)
        {
            const float got = viaHost.getSample(channel, i);
            const float want = viaCore.getSample(channel, i);
            nonFinite += std::isfinite(got) ? 0 : 1;
            largestChange = std::max(largestChange, (double)std::abs(got - input.getSample(channel, i)));
            if (std::memcmp(&got, &want, sizeof(float)) != 0 && mismatches++ == 0)
                ADD_FAILURE() << "first difference at sample " << i << ", channel " << channel << ": hosted "
                              << got << ", core " << want;
        }

    EXPECT_EQ(nonFinite, 0);
    EXPECT_GT(largestChange, 0.05);
    EXPECT_EQ(mismatches, 0);
    // The channels must not have been merged or swapped on the way.
    EXPECT_NE(viaHost.getSample(0, blockSize - 1), viaHost.getSample(1, blockSize - 1));
}

} // namespace
