#include "AAXClientExtensions.h"

namespace VTKIT
{

AAXClientExtensions::AAXClientExtensions(const juce::AudioProcessor& processorForDefaults) noexcept
    : processor(processorForDefaults)
{
}

juce::int32 AAXClientExtensions::getPluginIDForMainBusConfig(const juce::AudioChannelSet& mainInputLayout,
                                                             const juce::AudioChannelSet& mainOutputLayout,
                                                             bool idForAudioSuite) const
{
    return getDefaultPluginID(mainInputLayout, mainOutputLayout, idForAudioSuite);
}

juce::String AAXClientExtensions::getPageFileName() const
{
    return {};
}

juce::String AAXClientExtensions::getCustomPageName() const
{
    return {};
}

juce::int32 AAXClientExtensions::getDefaultPluginID(const juce::AudioChannelSet& mainInputLayout,
                                                    const juce::AudioChannelSet& mainOutputLayout,
                                                    bool idForAudioSuite) const
{
    // Call the base implementation explicitly: a processor overriding it must not loop back.
    return processor.juce::AudioProcessor::getAAXPluginIDForMainBusConfig(mainInputLayout, mainOutputLayout,
                                                                          idForAudioSuite);
}

} // namespace VTKIT
