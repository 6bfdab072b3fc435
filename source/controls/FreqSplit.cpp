#include "FreqSplit.h"

#include "NamedImage.h"

#include <cmath>

namespace
{
struct BandColours
{
    juce::uint32 upper;
    juce::uint32 lower;
    juce::uint32 grip;
};

constexpr BandColours lowColours{0x66a3495c, 0xffa3495c, 0xff6c4f5c};
constexpr BandColours midColours{0x66c5b05e, 0xffc5b05e, 0xff7b795c};
constexpr BandColours highColours{0x6666a27f, 0xff66a27f, 0xff54746a};

// One column: pale above the gain, solid below, and a grip line just under the solid top.
void paintBand(juce::Graphics& g, const BandColours& colours, float x, float width, float height, float gain,
               double centre)
{
    const float gainHeight = gain * height;

    juce::Path upper;
    upper.addRoundedRectangle(x, 0.0f, width, height - gainHeight, 2.0f, 2.0f, true, true, false, false);
    g.setColour(juce::Colour(colours.upper));
    g.fillPath(upper, juce::AffineTransform());

    juce::Path lower;
    lower.addRoundedRectangle(x, height - gainHeight, width, gainHeight, 2.0f, 2.0f, false, false, false,
                              false);
    g.setColour(juce::Colour(colours.lower));
    g.fillPath(lower, juce::AffineTransform());

    const auto left = static_cast<float>(centre - 15.0);
    const auto right = static_cast<float>(centre + 15.0);
    g.setColour(juce::Colour(colours.grip));
    if (right > left)
        g.drawHorizontalLine(static_cast<int>(height - gainHeight + 6.0f), left, right);
}

// The lit part of a level bar grows upward from the bottom of the bar.
void paintLitBar(juce::Graphics& g, const juce::Image& image, int x, float level)
{
    const float litHeight = level * static_cast<float>(FreqSplit::bandMeterHeight);
    const int top = static_cast<int>(static_cast<float>(FreqSplit::bandMeterHeight) - litHeight);
    const int height = static_cast<int>(litHeight);
    if (image.isValid() && height > 0)
        g.drawImage(image, x, top, 7, height, 0, top, 7, height);
}

void paintStretched(juce::Graphics& g, const juce::Image& image, float x, float y, float width, float height)
{
    if (image.isValid())
        g.drawImage(image, {x, y, width, height}, juce::RectanglePlacement::stretchToFit);
}
} // namespace

FreqSplit::FreqSplit()
{
    bandMeterImage = loadNamedImage("vuband");
    bandMeterLitImage = loadNamedImage("vuband");
    loImage = loadNamedImage("lo");
    midImage = loadNamedImage("mid");
    hiImage = loadNamedImage("hi");

    for (auto* handle : {&lowHandle, &midHandle})
    {
        handle->image = loadNamedImage("handtagspil");
        handle->delegate = this;
    }
    lowHandle.index = lowCrossover;
    midHandle.index = midCrossover;

    setSize(413, 365);
}

FreqSplit::~FreqSplit() = default;

void FreqSplit::mouseDown(const juce::MouseEvent& event)
{
    dragging = true;

    const auto press = event.getMouseDownPosition();
    const float fx = static_cast<float>(press.x) / static_cast<float>(getWidth());
    const float fy = static_cast<float>(press.y) / static_cast<float>(getHeight());

    // Crossovers win over gain edges, gain edges over the middle band; a tie between the two
    // crossovers goes to the low one.
    if (std::abs(fx - lowPos) < 0.02f)
        dragTarget = lowCrossover;
    else if (std::abs(fx - midPos) < 0.02f)
        dragTarget = midCrossover;
    else if (fx < lowPos && std::abs(fy - (1.0f - gainLow)) < 0.06f)
        dragTarget = lowGain;
    else if (fx > lowPos && fx < midPos && std::abs(fy - (1.0f - gainMid)) < 0.06f)
        dragTarget = midGain;
    else if (fx > midPos && std::abs(fy - (1.0f - gainHigh)) < 0.06f)
        dragTarget = highGain;
    else if (fx > lowPos && fx < midPos)
        dragTarget = bothCrossovers;
    else
        dragTarget = noTarget;

    const auto screen = event.getMouseDownScreenPosition();
    lastScreenX = static_cast<float>(screen.x);
    lastScreenY = static_cast<float>(screen.y);
}

void FreqSplit::mouseDrag(const juce::MouseEvent& event)
{
    // Screen coordinates, so that drags that began on a handle move the same way.
    const auto screen = event.getScreenPosition();
    const auto sx = static_cast<float>(screen.x);
    const auto sy = static_cast<float>(screen.y);

    float stepX = 1.0f / static_cast<float>(getWidth());
    float stepY = 1.0f / static_cast<float>(getHeight());
    if (event.mods.isAltDown())
    {
        stepX *= 0.1f;
        stepY *= 0.1f;
    }
    const float dx = sx - lastScreenX;
    const float dy = sy - lastScreenY;

    switch (dragTarget)
    {
    case lowCrossover:
    {
        float position = std::max(minCrossover, lowPos + stepX * dx);
        if (midPos - position < minCrossoverGap)
            position = midPos - minCrossoverGap;
        lowPos = position;
        report(0, lowPos);
        positionHandles();
        repaint();
        break;
    }
    case midCrossover:
    {
        float position = std::min(maxCrossover, midPos + stepX * dx);
        if (position - lowPos < minCrossoverGap)
            position = lowPos + minCrossoverGap;
        midPos = position;
        report(1, midPos);
        positionHandles();
        repaint();
        break;
    }
    case lowGain:
    case midGain:
    case highGain:
    {
        // Upward movement (negative dy) raises the gain.
        float& gain = dragTarget == lowGain ? gainLow : (dragTarget == midGain ? gainMid : gainHigh);
        gain = juce::jlimit(minGain, maxGain, gain - stepY * dy);
        report(dragTarget, gain);
        repaint();
        break;
    }
    case bothCrossovers:
    {
        // The middle band moves as a whole and keeps its width at either limit.
        const float span = midPos - lowPos;
        float low = lowPos + stepX * dx;
        float mid = midPos + stepX * dx;
        if (low < minCrossover)
        {
            low = minCrossover;
            mid = minCrossover + span;
        }
        if (mid > maxCrossover)
        {
            mid = maxCrossover;
            low = maxCrossover - span;
        }
        lowPos = low;
        midPos = mid;
        report(0, lowPos);
        report(1, midPos);
        positionHandles();
        repaint();
        break;
    }
    default:
        break;
    }

    lastScreenX = sx;
    lastScreenY = sy;
}

void FreqSplit::mouseUp(const juce::MouseEvent&)
{
    dragging = false;
    dragTarget = noTarget;
}

void FreqSplit::paint(juce::Graphics& g)
{
    const auto width = static_cast<float>(getWidth());
    const auto height = static_cast<float>(getHeight());
    const float xl = lowPos * width;
    const float xm = midPos * width;

    // Columns end one pixel short of each crossover and resume past it: 2-pixel gaps.
    paintBand(g, lowColours, 0.0f, xl - 1.0f, height, gainLow, static_cast<double>(xl) * 0.5);
    paintBand(g, midColours, xl + 1.0f, (xm - xl) - 1.0f, height, gainMid,
              static_cast<double>(xm - xl) * 0.5 + static_cast<double>(xl));
    paintBand(g, highColours, xm + 2.0f, (width - xm) - 2.0f, height, gainHigh,
              static_cast<double>(width - xm) * 0.5 + static_cast<double>(xm));

    const auto barHeight = static_cast<float>(bandMeterHeight);

    g.setOpacity(0.7f);
    paintStretched(g, bandMeterImage, 10.0f, 0.0f, 7.0f, barHeight);
    g.setOpacity(1.0f);
    paintStretched(g, loImage, 24.0f, height - 23.0f, 31.0f, 13.0f);
    paintLitBar(g, bandMeterLitImage, 10, levelLow);

    g.setOpacity(0.7f);
    paintStretched(g, bandMeterImage, xl + 10.0f, 0.0f, 7.0f, barHeight);
    g.setOpacity(1.0f);
    paintStretched(g, midImage, xl + 24.0f, height - 24.0f, 27.0f, 14.0f);
    paintLitBar(g, bandMeterLitImage, static_cast<int>(xl + 10.0f), levelMid);

    g.setOpacity(0.7f);
    paintStretched(g, bandMeterImage, xm + 10.0f, 0.0f, 7.0f, barHeight);
    g.setOpacity(1.0f);
    paintStretched(g, hiImage, xm + 24.0f, height - 24.0f, 35.0f, 17.0f);
    paintLitBar(g, bandMeterLitImage, static_cast<int>(xm + 10.0f), levelHigh);
}

void FreqSplit::resized() {}

void FreqSplit::arrowMouseDown(int index, const juce::MouseEvent& event)
{
    dragging = true;

    const auto screen = event.getMouseDownScreenPosition();
    lastScreenX = static_cast<float>(screen.x);
    lastScreenY = static_cast<float>(screen.y);

    if (index == lowCrossover || index == midCrossover)
        dragTarget = index;
}

void FreqSplit::arrowMouseDrag(int, const juce::MouseEvent& event)
{
    mouseDrag(event);
}

void FreqSplit::arrowMouseUp()
{
    // The target stays as it is; the next press chooses again.
    dragging = false;
}

void FreqSplit::positionHandles()
{
    const auto width = static_cast<float>(getWidth());
    const auto x = static_cast<float>(getX());
    const auto y = static_cast<float>(getY());

    // The handle art's tip is its column 7, so the tip points at the crossover line.
    lowHandle.setBounds(static_cast<int>(lowPos * width + x - 7.0f), static_cast<int>(y - 18.0f), 15, 13);
    midHandle.setBounds(static_cast<int>(midPos * width + x - 7.0f), static_cast<int>(y - 18.0f), 15, 13);
}

void FreqSplit::report(int index, float value)
{
    if (callback != nullptr)
        callback->uiValueChanged(this, index, value);
}
