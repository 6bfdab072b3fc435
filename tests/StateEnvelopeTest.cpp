#include "StateEnvelope.h"

#include <gtest/gtest.h>
#include <juce_data_structures/juce_data_structures.h>

#include <cstring>
#include <string>
#include <vector>

using mallow::StateEnvelope;

namespace
{
using Bytes = std::vector<std::uint8_t>;

void putBig32(Bytes& b, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        b.push_back(std::uint8_t(v >> shift));
}

void putLittle32(Bytes& b, std::uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        b.push_back(std::uint8_t(v >> shift));
}

void putLittle64(Bytes& b, std::uint64_t v)
{
    for (int shift = 0; shift < 64; shift += 8)
        b.push_back(std::uint8_t(v >> shift));
}

void putText(Bytes& b, const char* text)
{
    b.insert(b.end(), text, text + std::strlen(text));
}

// The chunk as the wrapper writes it: 28-byte blob, 64-bit zero, private data, its
// 64-bit size, then the closing magic.
Bytes chunkWithPrivateData(std::uint64_t declaredPrivateSize, std::size_t actualPrivateSize = 5)
{
    Bytes chunk(28, 0x11);
    putLittle64(chunk, 0);
    chunk.insert(chunk.end(), actualPrivateSize, 0x22);
    putLittle64(chunk, declaredPrivateSize);
    putText(chunk, "JUCEPrivateData");
    return chunk;
}

Bytes bank(const Bytes& chunk, std::int32_t declaredChunkSize)
{
    Bytes b;
    putText(b, "CcnK");
    putBig32(b, std::uint32_t(160 - 8 + chunk.size()));
    putText(b, "FBCh");
    putBig32(b, 2);
    putText(b, "Mllw");
    putBig32(b, 0x00010203);
    putBig32(b, 0);
    b.insert(b.end(), 128, 0);
    putBig32(b, std::uint32_t(declaredChunkSize));
    b.insert(b.end(), chunk.begin(), chunk.end());
    return b;
}

Bytes vstw(const Bytes& inner, std::uint32_t headerRest = 8)
{
    Bytes b;
    putText(b, "VstW");
    putBig32(b, headerRest);
    putBig32(b, 1);
    putBig32(b, 0);
    b.insert(b.end(), inner.begin(), inner.end());
    return b;
}

Bytes goodEnvelope()
{
    const auto chunk = chunkWithPrivateData(5);
    return vstw(bank(chunk, (std::int32_t) chunk.size()));
}

// A preset file: 'VST3', version, 32-character class ID, list offset, then the component
// data and the chunk list with one 'Comp' entry pointing at it.
Bytes presetFile(const Bytes& component, std::uint64_t compOffsetDelta = 0, std::uint64_t compSizeDelta = 0,
                 std::uint32_t entryCount = 1)
{
    Bytes b;
    putText(b, "VST3");
    putLittle32(b, 1);
    b.insert(b.end(), 32, '0');
    const std::uint64_t componentOffset = 48;
    putLittle32(b, std::uint32_t(componentOffset + component.size()));
    putLittle32(b, 0);
    b.insert(b.end(), component.begin(), component.end());
    putText(b, "List");
    putLittle32(b, entryCount);
    putText(b, "Comp");
    putLittle64(b, componentOffset + compOffsetDelta);
    putLittle64(b, component.size() + compSizeDelta);
    return b;
}

bool check(const Bytes& b)
{
    return StateEnvelope::isWellFormed(b.data(), b.size());
}
} // namespace

TEST(StateEnvelope, WellFormedEnvelopesPass)
{
    EXPECT_TRUE(check(goodEnvelope()));
    EXPECT_TRUE(check(bank(Bytes(28, 1), 28)));          // a bare bank, no private data
    EXPECT_TRUE(check(presetFile(goodEnvelope())));       // a whole preset file
    EXPECT_TRUE(check(Bytes(28, 0x3F)));                  // a bare blob
    EXPECT_TRUE(check(Bytes{}));                          // nothing at all
    EXPECT_TRUE(check(chunkWithPrivateData(5)));          // blob with private data, no envelope

    // A declared chunk shorter than what follows is fine: the rest is ignored.
    const auto chunk = chunkWithPrivateData(5);
    auto longer = bank(chunk, (std::int32_t) chunk.size());
    longer.insert(longer.end(), 16, 0);
    EXPECT_TRUE(check(longer));
}

TEST(StateEnvelope, EveryTruncationOfAnEnvelopeIsRefused)
{
    const auto whole = goodEnvelope();
    for (std::size_t length = 4; length < whole.size(); ++length)
    {
        const Bytes cut(whole.begin(), whole.begin() + (std::ptrdiff_t) length);
        EXPECT_FALSE(check(cut)) << "length " << length;
    }
}

TEST(StateEnvelope, MalformedEnvelopesAreRefused)
{
    const auto chunk = chunkWithPrivateData(5);
    const auto size = (std::int32_t) chunk.size();

    auto wrongBankMagic = goodEnvelope();
    wrongBankMagic[16] = 'X';
    auto wrongChunkKind = goodEnvelope();
    std::memcpy(&wrongChunkKind[16 + 8], "FPCh", 4);

    struct Case
    {
        const char* name;
        Bytes bytes;
    };
    const Case cases[] = {
        {"header size beyond the data", vstw(bank(chunk, size), 0x7FFFFFF0)},
        {"header size too small", vstw(bank(chunk, size), 4)},
        {"header size wraps around", vstw(bank(chunk, size), 0xFFFFFFF8)},
        {"negative chunk size", vstw(bank(chunk, -1))},
        {"chunk size beyond the data", vstw(bank(chunk, size + 1))},
        {"bank magic missing after header", wrongBankMagic},
        {"bank holds no chunk", wrongChunkKind},
        {"private size beyond the chunk", vstw(bank(chunkWithPrivateData(1000), size))},
        {"private size wraps around", vstw(bank(chunkWithPrivateData(~0ull - 3), size))},
        {"bare blob with oversized private data", chunkWithPrivateData(40)},
        {"preset too short", Bytes{'V', 'S', 'T', '3', 0, 0, 0, 0}},
        {"preset component beyond the file", presetFile(goodEnvelope(), 0, 1000)},
        {"preset component offset wraps", presetFile(goodEnvelope(), ~0ull - 40, 0)},
        {"preset list count beyond the file", presetFile(goodEnvelope(), 0, 0, 1000)},
        {"preset component not an envelope", presetFile(Bytes(200, 7))},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(check(c.bytes));
    }

    auto badListOffset = presetFile(goodEnvelope());
    badListOffset[40] = 0xF0;
    badListOffset[41] = 0xFF;
    EXPECT_FALSE(check(badListOffset)) << "list offset beyond the file";
}

namespace
{
// A chunk whose private data is the given tree, framed as the wrapper frames it.
Bytes chunkWithTree(const juce::ValueTree& tree)
{
    juce::MemoryOutputStream stream;
    tree.writeToStream(stream);
    const auto* data = static_cast<const std::uint8_t*>(stream.getData());

    Bytes chunk(28, 0x11);
    putLittle64(chunk, 0);
    chunk.insert(chunk.end(), data, data + stream.getDataSize());
    putLittle64(chunk, stream.getDataSize());
    putText(chunk, "JUCEPrivateData");
    return chunk;
}
} // namespace

TEST(StateEnvelope, PrivateDataMustBeTheWrappersFlatTree)
{
    // The wrapper's reader follows every count it finds, recursing into children and
    // arrays; only the small flat tree it writes itself may pass.
    juce::ValueTree written("JUCEPrivateData");
    written.setProperty("Bypass", false, nullptr);

    auto withChild = written.createCopy();
    withChild.appendChild(juce::ValueTree("Child"), nullptr);

    auto withArray = written.createCopy();
    withArray.setProperty("List", juce::Array<juce::var>{1, 2, 3}, nullptr);

    auto crowded = written.createCopy();
    for (int i = 0; i < 17; ++i)
        crowded.setProperty(juce::Identifier("p" + juce::String(i)), i, nullptr);

    auto scalars = written.createCopy();
    scalars.setProperty("Text", "abc", nullptr);
    scalars.setProperty("Number", 2.5, nullptr);

    struct Case
    {
        const char* name;
        juce::ValueTree tree;
        bool accepted;
    };
    const Case cases[] = {
        {"what the wrapper writes", written, true},
        {"a few scalar properties", scalars, true},
        {"a child tree", withChild, false},
        {"an array property", withArray, false},
        {"more properties than the wrapper ever writes", crowded, false},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const auto chunk = chunkWithTree(c.tree);
        EXPECT_EQ(check(chunk), c.accepted);
        EXPECT_EQ(check(vstw(bank(chunk, (std::int32_t) chunk.size()))), c.accepted);
    }
}
