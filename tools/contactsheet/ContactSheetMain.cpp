// mallow-contactsheet OUT.png: paints every control in a few telling states onto one labelled
// sheet, for looking at the drawing without loading the plug-in.

#include "ArrowSprite.h"
#include "FreqSplit.h"
#include "NXKnob.h"
#include "NXPeak.h"

#include <BinaryData.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>

namespace
{
constexpr juce::uint32 sheetColour = 0xff1e252b;
constexpr juce::uint32 labelColour = 0xffb8bcc0;

juce::Font labelFont()
{
    static const auto typeface = juce::Typeface::createSystemTypefaceFor(
        BinaryData::InterRegular_ttf, static_cast<size_t>(BinaryData::InterRegular_ttfSize));
    return juce::Font(typeface).withHeight(13.0f);
}

void label(juce::Graphics& g, const juce::String& text, int x, int y)
{
    g.setOpacity(1.0f);
    g.setColour(juce::Colour(labelColour));
    g.setFont(labelFont());
    g.drawText(text, x, y, 420, 16, juce::Justification::centredLeft);
}

// Paints a component with its top-left corner at (x, y) of the sheet, clipped to its bounds.
void paintAt(juce::Graphics& g, juce::Component& component, int x, int y)
{
    juce::Graphics::ScopedSaveState saved(g);
    g.setOrigin(x, y);
    g.reduceClipRegion(component.getLocalBounds());
    component.paintEntireComponent(g, false);
}

juce::Image resource(const char* data, int size)
{
    return juce::ImageCache::getFromMemory(data, size);
}

void paintKnobs(juce::Graphics& g, juce::Font& knobFont, int top)
{
    label(g, "NXKnob at 0, 0.5 and 1 (130 x 130)", 20, top);
    const float values[] = {0.0f, 0.5f, 1.0f};
    for (int i = 0; i < 3; ++i)
    {
        NXKnob knob;
        knob.font = &knobFont;
        knob.setSize(130, 130);
        knob.value = values[i];
        paintAt(g, knob, 20 + i * 160, top + 24);
    }
}

void paintMeters(juce::Graphics& g, int top)
{
    struct State
    {
        const char* text;
        float level;
        bool clipLit;
    };
    const State states[] = {{"NXPeak output meter, level 0", 0.0f, false},
                            {"level 1.0: nine segments", 1.0f, false},
                            {"level 1.0, clip mark lit", 1.0f, true},
                            {"level 1.2, clip mark lit", 1.2f, true}};

    for (int i = 0; i < 4; ++i)
    {
        NXPeak meter;
        meter.image = resource(BinaryData::meterstrip_png, BinaryData::meterstrip_pngSize);
        meter.clipImage = resource(BinaryData::peak_png, BinaryData::peak_pngSize);
        meter.clipGap = 5;
        meter.clipEnabled = true;
        meter.setSize(145, 18);
        meter.level = states[i].level;
        meter.clipLit = states[i].clipLit;

        const int x = 20 + (i % 2) * 440;
        const int y = top + (i / 2) * 56;
        label(g, states[i].text, x, y);
        paintAt(g, meter, x, y + 22);

        // Twice as large beside it, to see the segments and where the clip mark lands.
        juce::Image zoomed(juce::Image::ARGB, 145, 18, true);
        {
            juce::Graphics zoomedGraphics(zoomed);
            meter.paintEntireComponent(zoomedGraphics, false);
        }
        g.setOpacity(1.0f);
        g.drawImageTransformed(zoomed, juce::AffineTransform::scale(2.0f).translated(
                                           static_cast<float>(x + 160), static_cast<float>(y + 13)));
    }
}

// The display with its handles as the editor places them: handles 18 pixels above its top.
void paintDisplay(juce::Graphics& g, const juce::String& text, int left, int top, float lowPos, float midPos,
                  float levels[3], float gains[3])
{
    juce::Component owner;
    owner.setSize(413, 400);
    FreqSplit display;
    display.setTopLeftPosition(0, 30);
    owner.addAndMakeVisible(display);
    owner.addAndMakeVisible(display.lowHandle);
    owner.addAndMakeVisible(display.midHandle);
    display.lowPos = lowPos;
    display.midPos = midPos;
    display.levelLow = levels[0];
    display.levelMid = levels[1];
    display.levelHigh = levels[2];
    display.gainLow = gains[0];
    display.gainMid = gains[1];
    display.gainHigh = gains[2];
    display.positionHandles();

    label(g, text, left, top);
    paintAt(g, owner, left, top + 6);
}

void paintHandles(juce::Graphics& g, int left, int top)
{
    label(g, "ArrowSprite 1x and 2x art in 15 x 13, and drawn at 60 x 52", left, top);
    struct Art
    {
        const char* data;
        int size;
    };
    const Art art[] = {{BinaryData::handtagspil_png, BinaryData::handtagspil_pngSize},
                       {BinaryData::handtagspil2x_png, BinaryData::handtagspil2x_pngSize}};

    for (int i = 0; i < 2; ++i)
    {
        ArrowSprite handle;
        handle.image = resource(art[i].data, art[i].size);
        handle.setSize(15, 13);
        paintAt(g, handle, left + i * 40, top + 30);
        handle.setSize(60, 52);
        paintAt(g, handle, left + 100 + i * 90, top + 24);
    }
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: mallow-contactsheet OUT.png\n";
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI gui;

    juce::Font knobFont(juce::Typeface::createSystemTypefaceFor(
        BinaryData::CanterBold_otf, static_cast<size_t>(BinaryData::CanterBold_otfSize)));

    juce::Image sheet(juce::Image::ARGB, 900, 1170, true);
    {
        juce::Graphics g(sheet);
        g.fillAll(juce::Colour(sheetColour));

        paintKnobs(g, knobFont, 16);
        paintMeters(g, 200);
        paintHandles(g, 520, 16);

        float defaultLevels[] = {0.6f, 0.35f, 0.8f};
        float defaultGains[] = {0.3f, 0.8f, 0.4f};
        paintDisplay(g, "FreqSplit at its defaults, levels 0.6 / 0.35 / 0.8", 20, 330, 0.3f, 0.7f,
                     defaultLevels, defaultGains);

        float narrowLevels[] = {1.0f, 0.0f, 0.5f};
        float narrowGains[] = {0.9999f, 0.0001f, 0.55f};
        paintDisplay(g, "narrow bands 0.15 / 0.3, gains at the limits, levels 1 / 0 / 0.5", 460, 330, 0.15f,
                     0.3f, narrowLevels, narrowGains);

        float topLevels[] = {0.2f, 0.9f, 0.1f};
        float topGains[] = {0.5f, 0.65f, 0.2f};
        paintDisplay(g, "narrow bands at the top end 0.7 / 0.85, levels 0.2 / 0.9 / 0.1", 20, 750, 0.7f,
                     0.85f, topLevels, topGains);
    }

    const juce::File out = juce::File::getCurrentWorkingDirectory().getChildFile(argv[1]);
    out.deleteFile();
    juce::FileOutputStream stream(out);
    juce::PNGImageFormat png;
    if (!stream.openedOk() || !png.writeImageToStream(sheet, stream))
    {
        std::cerr << "mallow-contactsheet: could not write " << out.getFullPathName() << "\n";
        return 1;
    }
    std::cout << out.getFullPathName() << "\n";
    return 0;
}
