// Saved states as a damaged project hands them back: the effect component of the built bundle
// is driven through IComponent::setState directly, with the real state, deliberate changes to
// it, and thousands of corrupt streams. A corrupt state must never crash the host, and a state
// the component refuses must leave it exactly as it was.
//
// The corrupt streams run in a child process, so that a crash is reported as a failed test
// (the signal that ended the child) instead of taking the test run down with it.

#include "host/BundlePaths.h"
#include "host/MemoryStream.h"
#include "host/PluginModule.h"
#include "host/SavedState.h"

#include "pluginterfaces/vst/ivstcomponent.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <poll.h>
#include <random>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace mallow::test
{
const char* describe(MemoryStream::Sizing sizing)
{
    return sizing == MemoryStream::Sizing::sizeable ? "sizeable stream" : "unsized stream";
}

// How test names and failure messages show the stream kind.
void PrintTo(MemoryStream::Sizing sizing, std::ostream* out)
{
    *out << describe(sizing);
}
} // namespace mallow::test

namespace
{
using namespace Steinberg;
using mallow::test::describe;
using mallow::test::MemoryStream;
using mallow::test::PluginModule;
namespace saved_state = mallow::test::saved_state;
using Bytes = saved_state::Bytes;
using Sizing = MemoryStream::Sizing;

constexpr std::uint8_t effectClassId[16] = {'V', 'S', 'T', 'M', 'l', 'l', 'w', 'm',
                                            'a', 'l', 'l', 'o', 'w', 0,   0,   0};

// Values inside the crossover rules and exact in binary, so they come back unchanged.
constexpr saved_state::Values changedValues{0.125f, 0.75f, 0.25f, 0.5625f, 0.375f, 0.875f, 0.0625f};
constexpr saved_state::Values defaultValues{0.6f, 0.2f, 0.33f, 0.66f, 0.2f, 0.6f, 0.3f};

// The effect component made as a host makes it: module entry, factory, createInstance with
// IComponent's IID, initialize without a host context.
class BundleComponent
{
public:
    BundleComponent() : module(mallow::test::vst3BinaryPath())
    {
        if (!module.isOpen())
        {
            problem = "dlopen failed: " + module.loadError();
            return;
        }

        if (!module.enter() || (factory = module.factory()) == nullptr)
        {
            problem = "no module entry or no factory";
            return;
        }

        void* object = nullptr;
        if (factory->createInstance(reinterpret_cast<FIDString>(effectClassId), Vst::IComponent::iid.toTUID(),
                                    &object) != kResultOk ||
            object == nullptr)
        {
            problem = "the factory made no IComponent";
            return;
        }

        component = static_cast<Vst::IComponent*>(object);
        if (component->initialize(nullptr) != kResultOk)
            problem = "initialize failed";
    }

    ~BundleComponent()
    {
        if (component != nullptr)
        {
            component->terminate();
            component->release();
        }

        if (factory != nullptr)
            factory->release();
    }

    BundleComponent(const BundleComponent&) = delete;
    BundleComponent& operator=(const BundleComponent&) = delete;

    const std::string& setupProblem() const noexcept { return problem; }

    Bytes state()
    {
        MemoryStream stream;
        if (component->getState(&stream) != kResultOk)
            return {};
        return stream.data();
    }

    tresult load(const Bytes& bytes, Sizing sizing)
    {
        MemoryStream stream(bytes, sizing);
        return component->setState(&stream);
    }

private:
    PluginModule module;
    IPluginFactory* factory = nullptr;
    Vst::IComponent* component = nullptr;
    std::string problem;
};

//==============================================================================
// Positive paths, in this process.

class SavedStateLoading : public testing::TestWithParam<Sizing>
{
protected:
    void SetUp() override
    {
        component = std::make_unique<BundleComponent>();
        ASSERT_EQ(component->setupProblem(), "");
        realState = component->state();
        ASSERT_TRUE(saved_state::isWrapperEnvelope(realState));
        ASSERT_EQ(saved_state::blobValues(realState), defaultValues);
    }

    std::unique_ptr<BundleComponent> component;
    Bytes realState;
};

TEST_P(SavedStateLoading, RealStateLoadsBackUnchanged)
{
    EXPECT_EQ(component->load(realState, GetParam()), kResultOk);
    EXPECT_EQ(component->state(), realState);
}

TEST_P(SavedStateLoading, ChangedParameterValuesLoad)
{
    auto changed = realState;
    saved_state::setBlobValues(changed, changedValues);

    EXPECT_EQ(component->load(changed, GetParam()), kResultOk);
    const auto now = component->state();
    EXPECT_EQ(saved_state::blobValues(now), changedValues);
    EXPECT_EQ(now, changed);
}

TEST_P(SavedStateLoading, BareBlobLoads)
{
    Bytes blob(saved_state::blobSize);
    for (std::size_t i = 0; i < changedValues.size(); ++i)
        saved_state::putLittleEndianFloat(blob, 4 * i, changedValues[i]);

    EXPECT_EQ(component->load(blob, GetParam()), kResultOk);
    EXPECT_EQ(saved_state::blobValues(component->state()), changedValues);
}

// A whole .vstpreset file, as some hosts pass it: 'VST3', version, 32-character class ID,
// offset of the chunk list; the component chunk; then 'List', entry count, and entries of
// ID, offset and size (little-endian 64-bit).
Bytes presetFileHolding(const Bytes& componentState)
{
    Bytes file;
    const auto append32 = [&](std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            file.push_back(std::uint8_t(v >> (8 * i)));
    };
    const auto append64 = [&](std::uint64_t v)
    {
        for (int i = 0; i < 8; ++i)
            file.push_back(std::uint8_t(v >> (8 * i)));
    };
    const auto appendText = [&](const char* text)
    {
        for (; *text != 0; ++text)
            file.push_back(std::uint8_t(*text));
    };

    constexpr std::uint64_t chunkOffset = 48;
    appendText("VST3");
    append32(1);
    appendText("5653544D6C6C776D616C6C6F77000000"); // the class ID as hex text
    append64(chunkOffset + componentState.size());
    file.insert(file.end(), componentState.begin(), componentState.end());
    appendText("List");
    append32(1);
    appendText("Comp");
    append64(chunkOffset);
    append64(componentState.size());
    return file;
}

TEST_P(SavedStateLoading, PresetFileHoldingTheStateLoads)
{
    auto changed = realState;
    saved_state::setBlobValues(changed, changedValues);

    EXPECT_EQ(component->load(presetFileHolding(changed), GetParam()), kResultOk);
    EXPECT_EQ(saved_state::blobValues(component->state()), changedValues);
}

TEST_P(SavedStateLoading, EmptyStreamIsRefused)
{
    EXPECT_EQ(component->load({}, GetParam()), kResultFalse);
    EXPECT_EQ(component->state(), realState);
}

INSTANTIATE_TEST_SUITE_P(Streams, SavedStateLoading, testing::Values(Sizing::sizeable, Sizing::unsized),
                         [](const testing::TestParamInfo<Sizing>& stream)
                         { return std::string(stream.param == Sizing::sizeable ? "Sizeable" : "Unsized"); });

//==============================================================================
// Corrupt streams, in a child process.

struct FuzzCase
{
    std::string label;
    Bytes bytes;
    bool mustBeRefused = false;
    bool mustKeepState = false;
};

using CaseMaker = std::function<std::vector<FuzzCase>(const Bytes& realState)>;

// Runs in the child. Returns its exit status: 0 when every case behaved, 1 when some did
// not (described on `report`), 2 when the component could not be set up.
int runBatch(const CaseMaker& makeCases, std::FILE* report)
{
    BundleComponent component;
    if (!component.setupProblem().empty())
    {
        std::fprintf(report, "set-up: %s\n", component.setupProblem().c_str());
        return 2;
    }

    const Bytes baseline = component.state();
    if (!saved_state::isWrapperEnvelope(baseline))
    {
        std::fprintf(report, "set-up: the component's own state is not the wrapper's envelope\n");
        return 2;
    }

    const auto cases = makeCases(baseline);
    int failures = 0;
    const auto fail = [&](const FuzzCase& c, Sizing sizing, const std::string& what)
    {
        if (++failures <= 25)
            std::fprintf(report, "%s (%zu bytes, %s): %s\n", c.label.c_str(), c.bytes.size(),
                         describe(sizing), what.c_str());
    };

    for (const auto sizing : {Sizing::sizeable, Sizing::unsized})
        for (const auto& c : cases)
        {
            const auto result = component.load(c.bytes, sizing);
            if (result != kResultTrue && result != kResultFalse)
                fail(c, sizing, "setState returned " + std::to_string(result));

            if (c.mustBeRefused && result != kResultFalse)
                fail(c, sizing, "a malformed envelope was accepted");

            const auto after = component.state();
            if (after == baseline)
                continue;

            if (result == kResultFalse)
                fail(c, sizing, "refused, yet the state changed");
            else if (c.mustKeepState)
                fail(c, sizing, "the state changed");

            if (component.load(baseline, Sizing::sizeable) != kResultTrue || component.state() != baseline)
            {
                fail(c, sizing, "the real state no longer restores; stopping");
                return 1;
            }
        }

    std::fprintf(report, "%zu cases, each through a sizeable and an unsized stream, %d failures\n",
                 cases.size(), failures);
    return failures == 0 ? 0 : 1;
}

struct ChildOutcome
{
    bool exitedNormally = false;
    int exitStatus = -1;
    int signal = 0;
    bool timedOut = false;
    std::string report;
};

ChildOutcome runInChild(const CaseMaker& makeCases)
{
    ChildOutcome outcome;
    int channel[2];
    if (pipe(channel) != 0)
    {
        outcome.report = "pipe failed";
        return outcome;
    }

    std::fflush(nullptr); // nothing buffered may be written twice
    const pid_t child = fork();
    if (child < 0)
    {
        outcome.report = "fork failed";
        return outcome;
    }

    if (child == 0)
    {
        // A runaway allocation must fail inside the child, not exhaust the machine.
        const rlimit addressSpace{rlim_t(4) << 30, rlim_t(4) << 30};
        setrlimit(RLIMIT_AS, &addressSpace);

        close(channel[0]);
        std::FILE* report = fdopen(channel[1], "w");
        const int status = runBatch(makeCases, report);
        std::fclose(report);
        _exit(status);
    }

    close(channel[1]);

    // A hang is a failure too: give the child a generous deadline, then end it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    char buffer[4096];
    for (;;)
    {
        const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd readable{channel[0], POLLIN, 0};
        if (remaining.count() <= 0 || poll(&readable, 1, (int)remaining.count()) == 0)
        {
            outcome.timedOut = true;
            kill(child, SIGKILL);
            break;
        }

        const auto count = read(channel[0], buffer, sizeof(buffer));
        if (count <= 0)
            break;
        outcome.report.append(buffer, (std::size_t)count);
    }
    close(channel[0]);

    int status = 0;
    waitpid(child, &status, 0);
    outcome.exitedNormally = WIFEXITED(status);
    outcome.exitStatus = outcome.exitedNormally ? WEXITSTATUS(status) : -1;
    outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return outcome;
}

void expectCleanRun(const CaseMaker& makeCases)
{
    const auto outcome = runInChild(makeCases);
    EXPECT_FALSE(outcome.timedOut) << "the child hung\n" << outcome.report;
    EXPECT_TRUE(outcome.exitedNormally)
        << "the child was ended by signal " << outcome.signal << " (" << strsignal(outcome.signal) << ")\n"
        << outcome.report;
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.report;
    std::printf("%s", outcome.report.c_str());
}

// Byte ranges of the envelope where any change leaves it malformed: the header size, the
// bank magic and the bank type.
bool isStructuralByte(std::size_t offset)
{
    return (offset >= 4 && offset < 8) ||
           (offset >= saved_state::headerSize && offset < saved_state::headerSize + 4) ||
           (offset >= saved_state::headerSize + 8 && offset < saved_state::headerSize + 12);
}

std::vector<FuzzCase> truncations(const Bytes& real)
{
    std::vector<FuzzCase> cases;
    for (std::size_t length = 0; length < real.size(); ++length)
    {
        FuzzCase c{"truncated to " + std::to_string(length),
                   Bytes(real.begin(), real.begin() + (long)length)};
        // From four bytes on it starts with 'VstW' and is an envelope cut short; shorter
        // ones are too short to set anything.
        c.mustBeRefused = length >= 4;
        c.mustKeepState = true;
        cases.push_back(std::move(c));
    }
    return cases;
}

std::vector<FuzzCase> bitFlips(const Bytes& real)
{
    std::vector<FuzzCase> cases;
    const auto flip = [&](std::size_t byte, int bit)
    {
        FuzzCase c{"bit " + std::to_string(bit) + " of byte " + std::to_string(byte) + " flipped", real};
        c.bytes[byte] ^= std::uint8_t(1u << bit);

        c.mustBeRefused = isStructuralByte(byte);
        if (byte >= saved_state::chunkSizeOffset && byte < saved_state::chunkSizeOffset + 4)
            c.mustBeRefused = saved_state::bigEndian32(c.bytes, saved_state::chunkSizeOffset) >
                              real.size() - saved_state::blobOffset;
        cases.push_back(std::move(c));
    };

    const auto dense = std::min<std::size_t>(real.size(), 200);
    for (std::size_t byte = 0; byte < dense; ++byte)
        for (int bit = 0; bit < 8; ++bit)
            flip(byte, bit);

    for (std::size_t byte = dense; byte < real.size(); ++byte)
        for (int bit : {int(byte % 8), int((byte + 5) % 8)})
            flip(byte, bit);

    return cases;
}

std::vector<FuzzCase> randomStreams(const Bytes& real)
{
    std::mt19937 random(20240611u);
    const auto below = [&](std::uint32_t n) { return std::uint32_t(random() % n); };
    const auto randomBytes = [&](std::size_t count)
    {
        Bytes bytes(count);
        for (auto& b : bytes)
            b = std::uint8_t(random());
        return bytes;
    };
    const auto put32 = [](Bytes& bytes, std::size_t offset, std::uint32_t value, bool bigEndian)
    {
        for (std::size_t i = 0; i < 4 && offset + i < bytes.size(); ++i)
            bytes[offset + i] = std::uint8_t(value >> (bigEndian ? 24 - 8 * i : 8 * i));
    };

    std::vector<FuzzCase> cases;

    for (int i = 0; i < 100; ++i)
        cases.push_back({"random " + std::to_string(i), randomBytes(below(400))});

    for (const char* magic : {"VstW", "CcnK", "VST3"})
        for (int i = 0; i < 40; ++i)
        {
            auto bytes = randomBytes(4 + below(400));
            std::copy(magic, magic + 4, bytes.begin());
            cases.push_back({std::string(magic) + " then random " + std::to_string(i), std::move(bytes)});
        }

    // The real state with one 32-bit field set to a value that lengths and offsets choke on.
    const std::uint32_t size = std::uint32_t(real.size());
    const std::uint32_t awkward[] = {0,          1,          7,          8,          9,
                                     0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFF8, size,
                                     size - 1,   size + 1,   size - 176, size - 175};
    for (int i = 0; i < 120; ++i)
    {
        auto bytes = real;
        const auto offset = below(size - 3);
        const auto value = i % 4 == 3 ? std::uint32_t(random()) : awkward[below(std::size(awkward))];
        put32(bytes, offset, value, i % 2 == 0);
        cases.push_back(
            {"field at " + std::to_string(offset) + " set to " + std::to_string(value), std::move(bytes)});
    }

    // The bare blob with a private-data trailer whose size field lies.
    for (int i = 0; i < 40; ++i)
    {
        auto bytes = randomBytes(28 + below(80));
        Bytes trailerSize(8);
        const std::uint64_t claimed = i % 3 == 0 ? std::uint64_t(random()) << 32 | random() : below(200);
        for (int b = 0; b < 8; ++b)
            trailerSize[(std::size_t)b] = std::uint8_t(claimed >> (8 * b));
        bytes.insert(bytes.end(), trailerSize.begin(), trailerSize.end());
        bytes.insert(bytes.end(), saved_state::privateDataMagic,
                     saved_state::privateDataMagic + saved_state::privateDataMagicSize);
        cases.push_back(
            {"blob with a trailer claiming " + std::to_string(claimed) + " bytes", std::move(bytes)});
    }

    // A preset file around the real state, with its list offset, entry count, chunk offset
    // or chunk size damaged.
    const auto preset = presetFileHolding(real);
    const std::size_t listOffset = 48 + real.size();
    const std::size_t presetFields[] = {40, listOffset + 4, listOffset + 12, listOffset + 20};
    for (int i = 0; i < 60; ++i)
    {
        auto bytes = preset;
        const auto field = presetFields[below(std::size(presetFields))];
        const auto value = i % 3 == 0 ? std::uint32_t(random()) : awkward[below(std::size(awkward))];
        put32(bytes, field, value, false);
        if (i % 5 == 4)
            put32(bytes, field + 4, 0xFFFFFFFF, false); // the high half of a 64-bit field
        cases.push_back({"preset with field at " + std::to_string(field) + " set to " + std::to_string(value),
                         std::move(bytes)});
    }

    return cases;
}

// The wrapper keeps its private data (the bypass flag) as a serialised ValueTree, which it
// parses recursively and sizes from counts it finds in the data. These are private-data
// sections that no wrapper writes, built to exhaust the stack, the time or the memory of
// that parser, each inside an otherwise intact envelope.
class PrivateData
{
public:
    PrivateData& text(const char* characters)
    {
        bytes.insert(bytes.end(), characters, characters + std::strlen(characters) + 1);
        return *this;
    }

    // The framework's compressed int: a byte count, then the value's little-endian bytes.
    PrivateData& count(std::int32_t value)
    {
        std::uint8_t packed[5] = {};
        auto magnitude = std::uint32_t(value < 0 ? -std::int64_t(value) : value);
        std::uint8_t used = 0;
        for (; magnitude > 0; magnitude >>= 8)
            packed[++used] = std::uint8_t(magnitude);
        packed[0] = std::uint8_t(used | (value < 0 ? 0x80 : 0));
        bytes.insert(bytes.end(), packed, packed + used + 1);
        return *this;
    }

    PrivateData& byte(std::uint8_t value)
    {
        bytes.push_back(value);
        return *this;
    }

    // The real state with its private data replaced by these bytes.
    Bytes inStateLike(const Bytes& real) const
    {
        Bytes state(real.begin(), real.begin() + long(saved_state::blobOffset + saved_state::blobSize + 8));
        state.insert(state.end(), bytes.begin(), bytes.end());
        for (int i = 0; i < 8; ++i)
            state.push_back(std::uint8_t(std::uint64_t(bytes.size()) >> (8 * i)));
        state.insert(state.end(), saved_state::privateDataMagic,
                     saved_state::privateDataMagic + saved_state::privateDataMagicSize);

        const auto put = [&](std::size_t offset, std::size_t value) {
            for (std::size_t i = 0; i < 4; ++i)
                state[offset + i] = std::uint8_t(value >> (24 - 8 * i));
        };
        const auto chunkSize = state.size() - saved_state::blobOffset;
        put(saved_state::chunkSizeOffset, chunkSize);
        put(saved_state::headerSize + 4, saved_state::bankSize - 8 + chunkSize);
        return state;
    }

private:
    Bytes bytes;
};

constexpr std::uint8_t arrayMarker = 7; // the framework's stream marker of a var array

std::vector<FuzzCase> hostilePrivateData(const Bytes& real)
{
    constexpr int depth = 200000;
    std::vector<FuzzCase> cases;
    const auto add = [&](std::string label, const PrivateData& data) {
        FuzzCase c{std::move(label), data.inStateLike(real)};
        c.mustBeRefused = true;
        c.mustKeepState = true;
        cases.push_back(std::move(c));
    };

    PrivateData nestedTrees;
    for (int level = 0; level < depth; ++level)
        nestedTrees.text("a").count(0).count(1); // a tree with no properties and one child
    nestedTrees.text("a").count(0).count(0);
    add(std::to_string(depth) + " trees nested in each other", nestedTrees);

    PrivateData nestedArrays;
    nestedArrays.text("JUCEPrivateData").count(1).text("Bypass");
    for (int level = 0; level < depth; ++level)
        nestedArrays.count(5).byte(arrayMarker).count(1); // an array holding one array
    nestedArrays.count(0);
    add(std::to_string(depth) + " arrays nested in a property", nestedArrays);

    PrivateData endlessProperties;
    endlessProperties.text("JUCEPrivateData").count(0x7FFFFFFF);
    add("a tree claiming 2^31 - 1 properties", endlessProperties);

    PrivateData endlessArray;
    endlessArray.text("JUCEPrivateData").count(1).text("Bypass").count(5).byte(arrayMarker).count(0x7FFFFFFF);
    add("a property holding an array of 2^31 - 1 elements", endlessArray);

    PrivateData hugeChildList;
    hugeChildList.text("JUCEPrivateData").count(0).count(0x50000000).text("a").count(0).count(0);
    add("a tree claiming 0x50000000 children", hugeChildList);

    return cases;
}

TEST(CorruptSavedState, TruncationsAreRefusedAndChangeNothing)
{
    expectCleanRun(truncations);
}

TEST(CorruptSavedState, BitFlipsNeverCrashAndRefusalsChangeNothing)
{
    expectCleanRun(bitFlips);
}

TEST(CorruptSavedState, RandomStreamsNeverCrashAndRefusalsChangeNothing)
{
    expectCleanRun(randomStreams);
}

TEST(CorruptSavedState, HostilePrivateDataIsRefused)
{
    expectCleanRun(hostilePrivateData);
}

} // namespace
