#include "BundlePaths.h"

#include <juce_core/juce_core.h>

namespace mallow::test
{

std::string vst3BundlePath()
{
    // juce::File folds the trailing "/.." parts away.
    return juce::File(juce::String(MALLOW_VST3_BUNDLE)).getFullPathName().toStdString();
}

std::string vst3BinaryPath()
{
    return juce::File(juce::String(vst3BundlePath()))
        .getChildFile("Contents/x86_64-linux/Mallow.so")
        .getFullPathName()
        .toStdString();
}

std::string lv2BundlePath()
{
    return juce::File(juce::String(MALLOW_LV2_BUNDLE)).getFullPathName().toStdString();
}

} // namespace mallow::test
