#include "ProgressBar.h"

#include <cstdio>
#include <unistd.h>

namespace
{
constexpr double shortestWatchedSeconds = 3.0;
constexpr int barWidth = 40;
} // namespace

ProgressBar::ProgressBar(juce::int64 totalSteps, double seconds)
    : total(totalSteps),
      enabled(totalSteps > 0 && seconds > shortestWatchedSeconds && isatty(STDERR_FILENO) == 1)
{
}

ProgressBar::~ProgressBar()
{
    // Leaving early (an error) must still end the half-drawn line before the message.
    if (enabled && lastPercent >= 0 && !finished)
        std::fputs("\n", stderr);
}

void ProgressBar::update(juce::int64 done)
{
    if (!enabled)
        return;

    const auto percent = (int)(100 * juce::jlimit<juce::int64>(0, total, done) / total);

    if (percent != lastPercent)
        draw(percent);
}

void ProgressBar::finish()
{
    if (!enabled || finished)
        return;

    if (lastPercent != 100)
        draw(100);

    std::fputs("\n", stderr);
    finished = true;
}

void ProgressBar::draw(int percent)
{
    lastPercent = percent;
    const int filled = percent * barWidth / 100;
    char bar[barWidth + 1];

    for (int i = 0; i < barWidth; ++i)
        bar[i] = i < filled ? '#' : '.';

    bar[barWidth] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%", bar, percent);
    std::fflush(stderr);
}
