// FreqSplit: which part a press takes, how drags move the crossovers (0.15 to 0.85, at least
// 0.15 apart) and gains (0.0001 to 0.9999) and what they report, the handles that follow the
// crossovers in the owner's coordinates, and the three columns it paints.

#include "FreqSplit.h"
#include "NamedImage.h"
#include "ui/SyntheticMouse.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace
{
using namespace mallow::test;

struct Report
{
    int index;
    float value;
};

struct RecordingCallback : NXUICallback
{
    void uiValueChanged(void* sender, int index, float value) override
    {
        senders.push_back(sender);
        reports.push_back({index, value});
    }
    std::vector<void*> senders;
    std::vector<Report> reports;
};

// The display as the editor places it: 413 x 365 at (178, 106) of a 770 x 507 owner that also
// holds the two handles. The owner is not on the desktop, so its coordinates are the screen's.
class CrossoverDisplay : public ::testing::Test
{
protected:
    CrossoverDisplay()
    {
        setDisplayScaleProvider([] { return 1.0; });
        owner.setSize(770, 507);
        display.callback = &callback;
        display.setTopLeftPosition(178, 106);
        owner.addAndMakeVisible(display);
        owner.addAndMakeVisible(display.lowHandle);
        owner.addAndMakeVisible(display.midHandle);
        display.positionHandles();
    }

    ~CrossoverDisplay() override { setDisplayScaleProvider({}); }

    void pressAt(juce::Point<float> at, juce::ModifierKeys mods = leftButton)
    {
        pressPosition = at;
        press(display, at, mods);
    }

    void dragBy(float dx, float dy, juce::ModifierKeys mods = leftButton)
    {
        lastPosition += juce::Point<float>{dx, dy};
        dragTo(display, pressPosition, pressPosition + lastPosition, mods);
    }

    void releaseMouse() { release(display, pressPosition, pressPosition + lastPosition); }

    juce::ScopedJuceInitialiser_GUI gui;
    juce::Component owner;
    RecordingCallback callback;
    FreqSplit display;
    juce::Point<float> pressPosition;
    juce::Point<float> lastPosition; // offset of the last drag from the press
};

TEST_F(CrossoverDisplay, PressChoosesTheDragTarget)
{
    struct Case
    {
        const char* name;
        float lowPos;
        float midPos;
        juce::Point<float> at;
        int expected;
    };
    // Defaults: crossovers at x 123.9 and 289.1; gain edges at y 255.5 (low), 73 (mid), 219 (high).
    const Case cases[] = {
        {"on the low crossover", 0.3f, 0.7f, {124.0f, 100.0f}, 0},
        {"8 pixels left of the low crossover", 0.3f, 0.7f, {116.0f, 100.0f}, 0},
        {"rounds to 8 pixels left of it", 0.3f, 0.7f, {115.6f, 100.0f}, 0},
        {"9 pixels left of it, in the low band", 0.3f, 0.7f, {115.0f, 100.0f}, -1},
        {"on the mid crossover", 0.3f, 0.7f, {289.0f, 50.0f}, 1},
        {"mid crossover over the mid gain edge", 0.3f, 0.7f, {289.0f, 73.0f}, 1},
        {"low crossover over the low gain edge", 0.3f, 0.7f, {118.0f, 256.0f}, 0},
        {"on the low gain edge", 0.3f, 0.7f, {60.0f, 256.0f}, 2},
        {"21 pixels above the low gain edge", 0.3f, 0.7f, {60.0f, 234.0f}, 2},
        {"22 pixels above the low gain edge", 0.3f, 0.7f, {60.0f, 233.0f}, -1},
        {"on the mid gain edge", 0.3f, 0.7f, {200.0f, 73.0f}, 3},
        {"on the high gain edge", 0.3f, 0.7f, {350.0f, 219.0f}, 4},
        {"in the middle band", 0.3f, 0.7f, {200.0f, 300.0f}, 5},
        {"in the high band away from its edge", 0.3f, 0.7f, {350.0f, 50.0f}, -1},
        {"near both crossovers takes the low one", 0.4f, 0.42f, {169.0f, 100.0f}, 0},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        display.lowPos = c.lowPos;
        display.midPos = c.midPos;
        pressAt(c.at);
        EXPECT_EQ(display.dragTarget, c.expected);
        EXPECT_TRUE(display.dragging);
        EXPECT_EQ(display.lastScreenX, static_cast<float>(juce::roundToInt(c.at.x) + 178));
        EXPECT_EQ(display.lastScreenY, static_cast<float>(juce::roundToInt(c.at.y) + 106));
        EXPECT_TRUE(callback.reports.empty()) << "a press reports nothing";

        releaseMouse();
        EXPECT_FALSE(display.dragging);
        EXPECT_EQ(display.dragTarget, -1);
    }
}

struct DragCase
{
    const char* name;
    juce::Point<float> pressAt;
    bool alt;
    std::vector<std::pair<float, float>> steps; // dx, dy per drag event
    float lowPos;                               // after the drag
    float midPos;
    std::vector<int> reportedIndices; // in order, over all steps
};

TEST_F(CrossoverDisplay, CrossoverDragsKeepTheirLimitsAndGap)
{
    const std::vector<DragCase> cases = {
        {"low 10 pixels right", {124.0f, 100.0f}, false, {{10.0f, 0.0f}}, 0.3f + 10.0f / 413.0f, 0.7f, {0}},
        {"low far left stops at 0.15",
         {124.0f, 100.0f},
         false,
         {{-300.0f, 0.0f}, {-50.0f, 0.0f}},
         0.15f,
         0.7f,
         {0, 0}},
        {"low far right stops 0.15 short of mid",
         {124.0f, 100.0f},
         false,
         {{300.0f, 0.0f}},
         0.55f,
         0.7f,
         {0}},
        {"low up and down only", {124.0f, 100.0f}, false, {{0.0f, 150.0f}}, 0.3f, 0.7f, {0}},
        {"mid far right stops at 0.85", {289.0f, 50.0f}, false, {{300.0f, 0.0f}}, 0.3f, 0.85f, {1}},
        {"mid far left stops 0.15 past low", {289.0f, 50.0f}, false, {{-289.0f, 0.0f}}, 0.3f, 0.45f, {1}},
        {"low full width with Alt", {124.0f, 100.0f}, true, {{413.0f, 0.0f}}, 0.4f, 0.7f, {0}},
        {"mid full width left with Alt", {289.0f, 50.0f}, true, {{-413.0f, 0.0f}}, 0.3f, 0.6f, {1}},
        {"middle band 10 pixels right",
         {200.0f, 300.0f},
         false,
         {{10.0f, 0.0f}},
         0.3f + 10.0f / 413.0f,
         0.7f + 10.0f / 413.0f,
         {0, 1}},
        {"middle band far left keeps its width",
         {200.0f, 300.0f},
         false,
         {{-200.0f, 0.0f}, {-200.0f, 0.0f}},
         0.15f,
         0.55f,
         {0, 1, 0, 1}},
        {"middle band far right keeps its width",
         {200.0f, 300.0f},
         false,
         {{500.0f, 0.0f}},
         0.45f,
         0.85f,
         {0, 1}},
        // Screen positions are whole pixels: 41.3 moves by 41.
        {"middle band back 41.3 pixels from the left limit",
         {200.0f, 300.0f},
         false,
         {{-200.0f, 0.0f}, {41.3f, 0.0f}},
         0.15f + 41.0f / 413.0f,
         0.55f + 41.0f / 413.0f,
         {0, 1, 0, 1}},
        {"in the high band: no target", {350.0f, 50.0f}, false, {{-100.0f, 100.0f}}, 0.3f, 0.7f, {}},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        callback.reports.clear();
        display.lowPos = 0.3f;
        display.midPos = 0.7f;
        display.positionHandles();
        lastPosition = {};
        const auto mods = c.alt ? altHeld : leftButton;

        pressAt(c.pressAt, mods);
        for (const auto& [dx, dy] : c.steps)
            dragBy(dx, dy, mods);

        EXPECT_NEAR(display.lowPos, c.lowPos, 1.0e-5f);
        EXPECT_NEAR(display.midPos, c.midPos, 1.0e-5f);
        EXPECT_FLOAT_EQ(display.gainLow, 0.3f);
        EXPECT_FLOAT_EQ(display.gainMid, 0.8f);
        EXPECT_FLOAT_EQ(display.gainHigh, 0.4f);

        ASSERT_EQ(callback.reports.size(), c.reportedIndices.size());
        for (size_t i = 0; i < c.reportedIndices.size(); ++i)
        {
            EXPECT_EQ(callback.reports[i].index, c.reportedIndices[i]) << "report " << i;
            EXPECT_EQ(callback.senders[i], &display);
        }
        // The last report of each index carries the final position.
        std::map<int, float> lastReported;
        for (const auto& report : callback.reports)
            lastReported[report.index] = report.value;
        if (lastReported.count(0) != 0)
        {
            EXPECT_EQ(lastReported[0], display.lowPos);
        }
        if (lastReported.count(1) != 0)
        {
            EXPECT_EQ(lastReported[1], display.midPos);
        }

        // The handles follow: tip (column 7) over the line, 18 pixels above the display.
        EXPECT_EQ(display.lowHandle.getBounds(),
                  juce::Rectangle<int>(static_cast<int>(display.lowPos * 413.0f + 171.0f), 88, 15, 13));
        EXPECT_EQ(display.midHandle.getBounds(),
                  juce::Rectangle<int>(static_cast<int>(display.midPos * 413.0f + 171.0f), 88, 15, 13));

        EXPECT_TRUE(display.dragging);
        releaseMouse();
        EXPECT_FALSE(display.dragging);
        EXPECT_EQ(callback.reports.size(), c.reportedIndices.size()) << "a release reports nothing";
    }
}

TEST_F(CrossoverDisplay, GainDragsClampAndLeaveTheHandles)
{
    struct Case
    {
        const char* name;
        juce::Point<float> pressAt;
        bool alt;
        std::vector<float> dys;
        int index;
        float expectedGain;
    };
    const Case cases[] = {
        {"low up 100 pixels", {60.0f, 256.0f}, false, {-100.0f}, 2, 0.3f + 100.0f / 365.0f},
        {"low far up stops below 1", {60.0f, 256.0f}, false, {-300.0f, -200.0f}, 2, 0.9999f},
        {"low far down stops above 0", {60.0f, 256.0f}, false, {300.0f}, 2, 0.0001f},
        {"mid far up", {200.0f, 73.0f}, false, {-200.0f}, 3, 0.9999f},
        {"mid down 73 pixels", {200.0f, 73.0f}, false, {73.0f}, 3, 0.6f},
        {"high down 50 pixels", {350.0f, 219.0f}, false, {50.0f}, 4, 0.4f - 50.0f / 365.0f},
        {"high full height up with Alt", {350.0f, 219.0f}, true, {-365.0f}, 4, 0.5f},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        callback.reports.clear();
        display.gainLow = 0.3f;
        display.gainMid = 0.8f;
        display.gainHigh = 0.4f;
        lastPosition = {};
        const auto mods = c.alt ? altHeld : leftButton;
        const auto lowHandleBounds = display.lowHandle.getBounds();
        const auto midHandleBounds = display.midHandle.getBounds();

        pressAt(c.pressAt, mods);
        for (const float dy : c.dys)
            dragBy(25.0f, dy, mods); // sideways movement doesn't count for a gain

        const float gains[] = {display.gainLow, display.gainMid, display.gainHigh};
        EXPECT_NEAR(gains[c.index - 2], c.expectedGain, 1.0e-5f);
        ASSERT_EQ(callback.reports.size(), c.dys.size());
        for (const auto& report : callback.reports)
            EXPECT_EQ(report.index, c.index);
        EXPECT_EQ(callback.reports.back().value, gains[c.index - 2]);

        EXPECT_FLOAT_EQ(display.lowPos, 0.3f);
        EXPECT_FLOAT_EQ(display.midPos, 0.7f);
        EXPECT_EQ(display.lowHandle.getBounds(), lowHandleBounds);
        EXPECT_EQ(display.midHandle.getBounds(), midHandleBounds);
        releaseMouse();
    }
}

TEST_F(CrossoverDisplay, HandlesSitAboveTheCrossoversInTheOwnersCoordinates)
{
    struct Case
    {
        float lowPos;
        float midPos;
        int lowX;
        int midX;
    };
    // x = (int) (pos * 413 + 178 - 7): 294.9 and 460.1 at the defaults.
    const Case cases[] = {{0.3f, 0.7f, 294, 460}, {0.15f, 0.85f, 232, 522}, {0.0f, 1.0f, 171, 584}};

    for (const auto& c : cases)
    {
        display.lowPos = c.lowPos;
        display.midPos = c.midPos;
        display.positionHandles();
        EXPECT_EQ(display.lowHandle.getBounds(), juce::Rectangle<int>(c.lowX, 88, 15, 13));
        EXPECT_EQ(display.midHandle.getBounds(), juce::Rectangle<int>(c.midX, 88, 15, 13));
    }

    EXPECT_EQ(display.lowHandle.getParentComponent(), &owner);
    EXPECT_EQ(display.lowHandle.index, 0);
    EXPECT_EQ(display.midHandle.index, 1);
    EXPECT_TRUE(display.lowHandle.image.isValid());
    EXPECT_TRUE(display.midHandle.image.isValid());
}

TEST_F(CrossoverDisplay, DraggingAHandleMovesItsCrossoverByScreenDistance)
{
    struct Case
    {
        ArrowSprite* handle;
        float screenDx;
        int index;
        float expected;
    };
    const Case cases[] = {{&display.lowHandle, 20.0f, 0, 0.3f + 20.0f / 413.0f},
                          {&display.lowHandle, -200.0f, 0, 0.15f},
                          {&display.midHandle, -20.0f, 1, 0.7f - 20.0f / 413.0f},
                          {&display.midHandle, 200.0f, 1, 0.85f}};

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.index);
        callback.reports.clear();
        display.lowPos = 0.3f;
        display.midPos = 0.7f;
        display.dragTarget = -1;
        display.positionHandles();

        // Handle events are relative to the handle, which moves under the pointer as it drags:
        // step the pointer in screen pixels and express each position in the handle's frame.
        auto& handle = *c.handle;
        const juce::Point<float> grip{7.0f, 6.0f};
        const auto pressScreen = grip + handle.getPosition().toFloat();
        press(handle, grip);
        EXPECT_TRUE(display.dragging);
        EXPECT_EQ(display.dragTarget, c.index);

        const int steps = 4;
        for (int step = 1; step <= steps; ++step)
        {
            const auto screen = pressScreen + juce::Point<float>{c.screenDx * step / steps, 3.0f};
            dragTo(handle, grip, screen - handle.getPosition().toFloat());
        }

        EXPECT_NEAR(c.index == 0 ? display.lowPos : display.midPos, c.expected, 1.0e-5f);
        ASSERT_EQ(callback.reports.size(), static_cast<size_t>(steps));
        EXPECT_EQ(callback.reports.back().index, c.index);

        release(handle, grip, grip);
        EXPECT_FALSE(display.dragging);
        EXPECT_EQ(display.dragTarget, c.index) << "a handle release keeps the target";
    }
}

TEST_F(CrossoverDisplay, HandleIndicesOtherThanTheCrossoversKeepTheTarget)
{
    display.dragTarget = 3;
    const auto event = mouseEvent(display.lowHandle, {2.0f, 2.0f}, {2.0f, 2.0f});
    display.arrowMouseDown(7, event);
    EXPECT_EQ(display.dragTarget, 3);
    EXPECT_TRUE(display.dragging);
    EXPECT_EQ(display.lastScreenX, 296.0f);
    EXPECT_EQ(display.lastScreenY, 90.0f);
}

TEST_F(CrossoverDisplay, WithoutCallbackDragsStillMoveTheDisplay)
{
    display.callback = nullptr;
    pressAt({124.0f, 100.0f});
    dragBy(-413.0f, 0.0f);
    EXPECT_FLOAT_EQ(display.lowPos, 0.15f);
    EXPECT_EQ(display.lowHandle.getX(), 232);
}

// Painting at a known size: pixels of the three columns, the gaps, grips and level bars.
class CrossoverPaint : public CrossoverDisplay
{
protected:
    juce::Image render()
    {
        juce::Image image(juce::Image::ARGB, display.getWidth(), display.getHeight(), true);
        juce::Graphics g(image);
        display.paint(g);
        return image;
    }

    static void expectColour(const juce::Image& image, int x, int y, juce::uint32 argb)
    {
        const auto actual = image.getPixelAt(x, y);
        const auto expected = juce::Colour(argb);
        SCOPED_TRACE(testing::Message() << "pixel " << x << ", " << y << ": " << actual.toString()
                                        << " against " << expected.toString());
        EXPECT_EQ(actual.getAlpha(), expected.getAlpha());
        EXPECT_NEAR(actual.getRed(), expected.getRed(), 2);
        EXPECT_NEAR(actual.getGreen(), expected.getGreen(), 2);
        EXPECT_NEAR(actual.getBlue(), expected.getBlue(), 2);
    }

    static bool columnIsEmpty(const juce::Image& image, int x)
    {
        for (int y = 0; y < image.getHeight(); ++y)
            if (image.getPixelAt(x, y).getAlpha() != 0)
                return false;
        return true;
    }
};

TEST_F(CrossoverPaint, ThreeBandsInTheirColoursPaleAboveTheGainSolidBelow)
{
    // Gains 0.3, 0.8, 0.4: the solid parts start at y 255.5, 73 and 219.
    const auto image = render();
    expectColour(image, 70, 100, 0x66a3495c);
    expectColour(image, 70, 300, 0xffa3495c);
    expectColour(image, 200, 30, 0x66c5b05e);
    expectColour(image, 200, 200, 0xffc5b05e);
    expectColour(image, 380, 100, 0x6666a27f);
    expectColour(image, 380, 280, 0xff66a27f);
}

TEST_F(CrossoverPaint, GripLinesSitSixPixelsBelowEachSolidTop)
{
    // Low: y (int) 261.5, centre 61.95; mid: y 79, centre 206.5; high: y 225, centre 351.05.
    const auto image = render();
    struct Grip
    {
        int y;
        int centre;
        juce::uint32 grip;
        juce::uint32 solid;
    };
    const Grip grips[] = {{261, 62, 0xff6c4f5c, 0xffa3495c},
                          {79, 206, 0xff7b795c, 0xffc5b05e},
                          {225, 351, 0xff54746a, 0xff66a27f}};
    for (const auto& grip : grips)
    {
        for (const int x : {grip.centre - 14, grip.centre, grip.centre + 14})
        {
            expectColour(image, x, grip.y, grip.grip);
            expectColour(image, x, grip.y - 1, grip.solid);
            expectColour(image, x, grip.y + 1, grip.solid);
        }
        expectColour(image, grip.centre - 17, grip.y, grip.solid);
        expectColour(image, grip.centre + 17, grip.y, grip.solid);
    }
}

TEST_F(CrossoverPaint, ColumnsAreSeparatedByTwoPixelGaps)
{
    // Defaults on 413 pixels: low ends at 122.9, mid runs 124.9 to 289.1, high starts at 291.1.
    auto image = render();
    EXPECT_TRUE(columnIsEmpty(image, 123));
    EXPECT_TRUE(columnIsEmpty(image, 290));
    expectColour(image, 121, 300, 0xffa3495c);
    expectColour(image, 126, 300, 0xffc5b05e);
    expectColour(image, 288, 300, 0xffc5b05e);
    expectColour(image, 292, 300, 0xff66a27f);

    // On whole pixels (400 wide, crossovers at 100 and 300) each gap is exactly two columns.
    display.setSize(400, 365);
    display.lowPos = 0.25f;
    display.midPos = 0.75f;
    image = render();
    for (const int x : {99, 100, 300, 301})
        EXPECT_TRUE(columnIsEmpty(image, x)) << "column " << x;
    expectColour(image, 98, 300, 0xffa3495c);
    expectColour(image, 101, 300, 0xffc5b05e);
    expectColour(image, 299, 300, 0xffc5b05e);
    expectColour(image, 302, 300, 0xff66a27f);
}

TEST_F(CrossoverPaint, LitLevelBarsGrowUpFromTheBottom)
{
    struct Case
    {
        float level;
        int firstLitRow; // (int) (365 - level * 365)
        int litRows;     // (int) (level * 365)
    };
    const Case cases[] = {{0.5f, 182, 182}, {1.0f, 0, 365}, {0.1f, 328, 36}};

    display.levelLow = display.levelMid = display.levelHigh = 0.0f;
    const auto unlit = render();

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.level);
        display.levelLow = display.levelMid = display.levelHigh = c.level;
        const auto lit = render();

        // Bars at x 10, (int) (123.9 + 10) and (int) (289.1 + 10), 7 pixels wide.
        for (int x = 0; x < 413; ++x)
        {
            const bool inBar = (x >= 10 && x < 17) || (x >= 133 && x < 140) || (x >= 299 && x < 306);
            for (int y = 0; y < 365; ++y)
            {
                const bool shouldLight = inBar && y >= c.firstLitRow && y < c.firstLitRow + c.litRows;
                const bool changed = lit.getPixelAt(x, y) != unlit.getPixelAt(x, y);
                ASSERT_EQ(changed, shouldLight) << "pixel " << x << ", " << y;
            }
        }
    }
}
} // namespace
