#pragma once

#include <algorithm>
#include <atomic>
#include <cmath>

namespace mallow
{

// Moving root-mean-square over the last `length` squared samples. The audio thread is
// the only writer; the editor reads `rms` from the message thread, so that one field is
// an atomic (relaxed ordering is enough: each reader wants a recent value, not a sequence).
//
// The level is published once per block rather than per sample: nobody can observe the
// values in between, and an atomic store per sample and window costs a quarter of the
// callback's time. The published value is exactly the one of the block's last sample.
struct RmsWindow
{
    static constexpr int capacity = 60;

    float ring[capacity] = {};
    int writeIndex = 0;
    float sum = 0.0f;
    std::atomic<float> rms{0.0f};
    int length = capacity;

    // Replaces the oldest squared sample with q. Inline: it runs five times per sample and
    // channel.
    void push(float q) noexcept;

    // Stores the level of the current window contents into `rms`.
    void publish() noexcept;

    // Recounts the sum from the ring; the rare path of push.
    void recount() noexcept;

    // Back to the construction state: empty ring, zero sum and level.
    void clear() noexcept;
};

inline void RmsWindow::push(float q) noexcept
{
    sum = sum - ring[writeIndex];
    // A NaN square (or an overflowing one, which only absurd input can make) would stay in
    // the running sum for good; it counts as silence instead.
    ring[writeIndex] = std::isfinite(q) ? q : 0.0f;
    sum = ring[writeIndex] + sum;

    // Sixty huge finite squares can still overflow the sum; recounting it from the ring lets
    // the window recover as soon as they have passed.
    if (!std::isfinite(sum))
        recount();

    // The same as (writeIndex + 1) modulo length, without an integer division.
    if (++writeIndex >= length)
        writeIndex = 0;
}

inline void RmsWindow::publish() noexcept
{
    // Subtracting what was added leaves single-precision residue, which after loud material
    // and silence can put the sum a hair below zero: the root must not see that.
    const auto mean = static_cast<float>(static_cast<double>(sum) / static_cast<double>(length));
    rms.store(std::sqrt(std::max(0.0f, mean)), std::memory_order_relaxed);
}

} // namespace mallow
