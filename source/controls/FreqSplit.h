#pragma once

#include "ArrowSprite.h"
#include "NXUICallback.h"

#include <juce_gui_basics/juce_gui_basics.h>

// The three bands side by side: the column boundaries are the crossovers, the solid part of
// each column its gain, and a translucent bar in each column its level. Dragging moves a
// crossover (on its line or its arrow handle), both crossovers (inside the middle band) or a
// band's gain (on the top edge of its solid part). Positions are fractions of the width and
// gains fractions of the height; the owner converts them to and from parameter values.
//
// The handles are members but children of the owner, so positionHandles() places them in
// the parent's coordinates.
class FreqSplit : public juce::Component, public ArrowSprite::Delegate
{
public:
    enum DragTarget
    {
        noTarget = -1,
        lowCrossover = 0,
        midCrossover = 1,
        lowGain = 2,
        midGain = 3,
        highGain = 4,
        bothCrossovers = 5
    };

    FreqSplit();
    ~FreqSplit() override;

    void mouseDown(const juce::MouseEvent& event) override;
    void mouseDrag(const juce::MouseEvent& event) override;
    void mouseUp(const juce::MouseEvent& event) override;
    void paint(juce::Graphics& g) override;
    void resized() override;

    void arrowMouseDown(int index, const juce::MouseEvent& event) override;
    void arrowMouseDrag(int index, const juce::MouseEvent& event) override;
    void arrowMouseUp() override;

    void positionHandles();

    NXUICallback* callback = nullptr; // borrowed; without it drags move the display silently
    float lowPos = 0.3f;
    float midPos = 0.7f;
    float gainLow = 0.3f;
    float gainMid = 0.8f;
    float gainHigh = 0.4f;
    int dragTarget = noTarget;
    float lastScreenX = 0.0f;
    float lastScreenY = 0.0f;
    juce::Image bandMeterImage;
    juce::Image bandMeterLitImage;
    juce::Image loImage;
    juce::Image midImage;
    juce::Image hiImage;
    float levelLow = 0.0f;
    float levelMid = 0.0f;
    float levelHigh = 0.0f;
    ArrowSprite lowHandle;
    ArrowSprite midHandle;
    bool dragging = false;

    static constexpr float minCrossover = 0.15f;
    static constexpr float maxCrossover = 0.85f;
    static constexpr float minCrossoverGap = 0.15f;
    static constexpr float minGain = 0.0001f;
    static constexpr float maxGain = 0.9999f;
    static constexpr int bandMeterHeight = 365;

private:
    void report(int index, float value);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(FreqSplit)
};
