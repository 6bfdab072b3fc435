// The built Mallow.vst3 loaded through JUCE's VST3 hosting, as a DAW loads it: what the host
// learns from the bundle, the parameters it lists, the layouts it may use, its saved state,
// and the audio it gets back.

#include "host/BundlePaths.h"
#include "host/CoreReference.h"
#include "host/SavedState.h"
#include "host/TestSignal.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace
{
using mallow::test::CoreReference;
namespace saved_state = mallow::test::saved_state;

constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;

// The effect class ID as the bundle declares it: 'VST', the plug-in code, the lower-cased name.
constexpr std::array<std::uint8_t, 16> effectClassId{'V', 'S', 'T', 'M', 'l', 'l', 'w', 'm',
                                                     'a', 'l', 'l', 'o', 'w', 0,   0,   0};

// JUCE's host derives a description's IDs from the class ID: uniqueId hashes its four
// big-endian 32-bit words, deprecatedUid its sixteen bytes, both as h = h * 31 + item.
int hashOfWords(const std::array<std::uint8_t, 16>& id)
{
    std::uint32_t hash = 0;
    for (std::size_t word = 0; word < 4; ++word)
    {
        const auto* b = id.data() + 4 * word;
        hash = hash * 31u + ((std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) |
                             (std::uint32_t(b[2]) << 8) | std::uint32_t(b[3]));
    }
    return int(hash);
}

int hashOfBytes(const std::array<std::uint8_t, 16>& id)
{
    std::uint32_t hash = 0;
    for (auto byte : id)
        hash = hash * 31u + byte;
    return int(hash);
}

struct ExpectedParameter
{
    const char* name;
    float defaultValue;
};

constexpr ExpectedParameter expectedParameters[] = {
    {"Gain In", 0.6f},  {"Gain Out", 0.2f}, {"Low Freq", 0.33f}, {"Mid Freq", 0.66f},
    {"Gain Low", 0.2f}, {"Gain Mid", 0.6f}, {"Gain High", 0.3f},
};
constexpr int numParameters = 7;

void setParameters(juce::AudioPluginInstance& instance, const CoreReference::Values& values)
{
    const auto& parameters = instance.getParameters();
    for (int i = 0; i < numParameters; ++i)
        parameters[i]->setValueNotifyingHost(values[(std::size_t)i]);
}

CoreReference::Values parameterValues(juce::AudioPluginInstance& instance)
{
    CoreReference::Values values{};
    const auto& parameters = instance.getParameters();
    for (int i = 0; i < numParameters; ++i)
        values[(std::size_t)i] = parameters[i]->getValue();
    return values;
}

// The component's own bytes inside the host's saved state: JUCE's host stores them base64
// encoded in the "IComponent" element of its XML.
saved_state::Bytes componentStateIn(const juce::MemoryBlock& hostState)
{
    const auto xml = juce::AudioProcessor::getXmlFromBinary(hostState.getData(), (int)hostState.getSize());
    if (xml == nullptr)
        return {};

    const auto* component = xml->getChildByName("IComponent");
    juce::MemoryBlock bytes;
    if (component == nullptr || !bytes.fromBase64Encoding(component->getAllSubText()))
        return {};

    const auto* begin = static_cast<const std::uint8_t*>(bytes.getData());
    return {begin, begin + bytes.getSize()};
}

class HostedBundle : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        juceRuntime = std::make_unique<juce::ScopedJuceInitialiser_GUI>();
        format = std::make_unique<juce::VST3PluginFormat>();

        juce::OwnedArray<juce::PluginDescription> found;
        format->findAllTypesForFile(found, juce::String(mallow::test::vst3BundlePath()));
        numTypesFound = found.size();

        if (numTypesFound > 0)
        {
            description = std::make_unique<juce::PluginDescription>(*found[0]);
            instance = createInstance();
        }
    }

    static void TearDownTestSuite()
    {
        instance.reset();
        description.reset();
        format.reset();
        juceRuntime.reset();
    }

    static std::unique_ptr<juce::AudioPluginInstance> createInstance()
    {
        return format->createInstanceFromDescription(*description, sampleRate, blockSize, creationError);
    }

    void SetUp() override
    {
        ASSERT_EQ(numTypesFound, 1) << "plug-in types found in " << mallow::test::vst3BundlePath();
        ASSERT_NE(instance, nullptr) << creationError;
    }

    static inline std::unique_ptr<juce::ScopedJuceInitialiser_GUI> juceRuntime;
    static inline std::unique_ptr<juce::VST3PluginFormat> format;
    static inline std::unique_ptr<juce::PluginDescription> description;
    static inline std::unique_ptr<juce::AudioPluginInstance> instance;
    static inline int numTypesFound = 0;
    static inline juce::String creationError;
};

TEST_F(HostedBundle, DescribesItselfAsTheVantorpMallowEffect)
{
    const auto& d = *description;
    EXPECT_EQ(d.name, "Mallow");
    EXPECT_EQ(d.descriptiveName, "Mallow");
    EXPECT_EQ(d.manufacturerName, "Vantorp");
    EXPECT_EQ(d.version, "1.2.3");
    EXPECT_EQ(d.category, "Fx");
    EXPECT_FALSE(d.isInstrument);
    EXPECT_EQ(d.pluginFormatName, "VST3");
    EXPECT_EQ(d.fileOrIdentifier, juce::String(mallow::test::vst3BundlePath()));
    EXPECT_EQ(d.numInputChannels, 2);
    EXPECT_EQ(d.numOutputChannels, 2);

    // Both IDs bind a host's saved projects to this plug-in; they follow from the class ID.
    EXPECT_EQ(d.uniqueId, hashOfWords(effectClassId));
    EXPECT_EQ(d.deprecatedUid, hashOfBytes(effectClassId));
    EXPECT_TRUE(d.matchesIdentifierString(d.createIdentifierString()));

    EXPECT_EQ(instance->getName(), "Mallow");
    EXPECT_FALSE(instance->acceptsMidi());
    EXPECT_FALSE(instance->producesMidi());
    EXPECT_EQ(instance->getLatencySamples(), 0);
    EXPECT_EQ(instance->getTailLengthSeconds(), 0.0);
}

TEST_F(HostedBundle, ListsTheSevenParametersWithTheirDefaults)
{
    const auto& parameters = instance->getParameters();

    // The wrapper may append its own bypass parameter after ours, and nothing else.
    ASSERT_GE(parameters.size(), numParameters);
    ASSERT_LE(parameters.size(), numParameters + 1);
    if (parameters.size() == numParameters + 1)
    {
        EXPECT_EQ(instance->getBypassParameter(), parameters[numParameters]);
        EXPECT_EQ(parameters[numParameters]->getName(100), "Bypass");
    }

    for (int i = 0; i < numParameters; ++i)
    {
        const auto& expected = expectedParameters[i];
        const auto& parameter = *parameters[i];
        SCOPED_TRACE(expected.name);

        EXPECT_EQ(parameter.getName(100), expected.name);
        EXPECT_EQ(parameter.getDefaultValue(), expected.defaultValue);
        EXPECT_EQ(parameter.getValue(), expected.defaultValue);
        EXPECT_EQ(parameter.getLabel(), "");
        EXPECT_TRUE(parameter.isAutomatable());
        EXPECT_FALSE(parameter.isDiscrete());
        EXPECT_NE(instance->getBypassParameter(), &parameter);
    }

    EXPECT_EQ(parameters[0]->getText(parameters[0]->getDefaultValue(), 100), "0.6000000");
    EXPECT_EQ(parameters[2]->getText(parameters[2]->getDefaultValue(), 100), "0.3300000");

    // Text typed into the host is read as a number and brought into range.
    EXPECT_EQ(parameters[1]->getValueForText("0.25"), 0.25f);
    EXPECT_EQ(parameters[1]->getValueForText("1.5"), 1.0f);
    EXPECT_EQ(parameters[1]->getValueForText("-3"), 0.0f);
}

TEST_F(HostedBundle, TakesMatchingMonoOrStereoBusesOnly)
{
    using Set = juce::AudioChannelSet;
    struct LayoutCase
    {
        const char* name;
        Set input;
        Set output;
        bool accepted;
    };

    const LayoutCase cases[] = {
        {"mono to mono", Set::mono(), Set::mono(), true},
        {"stereo to stereo", Set::stereo(), Set::stereo(), true},
        {"mono to stereo", Set::mono(), Set::stereo(), false},
        {"stereo to mono", Set::stereo(), Set::mono(), false},
        {"three channels", Set::createLCR(), Set::createLCR(), false},
        {"three to stereo", Set::createLCR(), Set::stereo(), false},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);

        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add(c.input);
        layout.outputBuses.add(c.output);

        const auto before = instance->getBusesLayout();
        EXPECT_EQ(instance->checkBusesLayoutSupported(layout), c.accepted);
        EXPECT_EQ(instance->setBusesLayout(layout), c.accepted);
        EXPECT_TRUE(instance->getBusesLayout() == (c.accepted ? layout : before));
    }

    juce::AudioProcessor::BusesLayout stereo;
    stereo.inputBuses.add(Set::stereo());
    stereo.outputBuses.add(Set::stereo());
    EXPECT_TRUE(instance->setBusesLayout(stereo));
}

TEST_F(HostedBundle, SavedStateCarriesTheBlobAndRestoresIntoANewInstance)
{
    // Exact in binary, and inside the crossover rules, so the blob holds them unchanged.
    const CoreReference::Values stored{0.125f, 0.75f, 0.25f, 0.5625f, 0.375f, 0.875f, 0.0625f};
    setParameters(*instance, stored);

    juce::MemoryBlock hostState;
    instance->getStateInformation(hostState);
    setParameters(*instance, CoreReference::defaults);

    const auto componentState = componentStateIn(hostState);
    ASSERT_TRUE(saved_state::isWrapperEnvelope(componentState));
    EXPECT_EQ(saved_state::blobValues(componentState), stored);

    const auto restored = createInstance();
    ASSERT_NE(restored, nullptr) << creationError;
    ASSERT_EQ(parameterValues(*restored), CoreReference::defaults);

    restored->setStateInformation(hostState.getData(), (int)hostState.getSize());
    EXPECT_EQ(parameterValues(*restored), stored);

    // What the new instance saves in turn is the same blob.
    juce::MemoryBlock savedAgain;
    restored->getStateInformation(savedAgain);
    EXPECT_EQ(saved_state::blobValues(componentStateIn(savedAgain)), stored);
}

TEST_F(HostedBundle, StateSavedWhileBypassedRestoresBypassed)
{
    // A project saved with the effect bypassed must open, still bypassed, with its values.
    auto* bypass = instance->getBypassParameter();
    ASSERT_NE(bypass, nullptr);
    const CoreReference::Values stored{0.125f, 0.75f, 0.25f, 0.5625f, 0.375f, 0.875f, 0.0625f};
    setParameters(*instance, stored);
    bypass->setValueNotifyingHost(1.0f);

    juce::MemoryBlock hostState;
    instance->getStateInformation(hostState);
    bypass->setValueNotifyingHost(0.0f);
    setParameters(*instance, CoreReference::defaults);

    const auto componentState = componentStateIn(hostState);
    EXPECT_TRUE(saved_state::isWrapperEnvelope(componentState, true));

    const auto restored = createInstance();
    ASSERT_NE(restored, nullptr) << creationError;
    restored->setStateInformation(hostState.getData(), (int) hostState.getSize());
    ASSERT_NE(restored->getBypassParameter(), nullptr);
    EXPECT_EQ(restored->getBypassParameter()->getValue(), 1.0f);
    EXPECT_EQ(parameterValues(*restored), stored);
}

TEST_F(HostedBundle, SavesTheCrossoversItActuallyUses)
{
    // Raw "Low Freq" and "Mid Freq" of 1 collide. After a few blocks the effective values are
    // (0.87 - 0.13)^2 = 0.5476 and 0.87^2 = 0.7569; those are what the state keeps.
    const auto hosted = createInstance();
    ASSERT_NE(hosted, nullptr) << creationError;
    hosted->prepareToPlay(sampleRate, blockSize);

    auto raw = CoreReference::defaults;
    raw[2] = 1.0f;
    raw[3] = 1.0f;
    setParameters(*hosted, raw);

    auto audio = mallow::test::makeTestSignal(2, blockSize, sampleRate);
    juce::MidiBuffer midi;
    for (int block = 0; block < 3; ++block)
        hosted->processBlock(audio, midi);
    hosted->releaseResources();

    juce::MemoryBlock hostState;
    hosted->getStateInformation(hostState);
    const auto blob = saved_state::blobValues(componentStateIn(hostState));
    EXPECT_NEAR(blob[2], 0.5476f, 1e-6f);
    EXPECT_NEAR(blob[3], 0.7569f, 1e-6f);
    for (std::size_t i : {0u, 1u, 4u, 5u, 6u})
        EXPECT_EQ(blob[i], raw[i]) << "value " << i;

    // The host keeps seeing what it set.
    EXPECT_EQ(parameterValues(*hosted), raw);

    const auto restored = createInstance();
    ASSERT_NE(restored, nullptr) << creationError;
    restored->setStateInformation(hostState.getData(), (int)hostState.getSize());
    const auto values = parameterValues(*restored);
    EXPECT_NEAR(values[2], 0.5476f, 1e-6f);
    EXPECT_NEAR(values[3], 0.7569f, 1e-6f);
}

class HostedProcessing : public HostedBundle, public testing::WithParamInterface<int>
{
};

TEST_P(HostedProcessing, MatchesTheSignalCoreExactly)
{
    const int numChannels = GetParam();
    const auto channels = numChannels == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo();

    // A fresh instance: the filters never reset, so the comparison must start from zero.
    const auto hosted = createInstance();
    ASSERT_NE(hosted, nullptr) << creationError;

    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add(channels);
    layout.outputBuses.add(channels);
    ASSERT_TRUE(hosted->setBusesLayout(layout));
    hosted->prepareToPlay(sampleRate, blockSize);

    struct Phase
    {
        int firstBlock;
        CoreReference::Values values;
    };

    // The second phase makes the crossovers collide, so the rules act and carry the previous
    // block's "Mid Freq" into the next; its drives and output gain also clip.
    const Phase phases[] = {
        {0, {0.8f, 0.6f, 0.09f, 0.49f, 0.4f, 0.3f, 0.5f}},
        {16, {0.9f, 0.9f, 1.0f, 1.0f, 0.7f, 0.8f, 0.9f}},
        {32, {0.5f, 0.3f, 0.0f, 0.0f, 0.1f, 0.2f, 0.05f}},
    };

    constexpr int numBlocks = 48;
    constexpr int lastBlockSize = 300; // hosts send short blocks too
    constexpr int totalSamples = (numBlocks - 1) * blockSize + lastBlockSize;
    const auto input = mallow::test::makeTestSignal(numChannels, totalSamples, sampleRate);

    CoreReference reference;
    CoreReference::Values current = CoreReference::defaults;
    juce::MidiBuffer midi;
    int mismatches = 0;
    int clippedSamples = 0;
    double largestChange = 0.0;

    for (int block = 0, start = 0; block < numBlocks; ++block, start += blockSize)
    {
        for (const auto& phase : phases)
            if (phase.firstBlock == block)
            {
                current = phase.values;
                setParameters(*hosted, current);
            }

        const int length = block == numBlocks - 1 ? lastBlockSize : blockSize;
        juce::AudioBuffer<float> viaHost(numChannels, length), viaCore(numChannels, length);
        for (int channel = 0; channel < numChannels; ++channel)
        {
            viaHost.copyFrom(channel, 0, input, channel, start, length);
            viaCore.copyFrom(channel, 0, input, channel, start, length);
        }

        hosted->processBlock(viaHost, midi);
        reference.process(current, sampleRate, viaCore);

        for (int channel = 0; channel < numChannels; ++channel)
            for (int i = 0; i < length; ++i)
            {
                const float got = viaHost.getSample(channel, i);
                const float want = viaCore.getSample(channel, i);
                clippedSamples += std::abs(want) == 1.0f ? 1 : 0;
                largestChange =
                    std::max(largestChange, (double)std::abs(got - input.getSample(channel, start + i)));

                // Bit for bit: the plug-in runs the same compiled core on the same floats, and
                // the parameter values cross the VST3 boundary as doubles, which every float
                // survives unchanged. Any difference is a difference in what was computed.
                if (std::memcmp(&got, &want, sizeof(float)) != 0 && mismatches++ == 0)
                    ADD_FAILURE() << "first difference at sample " << start + i << ", channel " << channel
                                  << ": hosted " << got << ", core " << want;
            }
    }

    hosted->releaseResources();

    EXPECT_EQ(mismatches, 0);
    // The comparison means something only if the effect changed the signal, and clipped.
    EXPECT_GT(largestChange, 0.1);
    EXPECT_GT(clippedSamples, 0);
}

INSTANTIATE_TEST_SUITE_P(Layouts, HostedProcessing, testing::Values(2, 1),
                         [](const testing::TestParamInfo<int>& channels)
                         { return std::string(channels.param == 1 ? "Mono" : "Stereo"); });

} // namespace
