#include "HostedPlugin.h"

#include "RenderError.h"

#include <filesystem>

namespace
{
std::string pathOf(const juce::File& file)
{
    return file.getFullPathName().toStdString();
}
} // namespace

juce::File HostedPlugin::defaultBundle()
{
    // The build hands us ".../Mallow.vst3/Contents/x86_64-linux/../..": juce::File keeps the
    // dots, so fold them away before using it as a bundle path.
    auto built = std::filesystem::path(MALLOW_DEFAULT_VST3_BUNDLE).lexically_normal();

    if (built.filename().empty()) // "a/b/" names the folder b
        built = built.parent_path();

    const juce::File builtBundle(juce::String(built.string()));

    if (builtBundle.isDirectory())
        return builtBundle;

    const auto installed = juce::File::getSpecialLocation(juce::File::userHomeDirectory)
                               .getChildFile(".vst3")
                               .getChildFile("Mallow.vst3");
    return installed.isDirectory() ? installed : builtBundle;
}

HostedPlugin::HostedPlugin(const juce::File& bundle, double sampleRate, int numChannels, int maximumBlockSize)
{
    if (!bundle.exists())
        throw RenderError("cannot load plug-in " + pathOf(bundle) + ": no such file or folder");

    formats.addFormat(new juce::VST3PluginFormat());
    auto& vst3 = *formats.getFormat(0);

    juce::OwnedArray<juce::PluginDescription> found;
    vst3.findAllTypesForFile(found, bundle.getFullPathName());

    if (found.isEmpty())
        throw RenderError("cannot load plug-in " + pathOf(bundle) + ": no VST3 effect found in it");

    description = *found.getFirst();

    juce::String error;
    instance = formats.createPluginInstance(description, sampleRate, maximumBlockSize, error);

    if (instance == nullptr)
        throw RenderError(
            "cannot load plug-in " + pathOf(bundle) + ": " +
            (error.isEmpty() ? std::string("the plug-in refused to start") : error.toStdString()));

    const auto channelSet =
        numChannels == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo();
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add(channelSet);
    layout.outputBuses.add(channelSet);

    if (!instance->setBusesLayout(layout))
        throw RenderError("the plug-in does not accept a " +
                          std::string(numChannels == 1 ? "mono" : "stereo") + " layout");

    instance->setNonRealtime(true);
    instance->prepareToPlay(sampleRate, maximumBlockSize);
}

HostedPlugin::~HostedPlugin()
{
    if (instance != nullptr)
        instance->releaseResources();
}

void HostedPlugin::setParameter(const juce::String& name, float normalisedValue)
{
    juce::StringArray known;

    for (auto* parameter : instance->getParameters())
    {
        const auto parameterName = parameter->getName(1024);

        if (parameterName == name)
        {
            parameter->setValueNotifyingHost(normalisedValue);
            return;
        }

        known.add("\"" + parameterName + "\"");
    }

    throw RenderError("unknown parameter \"" + name.toStdString() + "\"; the plug-in has " +
                      known.joinIntoString(", ").toStdString());
}

void HostedPlugin::process(juce::AudioBuffer<float>& block)
{
    noMidi.clear();
    instance->processBlock(block, noMidi);
}

juce::String HostedPlugin::describe() const
{
    return description.name + " " + description.version + " by " + description.manufacturerName;
}
