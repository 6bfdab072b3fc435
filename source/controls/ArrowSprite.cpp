#include "ArrowSprite.h"

ArrowSprite::ArrowSprite() = default;

ArrowSprite::~ArrowSprite() = default;

void ArrowSprite::mouseDown(const juce::MouseEvent& event)
{
    if (delegate != nullptr)
        delegate->arrowMouseDown(index, event);
}

void ArrowSprite::mouseDrag(const juce::MouseEvent& event)
{
    if (delegate != nullptr)
        delegate->arrowMouseDrag(index, event);
}

void ArrowSprite::mouseUp(const juce::MouseEvent&)
{
    if (delegate != nullptr)
        delegate->arrowMouseUp();
}

void ArrowSprite::paint(juce::Graphics& g)
{
    if (!image.isValid())
        return;

    // Fill the bounds exactly, so the double-resolution art lands in the same box at half size.
    const float scaleX = image.getWidth() > 0 ? static_cast<float>(getWidth()) / image.getWidth() : 1.0f;
    const float scaleY = image.getHeight() > 0 ? static_cast<float>(getHeight()) / image.getHeight() : 1.0f;
    g.drawImageTransformed(image, juce::AffineTransform::scale(scaleX, scaleY));
}
