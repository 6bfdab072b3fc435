#include "StateEnvelope.h"

#include <climits>
#include <cstring>

namespace mallow
{
namespace
{
std::uint32_t readBigEndian32(const std::uint8_t* p) noexcept
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

std::uint32_t readLittleEndian32(const std::uint8_t* p) noexcept
{
    return (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
}

std::uint64_t readLittleEndian64(const std::uint8_t* p) noexcept
{
    return (std::uint64_t(readLittleEndian32(p + 4)) << 32) | readLittleEndian32(p);
}

bool startsWith(const std::uint8_t* data, std::size_t size, const char (&tag)[5]) noexcept
{
    return size >= 4 && std::memcmp(data, tag, 4) == 0;
}

constexpr char privateDataMagic[] = "JUCEPrivateData";
constexpr std::size_t privateDataMagicSize = sizeof(privateDataMagic) - 1;
} // namespace

bool StateEnvelope::isWellFormed(const std::uint8_t* data, std::size_t size) noexcept
{
    if (size == 0)
        return true; // nothing to load, nothing to misread

    if (data == nullptr || size > std::size_t(INT_MAX))
        return false;

    if (startsWith(data, size, "VstW"))
        return isWellFormedVstW(data, size);

    if (startsWith(data, size, "CcnK"))
        return isWellFormedBank(data, size);

    if (startsWith(data, size, "VST3"))
        return isWellFormedPresetFile(data, size);

    return isWellFormedPrivateTrailer(data, size);
}

bool StateEnvelope::isWellFormedVstW(const std::uint8_t* data, std::size_t size) noexcept
{
    // 'VstW', the size of the rest of the header (8: version and bypass), then the bank.
    if (size < 16)
        return false;

    const std::uint64_t headerRest = readBigEndian32(data + 4);
    if (headerRest < 8 || headerRest + 8 > size)
        return false;

    const auto headerSize = std::size_t(headerRest + 8);
    return isWellFormedBank(data + headerSize, size - headerSize);
}

bool StateEnvelope::isWellFormedBank(const std::uint8_t* data, std::size_t size) noexcept
{
    if (size < bankHeaderSize)
        return false;

    if (!startsWith(data, size, "CcnK") || std::memcmp(data + 8, "FBCh", 4) != 0)
        return false;

    // The chunk's declared size sits just before the chunk; it must fit in what is there.
    const auto chunkSize = std::int32_t(readBigEndian32(data + bankHeaderSize - 4));
    if (chunkSize < 0 || std::size_t(chunkSize) > size - bankHeaderSize)
        return false;

    return isWellFormedPrivateTrailer(data + bankHeaderSize, std::size_t(chunkSize));
}

bool StateEnvelope::isWellFormedPresetFile(const std::uint8_t* data, std::size_t size) noexcept
{
    // 'VST3', version, 32-character class ID, then the offset of the chunk list.
    if (size < 48)
        return false;

    const std::uint64_t listOffset = readLittleEndian32(data + 40);
    if (listOffset + 8 > size || std::memcmp(data + listOffset, "List", 4) != 0)
        return false;

    const auto entryCount = std::int32_t(readLittleEndian32(data + listOffset + 4));
    if (entryCount < 0)
        return false;

    constexpr std::uint64_t entrySize = 20; // four-character ID, 64-bit offset, 64-bit size
    const std::uint64_t entriesBegin = listOffset + 8;
    if (entriesBegin + entrySize * std::uint64_t(entryCount) > size)
        return false;

    for (std::int32_t i = 0; i < entryCount; ++i)
    {
        const auto* entry = data + entriesBegin + entrySize * std::uint64_t(i);
        if (std::memcmp(entry, "Comp", 4) != 0)
            continue;

        const std::uint64_t chunkOffset = readLittleEndian64(entry + 4);
        const std::uint64_t chunkSize = readLittleEndian64(entry + 12);
        if (chunkOffset > size || chunkSize > size - chunkOffset)
            return false;

        // The wrapper reads every component chunk as a 'VstW' envelope.
        if (!startsWith(data + chunkOffset, std::size_t(chunkSize), "VstW")
            || !isWellFormedVstW(data + chunkOffset, std::size_t(chunkSize)))
            return false;
    }

    return true;
}

bool StateEnvelope::isWellFormedPrivateTrailer(const std::uint8_t* data, std::size_t size) noexcept
{
    // Layout: blob, 64-bit zero, private data, its 64-bit size, "JUCEPrivateData".
    // Without the closing magic the whole is taken as the blob, which is always safe.
    if (size < privateDataMagicSize + 8
        || std::memcmp(data + size - privateDataMagicSize, privateDataMagic, privateDataMagicSize) != 0)
        return true;

    const std::uint64_t privateSize = readLittleEndian64(data + size - privateDataMagicSize - 8);
    const std::uint64_t framing = privateDataMagicSize + 8 + 8;
    return size >= framing && privateSize <= size - framing;
}

} // namespace mallow
