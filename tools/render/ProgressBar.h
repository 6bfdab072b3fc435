#pragma once

#include <juce_core/juce_core.h>

/** A one-line progress bar on stderr, redrawn in place. It draws only when stderr is a
    terminal and the job is long enough to be worth watching, so logs and pipes stay clean. */
class ProgressBar
{
public:
    ProgressBar(juce::int64 total, double seconds);
    ~ProgressBar();

    void update(juce::int64 done);

    /** Draws 100 % and ends the line. */
    void finish();

private:
    void draw(int percent);

    juce::int64 total;
    bool enabled;
    int lastPercent = -1;
    bool finished = false;
};
