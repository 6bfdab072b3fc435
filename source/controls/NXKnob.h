#pragma once

#include "NXUICallback.h"

#include <juce_gui_basics/juce_gui_basics.h>

// Rotary gain control drawn as a ring: a coloured arc as long as the value, a dark track for
// the rest and the value from 0 to 100 in the middle. Dragging upwards raises the value.
// The owner writes `value` directly (and repaints) whenever the user is not dragging.
class NXKnob : public juce::Component
{
public:
    NXKnob();
    ~NXKnob() override;

    void mouseDown(const juce::MouseEvent& event) override;
    void mouseDrag(const juce::MouseEvent& event) override;
    void mouseUp(const juce::MouseEvent& event) override;
    void paint(juce::Graphics& g) override;
    void resized() override;

    // Borrowed, shared between knobs; painting sets its height. Without it no text is drawn.
    juce::Font* font = nullptr;
    NXUICallback* callback = nullptr;
    float value = 0.5f;
    float lastDragY = 0.0f;
    bool dragging = false;

    static constexpr juce::uint32 arcColour = 0xff835198;
    static constexpr juce::uint32 trackColour = 0xff333c42;
    static constexpr juce::uint32 textColour = 0xffe9e9de;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(NXKnob)
};
