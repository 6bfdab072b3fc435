// VTGlobalSettings: the per-user folder made at construction, the file in the compressed
// binary properties form (C, P, R, P, then one zlib stream of a little-endian entry count and
// zero-terminated key/value texts), foreign keys kept across a save, unreadable files read as
// empty, and a location that cannot be written.

#include "MallowAudioProcessor.h"
#include "VTGlobalSettings.h"
#include "VTWindowZoom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace
{
using Entries = std::vector<std::pair<std::string, std::string>>;

juce::File applicationData()
{
    return juce::File::getSpecialLocation(juce::File::userApplicationDataDirectory);
}

// Where the settings go on this platform, spelled out independently of the code under test.
juce::File makerFolder()
{
#if JUCE_MAC
    return applicationData().getChildFile("Application Support").getChildFile("Vantorp");
#else
    return applicationData().getChildFile("Vantorp");
#endif
}

juce::File productFolder()
{
    return makerFolder().getChildFile("Mallow");
}

juce::File settingsFile()
{
    return productFolder().getChildFile("Mallow.settings");
}

juce::MemoryBlock bytesOf(const std::string& text)
{
    return juce::MemoryBlock(text.data(), text.size());
}

// Count, then key and value per entry, each text followed by its zero byte.
juce::MemoryBlock binaryPayload(const Entries& entries)
{
    juce::MemoryOutputStream out;
    out.writeInt(static_cast<int>(entries.size())); // little-endian
    for (const auto& [key, value] : entries)
    {
        out.write(key.c_str(), key.size() + 1);
        out.write(value.c_str(), value.size() + 1);
    }
    return out.getMemoryBlock();
}

std::string asText(const juce::MemoryBlock& block)
{
    return std::string(static_cast<const char*>(block.getData()), block.getSize());
}

juce::MemoryBlock compressedFile(const Entries& entries)
{
    juce::MemoryOutputStream out;
    out.write("CPRP", 4);
    {
        juce::GZIPCompressorOutputStream zipped(out, 9);
        const auto payload = binaryPayload(entries);
        zipped.write(payload.getData(), payload.getSize());
    }
    return out.getMemoryBlock();
}

juce::MemoryBlock uncompressedFile(const Entries& entries)
{
    juce::MemoryOutputStream out;
    out.write("PROP", 4);
    const auto payload = binaryPayload(entries);
    out.write(payload.getData(), payload.getSize());
    return out.getMemoryBlock();
}

juce::MemoryBlock xmlFile(const Entries& entries)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n";
    for (const auto& [key, value] : entries)
        xml += "  <VALUE name=\"" + key + "\" val=\"" + value + "\"/>\n";
    xml += "</PROPERTIES>\n";
    return bytesOf(xml);
}

struct DecodedFile
{
    std::string magic;
    std::vector<unsigned char> zlibHeader;
    std::vector<unsigned char> payload;
};

DecodedFile decode(const juce::File& file)
{
    juce::MemoryBlock content;
    file.loadFileAsData(content);
    DecodedFile decoded;
    if (content.getSize() < 6)
        return decoded;

    const auto* bytes = static_cast<const unsigned char*>(content.getData());
    decoded.magic.assign(reinterpret_cast<const char*>(bytes), 4);
    decoded.zlibHeader = {bytes[4], bytes[5]};

    juce::GZIPDecompressorInputStream unzipped(
        new juce::MemoryInputStream(bytes + 4, content.getSize() - 4, false), true,
        juce::GZIPDecompressorInputStream::zlibFormat);
    juce::MemoryBlock payload;
    unzipped.readIntoMemoryBlock(payload);
    const auto* first = static_cast<const unsigned char*>(payload.getData());
    decoded.payload.assign(first, first + payload.getSize());
    return decoded;
}

std::vector<unsigned char> expectedPayload(const Entries& entries)
{
    const auto block = binaryPayload(entries);
    const auto* first = static_cast<const unsigned char*>(block.getData());
    return {first, first + block.getSize()};
}

// A tree listing with sizes, to show that nothing at all was written.
std::vector<std::string> listing(const juce::File& root)
{
    std::vector<std::string> names;
    for (const auto& entry :
         juce::RangedDirectoryIterator(root, true, "*", juce::File::findFilesAndDirectories))
    {
        const auto name = entry.getFile().getRelativePathFrom(root).toStdString();
        names.push_back(entry.isDirectory() ? name + "/" : name + " " + std::to_string(entry.getFileSize()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

class GlobalSettings : public ::testing::Test
{
protected:
    GlobalSettings() { makerFolder().deleteRecursively(); }

    ~GlobalSettings() override
    {
        juce::Desktop::getInstance().setGlobalScaleFactor(1.0f);
        makerFolder().deleteRecursively();
    }

    static void writeSettingsFile(const juce::MemoryBlock& content)
    {
        ASSERT_TRUE(productFolder().createDirectory().wasOk());
        // replaceWithData deletes the file when given no bytes.
        if (content.isEmpty())
        {
            ASSERT_TRUE(settingsFile().create().wasOk());
        }
        else
        {
            ASSERT_TRUE(settingsFile().replaceWithData(content.getData(), content.getSize()));
        }
    }

    // The zoom selector placed in a stand-in for the editor, as the editor places it.
    struct Editor
    {
        explicit Editor(VTGlobalSettings& settings)
        {
            window.setBounds(0, 0, 770, 507);
            zoom.zoomButton.setBounds(6, 6, 18, 18);
            zoom.setBounds(6, 20, 80, 120);
            zoom.init(&window, &settings);
        }

        juce::Component window;
        VTWindowZoom zoom;
    };

    juce::ScopedJuceInitialiser_GUI gui;
};

TEST_F(GlobalSettings, FirstRunMakesTheFoldersButNoFile)
{
    ASSERT_FALSE(makerFolder().exists());
    {
        VTGlobalSettings settings("Mallow");
        EXPECT_EQ(settings.productName, "Mallow");
        EXPECT_EQ(settings.userFolder, productFolder());
        EXPECT_TRUE(makerFolder().isDirectory());
        EXPECT_TRUE(productFolder().isDirectory());
        EXPECT_EQ(settings.properties->getFile(), settingsFile());
        EXPECT_EQ(settings.properties->getValue("Zoom", "100"), "100");
    }
    // Nothing is written until a level is picked, not even when the store goes.
    EXPECT_EQ(listing(makerFolder()), std::vector<std::string>{"Mallow/"});
}

TEST_F(GlobalSettings, ChoosingAZoomWritesTheCompressedFormAtOnce)
{
    VTGlobalSettings settings("Mallow");
    Editor editor(settings);
    editor.zoom.chooseLevel(3);

    ASSERT_TRUE(settingsFile().existsAsFile()) << "the choice is saved at once, not when the store goes";
    const auto decoded = decode(settingsFile());
    EXPECT_EQ(decoded.magic, "CPRP");
    // zlib header for deflate with a 32 KiB window at the highest compression level.
    EXPECT_EQ(decoded.zlibHeader, (std::vector<unsigned char>{0x78, 0xDA}));
    const std::vector<unsigned char> expected{1, 0, 0, 0, 'Z', 'o', 'o', 'm', 0, '1', '5', '0', 0};
    EXPECT_EQ(decoded.payload, expected);
}

struct StoredFormCase
{
    const char* name;
    juce::MemoryBlock (*write)(const Entries&);
};

TEST_F(GlobalSettings, EveryStoredFormIsReadAndItsOtherKeysSurviveASave)
{
    // "zoom" in lower case is a key of its own: keys are compared case-sensitively.
    const Entries stored{{"Theme", "dark"}, {"zoom", "lowercase"}, {"Zoom", "150"}};
    const StoredFormCase cases[] = {
        {"compressed binary", compressedFile},
        {"uncompressed binary", uncompressedFile},
        {"XML", xmlFile},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        writeSettingsFile(c.write(stored));
        {
            VTGlobalSettings settings("Mallow");
            Editor editor(settings);
            EXPECT_FLOAT_EQ(juce::Desktop::getInstance().getGlobalScaleFactor(), 1.5f);
            EXPECT_TRUE(editor.zoom.items[3].selected);

            editor.zoom.chooseLevel(4);
            const auto decoded = decode(settingsFile());
            EXPECT_EQ(decoded.magic, "CPRP");
            EXPECT_EQ(decoded.payload,
                      expectedPayload({{"Theme", "dark"}, {"zoom", "lowercase"}, {"Zoom", "175"}}));
        }
        juce::Desktop::getInstance().setGlobalScaleFactor(1.0f);
        makerFolder().deleteRecursively();
    }
}

TEST_F(GlobalSettings, AFileInNoKnownFormReadsAsEmpty)
{
    const std::pair<const char*, std::string> cases[] = {
        {"plain text", "Zoom=150\n"},
        {"empty file", ""},
        {"XML with another root", "<SETTINGS><VALUE name=\"Zoom\" val=\"150\"/></SETTINGS>"},
        {"magic in lower case", "prop" + asText(binaryPayload({{"Zoom", "150"}}))},
        {"compressed magic over a broken stream", "CPRPthis is not a zlib stream"},
    };

    for (const auto& [name, content] : cases)
    {
        SCOPED_TRACE(name);
        writeSettingsFile(bytesOf(content));
        {
            VTGlobalSettings settings("Mallow");
            EXPECT_EQ(settings.properties->getAllProperties().size(), 0);
            Editor editor(settings);
            EXPECT_FLOAT_EQ(juce::Desktop::getInstance().getGlobalScaleFactor(), 1.0f);
            EXPECT_TRUE(editor.zoom.items[1].selected);
        }
        makerFolder().deleteRecursively();
    }
}

// Tests run as root, for whom permissions block nothing, so the location is made unwritable
// by putting the wrong kind of entry where the folder or the file must go.
TEST_F(GlobalSettings, AnUnwritableLocationKeepsTheZoomAndWritesNothing)
{
    const std::pair<const char*, void (*)()> cases[] = {
        {"a file where the product folder goes",
         []
         {
             ASSERT_TRUE(makerFolder().createDirectory().wasOk());
             ASSERT_TRUE(productFolder().replaceWithText("not a folder"));
         }},
        {"a folder where the settings file goes",
         [] { ASSERT_TRUE(settingsFile().createDirectory().wasOk()); }},
    };

    for (const auto& [name, block] : cases)
    {
        SCOPED_TRACE(name);
        block();
        const auto before = listing(makerFolder());
        {
            VTGlobalSettings settings("Mallow");
            Editor editor(settings);
            editor.zoom.showList();
            editor.zoom.chooseLevel(0);

            EXPECT_FLOAT_EQ(juce::Desktop::getInstance().getGlobalScaleFactor(), 0.75f);
            EXPECT_FLOAT_EQ(editor.zoom.factor, 0.75f);
            EXPECT_EQ(editor.zoom.getParentComponent(), nullptr) << "the list still closes";
            EXPECT_EQ(settings.properties->getValue("Zoom"), "75") << "the value stays in memory";
            EXPECT_EQ(listing(makerFolder()), before);
        }
        // The store tries once more as it goes, and fails the same way.
        EXPECT_EQ(listing(makerFolder()), before);
        EXPECT_FLOAT_EQ(juce::Desktop::getInstance().getGlobalScaleFactor(), 0.75f);

        juce::Desktop::getInstance().setGlobalScaleFactor(1.0f);
        makerFolder().deleteRecursively();
    }
}
TEST_F(GlobalSettings, EachProcessorReadsTheFileOnceWhenItIsCreated)
{
    writeSettingsFile(compressedFile({{"Zoom", "150"}}));
    MallowAudioProcessor first;
    EXPECT_EQ(first.globalSettings.productName, "Mallow");
    EXPECT_EQ(first.globalSettings.properties->getFile(), settingsFile());
    EXPECT_EQ(first.globalSettings.properties->getValue("Zoom"), "150");

    // A later save by another instance reaches new processors only.
    writeSettingsFile(compressedFile({{"Zoom", "200"}}));
    MallowAudioProcessor second;
    EXPECT_EQ(second.globalSettings.properties->getValue("Zoom"), "200");
    EXPECT_EQ(first.globalSettings.properties->getValue("Zoom"), "150");
}
} // namespace
