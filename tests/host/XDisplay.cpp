#include "XDisplay.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <functional>

namespace mallow::test
{

void prepareXlibForHosting()
{
    static const bool prepared = []
    {
        XInitThreads();
        XSetErrorHandler([](::Display*, XErrorEvent*) { return 0; });
        return true;
    }();
    (void)prepared;
}

struct XDisplay::Connection
{
    ::Display* display = nullptr;
    bool hasXTest = false;
};

XDisplay::XDisplay() : connection(std::make_unique<Connection>())
{
    connection->display = XOpenDisplay(nullptr);
    if (connection->display == nullptr)
        return;

    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    connection->hasXTest = XTestQueryExtension(connection->display, &eventBase, &errorBase, &major, &minor);
}

XDisplay::~XDisplay()
{
    if (connection->display != nullptr)
        XCloseDisplay(connection->display);
}

bool XDisplay::isOpen() const noexcept
{
    return connection->display != nullptr && connection->hasXTest;
}

void XDisplay::movePointer(int x, int y)
{
    XTestFakeMotionEvent(connection->display, -1, x, y, CurrentTime);
    XSync(connection->display, False);
}

void XDisplay::pressLeftButton()
{
    XTestFakeButtonEvent(connection->display, 1, True, CurrentTime);
    XSync(connection->display, False);
}

void XDisplay::releaseLeftButton()
{
    XTestFakeButtonEvent(connection->display, 1, False, CurrentTime);
    XSync(connection->display, False);
}

namespace
{
// The raw bytes of an 8-bit text property of any type: JUCE stores WM_NAME as UTF-8 text,
// which XFetchName (STRING only) refuses.
std::string textProperty(::Display* display, ::Window window, Atom property)
{
    Atom actualType = 0;
    int actualFormat = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &actualType,
                           &actualFormat, &count, &remaining, &data) == Success &&
        data != nullptr)
    {
        if (actualFormat == 8)
            text.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
    }
    return text;
}
} // namespace

bool XDisplay::hasWindowNamed(const std::string& fragment) const
{
    auto* display = connection->display;
    if (display == nullptr)
        return false;

    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);

    // Windows can vanish while the tree is walked; their queries just fail.
    std::function<bool(::Window)> search = [&](::Window window)
    {
        if (textProperty(display, window, XA_WM_NAME).find(fragment) != std::string::npos ||
            textProperty(display, window, netName).find(fragment) != std::string::npos)
            return true;

        ::Window root = 0, parent = 0;
        ::Window* children = nullptr;
        unsigned int numChildren = 0;
        if (XQueryTree(display, window, &root, &parent, &children, &numChildren) == 0)
            return false;

        bool found = false;
        for (unsigned int i = 0; i < numChildren && !found; ++i)
            found = search(children[i]);

        if (children != nullptr)
            XFree(children);
        return found;
    };

    return search(DefaultRootWindow(display));
}

std::vector<std::uint32_t> XDisplay::grabScreen(int x, int y, int width, int height) const
{
    auto* display = connection->display;
    if (display == nullptr || width <= 0 || height <= 0)
        return {};

    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned int>(width),
                              static_cast<unsigned int>(height), AllPlanes, ZPixmap);
    if (image == nullptr)
        return {};

    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
        {
            const auto pixel = XGetPixel(image, column, row);
            const auto red = (pixel & image->red_mask) >> __builtin_ctzl(image->red_mask);
            const auto green = (pixel & image->green_mask) >> __builtin_ctzl(image->green_mask);
            const auto blue = (pixel & image->blue_mask) >> __builtin_ctzl(image->blue_mask);
            pixels.push_back(0xff000000u | static_cast<std::uint32_t>((red << 16) | (green << 8) | blue));
        }

    XDestroyImage(image);
    return pixels;
}

} // namespace mallow::test
