#include "MallowAudioProcessorEditor.h"

#include "BinaryData.h"
#include "CrossoverRules.h"
#include "MallowAudioProcessor.h"
#include "MallowIdentity.h"
#include "NamedImage.h"

#include <cmath>
#include <tuple>
#include <utility>

namespace
{
// Only moves above this are copied from the processor into a control, so a value the user
// just set is not fought over by rounding.
constexpr float refreshThreshold = 0.001f;

constexpr double meterFallPerTick = 0.048; // subtracted in double precision
constexpr float meterCap = 1.2f;
constexpr float bandLevelFallPerTick = 0.05f;

juce::Font makeKnobFont()
{
    return juce::Font(juce::Typeface::createSystemTypefaceFor(BinaryData::CanterBold_otf,
                                                              (size_t)BinaryData::CanterBold_otfSize));
}

// Built on the first paint and shared by every editor in the process.
const juce::Font& versionFont()
{
    static const juce::Font font =
        juce::Font(juce::Typeface::createSystemTypefaceFor(BinaryData::InterRegular_ttf,
                                                           (size_t)BinaryData::InterRegular_ttfSize))
            .withHeight(10.0f);
    return font;
}

// The meter's ballistics: rises at once to √(2 × rms), falls 0.048 per tick, capped at 1.2.
float meterLevel(float previous, float averageRms)
{
    const auto rising = std::sqrt(2.0f * averageRms);
    const double falling = juce::jmax(0.0, (double)previous - meterFallPerTick);
    const double level = juce::jmax((double)rising, falling);
    return level > (double)meterCap ? meterCap : (float)level;
}

bool isFullyOpaque(const juce::Image& image)
{
    if (!image.hasAlphaChannel())
        return true;

    const juce::Image::BitmapData pixels(image, juce::Image::BitmapData::readOnly);
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            if (pixels.getPixelColour(x, y).getAlpha() != 255)
                return false;
    return true;
}

float bandLevel(float previous, float averageRms)
{
    return juce::jmax(averageRms, juce::jmax(0.0f, previous - bandLevelFallPerTick));
}
} // namespace

MallowAudioProcessorEditor::MallowAudioProcessorEditor(MallowAudioProcessor& owner)
    : juce::AudioProcessorEditor(owner), processorRef(owner)
{
    setSize(editorWidth, editorHeight);

    knobFont = makeKnobFont();
    const auto value = [this](int index) { return processorRef.paramValues[(size_t)index].load(); };

    for (auto [knob, x, index] : {std::tuple{&gainInKnob, 30, 0}, std::tuple{&gainOutKnob, 608, 1}})
    {
        knob->setSize(130, 130);
        knob->font = &knobFont;
        knob->callback = this;
        knob->setTopLeftPosition(x, 210);
        knob->value = value(index);
        knob->repaint();
        addAndMakeVisible(*knob);
    }

    bandDisplay.setTopLeftPosition(178, 106);
    bandDisplay.callback = this;
    bandDisplay.gainLow = value(4);
    bandDisplay.repaint();
    bandDisplay.gainMid = value(5);
    bandDisplay.repaint();
    bandDisplay.gainHigh = value(6);
    bandDisplay.repaint();
    bandDisplay.lowPos = std::sqrt(value(2));
    bandDisplay.positionHandles();
    bandDisplay.repaint();
    bandDisplay.midPos = std::sqrt(value(3));
    bandDisplay.positionHandles();
    bandDisplay.repaint();
    addAndMakeVisible(bandDisplay);

    // The handles stand above the display's top edge, so they are the editor's children.
    addAndMakeVisible(bandDisplay.lowHandle);
    addAndMakeVisible(bandDisplay.midHandle);
    bandDisplay.positionHandles();

    const auto strip =
        juce::ImageCache::getFromMemory(BinaryData::meterstrip_png, BinaryData::meterstrip_pngSize);
    inputMeter.image = strip;
    inputMeter.setSize(strip.getWidth(), strip.getHeight());
    inputMeter.setTopLeftPosition(30, 116);
    addAndMakeVisible(inputMeter);

    outputMeter.image = strip;
    outputMeter.setSize(strip.getWidth(), strip.getHeight());
    outputMeter.setTopLeftPosition(608, 117);
    outputMeter.clipGap = 5;
    outputMeter.clipImage = juce::ImageCache::getFromMemory(BinaryData::peak_png, BinaryData::peak_pngSize);
    outputMeter.clipEnabled = true;
    outputMeter.setSize(strip.getWidth() + outputMeter.clipGap + outputMeter.clipImage.getWidth(),
                        strip.getHeight());
    addAndMakeVisible(outputMeter);

    startTimer(refreshIntervalMs);

    zoomSelector.init(this, &processorRef.globalSettings);
}

MallowAudioProcessorEditor::~MallowAudioProcessorEditor()
{
    stopTimer();
}

void MallowAudioProcessorEditor::paint(juce::Graphics& g)
{
    // Fetched on every paint (from the image cache), so a change of the primary display's
    // scale picks the other variant.
    const auto background = loadNamedImage("bg");
    if (background.isValid())
    {
        const float pixelScale = g.getInternalContext().getPhysicalPixelScaleFactor();
        g.drawImage(stretchedBackground(background, pixelScale), getLocalBounds().toFloat(),
                    juce::RectanglePlacement::stretchToFit);
    }

    g.setColour(juce::Colour(0xFFE9E9DEu));
    g.setFont(versionFont());
    g.drawText(juce::String("v") + mallow::identity::versionString,
               juce::Rectangle<float>(262.0f, 43.5f, 60.0f, 12.0f), juce::Justification::centredLeft, true);
}

const juce::Image& MallowAudioProcessorEditor::stretchedBackground(const juce::Image& art, float pixelScale)
{
    const bool sameArt = backgroundArt.isValid() && backgroundArt.getPixelData() == art.getPixelData();
    if (sameArt && backgroundScale == pixelScale && backgroundStretched.isValid())
        return backgroundStretched;

    backgroundArt = art;
    backgroundScale = pixelScale;
    // Opaque art (ours is, though stored with alpha) is kept as RGB, which blits without blending.
    backgroundStretched = juce::Image(isFullyOpaque(art) ? juce::Image::RGB : juce::Image::ARGB,
                                      juce::roundToInt((float)getWidth() * pixelScale),
                                      juce::roundToInt((float)getHeight() * pixelScale), true);
    juce::Graphics g(backgroundStretched);
    g.addTransform(juce::AffineTransform::scale(pixelScale));
    g.drawImage(art, getLocalBounds().toFloat(), juce::RectanglePlacement::stretchToFit);
    return backgroundStretched;
}

void MallowAudioProcessorEditor::resized()
{
    zoomSelector.zoomButton.setBounds(6, 6, 18, 18);
    zoomSelector.setBounds(6, 20, 80, 120);
}

void MallowAudioProcessorEditor::uiValueChanged(void* sender, int index, float value)
{
    auto& values = processorRef.paramValues;
    const auto setParameter = [this](int parameterIndex, float newValue)
    { processorRef.parameter(parameterIndex).setValueNotifyingHost(newValue); };

    if (sender == &gainInKnob || sender == &gainOutKnob)
    {
        const int parameterIndex = sender == &gainInKnob ? 0 : 1;
        setParameter(parameterIndex, value);
        values[(size_t)parameterIndex].store(value);
        return;
    }

    if (sender != &bandDisplay)
        return;

    switch (index)
    {
    case 0:
    {
        // The display moves crossover positions; the parameters hold their squares.
        const float squared = value * value;
        setParameter(2, squared);
        values[2].store(mallow::constrainLowFreq(squared, values[3].load()));
        break;
    }
    case 1:
    {
        const float squared = value * value;
        setParameter(3, squared);
        values[3].store(mallow::constrainMidFreq(squared, values[2].load()));
        break;
    }
    case 2:
    case 3:
    case 4:
        setParameter(index + 2, value);
        values[(size_t)index + 2].store(value);
        break;
    default:
        break;
    }
}

void MallowAudioProcessorEditor::timerCallback()
{
    const auto value = [this](int index) { return processorRef.paramValues[(size_t)index].load(); };
    const auto moved = [](float shown, float target) { return std::abs(target - shown) > refreshThreshold; };

    for (auto [knob, index] : {std::pair{&gainInKnob, 0}, std::pair{&gainOutKnob, 1}})
    {
        if (!knob->dragging && moved(knob->value, value(index)))
        {
            knob->value = value(index);
            knob->repaint();
        }
    }

    if (!bandDisplay.dragging)
    {
        for (auto [gain, index] : {std::pair{&bandDisplay.gainLow, 4}, std::pair{&bandDisplay.gainMid, 5},
                                   std::pair{&bandDisplay.gainHigh, 6}})
        {
            if (moved(*gain, value(index)))
            {
                *gain = value(index);
                bandDisplay.repaint();
            }
        }

        for (auto [position, index] : {std::pair{&bandDisplay.lowPos, 2}, std::pair{&bandDisplay.midPos, 3}})
        {
            const float target = std::sqrt(value(index));
            if (moved(*position, target))
            {
                *position = target;
                bandDisplay.positionHandles();
                bandDisplay.repaint();
            }
        }
    }

    const bool clipped = processorRef.outputClipped.exchange(0) != 0;

    float averages[mallow::saturation::numLevelKinds] = {};
    const int channels = processorRef.lastNumChannels.load();
    if (channels > 0)
    {
        const float share = 1.0f / (float)channels;
        for (int kind = 0; kind < mallow::saturation::numLevelKinds; ++kind)
            for (int channel = 0; channel < juce::jmin(channels, mallow::saturation::maxChannels); ++channel)
                averages[kind] += processorRef.levelWindows[kind][channel].rms.load() * share;
    }

    inputMeter.level = meterLevel(inputMeter.level, averages[mallow::saturation::inputLevel]);
    inputMeter.repaint();

    outputMeter.level = meterLevel(outputMeter.level, averages[mallow::saturation::outputLevel]);
    if (outputMeter.clipEnabled && clipped)
        outputMeter.clipLit = true;
    outputMeter.repaint();

    for (auto [level, kind] : {std::pair{&bandDisplay.levelLow, (int)mallow::saturation::lowBandLevel},
                               std::pair{&bandDisplay.levelMid, (int)mallow::saturation::midBandLevel},
                               std::pair{&bandDisplay.levelHigh, (int)mallow::saturation::highBandLevel}})
    {
        *level = bandLevel(*level, averages[kind]);
        bandDisplay.repaint();
    }
}
