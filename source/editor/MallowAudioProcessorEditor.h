#pragma once

#include "FreqSplit.h"
#include "NXKnob.h"
#include "NXPeak.h"
#include "NXUICallback.h"
#include "VTWindowZoom.h"

#include <juce_audio_processors/juce_audio_processors.h>

class MallowAudioProcessor;

// The plug-in's fixed 770 × 507 window. It holds no parameter state: user gestures arrive
// through uiValueChanged and go straight to the parameters and the processor's working
// copy, and a 30 ms timer pulls the working copy, the levels and the clip flag back into
// the controls. The processor creates it in createEditor; the host destroys it.
class MallowAudioProcessorEditor : public juce::AudioProcessorEditor, public NXUICallback, public juce::Timer
{
public:
    static constexpr int editorWidth = 770;
    static constexpr int editorHeight = 507;
    static constexpr int refreshIntervalMs = 30;

    explicit MallowAudioProcessorEditor(MallowAudioProcessor& owner);
    ~MallowAudioProcessorEditor() override;

    void paint(juce::Graphics& g) override;
    void resized() override;
    void uiValueChanged(void* sender, int index, float value) override;
    void timerCallback() override;

    // Members in the order that matters: the knobs borrow knobFont, so it comes first.
    MallowAudioProcessor& processorRef;
    juce::Font knobFont;
    NXKnob gainInKnob;
    NXKnob gainOutKnob;
    FreqSplit bandDisplay;
    NXPeak inputMeter;
    NXPeak outputMeter;
    VTWindowZoom zoomSelector;

private:
    // The background stretched to the window at the device's pixel scale, redrawn only when
    // the art or the scale changes: stretching the art on every paint cost most of the
    // editor's refresh time.
    const juce::Image& stretchedBackground(const juce::Image& art, float pixelScale);

    juce::Image backgroundArt;
    juce::Image backgroundStretched;
    float backgroundScale = 0.0f;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MallowAudioProcessorEditor)
};
