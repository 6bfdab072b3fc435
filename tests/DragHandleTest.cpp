// ArrowSprite: each press, drag and release reaches the delegate once, with the handle's
// index and the event as it came; the bitmap is stretched to fill the bounds exactly.

#include "ArrowSprite.h"
#include "ui/SyntheticMouse.h"

#include <BinaryData.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using namespace mallow::test;

struct Gesture
{
    std::string kind;
    int index;
    juce::Point<int> position;

    bool operator==(const Gesture& other) const
    {
        return kind == other.kind && index == other.index && position == other.position;
    }
};

std::ostream& operator<<(std::ostream& out, const Gesture& gesture)
{
    return out << gesture.kind << "(" << gesture.index << " at " << gesture.position.x << ", "
               << gesture.position.y << ")";
}

struct RecordingDelegate : ArrowSprite::Delegate
{
    void arrowMouseDown(int index, const juce::MouseEvent& event) override
    {
        gestures.push_back({"down", index, event.getPosition()});
    }
    void arrowMouseDrag(int index, const juce::MouseEvent& event) override
    {
        gestures.push_back({"drag", index, event.getPosition()});
    }
    void arrowMouseUp() override { gestures.push_back({"up", -1, {}}); }

    std::vector<Gesture> gestures;
};

class DragHandle : public ::testing::Test
{
protected:
    DragHandle() { handle.setSize(15, 13); }

    // Paints the handle into a larger transparent canvas at (5, 5), so spill would show.
    juce::Image paintedCanvas()
    {
        juce::Image canvas(juce::Image::ARGB, 30, 30, true);
        juce::Graphics g(canvas);
        g.setOrigin(5, 5);
        handle.paint(g);
        return canvas;
    }

    static bool isTransparent(const juce::Image& image)
    {
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                if (image.getPixelAt(x, y).getAlpha() != 0)
                    return false;
        return true;
    }

    juce::ScopedJuceInitialiser_GUI gui;
    RecordingDelegate delegate;
    ArrowSprite handle;
};

TEST_F(DragHandle, EachGestureReachesTheDelegateOnceWithTheHandlesIndex)
{
    struct Case
    {
        int index;
        std::vector<juce::Point<float>> drags;
    };
    const Case cases[] = {{0, {{9.0f, 6.0f}, {20.0f, -3.0f}}}, {1, {{-40.0f, 6.0f}}}, {7, {}}};

    handle.delegate = &delegate;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.index);
        delegate.gestures.clear();
        handle.index = c.index;
        const juce::Point<float> pressAt{7.0f, 6.0f};

        press(handle, pressAt);
        std::vector<Gesture> expected{{"down", c.index, {7, 6}}};
        for (const auto& to : c.drags)
        {
            dragTo(handle, pressAt, to);
            expected.push_back({"drag", c.index, to.roundToInt()});
        }
        release(handle, pressAt, c.drags.empty() ? pressAt : c.drags.back());
        expected.push_back({"up", -1, {}});

        EXPECT_EQ(delegate.gestures, expected);
    }
}

TEST_F(DragHandle, WithoutImagePaintsNothingButPassesGesturesOn)
{
    handle.delegate = &delegate;
    EXPECT_TRUE(isTransparent(paintedCanvas()));

    press(handle, {3.0f, 3.0f});
    dragTo(handle, {3.0f, 3.0f}, {4.0f, 3.0f});
    release(handle, {3.0f, 3.0f}, {4.0f, 3.0f});
    EXPECT_EQ(delegate.gestures.size(), 3u);
}

TEST_F(DragHandle, WithoutDelegateGesturesAreDroppedUntilOneIsSet)
{
    press(handle, {3.0f, 3.0f});
    dragTo(handle, {3.0f, 3.0f}, {4.0f, 3.0f});
    release(handle, {3.0f, 3.0f}, {4.0f, 3.0f});

    handle.delegate = &delegate;
    press(handle, {5.0f, 5.0f});
    ASSERT_EQ(delegate.gestures.size(), 1u);
    EXPECT_EQ(delegate.gestures.front(), (Gesture{"down", 0, {5, 5}}));
}

TEST_F(DragHandle, AnyBitmapFillsTheBoundsExactly)
{
    const juce::Point<int> bitmapSizes[] = {{15, 13}, {30, 26}, {7, 3}, {45, 39}, {1, 1}};

    for (const auto size : bitmapSizes)
    {
        SCOPED_TRACE(testing::Message() << size.x << " x " << size.y);
        juce::Image bitmap(juce::Image::ARGB, size.x, size.y, true);
        bitmap.clear(bitmap.getBounds(), juce::Colours::red);
        handle.image = bitmap;

        const auto canvas = paintedCanvas();
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x)
            {
                const bool inside = x >= 5 && x < 20 && y >= 5 && y < 18;
                const bool interior = x > 5 && x < 19 && y > 5 && y < 17;
                const auto alpha = canvas.getPixelAt(x, y).getAlpha();
                if (!inside)
                    ASSERT_EQ(alpha, 0) << "spill at " << x << ", " << y;
                else if (interior)
                    ASSERT_EQ(alpha, 255) << "gap at " << x << ", " << y;
                else
                    ASSERT_GE(alpha, 128) << "edge at " << x << ", " << y;
            }
    }
}

TEST_F(DragHandle, BothArtVariantsPutTheTipOnColumnSeven)
{
    struct Art
    {
        const char* name;
        const char* data;
        int size;
    };
    const Art variants[] = {{"1x", BinaryData::handtagspil_png, BinaryData::handtagspil_pngSize},
                            {"2x", BinaryData::handtagspil2x_png, BinaryData::handtagspil2x_pngSize}};

    for (const auto& art : variants)
    {
        SCOPED_TRACE(art.name);
        handle.image = juce::ImageCache::getFromMemory(art.data, art.size);
        const auto canvas = paintedCanvas();

        // The triangle narrows to column 7 at the bottom; its top row spans the width.
        EXPECT_GT(canvas.getPixelAt(5 + 7, 5 + 11).getAlpha(), 200);
        EXPECT_LT(canvas.getPixelAt(5 + 6, 5 + 11).getAlpha(), 200);
        EXPECT_EQ(canvas.getPixelAt(5 + 0, 5 + 12).getAlpha(), 0);
        EXPECT_EQ(canvas.getPixelAt(5 + 14, 5 + 12).getAlpha(), 0);
        EXPECT_GT(canvas.getPixelAt(5 + 7, 5 + 0).getAlpha(), 200);
        EXPECT_GT(canvas.getPixelAt(5 + 2, 5 + 0).getAlpha(), 200);
        EXPECT_EQ(canvas.getPixelAt(5 + 7, 5 + 13).getAlpha(), 0);
    }
}
} // namespace
