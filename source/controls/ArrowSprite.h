#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// A grip drawn as one bitmap stretched over its bounds. It keeps no value: every press, drag
// and release on it goes to the delegate together with the handle's index.
class ArrowSprite : public juce::Component
{
public:
    class Delegate
    {
    public:
        virtual ~Delegate() = default;
        virtual void arrowMouseDown(int index, const juce::MouseEvent& event) = 0;
        // The event's positions are relative to the handle.
        virtual void arrowMouseDrag(int index, const juce::MouseEvent& event) = 0;
        virtual void arrowMouseUp() = 0;
    };

    ArrowSprite();
    ~ArrowSprite() override;

    void mouseDown(const juce::MouseEvent& event) override;
    void mouseDrag(const juce::MouseEvent& event) override;
    void mouseUp(const juce::MouseEvent& event) override;
    void paint(juce::Graphics& g) override;

    juce::Image image;
    Delegate* delegate = nullptr; // borrowed; gestures go nowhere until it is set
    int index = 0;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ArrowSprite)
};
