#pragma once

#include <juce_graphics/juce_graphics.h>

#include <functional>

// Images that come in a normal and a double-resolution variant are fetched by base name
// ("bg", "lo", ...); the variant follows the primary display's scale at the time of the call.
// A name with no embedded image gives an invalid image, which callers simply don't draw.
juce::Image loadNamedImage(const char* baseName);

// Where loadNamedImage learns the display scale. The default asks juce::Desktop for the
// primary display (1 when there is none); tests install their own to choose the variant
// without a display. An empty function restores the default.
using DisplayScaleProvider = std::function<double()>;
void setDisplayScaleProvider(DisplayScaleProvider provider);
double primaryDisplayScale();

// Where loadNamedImage looks identifiers up. The default is the embedded resource table;
// tests install their own to stand for a build that lacks an image. An empty function
// restores the default.
using NamedResourceLookup = std::function<const char*(const char* identifier, int& size)>;
void setNamedResourceLookup(NamedResourceLookup lookup);
