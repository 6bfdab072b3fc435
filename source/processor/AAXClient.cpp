#include "AAXClient.h"

namespace VTKIT
{

AAXClient::AAXClient(const juce::AudioProcessor& processorForDefaults) noexcept
    : AAXClientExtensions(processorForDefaults)
{
}

juce::int32 AAXClient::getPluginIDForMainBusConfig(const juce::AudioChannelSet& mainInputLayout,
                                                   const juce::AudioChannelSet& mainOutputLayout,
                                                   bool idForAudioSuite) const
{
    if (idForAudioSuite)
        return getDefaultPluginID(mainInputLayout, mainOutputLayout, idForAudioSuite);

    const auto mono = juce::AudioChannelSet::mono();
    const auto stereo = juce::AudioChannelSet::stereo();

    if (mainInputLayout == mono && mainOutputLayout == mono)
        return monoPluginID;

    if (monoToStereoPluginID != -1 && mainInputLayout == mono && mainOutputLayout == stereo)
        return monoToStereoPluginID;

    if (mainInputLayout == stereo && mainOutputLayout == stereo)
        return stereoPluginID;

    return getDefaultPluginID(mainInputLayout, mainOutputLayout, idForAudioSuite);
}

} // namespace VTKIT
