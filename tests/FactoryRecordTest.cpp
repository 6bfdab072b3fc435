// The bundle's class factory read byte for byte, as a host's scanner reads it: the factory
// record, the three class records in their ASCII and UTF-16 forms, and the compatibility
// class's answer. The binary is opened by hand (dlopen, ModuleEntry, GetPluginFactory).

#include "host/BundlePaths.h"
#include "host/MemoryStream.h"
#include "host/PluginModule.h"

#include "MallowIdentity.h"

#include "pluginterfaces/base/ipluginbase.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>
#include <memory>
#include <string>

namespace mallow::test
{
// The interface a host asks the compatibility class for: FUnknown's three methods, then
// this one. The SDK release in the framework does not declare it. Like every SDK interface
// it is released, never deleted through, so it has no virtual destructor. It lives outside
// the anonymous namespace: there the compiler, seeing no class that implements it, may
// turn calls through it into calls of the pure function.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ICompatibilityDocument : public Steinberg::FUnknown
{
public:
    virtual Steinberg::tresult PLUGIN_API getCompatibilityJSON(Steinberg::IBStream* stream) = 0;
};
#pragma GCC diagnostic pop
} // namespace mallow::test

namespace
{
using namespace Steinberg;
using mallow::test::ICompatibilityDocument;
using mallow::test::MemoryStream;
using mallow::test::PluginModule;

using ClassId = std::array<std::uint8_t, 16>;

constexpr ClassId effectClassId{'V', 'S', 'T', 'M', 'l', 'l', 'w', 'm', 'a', 'l', 'l', 'o', 'w', 0, 0, 0};
constexpr ClassId controllerClassId{'V', 'S', 'E', 'M', 'l', 'l', 'w', 'm', 'a', 'l', 'l', 'o', 'w', 0, 0, 0};
constexpr ClassId compatibilityClassId{0xAB, 0xCD, 0xEF, 0x01, 0xC0, 0xDE, 0xF0, 0x0D,
                                       'V',  'n',  't',  'p',  'M',  'l',  'l',  'w'};

const TUID compatibilityDocumentIid = INLINE_UID(0x4AFD4B6A, 0x35D7C240, 0xA5C31414, 0xFB7D15E6);

FIDString asFid(const ClassId& id)
{
    return reinterpret_cast<FIDString>(id.data());
}

struct ExpectedClass
{
    const char* role;
    ClassId id;
    const char* category;
    const char* subCategories;
};

const ExpectedClass expectedClasses[] = {
    {"effect", effectClassId, "Audio Module Class", "Fx"},
    {"controller", controllerClassId, "Component Controller Class", "Fx"},
    {"compatibility", compatibilityClassId, "Plugin Compatibility Class", ""},
};

// The text, its terminator and nothing but zeros after it, to the end of the field.
template <typename Char, std::size_t size>
testing::AssertionResult holdsPaddedText(const Char (&field)[size], const char* expected)
{
    const auto length = std::strlen(expected);
    if (length >= size)
        return testing::AssertionFailure() << "\"" << expected << "\" does not fit " << size << " characters";

    for (std::size_t i = 0; i < length; ++i)
        if (field[i] != Char(static_cast<unsigned char>(expected[i])))
            return testing::AssertionFailure()
                   << "character " << i << " is " << int(field[i]) << ", expected '" << expected[i]
                   << "' of \"" << expected << "\"";

    for (std::size_t i = length; i < size; ++i)
        if (field[i] != 0)
            return testing::AssertionFailure() << "character " << i << " after \"" << expected << "\" is "
                                               << int(field[i]) << ", not zero";

    return testing::AssertionSuccess();
}

testing::AssertionResult holdsClassId(const TUID actual, const ClassId& expected)
{
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (std::uint8_t(actual[i]) != expected[i])
            return testing::AssertionFailure()
                   << "byte " << i << " is 0x" << std::hex << int(std::uint8_t(actual[i])) << ", expected 0x"
                   << int(expected[i]);
    return testing::AssertionSuccess();
}

template <typename Interface> Interface* queryFrom(FUnknown* object, const TUID iid)
{
    void* result = nullptr;
    if (object == nullptr || object->queryInterface(iid, &result) != kResultOk)
        return nullptr;
    return static_cast<Interface*>(result);
}

class FactoryRecord : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        module = std::make_unique<PluginModule>(mallow::test::vst3BinaryPath());
        if (!module->isOpen())
            return;

        entered = module->enter();
        factory = module->factory();
        factory2 = queryFrom<IPluginFactory2>(factory, IPluginFactory2::iid);
        factory3 = queryFrom<IPluginFactory3>(factory, IPluginFactory3::iid);
    }

    static void TearDownTestSuite()
    {
        for (FUnknown* reference : {static_cast<FUnknown*>(factory3), static_cast<FUnknown*>(factory2),
                                    static_cast<FUnknown*>(factory)})
            if (reference != nullptr)
                reference->release();

        factory = nullptr;
        factory2 = nullptr;
        factory3 = nullptr;

        if (entered)
        {
            EXPECT_TRUE(module->leave()) << "ModuleExit";
        }
        module.reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(module->isOpen()) << module->loadError();
        ASSERT_TRUE(module->hasEntryPoints());
        ASSERT_TRUE(entered) << "ModuleEntry";
        ASSERT_NE(factory, nullptr);
        ASSERT_NE(factory2, nullptr);
        ASSERT_NE(factory3, nullptr);
    }

    static inline std::unique_ptr<PluginModule> module;
    static inline bool entered = false;
    static inline IPluginFactory* factory = nullptr;
    static inline IPluginFactory2* factory2 = nullptr;
    static inline IPluginFactory3* factory3 = nullptr;
};

TEST_F(FactoryRecord, NamesTheVendorAndOffersUnicodeRecords)
{
    PFactoryInfo info;
    std::memset(static_cast<void*>(&info), 0x5A, sizeof(info)); // what the factory leaves unwritten shows
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);

    EXPECT_TRUE(holdsPaddedText(info.vendor, "Vantorp"));
    EXPECT_TRUE(holdsPaddedText(info.url, mallow::identity::companyWebsite));
    EXPECT_TRUE(holdsPaddedText(info.email, mallow::identity::companyEmail));
    EXPECT_EQ(info.flags, 16); // kUnicode: the class records also come in UTF-16

    EXPECT_NE(factory->getFactoryInfo(nullptr), kResultOk);
}

TEST_F(FactoryRecord, OffersThreeClasses)
{
    EXPECT_EQ(factory->countClasses(), 3);
}

// Every field of a full class record, in either its 8-bit or its UTF-16 form.
template <typename Record, typename Expected>
void expectFullRecord(const Record& info, const Expected& expected)
{
    EXPECT_TRUE(holdsClassId(info.cid, expected.id));
    EXPECT_EQ(info.cardinality, 0x7FFFFFFF);
    EXPECT_TRUE(holdsPaddedText(info.category, expected.category));
    EXPECT_TRUE(holdsPaddedText(info.name, "Mallow"));
    EXPECT_EQ(info.classFlags, 0u);
    EXPECT_TRUE(holdsPaddedText(info.subCategories, expected.subCategories));
    EXPECT_TRUE(holdsPaddedText(info.vendor, "Vantorp"));
    EXPECT_TRUE(holdsPaddedText(info.version, "1.2.3"));
    EXPECT_TRUE(holdsPaddedText(info.sdkVersion, "VST 3.7.8"));
}

TEST_F(FactoryRecord, ClassRecordsInAsciiForm)
{
    for (int index = 0; index < 3; ++index)
    {
        const auto& expected = expectedClasses[index];
        SCOPED_TRACE(expected.role);

        PClassInfo2 info;
        std::memset(static_cast<void*>(&info), 0x5A, sizeof(info));
        ASSERT_EQ(factory2->getClassInfo2(index, &info), kResultOk);
        expectFullRecord(info, expected);

        // The first version of the record is the front of this one.
        PClassInfo first;
        std::memset(static_cast<void*>(&first), 0x5A, sizeof(first));
        ASSERT_EQ(factory->getClassInfo(index, &first), kResultOk);
        EXPECT_TRUE(holdsClassId(first.cid, expected.id));
        EXPECT_EQ(first.cardinality, 0x7FFFFFFF);
        EXPECT_TRUE(holdsPaddedText(first.category, expected.category));
        EXPECT_TRUE(holdsPaddedText(first.name, "Mallow"));
    }
}

TEST_F(FactoryRecord, ClassRecordsInUtf16Form)
{
    for (int index = 0; index < 3; ++index)
    {
        const auto& expected = expectedClasses[index];
        SCOPED_TRACE(expected.role);

        PClassInfoW info;
        std::memset(static_cast<void*>(&info), 0x5A, sizeof(info));
        ASSERT_EQ(factory3->getClassInfoUnicode(index, &info), kResultOk);
        expectFullRecord(info, expected);
    }
}

TEST_F(FactoryRecord, RefusesIndicesOutsideTheClassList)
{
    for (const int index : {3, 4, -1, 1000, INT_MIN, INT_MAX})
    {
        SCOPED_TRACE(index);
        PClassInfo info;
        PClassInfo2 info2;
        PClassInfoW infoW;
        EXPECT_NE(factory->getClassInfo(index, &info), kResultOk);
        EXPECT_NE(factory2->getClassInfo2(index, &info2), kResultOk);
        EXPECT_NE(factory3->getClassInfoUnicode(index, &infoW), kResultOk);
    }

    for (const int index : {0, 2})
    {
        SCOPED_TRACE(index);
        EXPECT_NE(factory->getClassInfo(index, nullptr), kResultOk);
        EXPECT_NE(factory2->getClassInfo2(index, nullptr), kResultOk);
        EXPECT_NE(factory3->getClassInfoUnicode(index, nullptr), kResultOk);
    }
}

TEST_F(FactoryRecord, HandsEveryCallerTheSameFactory)
{
    auto* first = module->factory();
    auto* second = module->factory();
    EXPECT_EQ(first, factory);
    EXPECT_EQ(second, factory);

    second->release();
    first->release();

    // Dropping every reference but the suite's leaves a working factory.
    auto* again = module->factory();
    EXPECT_EQ(again, factory);
    EXPECT_EQ(again->countClasses(), 3);
    again->release();
}

TEST_F(FactoryRecord, CompatibilityClassListsNoReplacedPlugins)
{
    void* object = nullptr;
    ASSERT_EQ(factory->createInstance(asFid(compatibilityClassId),
                                      reinterpret_cast<FIDString>(compatibilityDocumentIid), &object),
              kResultOk);
    ASSERT_NE(object, nullptr);
    auto* document = static_cast<ICompatibilityDocument*>(object);

    MemoryStream json;
    EXPECT_EQ(document->getCompatibilityJSON(&json), kResultOk);
    EXPECT_EQ(std::string(json.data().begin(), json.data().end()), "[]");
    EXPECT_EQ(json.outstandingReferences(), 0);

    EXPECT_NE(document->getCompatibilityJSON(nullptr), kResultOk);

    auto* unknown = queryFrom<FUnknown>(document, FUnknown::iid);
    EXPECT_NE(unknown, nullptr);
    if (unknown != nullptr)
        unknown->release();

    document->release();
}

TEST_F(FactoryRecord, CreatesNothingForUnknownClassesOrInterfaces)
{
    constexpr ClassId unknownClass{'N', 'o', 't', 'A', 'C', 'l', 'a', 's',
                                   's', 'O', 'f', 'O', 'u', 'r', 's', '!'};

    void* object = reinterpret_cast<void*>(1);
    EXPECT_NE(factory->createInstance(asFid(unknownClass), FUnknown::iid.toTUID(), &object), kResultOk);
    EXPECT_EQ(object, nullptr);

    // The compatibility class does not pretend to be a stream.
    object = reinterpret_cast<void*>(1);
    EXPECT_NE(factory->createInstance(asFid(compatibilityClassId), IBStream::iid.toTUID(), &object),
              kResultOk);
    EXPECT_EQ(object, nullptr);
}

} // namespace
