#include "VTWindowZoom.h"

#include "BinaryData.h"

#include <cmath>

namespace
{
constexpr int rowHeight = 20;
const juce::Colour panelColour{0xFF000000};
const juce::Colour rowColour{0xFF000000};
const juce::Colour highlightedRowColour{0xFF555555};
const juce::Colour textColour{0xFFFFFFFF};

const char* const zoomKey = "Zoom";
const char* const defaultZoom = "100";
constexpr double lowestPercent = 20.0;
constexpr double highestPercent = 300.0;

float factorForPercent(int percent)
{
    return static_cast<float>(percent) * 0.01f;
}

bool releasedInside(const juce::Component& component, const juce::MouseEvent& event)
{
    const auto at = event.position;
    return at.x >= 0.0f && at.x < static_cast<float>(component.getWidth()) && at.y >= 0.0f &&
           at.y < static_cast<float>(component.getHeight());
}

void removeFrom(juce::Component* owner, juce::Component& child)
{
    if (owner != nullptr && child.getParentComponent() == owner)
        owner->removeChildComponent(&child);
}
} // namespace

const std::array<int, VTWindowZoom::numLevels> VTWindowZoom::levelPercents{75, 100, 125, 150, 175, 200};

//==============================================================================
VTWindowZoom::Plate::~Plate() = default;

void VTWindowZoom::Plate::mouseDown(const juce::MouseEvent&)
{
    // Closing on press, not release: the list is gone before the button comes up.
    if (onMouseDown)
        onMouseDown();
}

void VTWindowZoom::Plate::paint(juce::Graphics& g)
{
    g.fillAll(juce::Colour{0x00000000});
}

//==============================================================================
VTWindowZoom::ListItem::~ListItem() = default;

void VTWindowZoom::ListItem::mouseDown(const juce::MouseEvent&)
{
    if (selected)
        return;
    pressed = true;
    repaint();
}

void VTWindowZoom::ListItem::mouseUp(const juce::MouseEvent& event)
{
    pressed = false;
    if (selected)
        return;
    // Dragging off the row before letting go cancels the choice.
    if (releasedInside(*this, event) && onSelect)
        onSelect(index);
    repaint();
}

void VTWindowZoom::ListItem::paint(juce::Graphics& g)
{
    g.fillAll(selected || pressed ? highlightedRowColour : rowColour);
    g.setColour(textColour);
    g.setFont(juce::Font());
    g.drawText(text, getLocalBounds(), juce::Justification::centred, true);
}

//==============================================================================
VTWindowZoom::ZoomBtn::ZoomBtn()
    : images{
          juce::ImageCache::getFromMemory(BinaryData::windowzoom_png, BinaryData::windowzoom_pngSize),
          juce::ImageCache::getFromMemory(BinaryData::windowzoomidle_png, BinaryData::windowzoomidle_pngSize)}
{
}

VTWindowZoom::ZoomBtn::~ZoomBtn() = default;

void VTWindowZoom::ZoomBtn::mouseDown(const juce::MouseEvent&)
{
    pressed = true;
    repaint();
}

void VTWindowZoom::ZoomBtn::mouseUp(const juce::MouseEvent& event)
{
    pressed = false;
    if (releasedInside(*this, event) && onClick)
        onClick();
    repaint();
}

void VTWindowZoom::ZoomBtn::paint(juce::Graphics& g)
{
    const auto& image = images[pressed ? 0 : 1];
    if (!image.isValid())
        return;

    // The artwork is larger than the button: stretch it to fill the bounds exactly.
    const float scaleX =
        image.getWidth() > 0 ? static_cast<float>(getWidth()) / static_cast<float>(image.getWidth()) : 1.0f;
    const float scaleY = image.getHeight() > 0
                             ? static_cast<float>(getHeight()) / static_cast<float>(image.getHeight())
                             : 1.0f;
    g.setOpacity(1.0f);
    g.drawImageTransformed(image, juce::AffineTransform::scale(scaleX, scaleY));
}

//==============================================================================
VTWindowZoom::VTWindowZoom() = default;

// The children remove themselves from the editor as they go; neither the desktop's scale
// nor the settings are touched, so the zoom stays in force for later editors.
VTWindowZoom::~VTWindowZoom() = default;

void VTWindowZoom::paint(juce::Graphics& g)
{
    g.fillAll(panelColour);
}

void VTWindowZoom::resized()
{
    for (int i = 0; i < numLevels; ++i)
        items[(size_t)i].setBounds(0, rowHeight * i, getWidth(), rowHeight);
}

void VTWindowZoom::init(juce::Component* parentComponentToUse, VTGlobalSettings* settingsToUse)
{
    parent = parentComponentToUse;
    settings = settingsToUse;

    plate.onMouseDown = [this] { hideList(); };
    zoomButton.onClick = [this] { showList(); };

    for (int i = 0; i < numLevels; ++i)
    {
        auto& item = items[(size_t)i];
        item.text = labels[(size_t)i];
        item.index = i;
        item.selected = false;
        item.onSelect = [this](int chosen) { chooseLevel(chosen); };
        addAndMakeVisible(item);
    }

    // A remembered value between the levels (110 %) applies as it is but marks 100 %.
    const long savedPercent = std::lround(readSavedZoom() * 100.0f);
    size_t markedRow = 1;
    for (size_t i = 0; i < levelPercents.size(); ++i)
        if (levelPercents[i] == savedPercent)
            markedRow = i;
    for (size_t i = 0; i < items.size(); ++i)
    {
        items[i].selected = i == markedRow;
        items[i].repaint();
    }

    if (parent != nullptr)
        parent->addAndMakeVisible(zoomButton);

    const float saved = readSavedZoom();
    if (saved != factor)
    {
        factor = saved;
        juce::Desktop::getInstance().setGlobalScaleFactor(saved);
    }
}

float VTWindowZoom::readSavedZoom() const
{
    if (settings == nullptr || settings->properties == nullptr)
        return factor;

    const double percent = settings->properties->getValue(zoomKey, defaultZoom).getDoubleValue();
    // Written this way round so that a NaN also falls back to the current factor.
    if (!(percent >= lowestPercent && percent <= highestPercent))
        return factor;
    return static_cast<float>(percent) * 0.01f;
}

void VTWindowZoom::showList()
{
    if (parent == nullptr)
        return;

    plate.setBounds(0, 0, parent->getWidth(), parent->getHeight());
    parent->addAndMakeVisible(plate);
    parent->addAndMakeVisible(*this);
}

void VTWindowZoom::hideList()
{
    removeFrom(parent, plate);
    removeFrom(parent, *this);
}

void VTWindowZoom::chooseLevel(int levelIndex)
{
    if (levelIndex < 0 || levelIndex >= numLevels)
        return;

    for (size_t i = 0; i < items.size(); ++i)
    {
        items[i].selected = static_cast<int>(i) == levelIndex;
        items[i].repaint();
    }

    const int percent = levelPercents[(size_t)levelIndex];
    const float chosenFactor = factorForPercent(percent);

    // A save that fails (folder missing and not creatable) leaves the file as it was; the
    // zoom below applies regardless and lasts while the plug-in stays loaded.
    if (settings != nullptr && settings->properties != nullptr)
    {
        settings->properties->setValue(zoomKey, juce::String(percent));
        settings->properties->save();
    }

    factor = chosenFactor;
    juce::Desktop::getInstance().setGlobalScaleFactor(chosenFactor);
    hideList();
}
