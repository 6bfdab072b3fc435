#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

/** A VST3 plug-in loaded from its bundle through JUCE's hosting, the way a DAW loads it,
    set up for offline rendering at one sample rate and channel count.
    Create, use and destroy it on the message thread. */
class HostedPlugin
{
public:
    /** The bundle built with this tool, or the user's installed copy when that is missing. */
    static juce::File defaultBundle();

    /** Loads the bundle, sets a mono or stereo layout and prepares it. Throws RenderError. */
    HostedPlugin(const juce::File& bundle, double sampleRate, int numChannels, int maximumBlockSize);
    ~HostedPlugin();

    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    /** Sets a parameter by its host-visible name to a normalised value. Throws RenderError for
        a name the plug-in does not have. */
    void setParameter(const juce::String& name, float normalisedValue);

    /** Processes one block in place; the block holds exactly the prepared channel count. */
    void process(juce::AudioBuffer<float>& block);

    /** For example "Mallow 1.2.3 by Vantorp". */
    juce::String describe() const;

private:
    juce::AudioPluginFormatManager formats;
    juce::PluginDescription description;
    std::unique_ptr<juce::AudioPluginInstance> instance;
    juce::MidiBuffer noMidi;
};
