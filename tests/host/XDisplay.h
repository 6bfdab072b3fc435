#pragma once

// A test's own connection to the X server the suite runs on: real pointer events through the
// XTest extension, the window tree, and pixels read back from the screen. Kept free of X
// headers, whose macros (None, Bool, Status...) clash with JUCE's names.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mallow::test
{

// What a JUCE application does for itself before it opens windows, and a test host must do
// by hand: Xlib's thread support, and an error handler that ignores errors instead of ending
// the process (JUCE's windows set properties with atoms that a bare server may not have).
// Call before the first JUCE window or X connection.
void prepareXlibForHosting();

class XDisplay
{
public:
    // Opens $DISPLAY; isOpen() says whether that worked and XTest is there.
    XDisplay();
    ~XDisplay();

    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    bool isOpen() const noexcept;

    // Screen coordinates in physical pixels. Each call is flushed and synchronised, so the
    // server has queued the event for its window before the call returns.
    void movePointer(int x, int y);
    void pressLeftButton();
    void releaseLeftButton();

    // Whether any window in the tree (at any depth) has a WM_NAME or _NET_WM_NAME that
    // contains the fragment.
    bool hasWindowNamed(const std::string& fragment) const;

    // Opaque 0xAARRGGBB pixels of a screen rectangle, row by row; empty if it cannot be read.
    std::vector<std::uint32_t> grabScreen(int x, int y, int width, int height) const;

private:
    struct Connection;
    std::unique_ptr<Connection> connection;
};

} // namespace mallow::test
