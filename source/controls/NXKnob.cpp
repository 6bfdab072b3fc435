#include "NXKnob.h"

NXKnob::NXKnob()
{
    setSize(600, 400);
}

NXKnob::~NXKnob() = default;

void NXKnob::mouseDown(const juce::MouseEvent& event)
{
    lastDragY = static_cast<float>(event.getMouseDownY());
    dragging = true;
}

void NXKnob::mouseDrag(const juce::MouseEvent& event)
{
    const auto y = static_cast<float>(event.y);
    auto delta = static_cast<float>(static_cast<double>(y - lastDragY) * 0.0035);

    if (event.mods.isAltDown())
        delta *= 0.1f;

    value = juce::jlimit(0.0f, 1.0f, value - delta);
    lastDragY = y;

    // Reported on every drag event, also when the clamp kept the value where it was.
    if (callback != nullptr)
        callback->uiValueChanged(this, 0, value);

    repaint();
}

void NXKnob::mouseUp(const juce::MouseEvent&)
{
    dragging = false;
}

void NXKnob::paint(juce::Graphics& g)
{
    // The ring assumes a square knob and takes its size from the width alone.
    const auto width = getWidth();
    const float centre = static_cast<float>(width) * 0.5f;
    const float radius = centre - 2.0f;
    const auto valueAngle = static_cast<float>(static_cast<double>(value) * 2.0 * 3.141592653589793);

    // Angle 0 is twelve o'clock and angles grow clockwise, so the arc starts at the top.
    juce::Path ring;
    ring.addCentredArc(centre, centre, radius, radius, 0.0f, 0.0f, valueAngle, true);
    g.setColour(juce::Colour(arcColour));
    g.strokePath(ring, juce::PathStrokeType(4.0f), juce::AffineTransform());

    ring.clear();
    ring.addCentredArc(centre, centre, radius, radius, 0.0f, valueAngle, 6.2831855f, true);
    g.setColour(juce::Colour(trackColour));
    g.strokePath(ring, juce::PathStrokeType(4.0f), juce::AffineTransform());

    if (font == nullptr)
        return;

    font->setHeight(static_cast<float>((width * 0.5 - 2.0) * 1.1));
    g.setFont(*font);
    g.setColour(juce::Colour(textColour));

    // The box is 12 pixels taller than the knob, which sets the number 6 pixels below centre.
    const auto text = juce::String::formatted("%i", static_cast<int>(value * 100.0f));
    g.drawFittedText(text, 0, 0, width, getHeight() + 12, juce::Justification::centred, 1);
}

void NXKnob::resized() {}
