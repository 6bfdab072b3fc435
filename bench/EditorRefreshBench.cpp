// Cost of an open editor: one refresh tick (the timer callback with the repaints it asks
// for), painted into an image, as the message thread would every 30 ms. The whole window
// is painted each time, which is more than a real repaint of the changed areas.
#include "MallowAudioProcessor.h"
#include "MallowAudioProcessorEditor.h"

#include <benchmark/benchmark.h>

namespace
{
void BM_EditorRefreshTick(benchmark::State& state)
{
    MallowAudioProcessor processor;
    MallowAudioProcessorEditor editor(processor);
    editor.stopTimer();
    processor.lastNumChannels.store(2);

    juce::Image canvas(juce::Image::ARGB, editor.getWidth(), editor.getHeight(), true);
    int tick = 0;

    for (auto _ : state)
    {
        // Moving levels and values, so that every control has something to redraw.
        const float phase = (float) (tick++ % 40) / 40.0f;
        for (int kind = 0; kind < 5; ++kind)
            for (int channel = 0; channel < 2; ++channel)
                processor.levelWindows[kind][channel].rms.store(0.1f + 0.3f * phase);
        processor.paramValues[0].store(0.3f + 0.4f * phase);
        processor.paramValues[4].store(0.2f + 0.5f * phase);
        processor.outputClipped.store(tick % 7 == 0 ? 1 : 0);

        editor.timerCallback();
        juce::Graphics g(canvas);
        editor.paintEntireComponent(g, true);
        benchmark::DoNotOptimize(canvas.getPixelAt(100, 100));
    }
}

BENCHMARK(BM_EditorRefreshTick)->Unit(benchmark::kMicrosecond);
} // namespace
