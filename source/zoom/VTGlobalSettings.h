#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <memory>

// The per-user settings of one product, shared by every instance in every host: a small
// key/value file in the user's application-data folder under the maker's name. Each
// processor owns one; the editor's zoom selector is its only reader and writer.
class VTGlobalSettings
{
public:
    explicit VTGlobalSettings(const juce::String& productNameToUse);

    juce::String productName;
    juce::File userFolder;
    std::unique_ptr<juce::PropertiesFile> properties;

private:
    JUCE_DECLARE_NON_COPYABLE(VTGlobalSettings)
};
