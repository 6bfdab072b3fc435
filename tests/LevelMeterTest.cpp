// NXPeak: the lit width is 90 % of the strip at level 1.0 (119 of 133 pixels), the dim strip
// shows underneath, and the latched clip mark sits over the tenth segment until a click on a
// meter that has one.

#include "NXPeak.h"
#include "ui/SyntheticMouse.h"

#include <BinaryData.h>

#include <gtest/gtest.h>

#include <vector>

namespace
{
using namespace mallow::test;

enum class Shade
{
    none,
    dim,
    lit,
    clipRed,
    other
};

// Over a transparent background: the dim strip is white at 8 % (alpha about 20), lit columns
// add 30 % on top (alpha about 90), the clip mark is red at 80 % (alpha 208 to 222, by what
// lies underneath).
Shade shadeOf(juce::Colour pixel)
{
    const int alpha = pixel.getAlpha();
    if (alpha == 0)
        return Shade::none;
    if (pixel.getRed() > 190 && pixel.getGreen() < 60 && alpha > 195 && alpha < 230)
        return Shade::clipRed;
    if (pixel.getRed() > 250 && pixel.getGreen() > 250 && pixel.getBlue() > 250)
    {
        if (alpha >= 15 && alpha <= 25)
            return Shade::dim;
        if (alpha >= 85 && alpha <= 95)
            return Shade::lit;
    }
    return Shade::other;
}

class LevelMeter : public ::testing::Test
{
protected:
    LevelMeter()
    {
        strip = juce::ImageCache::getFromMemory(BinaryData::meterstrip_png, BinaryData::meterstrip_pngSize);
        peak = juce::ImageCache::getFromMemory(BinaryData::peak_png, BinaryData::peak_pngSize);
    }

    // Set up as the output meter: strip, clip mark 5 pixels further right, 145 x 18.
    void makeOutputMeter()
    {
        meter.image = strip;
        meter.clipImage = peak;
        meter.clipGap = 5;
        meter.clipEnabled = true;
        meter.setSize(145, 18);
    }

    std::vector<Shade> paintedRow(float level, bool clipLit)
    {
        meter.level = level;
        meter.clipLit = clipLit;
        juce::Image image(juce::Image::ARGB, meter.getWidth(), meter.getHeight(), true);
        {
            juce::Graphics g(image);
            meter.paint(g);
        }
        std::vector<Shade> row;
        for (int x = 0; x < image.getWidth(); ++x)
            row.push_back(shadeOf(image.getPixelAt(x, 9)));
        return row;
    }

    juce::ScopedJuceInitialiser_GUI gui;
    juce::Image strip;
    juce::Image peak;
    NXPeak meter;
};

TEST_F(LevelMeter, LitWidthIsNinetyPercentOfTheStripPerUnitLevel)
{
    // A uniform strip shows the lit width directly.
    juce::Image uniform(juce::Image::ARGB, 133, 18, true);
    uniform.clear(uniform.getBounds(), juce::Colours::white);
    meter.image = uniform;
    meter.setSize(145, 18);

    struct Case
    {
        float level;
        int litColumns; // (int) (level * 0.9 * 133), at most the strip's 133
    };
    const Case cases[] = {{0.0f, 0},    {0.005f, 0},  {0.5f, 59},   {1.0f, 119},
                          {1.06f, 126}, {1.11f, 132}, {1.12f, 133}, {1.2f, 133}};

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.level);
        const auto row = paintedRow(c.level, false);
        for (int x = 0; x < 145; ++x)
        {
            const auto expected = x < c.litColumns ? Shade::lit : (x < 133 ? Shade::dim : Shade::none);
            ASSERT_EQ(row[static_cast<size_t>(x)], expected) << "column " << x;
        }
    }
}

TEST_F(LevelMeter, LevelOneLightsNineSegmentsAndTheClipMarkCoversTheTenth)
{
    makeOutputMeter();

    // Segments are 7 pixels wide every 14 pixels; columns 0 to 118 are lit at level 1.0.
    for (const bool clipLit : {false, true})
    {
        SCOPED_TRACE(clipLit ? "clip lit" : "clip dark");
        const auto row = paintedRow(1.0f, clipLit);
        for (int x = 0; x < 145; ++x)
        {
            Shade expected = Shade::none;
            if (clipLit && x >= 126 && x < 133)
                expected = Shade::clipRed;
            else if (x < 133 && x % 14 < 7)
                expected = x < 119 ? Shade::lit : Shade::dim;
            ASSERT_EQ(row[static_cast<size_t>(x)], expected) << "column " << x;
        }
    }
}

TEST_F(LevelMeter, WithoutStripOnlyTheClipMarkIsDrawnAtItsGapMinusTwelve)
{
    meter.clipImage = peak;
    meter.clipGap = 20;
    meter.setSize(40, 18);

    const auto row = paintedRow(1.0f, true);
    for (int x = 0; x < 40; ++x)
        ASSERT_EQ(row[static_cast<size_t>(x)], x >= 8 && x < 15 ? Shade::clipRed : Shade::none)
            << "column " << x;
}

TEST_F(LevelMeter, ClickClearsTheClipMarkOnlyOnAMeterThatHasOne)
{
    struct Case
    {
        bool clipEnabled;
        bool litBefore;
        bool litAfter;
    };
    const Case cases[] = {
        {true, true, false}, {true, false, false}, {false, true, true}, {false, false, false}};

    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "enabled " << c.clipEnabled << ", lit " << c.litBefore);
        meter.clipEnabled = c.clipEnabled;
        meter.clipLit = c.litBefore;
        press(meter, {3.0f, 3.0f});
        EXPECT_EQ(meter.clipLit, c.litAfter);
    }
}

TEST_F(LevelMeter, LatchedClipMarkSurvivesRepaintsAndLevelChanges)
{
    makeOutputMeter();
    for (const float level : {1.2f, 0.0f, 0.5f})
    {
        const auto row = paintedRow(level, true);
        EXPECT_EQ(row[126], Shade::clipRed);
        EXPECT_TRUE(meter.clipLit);
    }
}
} // namespace
