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

// The private data is a serialised juce::ValueTree, which the wrapper hands to the
// framework's reader. That reader follows the counts it finds: it loops over them,
// allocates by them and recurses into child trees and var arrays, so a few damaged bytes
// can exhaust the stack, the memory or minutes of time. The wrapper itself writes one
// flat tree holding the bypass flag. This walks the bytes exactly as that reader does
// (past the end every byte reads as 0) and passes flat trees of a few scalar properties.
class PrivateTreeReader
{
public:
    PrivateTreeReader(const std::uint8_t* bytes, std::size_t length) noexcept : data(bytes), size(length) {}

    bool isHarmlessTree() noexcept
    {
        if (!readString())
            return true; // an empty type name: the reader stops here

        const auto numProperties = readCompressedInt();
        if (numProperties < 0)
            return true; // the reader gives up on a negative count

        if (numProperties > maxProperties)
            return false;

        for (int i = 0; i < numProperties; ++i)
            if (readString() && !skipScalarVar())
                return false;

        // Children would be read recursively after reserving room for the count.
        return readCompressedInt() <= 0;
    }

private:
    static constexpr int maxProperties = 16; // the wrapper writes one

    enum Marker : std::uint8_t
    {
        intMarker = 1,
        trueMarker = 2,
        falseMarker = 3,
        doubleMarker = 4,
        stringMarker = 5,
        int64Marker = 6,
        arrayMarker = 7,
        binaryMarker = 8
    };

    std::size_t remaining() const noexcept { return size - position; }

    std::uint8_t readByte() noexcept { return position < size ? data[position++] : 0; }

    void skip(std::size_t count) noexcept { position += count < remaining() ? count : remaining(); }

    // True when the text read was not empty.
    bool readString() noexcept
    {
        bool empty = true;
        while (readByte() != 0)
            empty = false;
        return !empty;
    }

    int readCompressedInt() noexcept
    {
        const auto sizeByte = readByte();
        const int numBytes = sizeByte & 0x7f;
        if (numBytes == 0 || numBytes > 4)
            return 0;

        if (remaining() < std::size_t(numBytes))
        {
            skip(remaining());
            return 0;
        }

        std::uint32_t value = 0;
        for (int i = 0; i < numBytes; ++i)
            value |= std::uint32_t(readByte()) << (8 * i);

        return int((sizeByte & 0x80) != 0 ? 0u - value : value);
    }

    bool skipScalarVar() noexcept
    {
        const int numBytes = readCompressedInt();
        if (numBytes <= 0)
            return true; // read as an empty var, nothing more

        const auto payload = std::size_t(numBytes - 1);
        switch (readByte())
        {
        case trueMarker:
        case falseMarker:
            return true;
        case intMarker:
            skip(4);
            return true;
        case int64Marker:
        case doubleMarker:
            skip(8);
            return true;
        case arrayMarker:
            return false;
        case binaryMarker:
            // Allocated at the declared size before anything is read.
            if (payload > remaining())
                return false;
            skip(payload);
            return true;
        case stringMarker:
        default:
            skip(payload);
            return true;
        }
    }

    const std::uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
};
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
    if (size < framing || privateSize > size - framing)
        return false;

    // An empty private section is never parsed.
    const auto* privateData = data + size - privateDataMagicSize - 8 - privateSize;
    return privateSize == 0 || PrivateTreeReader(privateData, std::size_t(privateSize)).isHarmlessTree();
}

} // namespace mallow
