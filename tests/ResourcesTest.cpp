// The embedded artwork and fonts: every resource the editor asks for is compiled in and
// decodes to the size its layout assumes, and the named-image loader picks the variant that
// matches the display scale.

#include "NamedImage.h"

#include <BinaryData.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <string>

namespace
{
struct ImageResource
{
    const char* identifier;
    int width;
    int height;
    bool hasAlpha;
};

// Pixel sizes from the artwork's own dimensions; only the clip mark is stored without alpha.
const ImageResource imageCatalogue[] = {
    {"bg_png", 385, 254, true},        {"bg2x_png", 1540, 1014, true},
    {"vuband_png", 7, 365, true},      {"vuband2x_png", 14, 730, true},
    {"lo_png", 31, 13, true},          {"lo2x_png", 60, 24, true},
    {"mid_png", 27, 14, true},         {"mid2x_png", 52, 26, true},
    {"hi_png", 35, 17, true},          {"hi2x_png", 70, 33, true},
    {"handtagspil_png", 15, 13, true}, {"handtagspil2x_png", 30, 26, true},
    {"windowzoom_png", 32, 32, true},  {"windowzoomidle_png", 32, 32, true},
    {"meterstrip_png", 133, 18, true}, {"peak_png", 7, 18, false},
};

class Resources : public ::testing::Test
{
protected:
    void TearDown() override { setDisplayScaleProvider({}); }

    juce::ScopedJuceInitialiser_GUI gui;
};

TEST_F(Resources, EveryImageIsEmbeddedAndDecodesToItsSizeAndAlphaKind)
{
    for (const auto& resource : imageCatalogue)
    {
        SCOPED_TRACE(resource.identifier);
        int size = -1;
        const char* data = BinaryData::getNamedResource(resource.identifier, size);
        ASSERT_NE(data, nullptr);
        ASSERT_GT(size, 4);

        const auto image = juce::ImageFileFormat::loadFrom(data, static_cast<size_t>(size));
        ASSERT_TRUE(image.isValid());
        EXPECT_EQ(image.getWidth(), resource.width);
        EXPECT_EQ(image.getHeight(), resource.height);
        EXPECT_EQ(image.hasAlphaChannel(), resource.hasAlpha);
    }
}

TEST_F(Resources, BothFontsLoadAsTypefacesWithTheirNames)
{
    struct FontResource
    {
        const char* identifier;
        const char* family;
        const char* style;
    };
    const FontResource fonts[] = {{"CanterBold_otf", "Canter", "Bold"},
                                  {"InterRegular_ttf", "Inter", "Regular"}};

    for (const auto& font : fonts)
    {
        SCOPED_TRACE(font.identifier);
        int size = 0;
        const char* data = BinaryData::getNamedResource(font.identifier, size);
        ASSERT_NE(data, nullptr);

        const auto typeface = juce::Typeface::createSystemTypefaceFor(data, static_cast<size_t>(size));
        ASSERT_NE(typeface, nullptr);
        EXPECT_EQ(typeface->getName(), font.family);
        EXPECT_EQ(typeface->getStyle(), font.style);
    }
}

TEST_F(Resources, UnknownIdentifiersGiveNoDataAndSizeZero)
{
    for (const char* identifier : {"", "bg", "bg.png", "nothing_png", "BG_PNG", "peak_png_png"})
    {
        SCOPED_TRACE(identifier);
        int size = 123;
        EXPECT_EQ(BinaryData::getNamedResource(identifier, size), nullptr);
        EXPECT_EQ(size, 0);
    }
}

TEST_F(Resources, NamedImageFollowsTheDisplayScale)
{
    struct Case
    {
        double scale;
        int expectedWidth;
        int expectedHeight;
    };
    // Exactly 1 keeps the normal art; anything above it, fractional scales included, takes 2x.
    const Case cases[] = {
        {0.75, 385, 254}, {1.0, 385, 254}, {1.25, 1540, 1014}, {1.5, 1540, 1014}, {2.0, 1540, 1014}};

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.scale);
        setDisplayScaleProvider([scale = c.scale] { return scale; });
        const auto image = loadNamedImage("bg");
        ASSERT_TRUE(image.isValid());
        EXPECT_EQ(image.getWidth(), c.expectedWidth);
        EXPECT_EQ(image.getHeight(), c.expectedHeight);
    }
}

TEST_F(Resources, NamedImageIsInvalidForNamesOutsideTheCatalogue)
{
    // A full identifier is no base name: "lo_png" looks up "lo_png_png" or "lo_png2x_png".
    for (const double scale : {1.0, 2.0})
    {
        setDisplayScaleProvider([scale] { return scale; });
        for (const char* name : {"nothing", "lo_png", "BG", ""})
        {
            SCOPED_TRACE(std::string(name) + " at scale " + std::to_string(scale));
            EXPECT_FALSE(loadNamedImage(name).isValid());
        }
    }
}

TEST_F(Resources, SecondFetchIsServedFromTheCache)
{
    setDisplayScaleProvider([] { return 1.0; });
    const auto first = loadNamedImage("handtagspil");
    const auto second = loadNamedImage("handtagspil");
    ASSERT_TRUE(first.isValid());
    EXPECT_EQ(first.getPixelData(), second.getPixelData());

    // The other variant is a different resource and so a different image.
    setDisplayScaleProvider([] { return 2.0; });
    const auto doubled = loadNamedImage("handtagspil");
    ASSERT_TRUE(doubled.isValid());
    EXPECT_NE(doubled.getPixelData(), first.getPixelData());
    EXPECT_EQ(doubled.getWidth(), 30);
}
} // namespace
