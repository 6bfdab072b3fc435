#include "RmsWindow.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace mallow
{

void RmsWindow::recount() noexcept
{
    float total = 0.0f;
    for (int i = 0; i < length; ++i)
        total += ring[i];
    sum = total;
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
