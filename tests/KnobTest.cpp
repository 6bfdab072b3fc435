// NXKnob: vertical drags change the value by 0.0035 per pixel (a tenth of that with Alt),
// clamped to 0..1 and reported on every drag event; painting draws the arc up to the value,
// the track beyond it and the value as text.

#include "NXKnob.h"
#include "ui/SyntheticMouse.h"

#include <BinaryData.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
using namespace mallow::test;

struct Report
{
    void* sender;
    int index;
    float value;
};

struct RecordingCallback : NXUICallback
{
    void uiValueChanged(void* sender, int index, float value) override
    {
        reports.push_back({sender, index, value});
    }
    std::vector<Report> reports;
};

class Knob : public ::testing::Test
{
protected:
    Knob()
    {
        knob.setSize(130, 130);
        knob.callback = &callback;
    }

    juce::ScopedJuceInitialiser_GUI gui;
    RecordingCallback callback;
    NXKnob knob;
};

struct DragCase
{
    const char* name;
    float startValue;
    float pressY;
    std::vector<float> dragYs;
    bool alt;
    std::vector<float> expectedValues; // after each drag event
};

TEST_F(Knob, DragStepsClampAndReportOnEveryDragEvent)
{
    const std::vector<DragCase> cases = {
        {"up ten pixels, then down twenty", 0.5f, 50.0f, {40.0f, 60.0f}, false, {0.535f, 0.465f}},
        {"one hundred pixels up", 0.5f, 100.0f, {0.0f}, false, {0.85f}},
        {"one hundred pixels up with Alt", 0.5f, 100.0f, {0.0f}, true, {0.535f}},
        {"Alt, down forty pixels", 0.5f, 10.0f, {50.0f}, true, {0.486f}},
        // The press position rounds to 50, the drag positions to 41 and 40.
        {"fractional positions round to pixels", 0.5f, 50.4f, {40.6f, 40.4f}, false, {0.5315f, 0.535f}},
        {"above the top stays at 1 and still reports", 0.99f, 50.0f, {40.0f, 30.0f}, false, {1.0f, 1.0f}},
        {"below the bottom stays at 0", 0.01f, 50.0f, {60.0f, 70.0f}, false, {0.0f, 0.0f}},
        {"back down from the clamp counts from the last position",
         0.99f,
         50.0f,
         {0.0f, 10.0f},
         false,
         {1.0f, 0.965f}},
        {"sideways movement changes nothing", 0.25f, 50.0f, {50.0f}, false, {0.25f}},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        callback.reports.clear();
        knob.value = c.startValue;
        const auto mods = c.alt ? altHeld : leftButton;
        const juce::Point<float> pressAt{65.0f, c.pressY};

        press(knob, pressAt, mods);
        EXPECT_TRUE(knob.dragging);
        EXPECT_EQ(knob.value, c.startValue);
        EXPECT_TRUE(callback.reports.empty());

        for (size_t step = 0; step < c.dragYs.size(); ++step)
        {
            dragTo(knob, pressAt, {70.0f, c.dragYs[step]}, mods);
            EXPECT_NEAR(knob.value, c.expectedValues[step], 1.0e-5f) << "after drag " << step;
            ASSERT_EQ(callback.reports.size(), step + 1);
            EXPECT_EQ(callback.reports.back().sender, &knob);
            EXPECT_EQ(callback.reports.back().index, 0);
            EXPECT_EQ(callback.reports.back().value, knob.value);
        }

        release(knob, pressAt, {70.0f, c.dragYs.back()});
        EXPECT_FALSE(knob.dragging);
        EXPECT_EQ(callback.reports.size(), c.dragYs.size()) << "a release never reports";
    }
}

TEST_F(Knob, PressAndReleaseWithoutMovementReportNothing)
{
    knob.value = 0.42f;
    press(knob, {65.0f, 30.0f});
    release(knob, {65.0f, 30.0f}, {65.0f, 30.0f});
    EXPECT_EQ(knob.value, 0.42f);
    EXPECT_TRUE(callback.reports.empty());
    EXPECT_FALSE(knob.dragging);
}

TEST_F(Knob, WithoutCallbackStillFollowsTheMouse)
{
    knob.callback = nullptr;
    knob.value = 0.5f;
    press(knob, {65.0f, 100.0f});
    dragTo(knob, {65.0f, 100.0f}, {65.0f, 0.0f});
    EXPECT_NEAR(knob.value, 0.85f, 1.0e-5f);
}

// Painting: a 130-pixel knob has its ring centred at 65 with radius 63 and a 4-pixel stroke.
class KnobPaint : public Knob
{
protected:
    KnobPaint()
    {
        int size = 0;
        const char* data = BinaryData::getNamedResource("CanterBold_otf", size);
        font = juce::Font(juce::Typeface::createSystemTypefaceFor(data, static_cast<size_t>(size)));
    }

    juce::Image render(float value)
    {
        knob.value = value;
        juce::Image image(juce::Image::ARGB, 130, 130, true);
        juce::Graphics g(image);
        knob.paint(g);
        return image;
    }

    // The pixel on the ring's centre line at a clockwise angle from twelve o'clock.
    static juce::Colour ringPixel(const juce::Image& image, double degrees)
    {
        const double radians = degrees * 3.141592653589793 / 180.0;
        const auto x = static_cast<int>(std::floor(65.0 + 63.0 * std::sin(radians)));
        const auto y = static_cast<int>(std::floor(65.0 - 63.0 * std::cos(radians)));
        return image.getPixelAt(x, y);
    }

    // Pixels well inside the ring (radius 55, the stroke starts at 61), where only the value
    // text is drawn.
    static std::vector<juce::uint32> innerPixels(const juce::Image& image)
    {
        std::vector<juce::uint32> pixels;
        for (int y = 0; y < 130; ++y)
            for (int x = 0; x < 130; ++x)
                if (juce::square(x + 0.5 - 65.0) + juce::square(y + 0.5 - 65.0) < juce::square(55.0))
                    pixels.push_back(image.getPixelAt(x, y).getARGB());
        return pixels;
    }

    static int countColour(const std::vector<juce::uint32>& pixels, juce::uint32 argb)
    {
        int count = 0;
        for (const auto pixel : pixels)
            count += pixel == argb ? 1 : 0;
        return count;
    }

    juce::Font font;
};

TEST_F(KnobPaint, ArcReachesTheValueAndTheTrackShowsBeyond)
{
    struct Case
    {
        float value;
        double degrees;
        juce::uint32 expected;
    };
    const Case cases[] = {
        {0.0f, 10.0, NXKnob::trackColour},   {0.0f, 90.0, NXKnob::trackColour},
        {0.0f, 270.0, NXKnob::trackColour},  {0.25f, 45.0, NXKnob::arcColour},
        {0.25f, 80.0, NXKnob::arcColour},    {0.25f, 100.0, NXKnob::trackColour},
        {0.25f, 300.0, NXKnob::trackColour}, {0.5f, 90.0, NXKnob::arcColour},
        {0.5f, 170.0, NXKnob::arcColour},    {0.5f, 190.0, NXKnob::trackColour},
        {0.75f, 260.0, NXKnob::arcColour},   {0.75f, 280.0, NXKnob::trackColour},
        {1.0f, 10.0, NXKnob::arcColour},     {1.0f, 180.0, NXKnob::arcColour},
        {1.0f, 350.0, NXKnob::arcColour},
    };

    knob.font = &font;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "value " << c.value << " at " << c.degrees << " degrees");
        const auto image = render(c.value);
        EXPECT_EQ(ringPixel(image, c.degrees).getARGB(), c.expected);
    }
}

TEST_F(KnobPaint, TextIsTheTruncatedPercentage)
{
    knob.font = &font;

    // 0.999 and 0.99 both read "99": their texts are the same pixels, unlike 1.0's "100".
    const auto nearlyFull = innerPixels(render(0.999f));
    EXPECT_GT(countColour(nearlyFull, NXKnob::textColour), 100);
    EXPECT_EQ(nearlyFull, innerPixels(render(0.99f)));
    EXPECT_NE(nearlyFull, innerPixels(render(1.0f)));
    EXPECT_EQ(innerPixels(render(0.5f)), innerPixels(render(0.505f)));
    EXPECT_NE(innerPixels(render(0.5f)), innerPixels(render(0.51f)));
}

TEST_F(KnobPaint, PaintSetsTheSharedFontHeightFromTheWidth)
{
    NXKnob other;
    other.setSize(130, 130);
    knob.font = &font;
    other.font = &font;

    render(0.3f);
    EXPECT_NEAR(font.getHeight(), 69.3f, 1.0e-4f);

    juce::Image image(juce::Image::ARGB, 130, 130, true);
    juce::Graphics g(image);
    other.paint(g);
    EXPECT_NEAR(font.getHeight(), 69.3f, 1.0e-4f);
}

TEST_F(KnobPaint, WithoutFontDrawsTheRingAndNoText)
{
    knob.font = nullptr;
    const auto image = render(0.5f);
    EXPECT_EQ(ringPixel(image, 90.0).getARGB(), NXKnob::arcColour);
    EXPECT_EQ(ringPixel(image, 270.0).getARGB(), NXKnob::trackColour);
    const auto inside = innerPixels(image);
    EXPECT_EQ(countColour(inside, 0), static_cast<int>(inside.size())) << "inside the ring stays transparent";
}
} // namespace
