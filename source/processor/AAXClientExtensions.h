#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace VTKIT
{

// Per-plug-in hooks an AAX wrapper asks for. The framework version we build on has no such
// class, so this is our own with the same shape: a plug-in ID per main-bus layout and two
// text queries. The defaults defer to the framework's own ID computation, which lives on
// the processor, hence the borrowed processor reference.
class AAXClientExtensions
{
public:
    explicit AAXClientExtensions(const juce::AudioProcessor& processorForDefaults) noexcept;
    virtual ~AAXClientExtensions() = default;

    virtual juce::int32 getPluginIDForMainBusConfig(const juce::AudioChannelSet& mainInputLayout,
                                                    const juce::AudioChannelSet& mainOutputLayout,
                                                    bool idForAudioSuite) const;

    virtual juce::String getPageFileName() const;

    virtual juce::String getCustomPageName() const;

protected:
    juce::int32 getDefaultPluginID(const juce::AudioChannelSet& mainInputLayout,
                                   const juce::AudioChannelSet& mainOutputLayout, bool idForAudioSuite) const;

private:
    const juce::AudioProcessor& processor;
};

} // namespace VTKIT
