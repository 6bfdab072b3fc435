#pragma once

#include <cstddef>
#include <cstdint>

namespace mallow
{

// The VST3 wrapper stores our state blob inside a VST2-compatible envelope (a 'VstW'
// header, a 160-byte 'CcnK'/'FBCh' bank, the blob, then the wrapper's private data) and
// also accepts a whole 'VST3' preset file. Its reader trusts every length it finds, so a
// damaged project could make it read far outside the data. This checks, before the
// wrapper parses anything, that every length and offset it will follow stays inside the
// data and that the envelope's magic numbers are where they belong. Data the wrapper
// treats as a bare blob only has its private-data trailer checked.
class StateEnvelope
{
public:
    static bool isWellFormed(const std::uint8_t* data, std::size_t size) noexcept;

    static constexpr std::size_t bankHeaderSize = 160;

private:
    static bool isWellFormedVstW(const std::uint8_t* data, std::size_t size) noexcept;
    static bool isWellFormedBank(const std::uint8_t* data, std::size_t size) noexcept;
    static bool isWellFormedPresetFile(const std::uint8_t* data, std::size_t size) noexcept;
    static bool isWellFormedPrivateTrailer(const std::uint8_t* data, std::size_t size) noexcept;
};

} // namespace mallow
