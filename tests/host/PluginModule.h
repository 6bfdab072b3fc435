#pragma once

// The VST3 bundle's binary opened the way a host opens it on Linux: dlopen, ModuleEntry with
// the library handle, then GetPluginFactory. Closing calls ModuleExit before dlclose.

#include "pluginterfaces/base/ipluginbase.h"

#include <dlfcn.h>
#include <string>

namespace mallow::test
{

class PluginModule
{
public:
    using EntryFunction = bool (*)(void*);
    using ExitFunction = bool (*)();
    using FactoryFunction = Steinberg::IPluginFactory* (*)();

    explicit PluginModule(const std::string& binaryPath)
    {
        handle = dlopen(binaryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr)
        {
            error = dlerror();
            return;
        }

        entry = symbol<EntryFunction>("ModuleEntry");
        exit = symbol<ExitFunction>("ModuleExit");
        getFactory = symbol<FactoryFunction>("GetPluginFactory");
    }

    ~PluginModule()
    {
        if (entered)
            leave();

        if (handle != nullptr)
            dlclose(handle);
    }

    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    bool isOpen() const noexcept { return handle != nullptr; }
    const std::string& loadError() const noexcept { return error; }

    template <typename Function> Function symbol(const char* name) const
    {
        return handle != nullptr ? reinterpret_cast<Function>(dlsym(handle, name)) : nullptr;
    }

    bool enter()
    {
        entered = entry != nullptr && entry(handle);
        return entered;
    }

    bool leave()
    {
        entered = false;
        return exit != nullptr && exit();
    }

    // A new reference to the module's factory; the caller releases it.
    Steinberg::IPluginFactory* factory() const { return getFactory != nullptr ? getFactory() : nullptr; }

    bool hasEntryPoints() const noexcept
    {
        return entry != nullptr && exit != nullptr && getFactory != nullptr;
    }

private:
    void* handle = nullptr;
    std::string error;
    EntryFunction entry = nullptr;
    ExitFunction exit = nullptr;
    FactoryFunction getFactory = nullptr;
    bool entered = false;
};

} // namespace mallow::test
