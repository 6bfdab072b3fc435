#include "VTGlobalSettings.h"

#include "MallowIdentity.h"

namespace
{
juce::File makerFolder()
{
    auto folder = juce::File::getSpecialLocation(juce::File::userApplicationDataDirectory);
#if JUCE_MAC
    folder = folder.getChildFile("Application Support");
#endif
    return folder.getChildFile(mallow::identity::companyName);
}

void createIfMissing(const juce::File& folder)
{
    // A folder that cannot be made leaves the store empty; every save tries again.
    if (!folder.isDirectory())
        folder.createDirectory();
}

juce::PropertiesFile::Options storeOptions()
{
    juce::PropertiesFile::Options options;
    options.storageFormat = juce::PropertiesFile::storeAsCompressedBinary;
    options.ignoreCaseOfKeyNames = false;
    options.doNotSave = false;
    options.millisecondsBeforeSaving = 3000;
    options.commonToAllUsers = false;
    // Several hosts may share the file; the last save wins.
    options.processLock = nullptr;
    return options;
}
} // namespace

VTGlobalSettings::VTGlobalSettings(const juce::String& productNameToUse) : productName(productNameToUse)
{
    const auto maker = makerFolder();
    createIfMissing(maker);
    userFolder = maker.getChildFile(productName);
    createIfMissing(userFolder);

    properties = std::make_unique<juce::PropertiesFile>(userFolder.getChildFile(productName + ".settings"),
                                                        storeOptions());
}
