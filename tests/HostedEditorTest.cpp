// The editor of the built Mallow.vst3 opened the way a DAW opens it: JUCE's VST3 hosting asks
// the hosted instance for its view, the view goes into a window on the X display the suite
// runs on, and real pointer events from the X server drive the plug-in's controls.

#include "host/BundlePaths.h"
#include "host/XDisplay.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_events/juce_events.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;

// Where the plug-in keeps its per-user settings on Linux, spelled out independently of it.
juce::File settingsFile()
{
    return juce::File::getSpecialLocation(juce::File::userApplicationDataDirectory)
        .getChildFile("Vantorp/Mallow/Mallow.settings");
}

void writeZoomSetting(const juce::String& percent)
{
    juce::PropertiesFile::Options options;
    options.storageFormat = juce::PropertiesFile::storeAsCompressedBinary;
    juce::PropertiesFile file(settingsFile(), options);
    file.setValue("Zoom", percent);
    ASSERT_TRUE(file.save()) << settingsFile().getFullPathName();
}

void pumpMessages(int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil(milliseconds);
}

bool closeTo(std::uint32_t argb, std::uint32_t expected)
{
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((argb >> shift) & 0xffu) - int((expected >> shift) & 0xffu)) > 6)
            return false;
    return true;
}

std::string hex(std::uint32_t argb)
{
    return juce::String::toHexString((juce::int64)argb).toStdString();
}

// The host's frame around the plug-in's view.
class HostWindow : public juce::DocumentWindow
{
public:
    HostWindow() : juce::DocumentWindow("Plug-in host", juce::Colours::black, 0, true) {}
};

// One JUCE runtime for the whole program: JUCE's X11 layer cannot be shut down and started
// again in one process. Each test makes its own instance and window and deletes them again.
class HostedEditor : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        mallow::test::prepareXlibForHosting();
        juceRuntime = std::make_unique<juce::ScopedJuceInitialiser_GUI>();
    }
    static void TearDownTestSuite() { juceRuntime.reset(); }

    void SetUp() override
    {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "these tests need an X display (xvfb-run)";
        settingsFile().deleteFile();
    }

    void TearDown() override
    {
        closeEditor();
        instance.reset();
        format.reset();
        pumpMessages(50);
        settingsFile().deleteFile();
    }

    // Creates the instance; the plug-in reads its settings file now.
    void loadPlugin()
    {
        format = std::make_unique<juce::VST3PluginFormat>();
        juce::OwnedArray<juce::PluginDescription> found;
        format->findAllTypesForFile(found, juce::String(mallow::test::vst3BundlePath()));
        ASSERT_EQ(found.size(), 1) << mallow::test::vst3BundlePath();

        juce::String error;
        instance = format->createInstanceFromDescription(*found[0], sampleRate, blockSize, error);
        ASSERT_NE(instance, nullptr) << error;
    }

    // Puts the host-side editor into a window on screen and lets the plug-in's view open.
    void openEditor()
    {
        editor = instance->createEditorIfNeeded();
        ASSERT_NE(editor, nullptr);

        window = std::make_unique<HostWindow>();
        window->setContentNonOwned(editor, true);
        window->setTopLeftPosition(40, 30);
        window->setVisible(true);
        pumpMessages(800);
    }

    void closeEditor()
    {
        window.reset();
        delete editor;
        editor = nullptr;
        pumpMessages(50);
    }

    juce::Point<int> editorOnScreen(int x, int y) const
    {
        return editor->localPointToGlobal(juce::Point<int>(x, y));
    }

    // A press at an editor point, an upward drag in small steps with the message loop running
    // between them, and the release.
    void dragUp(mallow::test::XDisplay& x11, juce::Point<int> start, int pixels)
    {
        const auto from = editorOnScreen(start.x, start.y);
        x11.movePointer(from.x, from.y);
        pumpMessages(60);
        x11.pressLeftButton();
        pumpMessages(60);
        for (int moved = 5; moved <= pixels; moved += 5)
        {
            x11.movePointer(from.x, from.y - moved);
            pumpMessages(20);
        }
        pumpMessages(60);
        x11.releaseLeftButton();
        pumpMessages(100);
    }

    // What the X server shows of the editor, saved as a PNG under /tmp for a person to look at.
    juce::Image grabEditor(const std::string& name) const
    {
        mallow::test::XDisplay x11;
        const auto origin = editorOnScreen(0, 0);
        const auto pixels = x11.grabScreen(origin.x, origin.y, editor->getWidth(), editor->getHeight());
        if (pixels.empty())
            return {};

        juce::Image image(juce::Image::ARGB, editor->getWidth(), editor->getHeight(), false);
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                image.setPixelAt(x, y, juce::Colour(pixels[std::size_t(y * image.getWidth() + x)]));

        juce::File file("/tmp/mallow-hosted-editor-" + name + ".png");
        file.deleteFile();
        juce::FileOutputStream out(file);
        juce::PNGImageFormat().writeImageToStream(image, out);
        return image;
    }

    float parameterValue(int index) const { return instance->getParameters()[index]->getValue(); }

    static inline std::unique_ptr<juce::ScopedJuceInitialiser_GUI> juceRuntime;
    std::unique_ptr<juce::VST3PluginFormat> format;
    std::unique_ptr<juce::AudioPluginInstance> instance;
    juce::AudioProcessorEditor* editor = nullptr;
    std::unique_ptr<HostWindow> window;
};

struct ZoomCase
{
    const char* name;
    const char* remembered; // nullptr: no settings file
    int width;
    int height;
    float scale;
};

class HostedEditorZoom : public HostedEditor, public testing::WithParamInterface<ZoomCase>
{
};

TEST_P(HostedEditorZoom, OpensAtTheRememberedZoom)
{
    const auto& zoom = GetParam();
    if (zoom.remembered != nullptr)
        writeZoomSetting(zoom.remembered);

    loadPlugin();
    openEditor();

    EXPECT_EQ(editor->getWidth(), zoom.width);
    EXPECT_EQ(editor->getHeight(), zoom.height);
    EXPECT_TRUE(editor->isShowing());

    // The plug-in really draws at that size: its Gain In ring (centre 95, 275, radius 63,
    // stroke 4) is purple from twelve o'clock round to the default 0.6 of a turn and grey
    // beyond, so three o'clock is purple and nine o'clock grey.
    const auto shot = grabEditor(zoom.name);
    ASSERT_TRUE(shot.isValid());
    const auto pixel = [&](float x, float y)
    { return shot.getPixelAt(int(x * zoom.scale), int(y * zoom.scale)).getARGB(); };
    const float ring = 62.5f;
    EXPECT_PRED2(closeTo, pixel(95.0f + ring, 275.5f), 0xff835198u) << hex(pixel(95.0f + ring, 275.5f));
    EXPECT_PRED2(closeTo, pixel(95.0f - ring, 275.5f), 0xff333c42u) << hex(pixel(95.0f - ring, 275.5f));
}

INSTANTIATE_TEST_SUITE_P(Zooms, HostedEditorZoom,
                         testing::Values(ZoomCase{"NoSettingsFile", nullptr, 770, 507, 1.0f},
                                         ZoomCase{"Remembered200", "200", 1540, 1014, 2.0f},
                                         ZoomCase{"Remembered75", "75", 578, 380, 0.75f}),
                         [](const auto& test) { return std::string(test.param.name); });
struct DragCase
{
    const char* name;
    int x, y; // press point in editor coordinates
    int pixelsUp;
    int parameter;
    float expected;
};

class HostedEditorDrag : public HostedEditor, public testing::WithParamInterface<DragCase>
{
};

// Real button and motion events from the X server reach the plug-in's own window: its JUCE
// copy watches its X connection through the host's run loop, which the message loop serves.
TEST_P(HostedEditorDrag, MovesTheHostedParameter)
{
    const auto& drag = GetParam();
    loadPlugin();
    openEditor();
    mallow::test::XDisplay x11;
    ASSERT_TRUE(x11.isOpen());

    dragUp(x11, {drag.x, drag.y}, drag.pixelsUp);

    EXPECT_NEAR(parameterValue(drag.parameter), drag.expected, 0.01f);
}

// Knobs move 0.0035 per pixel from their defaults (0.6, 0.2) and stop at 1. A band gain edge
// moves one part in 365 (the display's height) per pixel: the high band's top edge, at 0.3,
// sits at y = 106 + 0.7 * 365 and right of the mid crossover.
INSTANTIATE_TEST_SUITE_P(Controls, HostedEditorDrag,
                         testing::Values(DragCase{"GainInKnob", 95, 275, 100, 0, 0.95f},
                                         DragCase{"GainOutKnob", 673, 275, 100, 1, 0.55f},
                                         DragCase{"GainInKnobToItsTop", 95, 275, 150, 0, 1.0f},
                                         DragCase{"HighBandTopEdge", 550, 361, 100, 6,
                                                  0.3f + 100.0f / 365.0f}),
                         [](const auto& test) { return std::string(test.param.name); });
} // namespace
