#include "NamedImage.h"

#include <BinaryData.h>

#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
DisplayScaleProvider& scaleProvider()
{
    static DisplayScaleProvider provider;
    return provider;
}
NamedResourceLookup& resourceLookup()
{
    static NamedResourceLookup lookup;
    return lookup;
}
} // namespace

double primaryDisplayScale()
{
    if (const auto* display = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay())
        return display->scale;

    return 1.0;
}

void setDisplayScaleProvider(DisplayScaleProvider provider)
{
    scaleProvider() = std::move(provider);
}

void setNamedResourceLookup(NamedResourceLookup lookup)
{
    resourceLookup() = std::move(lookup);
}

juce::Image loadNamedImage(const char* baseName)
{
    const auto& provider = scaleProvider();
    const double scale = provider ? provider() : primaryDisplayScale();

    // Only a scale strictly above 1 takes the double-resolution art: 1.25 does, 1.0 doesn't.
    const auto identifier = juce::String(baseName) + (scale > 1.0 ? "2x_png" : "_png");

    int size = 0;
    const auto& lookup = resourceLookup();
    const char* data = lookup ? lookup(identifier.toRawUTF8(), size)
                              : BinaryData::getNamedResource(identifier.toRawUTF8(), size);

    // The cache keys decoded images by data address, so repeated fetches don't decode again.
    return juce::ImageCache::getFromMemory(data, size);
}
