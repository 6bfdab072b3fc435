#pragma once

// The component state that the VST3 wrapper writes, as a host stores it:
//   'VstW' header, 16 bytes: magic, header size 8, version 1, bypass (big-endian int32s);
//   fxBank header, 160 bytes: 'CcnK', byte size, 'FBCh', version 2, fx ID 'Mllw',
//     fx version 0x00010203, program count, 128 reserved bytes, chunk size (big-endian,
//     the last 4 bytes of the bank header);
//   chunk: the plug-in's 28-byte blob (seven little-endian floats), a zero int64, the
//     wrapper's private data, its int64 size, then "JUCEPrivateData".

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace mallow::test::saved_state
{

using Bytes = std::vector<std::uint8_t>;
using Values = std::array<float, 7>;

inline constexpr std::size_t headerSize = 16;
inline constexpr std::size_t bankSize = 160;
inline constexpr std::size_t chunkSizeOffset = headerSize + 156;
inline constexpr std::size_t blobOffset = headerSize + bankSize;
inline constexpr std::size_t blobSize = 28;
inline constexpr char privateDataMagic[] = "JUCEPrivateData";
inline constexpr std::size_t privateDataMagicSize = sizeof(privateDataMagic) - 1;

inline std::uint32_t bigEndian32(const Bytes& bytes, std::size_t offset)
{
    return (std::uint32_t(bytes[offset]) << 24) | (std::uint32_t(bytes[offset + 1]) << 16) |
           (std::uint32_t(bytes[offset + 2]) << 8) | std::uint32_t(bytes[offset + 3]);
}

inline std::uint32_t fourCharacters(const char (&code)[5])
{
    return (std::uint32_t(std::uint8_t(code[0])) << 24) | (std::uint32_t(std::uint8_t(code[1])) << 16) |
           (std::uint32_t(std::uint8_t(code[2])) << 8) | std::uint32_t(std::uint8_t(code[3]));
}

inline float littleEndianFloat(const Bytes& bytes, std::size_t offset)
{
    const std::uint32_t bits = std::uint32_t(bytes[offset]) | (std::uint32_t(bytes[offset + 1]) << 8) |
                               (std::uint32_t(bytes[offset + 2]) << 16) |
                               (std::uint32_t(bytes[offset + 3]) << 24);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

inline void putLittleEndianFloat(Bytes& bytes, std::size_t offset, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    for (int i = 0; i < 4; ++i)
        bytes[offset + (std::size_t)i] = std::uint8_t(bits >> (8 * i));
}

inline Values blobValues(const Bytes& state)
{
    Values values{};
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = littleEndianFloat(state, blobOffset + 4 * i);
    return values;
}

inline void setBlobValues(Bytes& state, const Values& values)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        putLittleEndianFloat(state, blobOffset + 4 * i, values[i]);
}

// Every fixed field of the envelope, with the bypass flag as given.
inline testing::AssertionResult isWrapperEnvelope(const Bytes& state, bool bypassed = false)
{
    const auto field = [&](std::size_t offset, std::uint32_t expected, const char* name)
    {
        const auto actual = bigEndian32(state, offset);
        return actual == expected ? testing::AssertionSuccess()
                                  : testing::AssertionFailure()
                                        << name << " at byte " << offset << " is 0x" << std::hex << actual
                                        << ", expected 0x" << expected;
    };

    constexpr std::size_t trailerSize = 8 + 8 + privateDataMagicSize;
    if (state.size() < blobOffset + blobSize + trailerSize)
        return testing::AssertionFailure() << "only " << state.size() << " bytes";

    const auto chunkSize = state.size() - blobOffset;

    for (auto check :
         {field(0, fourCharacters("VstW"), "header magic"), field(4, 8, "header size"),
          field(8, 1, "header version"), field(12, bypassed ? 1 : 0, "bypass flag"),
          field(headerSize, fourCharacters("CcnK"), "bank magic"),
          field(headerSize + 4, std::uint32_t(bankSize - 8 + chunkSize), "bank byte size"),
          field(headerSize + 8, fourCharacters("FBCh"), "bank type"),
          field(headerSize + 12, 2, "bank version"), field(headerSize + 16, fourCharacters("Mllw"), "fx ID"),
          field(headerSize + 20, 0x00010203, "fx version"),
          field(chunkSizeOffset, std::uint32_t(chunkSize), "chunk size")})
        if (!check)
            return check;

    for (std::size_t i = headerSize + 28; i < headerSize + 28 + 128; ++i)
        if (state[i] != 0)
            return testing::AssertionFailure() << "reserved bank byte " << i << " is not zero";

    // The blob is followed by the wrapper's zero int64, which older readers take as its end.
    for (std::size_t i = blobOffset + blobSize; i < blobOffset + blobSize + 8; ++i)
        if (state[i] != 0)
            return testing::AssertionFailure() << "byte " << i << " after the blob is not zero";

    if (std::memcmp(state.data() + state.size() - privateDataMagicSize, privateDataMagic,
                    privateDataMagicSize) != 0)
        return testing::AssertionFailure() << "the chunk does not end with " << privateDataMagic;

    return testing::AssertionSuccess();
}

} // namespace mallow::test::saved_state
