#pragma once

// Mouse events built by hand, delivered straight to a component's handlers: the drag maths
// can then be driven pixel by pixel without a window or a pointer.

#include <juce_gui_basics/juce_gui_basics.h>

namespace mallow::test
{
inline juce::MouseEvent mouseEvent(juce::Component& target, juce::Point<float> position,
                                   juce::Point<float> mouseDownPosition, juce::ModifierKeys mods = {})
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent(juce::Desktop::getInstance().getMainMouseSource(), position, mods,
                            juce::MouseInputSource::defaultPressure,
                            juce::MouseInputSource::defaultOrientation,
                            juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
                            juce::MouseInputSource::defaultTiltY, &target, &target, now, mouseDownPosition,
                            now, 1, position != mouseDownPosition);
}

// Positions are in the component's own coordinates; a drag event carries its press position.
inline void press(juce::Component& target, juce::Point<float> at, juce::ModifierKeys mods = {})
{
    target.mouseDown(mouseEvent(target, at, at, mods));
}

inline void dragTo(juce::Component& target, juce::Point<float> from, juce::Point<float> to,
                   juce::ModifierKeys mods = {})
{
    target.mouseDrag(mouseEvent(target, to, from, mods));
}

inline void release(juce::Component& target, juce::Point<float> from, juce::Point<float> at)
{
    target.mouseUp(mouseEvent(target, at, from));
}

const juce::ModifierKeys altHeld{juce::ModifierKeys::altModifier | juce::ModifierKeys::leftButtonModifier};
const juce::ModifierKeys leftButton{juce::ModifierKeys::leftButtonModifier};
} // namespace mallow::test
