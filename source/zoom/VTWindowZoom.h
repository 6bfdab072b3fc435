#pragma once

#include "VTGlobalSettings.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>

// The zoom menu in the editor's top-left corner: a small button that opens a list of six
// zoom levels, and a transparent backdrop over the whole editor that closes the list on a
// press outside it. The zoom is the desktop's global scale factor, so it applies to every
// editor in the process; the chosen level is remembered under "Zoom" in the global settings.
// This component is the list panel itself; it and the backdrop are children of the editor
// only while the list is open.
class VTWindowZoom : public juce::Component
{
public:
    static constexpr int numLevels = 6;
    static const std::array<int, numLevels> levelPercents;

    // Transparent, covers the whole editor while the list is open, so that a press anywhere
    // outside the list closes it without reaching the control beneath.
    class Plate : public juce::Component
    {
    public:
        ~Plate() override;
        void mouseDown(const juce::MouseEvent& event) override;
        void paint(juce::Graphics& g) override;

        std::function<void()> onMouseDown;
    };

    // One row of the list. The row of the zoom in force is selected and ignores clicks.
    class ListItem : public juce::Component
    {
    public:
        ~ListItem() override;
        void mouseDown(const juce::MouseEvent& event) override;
        void mouseUp(const juce::MouseEvent& event) override;
        void paint(juce::Graphics& g) override;

        std::function<void(int)> onSelect;
        bool pressed = false;
        bool selected = false;
        juce::String text;
        juce::int32 index = 0;
    };

    class ZoomBtn : public juce::Component
    {
    public:
        ZoomBtn();
        ~ZoomBtn() override;
        void mouseDown(const juce::MouseEvent& event) override;
        void mouseUp(const juce::MouseEvent& event) override;
        void paint(juce::Graphics& g) override;

        std::function<void()> onClick;
        bool pressed = false;
        // Index 0 is shown while pressed, index 1 otherwise.
        std::array<juce::Image, 2> images;
    };

    VTWindowZoom();
    ~VTWindowZoom() override;
    void paint(juce::Graphics& g) override;
    void resized() override;

    // Called once by the editor's constructor with the editor itself: binds the actions,
    // fills and marks the rows, puts the button into the editor and applies the remembered
    // zoom when it differs from the one this selector applied last.
    void init(juce::Component* parentComponentToUse, VTGlobalSettings* settingsToUse);

    // The remembered factor, or the current one when "Zoom" is absent or out of 20..300 %.
    float readSavedZoom() const;

    void showList();
    void hideList();
    void chooseLevel(int levelIndex);

    const std::array<const char*, numLevels> labels{"75%", "100%", "125%", "150%", "175%", "200%"};
    Plate plate;
    std::array<ListItem, numLevels> items;
    float factor = 1.0f;
    juce::Component* parent = nullptr;
    VTGlobalSettings* settings = nullptr;
    ZoomBtn zoomButton;

private:
    JUCE_DECLARE_NON_COPYABLE(VTWindowZoom)
};
