// VTWindowZoom: which row the remembered zoom marks and what reaches the desktop's global
// scale factor, the open list with its backdrop, row clicks that choose, cancel or do
// nothing, and how the rows and the button paint.

#include "VTGlobalSettings.h"
#include "VTWindowZoom.h"
#include "ui/SyntheticMouse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace
{
using namespace mallow::test;

juce::File makerFolder()
{
    const auto appData = juce::File::getSpecialLocation(juce::File::userApplicationDataDirectory);
#if JUCE_MAC
    return appData.getChildFile("Application Support").getChildFile("Vantorp");
#else
    return appData.getChildFile("Vantorp");
#endif
}

juce::File settingsFile()
{
    return makerFolder().getChildFile("Mallow").getChildFile("Mallow.settings");
}

juce::PropertiesFile::Options compressedForm()
{
    juce::PropertiesFile::Options options;
    options.storageFormat = juce::PropertiesFile::storeAsCompressedBinary;
    options.millisecondsBeforeSaving = -1;
    return options;
}

// Written and read back through the framework's own store, independently of ours.
void rememberZoom(const juce::String& value)
{
    juce::PropertiesFile file(settingsFile(), compressedForm());
    file.setValue("Zoom", value);
    ASSERT_TRUE(file.save());
}

juce::String fileZoom()
{
    return juce::PropertiesFile(settingsFile(), compressedForm()).getValue("Zoom", "<absent>");
}

float globalScale()
{
    return juce::Desktop::getInstance().getGlobalScaleFactor();
}

struct CountingControl : juce::Component
{
    void mouseDown(const juce::MouseEvent&) override { ++presses; }
    int presses = 0;
};

// A stand-in for the editor: a control in the middle, the zoom selector placed as the
// editor's layout places it, then handed the processor's settings.
struct Editor
{
    Editor()
    {
        window.setBounds(0, 0, 770, 507);
        window.setVisible(true);
        control.setBounds(300, 300, 100, 100);
        window.addAndMakeVisible(control);
        zoom.zoomButton.setBounds(6, 6, 18, 18);
        zoom.setBounds(6, 20, 80, 120);
        zoom.init(&window, &settings);
    }

    bool listOpen() const
    {
        return zoom.getParentComponent() == &window && zoom.plate.getParentComponent() == &window;
    }

    void clickZoomButton()
    {
        press(zoom.zoomButton, {9.0f, 9.0f});
        release(zoom.zoomButton, {9.0f, 9.0f}, {9.0f, 9.0f});
    }

    void clickRow(int row)
    {
        auto& item = zoom.items[(size_t)row];
        press(item, {40.0f, 10.0f});
        release(item, {40.0f, 10.0f}, {40.0f, 10.0f});
    }

    VTGlobalSettings settings{"Mallow"};
    juce::Component window;
    CountingControl control;
    VTWindowZoom zoom;
};

class WindowZoom : public ::testing::Test
{
protected:
    WindowZoom() { makerFolder().deleteRecursively(); }

    ~WindowZoom() override
    {
        juce::Desktop::getInstance().setGlobalScaleFactor(1.0f);
        makerFolder().deleteRecursively();
    }

    juce::ScopedJuceInitialiser_GUI gui;
};

struct RememberedCase
{
    const char* name;
    std::optional<const char*> remembered;
    float scaleBefore; // as another editor in the process may have left it
    int markedRow;
    float scaleAfter;
};

TEST_F(WindowZoom, RememberedValueMarksARowAndSetsTheGlobalScale)
{
    const RememberedCase cases[] = {
        {"a level", "150", 1.0f, 3, 1.5f},
        {"the smallest level", "75", 1.0f, 0, 0.75f},
        {"the largest level", "200", 1.0f, 5, 2.0f},
        {"between levels: applied, 100 % marked", "110", 1.0f, 1, 1.1f},
        {"lowest usable value", "20", 1.0f, 1, 0.2f},
        {"highest usable value", "300", 1.0f, 1, 3.0f},
        {"just below the range", "19.5", 1.0f, 1, 1.0f},
        {"above the range", "500", 1.25f, 1, 1.25f},
        {"not a number", "abc", 1.25f, 1, 1.25f},
        {"no file", std::nullopt, 1.5f, 1, 1.5f},
        // Another instance set 150 %, this processor's store holds 100: nothing to apply.
        {"100 while another editor zoomed", "100", 1.5f, 1, 1.5f},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        if (c.remembered)
            rememberZoom(*c.remembered);
        juce::Desktop::getInstance().setGlobalScaleFactor(c.scaleBefore);
        {
            Editor editor;
            EXPECT_FLOAT_EQ(globalScale(), c.scaleAfter);
            for (int row = 0; row < VTWindowZoom::numLevels; ++row)
                EXPECT_EQ(editor.zoom.items[(size_t)row].selected, row == c.markedRow) << "row " << row;

            // Only the button joins the editor; the list starts closed.
            ASSERT_EQ(editor.window.getNumChildComponents(), 2);
            EXPECT_EQ(editor.window.getChildComponent(1), &editor.zoom.zoomButton);
        }
        // Neither opening nor closing the editor writes the file or resets the zoom.
        EXPECT_EQ(settingsFile().existsAsFile(), c.remembered.has_value());
        EXPECT_FLOAT_EQ(globalScale(), c.scaleAfter);

        juce::Desktop::getInstance().setGlobalScaleFactor(1.0f);
        makerFolder().deleteRecursively();
    }
}

TEST_F(WindowZoom, ButtonOpensTheListAboveABackdropOverTheWholeEditor)
{
    Editor editor;
    editor.clickZoomButton();

    ASSERT_TRUE(editor.listOpen());
    EXPECT_EQ(editor.zoom.plate.getBounds(), juce::Rectangle<int>(0, 0, 770, 507));
    // Stacking from the bottom: control, button, backdrop, list.
    EXPECT_EQ(editor.window.getChildComponent(2), &editor.zoom.plate);
    EXPECT_EQ(editor.window.getChildComponent(3), &editor.zoom);
    EXPECT_EQ(editor.zoom.items[5].getBounds(), juce::Rectangle<int>(0, 100, 80, 20));
}

TEST_F(WindowZoom, ReleasingOffTheButtonDoesNotOpenTheList)
{
    Editor editor;
    press(editor.zoom.zoomButton, {9.0f, 9.0f});
    EXPECT_TRUE(editor.zoom.zoomButton.pressed);
    release(editor.zoom.zoomButton, {9.0f, 9.0f}, {18.0f, 9.0f});
    EXPECT_FALSE(editor.zoom.zoomButton.pressed);
    EXPECT_FALSE(editor.listOpen());
}

TEST_F(WindowZoom, ChoosingALevelSavesAtOnceAppliesItAndClosesTheList)
{
    Editor editor;
    editor.clickZoomButton();
    editor.clickRow(0);

    EXPECT_EQ(fileZoom(), "75") << "saved before the store goes";
    EXPECT_FLOAT_EQ(globalScale(), 0.75f);
    EXPECT_FLOAT_EQ(editor.zoom.factor, 0.75f);
    EXPECT_FALSE(editor.listOpen());
    EXPECT_EQ(editor.window.getNumChildComponents(), 2);
    for (int row = 0; row < VTWindowZoom::numLevels; ++row)
        EXPECT_EQ(editor.zoom.items[(size_t)row].selected, row == 0) << "row " << row;
    EXPECT_FALSE(editor.zoom.items[0].pressed);
}

TEST_F(WindowZoom, ClickOnTheMarkedRowWritesNothingAndLeavesTheListOpen)
{
    Editor editor;
    editor.clickZoomButton();
    press(editor.zoom.items[1], {40.0f, 10.0f});
    EXPECT_FALSE(editor.zoom.items[1].pressed);
    release(editor.zoom.items[1], {40.0f, 10.0f}, {40.0f, 10.0f});

    EXPECT_TRUE(editor.listOpen());
    EXPECT_TRUE(editor.zoom.items[1].selected);
    EXPECT_FALSE(settingsFile().exists());
    EXPECT_FLOAT_EQ(globalScale(), 1.0f);
}

TEST_F(WindowZoom, ReleaseDecidesWhetherAPressedRowIsChosen)
{
    struct ReleaseCase
    {
        const char* name;
        juce::Point<float> at; // in the row's own coordinates; the row is 80 x 20
        bool chosen;
    };
    const ReleaseCase cases[] = {
        {"below the row", {40.0f, 25.0f}, false},      {"on the bottom edge", {40.0f, 20.0f}, false},
        {"on the right edge", {80.0f, 10.0f}, false},  {"left of the row", {-0.5f, 10.0f}, false},
        {"above the row", {40.0f, -1.0f}, false},      {"inside, at the far corner", {79.5f, 19.5f}, true},
        {"inside, at the origin", {0.0f, 0.0f}, true},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        {
            Editor editor;
            editor.clickZoomButton();
            auto& row = editor.zoom.items[2];
            press(row, {40.0f, 10.0f});
            EXPECT_TRUE(row.pressed);
            release(row, {40.0f, 10.0f}, c.at);

            EXPECT_FALSE(row.pressed);
            EXPECT_EQ(row.selected, c.chosen);
            EXPECT_EQ(editor.zoom.items[1].selected, !c.chosen);
            EXPECT_EQ(editor.listOpen(), !c.chosen);
            EXPECT_FLOAT_EQ(globalScale(), c.chosen ? 1.25f : 1.0f);
            EXPECT_EQ(fileZoom(), c.chosen ? "125" : "<absent>");
        }
        juce::Desktop::getInstance().setGlobalScaleFactor(1.0f);
        makerFolder().deleteRecursively();
    }
}

TEST_F(WindowZoom, APressOnTheBackdropClosesTheListWithoutReachingTheControlBeneath)
{
    Editor editor;
    editor.clickZoomButton();

    // Hit-testing is how a real press finds its component: everything outside the list,
    // the zoom button included, now lands on the backdrop.
    EXPECT_EQ(editor.window.getComponentAt(350, 350), &editor.zoom.plate);
    EXPECT_EQ(editor.window.getComponentAt(10, 10), &editor.zoom.plate);
    EXPECT_EQ(editor.window.getComponentAt(20, 50), &editor.zoom.items[1]);

    press(editor.zoom.plate, {350.0f, 350.0f});

    EXPECT_FALSE(editor.listOpen()) << "closed on the press, before any release";
    EXPECT_EQ(editor.control.presses, 0);
    EXPECT_EQ(editor.window.getComponentAt(350, 350), &editor.control);
    EXPECT_FALSE(settingsFile().exists());
    EXPECT_FLOAT_EQ(globalScale(), 1.0f);
}

juce::Colour pixelAt(const juce::Image& image, int x, int y)
{
    return image.getPixelAt(x, y);
}

TEST_F(WindowZoom, RowsPaintDarkGreyWhenSelectedOrPressedAndBlackOtherwise)
{
    struct PaintCase
    {
        const char* name;
        bool selected;
        bool pressed;
        juce::uint32 background;
    };
    const PaintCase cases[] = {
        {"plain", false, false, 0xFF000000},
        {"selected", true, false, 0xFF555555},
        {"pressed", false, true, 0xFF555555},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        VTWindowZoom::ListItem row;
        row.setSize(80, 20);
        row.text = "125%";
        row.selected = c.selected;
        row.pressed = c.pressed;

        juce::Image image(juce::Image::ARGB, 80, 20, true);
        {
            juce::Graphics g(image);
            row.paint(g);
        }
        EXPECT_EQ(pixelAt(image, 0, 0).getARGB(), c.background);
        EXPECT_EQ(pixelAt(image, 79, 19).getARGB(), c.background);

        // White text, centred: the lit columns sit evenly about the middle.
        int left = 80, right = -1;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 80; ++x)
                if (pixelAt(image, x, y).getBrightness() > 0.8f)
                {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        ASSERT_GE(right, left) << "no text drawn";
        EXPECT_NEAR((left + right) / 2.0, 39.5, 2.0);
    }
}

TEST_F(WindowZoom, ButtonStretchesItsArtworkIntoItsBounds)
{
    // The artwork is a 32 x 32 disc, white at 50 % opacity (20 % while pressed), with the
    // glyph in the middle and transparent corners.
    struct ButtonCase
    {
        const char* name;
        bool pressed;
        int discAlpha;
    };
    const ButtonCase cases[] = {{"idle", false, 0x80}, {"pressed", true, 0x33}};

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        VTWindowZoom::ZoomBtn button;
        button.setSize(18, 18);
        button.pressed = c.pressed;
        juce::Image image(juce::Image::ARGB, 18, 18, true);
        {
            juce::Graphics g(image);
            button.paint(g);
        }
        // Drawn at its own size, the disc's middle would reach the right and bottom edges.
        EXPECT_EQ(pixelAt(image, 17, 0).getAlpha(), 0);
        EXPECT_EQ(pixelAt(image, 0, 17).getAlpha(), 0);
        EXPECT_EQ(pixelAt(image, 17, 17).getAlpha(), 0);
        // The disc reaches the middle of each edge.
        EXPECT_NEAR(pixelAt(image, 9, 0).getAlpha(), c.discAlpha, 12);
        EXPECT_NEAR(pixelAt(image, 17, 9).getAlpha(), c.discAlpha, 12);
        EXPECT_NEAR(pixelAt(image, 3, 9).getAlpha(), c.discAlpha, 12);
    }
}

TEST_F(WindowZoom, ButtonWithoutArtworkDrawsNothingButStillOpensTheList)
{
    Editor editor;
    editor.zoom.zoomButton.images = {};
    juce::Image image(juce::Image::ARGB, 18, 18, true);
    {
        juce::Graphics g(image);
        editor.zoom.zoomButton.paint(g);
    }
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 18; ++x)
            ASSERT_EQ(pixelAt(image, x, y).getAlpha(), 0) << x << ", " << y;

    editor.clickZoomButton();
    EXPECT_TRUE(editor.listOpen());
}
} // namespace
