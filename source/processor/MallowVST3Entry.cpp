// The VST3 bundle's entry point. The framework's wrapper is compiled here, with its factory
// function renamed, so that the factory the host sees can add what the wrapper lacks:
//  - a third class, the plug-in compatibility class, after the wrapper's effect and
//    controller classes;
//  - an effect component whose setState refuses a malformed state envelope before the
//    wrapper's unchecked reader touches it;
//  - bounds checks on class indices, and one factory kept for the life of the module.

#define GetPluginFactory juceGetPluginFactory
#include <juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp>
#undef GetPluginFactory

#if JucePlugin_Build_VST3

#include "PluginCompatibility.h"
#include "StateEnvelope.h"

namespace Steinberg
{
DEF_CLASS_IID(IPluginCompatibility)
}

namespace
{
using namespace Steinberg;

// Class ID AB CD EF 01 C0 DE F0 0D, then the manufacturer and plug-in codes.
const FUID compatibilityClassId(0xABCDEF01, 0xC0DEF00D, JucePlugin_ManufacturerCode, JucePlugin_PluginCode);
constexpr const char* compatibilityClassCategory = "Plugin Compatibility Class";

// Answers the host's question which older classes this plug-in replaces: none.
class MallowPluginCompatibility : public IPluginCompatibility
{
public:
    virtual ~MallowPluginCompatibility() = default;

    JUCE_DECLARE_VST3_COM_REF_METHODS

    tresult PLUGIN_API queryInterface(const TUID targetIID, void** obj) override
    {
        const auto result = juce::testForMultiple(*this, targetIID, juce::UniqueBase<IPluginCompatibility>{},
                                                  juce::UniqueBase<FUnknown>{});
        if (result.isOk())
            return result.extract(obj);

        *obj = nullptr;
        return kNoInterface;
    }

    tresult PLUGIN_API getCompatibilityJSON(IBStream* stream) override
    {
        if (stream == nullptr)
            return kInvalidArgument;

        static constexpr char emptyList[] = "[]";
        int32 written = 0;
        const auto status = stream->write(const_cast<char*>(emptyList), 2, &written);
        if (status != kResultOk)
            return status;

        return written == 2 ? kResultOk : kResultFalse;
    }

private:
    std::atomic<int> refCount{1};
};

// The wrapper's effect component, with its state reader put behind a check of the
// envelope's lengths: a malformed envelope is refused and changes nothing.
class GuardedVST3Component : public juce::JuceVST3Component
{
public:
    using juce::JuceVST3Component::JuceVST3Component;

    tresult PLUGIN_API setState(IBStream* state) override
    {
        if (state == nullptr)
            return kInvalidArgument;

        juce::MemoryBlock bytes;
        if (!readAsTheWrapperWill(*state, bytes))
            return kResultFalse;

        if (!mallow::StateEnvelope::isWellFormed(static_cast<const std::uint8_t*>(bytes.getData()),
                                                 bytes.getSize()))
            return kResultFalse;

        return juce::JuceVST3Component::setState(state);
    }

private:
    // Reads the stream the way the wrapper's own reader does (sized in one go when the
    // stream knows its size, in blocks otherwise), so that the check sees the very bytes
    // the wrapper will parse, then rewinds it for the wrapper. That includes the wrapper's
    // host quirks: in FL Studio it never trusts the stream's size, and in WaveLab it keeps
    // the bytes of a read that reports failure.
    static bool readAsTheWrapperWill(IBStream& state, juce::MemoryBlock& bytes)
    {
        if (state.seek(0, IBStream::kIBSeekSet, nullptr) != kResultTrue)
            return false;

        const auto& host = juce::getHostType();
        FUnknownPtr<ISizeableStream> sizeable(&state);
        int64 size = 0;

        if (!host.isFruityLoops() && sizeable != nullptr && sizeable->getStreamSize(size) == kResultOk
            && size > 0 && size < 1024 * 1024 * 100)
        {
            bytes.setSize(static_cast<size_t>(size));
            int32 bytesRead = 1;
            int length = 0;

            // Every read lands at the start of the block, as in the wrapper.
            for (; bytesRead > 0 && length < static_cast<int>(bytes.getSize()); length += bytesRead)
                if (state.read(bytes.getData(), static_cast<int32>(bytes.getSize()), &bytesRead) != kResultOk)
                    break;

            bytes.setSize(static_cast<size_t>(juce::jmax(0, length)));
        }
        else
        {
            juce::MemoryOutputStream all;
            char block[4096];

            for (;;)
            {
                int32 bytesRead = 0;
                const auto status = state.read(block, static_cast<int32>(sizeof(block)), &bytesRead);
                if (bytesRead <= 0 || (status != kResultTrue && !host.isWavelab())
                    || all.getDataSize() >= 0x7fffffff)
                    break;
                all.write(block, static_cast<size_t>(bytesRead));
            }

            bytes.replaceAll(all.getData(), all.getDataSize());
        }

        return state.seek(0, IBStream::kIBSeekSet, nullptr) == kResultTrue;
    }
};

FUnknown* createGuardedComponent(Vst::IHostApplication* host)
{
    return static_cast<Vst::IAudioProcessor*>(new GuardedVST3Component(host));
}

FUnknown* createCompatibilityObject()
{
    return static_cast<IPluginCompatibility*>(new MallowPluginCompatibility());
}

// The factory the bundle exports: the wrapper's two classes followed by ours. It is made
// once and lives as long as the module, so a host that releases it and asks again gets
// the same object.
class MallowPluginFactory : public IPluginFactory3
{
public:
    explicit MallowPluginFactory(IPluginFactory3* juceFactoryToWrap) : juceFactory(juceFactoryToWrap)
    {
        compatibilityInfoW.fromAscii(compatibilityInfo);
    }

    uint32 PLUGIN_API addRef() override { return (uint32) ++refCount; }

    // Never deleted: it belongs to the module, not to whoever released it last.
    uint32 PLUGIN_API release() override { return (uint32) juce::jmax(1, --refCount); }

    tresult PLUGIN_API queryInterface(const TUID targetIID, void** obj) override
    {
        const auto result = juce::testForMultiple(*this, targetIID, juce::UniqueBase<IPluginFactory3>{},
                                                  juce::UniqueBase<IPluginFactory2>{},
                                                  juce::UniqueBase<IPluginFactory>{}, juce::UniqueBase<FUnknown>{});
        if (result.isOk())
            return result.extract(obj);

        *obj = nullptr;
        return kNoInterface;
    }

    tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) override { return juceFactory->getFactoryInfo(info); }

    int32 PLUGIN_API countClasses() override { return juceClassCount() + 1; }

    tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) override
    {
        return classInfo(index, info, &IPluginFactory::getClassInfo, compatibilityInfo);
    }

    tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) override
    {
        return classInfo(index, info, &IPluginFactory2::getClassInfo2, compatibilityInfo);
    }

    tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) override
    {
        return classInfo(index, info, &IPluginFactory3::getClassInfoUnicode, compatibilityInfoW);
    }

    tresult PLUGIN_API createInstance(FIDString cid, FIDString sourceIid, void** obj) override
    {
        if (obj == nullptr)
            return kInvalidArgument;

        *obj = nullptr;

        if (cid == nullptr || sourceIid == nullptr)
            return kInvalidArgument;

        if (juce::doUIDsMatch(cid, juce::JuceVST3Component::iid.toTUID()))
            return createOwn(createGuardedComponent, sourceIid, obj);

        if (juce::doUIDsMatch(cid, compatibilityClassId.toTUID()))
            return createOwn([](Vst::IHostApplication*) { return createCompatibilityObject(); }, sourceIid, obj);

        return juceFactory->createInstance(cid, sourceIid, obj);
    }

    tresult PLUGIN_API setHostContext(FUnknown* context) override
    {
        host.loadFrom(context);
        return juceFactory->setHostContext(context);
    }

private:
    int32 juceClassCount() { return juceFactory->countClasses(); }

    template <typename Info, typename Getter, typename OwnInfo>
    tresult classInfo(int32 index, Info* info, Getter getter, const OwnInfo& ownInfo)
    {
        if (info == nullptr || index < 0 || index > juceClassCount())
            return kInvalidArgument;

        if (index < juceClassCount())
            return (juceFactory->*getter)(index, info);

        // The short records are prefixes of the long one, as in the SDK's own factories.
        std::memcpy(static_cast<void*>(info), &ownInfo, sizeof(Info));
        return kResultOk;
    }

    template <typename Create>
    tresult createOwn(Create create, FIDString sourceIid, void** obj)
    {
        // As the wrapper does: keep the framework and, on Linux, its message thread alive
        // while the object is made.
        juce::ScopedJuceInitialiser_GUI libraryInitialiser;
       #if JUCE_LINUX || JUCE_BSD
        juce::SharedResourcePointer<juce::MessageThread> messageThread;
       #endif

        TUID requestedIid;
        std::memcpy(requestedIid, sourceIid, sizeof(TUID));

        if (auto* instance = create(host.get()))
        {
            const FReleaser releaser(instance);
            if (instance->queryInterface(requestedIid, obj) == kResultOk)
                return kResultOk;
        }

        return kNoInterface;
    }

    IPluginFactory3* juceFactory;
    juce::VSTComSmartPtr<Vst::IHostApplication> host;
    std::atomic<int> refCount{1};

    const PClassInfo2 compatibilityInfo{compatibilityClassId.toTUID(),
                                        PClassInfo::kManyInstances,
                                        compatibilityClassCategory,
                                        JucePlugin_Name,
                                        0,
                                        "",
                                        JucePlugin_Manufacturer,
                                        JucePlugin_VersionString,
                                        kVstVersionString};
    PClassInfoW compatibilityInfoW;
};

} // namespace

extern "C" SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory()
{
    static MallowPluginFactory* const factory = [] {
        auto* juceFactory = dynamic_cast<Steinberg::IPluginFactory3*>(juceGetPluginFactory());
        return new MallowPluginFactory(juceFactory);
    }();

    factory->addRef();
    return factory;
}

#endif
