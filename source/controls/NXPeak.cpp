#include "NXPeak.h"

NXPeak::NXPeak()
{
    setSize(600, 400);
}

NXPeak::~NXPeak() = default;

void NXPeak::mouseDown(const juce::MouseEvent&)
{
    if (!clipEnabled)
        return;

    clipLit = false;
    repaint();
}

void NXPeak::paint(juce::Graphics& g)
{
    const int stripWidth = image.isValid() ? image.getWidth() : 0;
    const int stripHeight = image.isValid() ? image.getHeight() : 0;

    // Level 1.0 lights 90 % of the strip, so the last segment only lights on overshoot.
    const auto litWidth = static_cast<int>(static_cast<float>(level * 0.9 * stripWidth));

    g.setOpacity(0.08f);
    g.drawImageAt(image, 0, 0);

    // A lit width beyond the strip (levels up to 1.2) is clipped to the image itself.
    g.setOpacity(0.3f);
    if (litWidth > 0)
        g.drawImage(image, 0, 0, litWidth, stripHeight, 0, 0, litWidth, stripHeight);

    if (clipLit)
    {
        g.setOpacity(0.8f);
        g.drawImageAt(clipImage, stripWidth - 12 + clipGap, 0);
    }
}

void NXPeak::resized() {}
