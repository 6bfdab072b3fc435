#include "RmsWindow.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace mallow
{

void RmsWindow::push(float q) noexcept
{
    sum = sum - ring[writeIndex];
    // A NaN square (or an overflowing one, which only absurd input can make) would stay in
    // the running sum for good; it counts as silence instead.
    ring[writeIndex] = std::isfinite(q) ? q : 0.0f;
    sum = ring[writeIndex] + sum;

    if (!std::isfinite(sum))
    {
        // Sixty huge finite squares can still overflow the sum; recount it from the ring so
        // that the window recovers as soon as they have passed.
        float recount = 0.0f;
        for (int i = 0; i < length; ++i)
            recount += ring[i];
        sum = recount;
    }

    writeIndex = (writeIndex + 1) % length;

    // Subtracting what was added leaves single-precision residue, which after loud material
    // and silence can put the sum a hair below zero: the root must not see that.
    const auto mean = static_cast<float>(static_cast<double>(sum) / static_cast<double>(length));
    rms.store(std::sqrt(std::max(0.0f, mean)), std::memory_order_relaxed);
}

void RmsWindow::clear() noexcept
{
    std::fill(std::begin(ring), std::end(ring), 0.0f);
    writeIndex = 0;
    sum = 0.0f;
    rms.store(0.0f, std::memory_order_relaxed);
    length = capacity;
}

} // namespace mallow
