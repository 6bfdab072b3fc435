#pragma once

#include "AAXClientExtensions.h"

namespace VTKIT
{

// Fixed AAX plug-in IDs for the layouts the product has always shipped with, so that
// sessions saved with them keep finding the plug-in. Other layouts get the default ID.
class AAXClient : public AAXClientExtensions
{
public:
    explicit AAXClient(const juce::AudioProcessor& processorForDefaults) noexcept;

    juce::int32 getPluginIDForMainBusConfig(const juce::AudioChannelSet& mainInputLayout,
                                            const juce::AudioChannelSet& mainOutputLayout,
                                            bool idForAudioSuite) const override;

    juce::int32 monoPluginID = 0x6A636161;   // 'jcaa'
    juce::int32 stereoPluginID = 0x6A636162; // 'jcab'
    juce::int32 monoToStereoPluginID = -1;   // no ID of its own
};

} // namespace VTKIT
