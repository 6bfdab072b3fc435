#include "MallowAudioProcessor.h"
#include "MallowAudioProcessorEditor.h"
#include "NamedImage.h"

#include <BinaryData.h>

#include <gtest/gtest.h>

#include <memory>

namespace
{
// One editor on a fresh processor per test; the message manager lives for the suite.
class EditorTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { juceInit = std::make_unique<juce::ScopedJuceInitialiser_GUI>(); }
    static void TearDownTestSuite() { juceInit.reset(); }

    void SetUp() override
    {
        juce::Desktop::getInstance().setGlobalScaleFactor(1.0f);
        processor = std::make_unique<MallowAudioProcessor>();
    }

    void TearDown() override
    {
        editor.reset();
        processor.reset();
        juce::Desktop::getInstance().setGlobalScaleFactor(1.0f);
    }

    MallowAudioProcessorEditor& openEditor()
    {
        editor = std::make_unique<MallowAudioProcessorEditor>(*processor);
        return *editor;
    }

    float parameterValue(int index) const { return processor->parameter(index).getValue(); }
    float workingValue(int index) const { return processor->paramValues[(size_t) index].load(); }
    void setWorking(int index, float value) { processor->paramValues[(size_t) index].store(value); }

    void setLevels(int kind, float channel0, float channel1)
    {
        processor->levelWindows[kind][0].rms.store(channel0);
        processor->levelWindows[kind][1].rms.store(channel1);
    }

    static inline std::unique_ptr<juce::ScopedJuceInitialiser_GUI> juceInit;
    std::unique_ptr<MallowAudioProcessor> processor;
    std::unique_ptr<MallowAudioProcessorEditor> editor;
};
} // namespace

TEST_F(EditorTest, ChildrenAndBoundsInStackingOrder)
{
    auto& e = openEditor();
    EXPECT_EQ(e.getWidth(), 770);
    EXPECT_EQ(e.getHeight(), 507);
    EXPECT_FALSE(e.isResizable());

    struct Child
    {
        const char* name;
        juce::Component* component;
        juce::Rectangle<int> bounds;
    };
    // Defaults 0.33 and 0.66: handles at trunc(sqrt(v) × 413 + 171).
    const Child children[] = {
        {"gain in knob", &e.gainInKnob, {30, 210, 130, 130}},
        {"gain out knob", &e.gainOutKnob, {608, 210, 130, 130}},
        {"crossover display", &e.bandDisplay, {178, 106, 413, 365}},
        {"low handle", &e.bandDisplay.lowHandle, {408, 88, 15, 13}},
        {"mid handle", &e.bandDisplay.midHandle, {506, 88, 15, 13}},
        {"input meter", &e.inputMeter, {30, 116, 133, 18}},
        {"output meter", &e.outputMeter, {608, 117, 145, 18}},
        {"zoom button", &e.zoomSelector.zoomButton, {6, 6, 18, 18}},
    };

    ASSERT_EQ(e.getNumChildComponents(), (int) std::size(children));
    for (int i = 0; i < (int) std::size(children); ++i)
    {
        SCOPED_TRACE(children[i].name);
        EXPECT_EQ(e.getChildComponent(i), children[i].component);
        EXPECT_EQ(children[i].component->getBounds(), children[i].bounds);
        EXPECT_TRUE(children[i].component->isVisible());
    }

    // The closed zoom list is laid out but not shown.
    EXPECT_EQ(e.zoomSelector.getBounds(), juce::Rectangle<int>(6, 20, 80, 120));
    EXPECT_EQ(e.zoomSelector.getParentComponent(), nullptr);

    EXPECT_TRUE(e.outputMeter.clipEnabled);
    EXPECT_FALSE(e.inputMeter.clipEnabled);
    EXPECT_EQ(e.outputMeter.clipGap, 5);
    EXPECT_EQ(e.gainInKnob.font, &e.knobFont);
    EXPECT_EQ(e.gainOutKnob.font, &e.knobFont);
    EXPECT_EQ(e.gainInKnob.callback, &e);
    EXPECT_EQ(e.bandDisplay.callback, &e);
}

TEST_F(EditorTest, StartsFromTheWorkingCopy)
{
    setWorking(0, 0.25f);
    setWorking(1, 0.75f);
    setWorking(2, 0.09f);
    setWorking(3, 0.49f);
    setWorking(4, 0.1f);
    setWorking(5, 0.2f);
    setWorking(6, 0.3f);
    auto& e = openEditor();

    EXPECT_FLOAT_EQ(e.gainInKnob.value, 0.25f);
    EXPECT_FLOAT_EQ(e.gainOutKnob.value, 0.75f);
    EXPECT_FLOAT_EQ(e.bandDisplay.lowPos, 0.3f);
    EXPECT_FLOAT_EQ(e.bandDisplay.midPos, 0.7f);
    EXPECT_FLOAT_EQ(e.bandDisplay.gainLow, 0.1f);
    EXPECT_FLOAT_EQ(e.bandDisplay.gainMid, 0.2f);
    EXPECT_FLOAT_EQ(e.bandDisplay.gainHigh, 0.3f);
    EXPECT_EQ(e.bandDisplay.lowHandle.getBounds(), juce::Rectangle<int>(294, 88, 15, 13));
    EXPECT_EQ(e.bandDisplay.midHandle.getBounds(), juce::Rectangle<int>(460, 88, 15, 13));
}

TEST_F(EditorTest, ReportsBecomeParameterChanges)
{
    struct Case
    {
        const char* name;
        int sender; // 0 gain in, 1 gain out, 2 display, 3 input meter, 4 none
        int index;
        float value;
        float midBefore;
        int parameter; // -1: nothing may change
        float expectedParameter;
        float expectedWorking;
    };
    const Case cases[] = {
        {"gain in knob", 0, 0, 0.25f, 0.66f, 0, 0.25f, 0.25f},
        {"gain out knob, any index", 1, 3, 0.75f, 0.66f, 1, 0.75f, 0.75f},
        {"low crossover below the floor", 2, 0, 0.1f, 0.66f, 2, 0.01f, 0.0169f},
        {"mid crossover above the ceiling", 2, 1, 0.9f, 0.66f, 3, 0.81f, 0.7569f},
        {"low crossover against the mid", 2, 0, 0.6f, 0.49f, 2, 0.36f, 0.3249f},
        {"low gain", 2, 2, 0.4f, 0.66f, 4, 0.4f, 0.4f},
        {"mid gain", 2, 3, 0.5f, 0.66f, 5, 0.5f, 0.5f},
        {"high gain", 2, 4, 0.05f, 0.66f, 6, 0.05f, 0.05f},
        {"display index 5 is ignored", 2, 5, 0.5f, 0.66f, -1, 0, 0},
        {"another control is ignored", 3, 0, 0.5f, 0.66f, -1, 0, 0},
        {"no sender is ignored", 4, 0, 0.5f, 0.66f, -1, 0, 0},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        SetUp();
        auto& e = openEditor();
        setWorking(3, c.midBefore);

        std::vector<float> parametersBefore, workingBefore;
        for (int i = 0; i < 7; ++i)
        {
            parametersBefore.push_back(parameterValue(i));
            workingBefore.push_back(workingValue(i));
        }

        void* senders[] = {&e.gainInKnob, &e.gainOutKnob, &e.bandDisplay, &e.inputMeter, nullptr};
        e.uiValueChanged(senders[c.sender], c.index, c.value);

        for (int i = 0; i < 7; ++i)
        {
            if (i == c.parameter)
            {
                EXPECT_NEAR(parameterValue(i), c.expectedParameter, 1e-6f);
                EXPECT_NEAR(workingValue(i), c.expectedWorking, 1e-6f);
            }
            else
            {
                EXPECT_EQ(parameterValue(i), parametersBefore[(size_t) i]) << "parameter " << i;
                EXPECT_EQ(workingValue(i), workingBefore[(size_t) i]) << "working value " << i;
            }
        }
        TearDown();
    }
}

TEST_F(EditorTest, RefreshLeavesDraggedControlsAloneAndIgnoresTinyMoves)
{
    auto& e = openEditor();

    e.gainInKnob.dragging = true;
    setWorking(0, 0.9f);
    e.timerCallback();
    EXPECT_FLOAT_EQ(e.gainInKnob.value, 0.6f);

    e.gainInKnob.dragging = false;
    e.timerCallback();
    EXPECT_FLOAT_EQ(e.gainInKnob.value, 0.9f);

    setWorking(1, 0.2f + 0.0009f);
    e.timerCallback();
    EXPECT_FLOAT_EQ(e.gainOutKnob.value, 0.2f) << "a move of 0.0009 is not copied";
    setWorking(1, 0.2f + 0.0015f);
    e.timerCallback();
    EXPECT_FLOAT_EQ(e.gainOutKnob.value, 0.2015f);

    // A low crossover report of 0.1 is held at 0.13 once the display is released.
    e.bandDisplay.dragging = true;
    e.bandDisplay.lowPos = 0.1f;
    e.uiValueChanged(&e.bandDisplay, 0, 0.1f);
    setWorking(5, 0.1f);
    e.timerCallback();
    EXPECT_FLOAT_EQ(e.bandDisplay.lowPos, 0.1f);
    EXPECT_FLOAT_EQ(e.bandDisplay.gainMid, 0.6f);

    e.bandDisplay.dragging = false;
    e.timerCallback();
    EXPECT_NEAR(e.bandDisplay.lowPos, 0.13f, 1e-6f);
    EXPECT_FLOAT_EQ(e.bandDisplay.gainMid, 0.1f);
    EXPECT_EQ(e.bandDisplay.lowHandle.getX(), (int) (0.13f * 413.0f + 171.0f));
}

TEST_F(EditorTest, MetersAverageOverTheChannelsOfTheLastBlock)
{
    using namespace mallow::saturation;
    struct Case
    {
        const char* name;
        int channels;
        float rms0, rms1;
        float expectedLevel;
    };
    // The meter reads √(2 × average rms), capped at 1.2.
    const Case cases[] = {
        {"stereo at 0.5", 2, 0.5f, 0.5f, 1.0f},
        {"stereo above the cap", 2, 0.72f, 0.72f, 1.2f},
        {"stereo, one side silent", 2, 0.5f, 0.0f, std::sqrt(0.5f)},
        {"mono ignores the second channel", 1, 0.5f, 0.9f, 1.0f},
        {"no channels: nothing rises", 0, 0.5f, 0.5f, 0.0f},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        SetUp();
        auto& e = openEditor();
        processor->lastNumChannels.store(c.channels);
        setLevels(inputLevel, c.rms0, c.rms1);
        setLevels(outputLevel, c.rms0, c.rms1);
        setLevels(lowBandLevel, c.rms0, c.rms1);
        e.timerCallback();

        EXPECT_NEAR(e.inputMeter.level, c.expectedLevel, 1e-6f);
        EXPECT_NEAR(e.outputMeter.level, c.expectedLevel, 1e-6f);
        const float average = c.channels <= 0 ? 0.0f
                              : c.channels == 1 ? c.rms0
                                                : 0.5f * c.rms0 + 0.5f * c.rms1;
        EXPECT_NEAR(e.bandDisplay.levelLow, average, 1e-6f);
        TearDown();
    }
}

TEST_F(EditorTest, ClipFlagIsTakenAndLatchedOnTheOutputMeter)
{
    auto& e = openEditor();
    processor->outputClipped.store(1);
    e.timerCallback();
    EXPECT_TRUE(e.outputMeter.clipLit);
    EXPECT_FALSE(e.inputMeter.clipLit);
    EXPECT_EQ(processor->outputClipped.load(), 0);

    for (int tick = 0; tick < 10; ++tick)
        e.timerCallback();
    EXPECT_TRUE(e.outputMeter.clipLit) << "only a click puts the clip mark out";
}

TEST_F(EditorTest, LevelsFallAfterTheSignalStops)
{
    using namespace mallow::saturation;
    auto& e = openEditor();
    processor->lastNumChannels.store(2);
    setLevels(inputLevel, 0.8f, 0.8f);
    setLevels(outputLevel, 0.8f, 0.8f);
    setLevels(midBandLevel, 0.5f, 0.5f);
    e.timerCallback();
    ASSERT_FLOAT_EQ(e.inputMeter.level, 1.2f);
    ASSERT_FLOAT_EQ(e.bandDisplay.levelMid, 0.5f);

    for (int kind = 0; kind < numLevelKinds; ++kind)
        setLevels(kind, 0.0f, 0.0f);

    for (int tick = 1; tick <= 24; ++tick)
        e.timerCallback();
    EXPECT_GT(e.inputMeter.level, 0.04f) << "still lit one tick before the end";
    EXPECT_NEAR(e.bandDisplay.levelMid, 0.0f, 1e-6f) << "band levels fall 0.05 per tick";

    e.timerCallback(); // tick 25: 1.2 − 25 × 0.048 leaves only float rounding
    EXPECT_LT(e.inputMeter.level, 1e-6f);
    EXPECT_LT(e.outputMeter.level, 1e-6f);
    EXPECT_EQ((int) (e.inputMeter.level * 0.9 * 133), 0) << "nothing of the strip is lit";

    e.timerCallback();
    EXPECT_EQ(e.inputMeter.level, 0.0f);
}

TEST_F(EditorTest, BandLevelFallsByFivePercentPerTick)
{
    using namespace mallow::saturation;
    auto& e = openEditor();
    processor->lastNumChannels.store(1);
    setLevels(highBandLevel, 0.5f, 0.0f);
    e.timerCallback();
    setLevels(highBandLevel, 0.0f, 0.0f);
    e.timerCallback();
    EXPECT_FLOAT_EQ(e.bandDisplay.levelHigh, 0.45f);
    e.timerCallback();
    EXPECT_FLOAT_EQ(e.bandDisplay.levelHigh, 0.45f - 0.05f);
}

TEST_F(EditorTest, PaintDrawsTheBackgroundAndTheVersionLabel)
{
    auto& e = openEditor();
    juce::Image image(juce::Image::ARGB, 770, 507, true);
    {
        juce::Graphics g(image);
        e.paint(g);
    }

    // The background covers the whole window.
    EXPECT_EQ(image.getPixelAt(1, 1).getAlpha(), 255);
    EXPECT_EQ(image.getPixelAt(768, 505).getAlpha(), 255);

    // Somewhere in the label's box the off-white text colour is drawn.
    int textPixels = 0;
    for (int y = 44; y < 55; ++y)
        for (int x = 262; x < 300; ++x)
        {
            const auto p = image.getPixelAt(x, y);
            if (p.getRed() > 200 && p.getGreen() > 200 && p.getBlue() > 190)
                ++textPixels;
        }
    EXPECT_GT(textPixels, 5);
}

TEST_F(EditorTest, MissingBackgroundStillDrawsTheVersionLabel)
{
    setNamedResourceLookup([](const char* identifier, int& size) -> const char* {
        if (juce::String(identifier).startsWith("bg"))
        {
            size = 0;
            return nullptr;
        }
        return BinaryData::getNamedResource(identifier, size);
    });

    auto& e = openEditor();
    juce::Image image(juce::Image::ARGB, 770, 507, true);
    {
        juce::Graphics g(image);
        e.paint(g);
    }
    setNamedResourceLookup({});

    // No background: the corners stay clear.
    EXPECT_EQ(image.getPixelAt(1, 1).getAlpha(), 0);
    EXPECT_EQ(image.getPixelAt(700, 400).getAlpha(), 0);

    // The label is drawn in its off-white, and nothing else is.
    int textPixels = 0, otherPixels = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
        {
            const auto p = image.getPixelAt(x, y);
            if (p.getAlpha() == 0)
                continue;
            const bool inLabel = x >= 262 && x < 322 && y >= 43 && y < 56;
            (inLabel ? textPixels : otherPixels) += 1;
        }
    EXPECT_GT(textPixels, 5);
    EXPECT_EQ(otherPixels, 0);
}
