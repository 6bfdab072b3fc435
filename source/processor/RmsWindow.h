#pragma once

#include <atomic>

namespace mallow
{

// Moving root-mean-square over the last `length` squared samples. The audio thread is
// the only writer; the editor reads `rms` from the message thread, so that one field is
// an atomic (relaxed ordering is enough: each reader wants a recent value, not a sequence).
struct RmsWindow
{
    static constexpr int capacity = 60;

    float ring[capacity] = {};
    int writeIndex = 0;
    float sum = 0.0f;
    std::atomic<float> rms{0.0f};
    int length = capacity;

    // Replaces the oldest squared sample with q and refreshes `rms`.
    void push(float q) noexcept;

    // Back to the construction state: empty ring, zero sum and level.
    void clear() noexcept;
};

} // namespace mallow
