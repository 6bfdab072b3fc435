#pragma once

// An IBStream over bytes in memory, as a host hands a plug-in a saved state or collects one.
// It can leave out ISizeableStream: the wrapper then reads it block by block instead of
// sizing it first, which is a separate reading path worth covering.

#include "pluginterfaces/base/ibstream.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

namespace mallow::test
{

// SDK interfaces are released, never deleted through, so they have no virtual destructors.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class MemoryStream final : public Steinberg::IBStream, public Steinberg::ISizeableStream
{
public:
    enum class Sizing
    {
        sizeable,
        unsized
    };

    explicit MemoryStream(std::vector<std::uint8_t> initialBytes = {},
                          Sizing sizingToOffer = Sizing::sizeable)
        : bytes(std::move(initialBytes)), sizing(sizingToOffer)
    {
    }

    // The stream belongs to the test that made it, never to the references the plug-in
    // takes and drops, so reaching zero does not delete it.
    Steinberg::uint32 PLUGIN_API addRef() override { return (Steinberg::uint32)++references; }
    Steinberg::uint32 PLUGIN_API release() override { return (Steinberg::uint32)--references; }

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override
    {
        using Steinberg::FUnknownPrivate::iidEqual;

        if (iidEqual(iid, Steinberg::FUnknown::iid) || iidEqual(iid, Steinberg::IBStream::iid))
            return hand(static_cast<Steinberg::IBStream*>(this), obj);

        if (sizing == Sizing::sizeable && iidEqual(iid, Steinberg::ISizeableStream::iid))
            return hand(static_cast<Steinberg::ISizeableStream*>(this), obj);

        *obj = nullptr;
        return Steinberg::kNoInterface;
    }

    Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 numBytes,
                                       Steinberg::int32* numBytesRead) override
    {
        if (numBytes < 0 || (buffer == nullptr && numBytes > 0))
            return Steinberg::kInvalidArgument;

        const auto available = position < bytes.size() ? bytes.size() - position : 0;
        const auto count = std::min<std::size_t>(available, (std::size_t)numBytes);
        if (count > 0)
            std::memcpy(buffer, bytes.data() + position, count);

        position += count;
        if (numBytesRead != nullptr)
            *numBytesRead = (Steinberg::int32)count;

        return Steinberg::kResultOk;
    }

    Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 numBytes,
                                        Steinberg::int32* numBytesWritten) override
    {
        if (numBytes < 0 || (buffer == nullptr && numBytes > 0))
            return Steinberg::kInvalidArgument;

        if (position + (std::size_t)numBytes > bytes.size())
            bytes.resize(position + (std::size_t)numBytes);

        if (numBytes > 0)
            std::memcpy(bytes.data() + position, buffer, (std::size_t)numBytes);

        position += (std::size_t)numBytes;
        if (numBytesWritten != nullptr)
            *numBytesWritten = numBytes;

        return Steinberg::kResultOk;
    }

    Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode,
                                       Steinberg::int64* result) override
    {
        Steinberg::int64 base = 0;
        if (mode == kIBSeekCur)
            base = (Steinberg::int64)position;
        else if (mode == kIBSeekEnd)
            base = (Steinberg::int64)bytes.size();
        else if (mode != kIBSeekSet)
            return Steinberg::kInvalidArgument;

        const auto target = base + pos;
        if (target < 0)
            return Steinberg::kInvalidArgument;

        position = (std::size_t)target;
        if (result != nullptr)
            *result = target;

        return Steinberg::kResultOk;
    }

    Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override
    {
        if (pos == nullptr)
            return Steinberg::kInvalidArgument;

        *pos = (Steinberg::int64)position;
        return Steinberg::kResultOk;
    }

    Steinberg::tresult PLUGIN_API getStreamSize(Steinberg::int64& size) override
    {
        size = (Steinberg::int64)bytes.size();
        return Steinberg::kResultOk;
    }

    Steinberg::tresult PLUGIN_API setStreamSize(Steinberg::int64 size) override
    {
        if (size < 0)
            return Steinberg::kInvalidArgument;

        bytes.resize((std::size_t)size);
        return Steinberg::kResultOk;
    }

    const std::vector<std::uint8_t>& data() const noexcept { return bytes; }

    // References still held by whoever the stream was handed to.
    int outstandingReferences() const noexcept { return references - 1; }

private:
    template <typename Interface> Steinberg::tresult hand(Interface* face, void** obj)
    {
        addRef();
        *obj = face;
        return Steinberg::kResultOk;
    }

    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
    Sizing sizing;
    std::atomic<int> references{1};
};
#pragma GCC diagnostic pop

} // namespace mallow::test
