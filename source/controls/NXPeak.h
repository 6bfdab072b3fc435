#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// Horizontal segmented level meter with an optional latched clip mark. The owner writes
// `level` and sets `clipLit` on its refresh; a click clears the clip mark of a meter that has
// one. The strip image's pixel size is the meter's drawing size.
class NXPeak : public juce::Component
{
public:
    NXPeak();
    ~NXPeak() override;

    void mouseDown(const juce::MouseEvent& event) override;
    void paint(juce::Graphics& g) override;
    void resized() override;

    juce::Image image;
    bool clipEnabled = false;
    juce::Image clipImage;
    int clipGap = 0;
    float level = 0.0f;
    bool clipLit = false;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(NXPeak)
};
