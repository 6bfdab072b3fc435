// processBlock runs on the host's audio thread: it must not allocate. The global
// allocation functions are replaced here to count calls made while a block runs.
#include "MallowAudioProcessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
thread_local bool countingAllocations = false;
thread_local int allocationCount = 0;

void* allocate(std::size_t size)
{
    if (countingAllocations)
        ++allocationCount;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

int allocationsDuring(MallowAudioProcessor& processor, juce::AudioBuffer<float>& buffer)
{
    juce::MidiBuffer midi;
    allocationCount = 0;
    countingAllocations = true;
    processor.processBlock(buffer, midi);
    countingAllocations = false;
    return allocationCount;
}

juce::AudioBuffer<float> noise(int channels, int samples)
{
    juce::AudioBuffer<float> buffer(channels, samples);
    juce::Random random(7);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            buffer.setSample(c, i, random.nextFloat() * 2.0f - 1.0f);
    return buffer;
}
} // namespace

void* operator new(std::size_t size)
{
    return allocate(size);
}

void* operator new[](std::size_t size)
{
    return allocate(size);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

TEST(RealtimeSafety, CountingSeesAllocations)
{
    // Guards the guard: an allocation inside the counted scope is seen.
    countingAllocations = true;
    allocationCount = 0;
    auto* probe = new int(3);
    countingAllocations = false;
    delete probe;
    EXPECT_EQ(allocationCount, 1);
}

TEST(RealtimeSafety, ProcessBlockAllocatesNothing)
{
    MallowAudioProcessor processor;
    processor.prepareToPlay(48000.0, 512);

    struct Case
    {
        const char* name;
        int channels;
        double sampleRate;
    };
    const Case cases[] = {{"stereo at 48 kHz", 2, 48000.0},
                          {"mono at 48 kHz", 1, 48000.0},
                          {"stereo after a change to 96 kHz", 2, 96000.0},
                          {"mono at 44.1 kHz", 1, 44100.0}};

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        processor.prepareToPlay(c.sampleRate, 512);
        processor.parameter(2).setValueNotifyingHost(0.9f);
        auto buffer = noise(c.channels, 512);
        EXPECT_EQ(allocationsDuring(processor, buffer), 0);
    }
}
