// Throughput of the audio callback, stereo at 48 kHz in 512-sample blocks, against a plain
// line-by-line transcription of the per-sample steps kept here as the baseline. Prints
// ns per sample frame, the real-time factor, and the ratio of the two.
#include "MallowAudioProcessor.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;
constexpr int channels = 2;

void fillMusic(juce::AudioBuffer<float>& buffer, int offset)
{
    for (int c = 0; c < buffer.getNumChannels(); ++c)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
        {
            const auto t = (float) (offset + i) / (float) sampleRate;
            buffer.setSample(c, i, 0.5f * std::sin(2.0f * 3.14159265f * 110.0f * t + (float) c)
                                       + 0.2f * std::sin(2.0f * 3.14159265f * 1760.0f * t));
        }
}

void setCounters(benchmark::State& state)
{
    const auto frames = (double) state.iterations() * blockSize;
    state.counters["time_per_frame"] = benchmark::Counter(frames, benchmark::Counter::kIsRate
                                                                           | benchmark::Counter::kInvert);
    state.counters["x_realtime"] = benchmark::Counter(frames / sampleRate, benchmark::Counter::kIsRate);
}

// The baseline: every step written out as stated, nothing hoisted or fused.
struct LiteralEngine
{
    struct Crossover
    {
        double lowCoeff = 0, lowStage[4] = {}, midCoeff = 0, midStage[4] = {}, delay[3] = {};
    } crossover[2];

    struct Window
    {
        float ring[60] = {};
        int writeIndex = 0;
        float sum = 0, rms = 0;
        int length = 60;
    } levelWindows[5][2];

    int outputClipped = 0;
    float paramValues[7] = {0.6f, 0.2f, 0.33f, 0.66f, 0.2f, 0.6f, 0.3f};

    static void update(Window& w, float q)
    {
        w.sum = w.sum - w.ring[w.writeIndex];
        w.ring[w.writeIndex] = std::isnan(q) ? 0.0f : q;
        w.sum = w.ring[w.writeIndex] + w.sum;
        w.writeIndex = (w.writeIndex + 1) % w.length;
        w.rms = std::sqrt((float) ((double) w.sum / (double) w.length));
    }

    void process(juce::AudioBuffer<float>& buffer, double rate)
    {
        for (int c = 0; c < buffer.getNumChannels(); ++c)
        {
            const juce::ScopedNoDenormals noDenormals;
            auto& s = crossover[c];
            const float fL = paramValues[2] * 9980.0f + 20.0f;
            const float fM = paramValues[3] * 9980.0f + 20.0f;
            const double R = (double) (long long) rate;
            s.lowCoeff = 2.0 * std::sin((double) (long long) fL / R * 3.14159265358979323846);
            s.midCoeff = 2.0 * std::sin((double) (long long) fM / R * 3.14159265358979323846);
            const double dL = paramValues[4] * 25.0f, dM = paramValues[5] * 25.0f, dH = paramValues[6] * 25.0f;
            float* data = buffer.getWritePointer(c);

            for (int n = 0; n < buffer.getNumSamples(); ++n)
            {
                const float w = data[n] * paramValues[0];
                const double X = w;
                s.lowStage[0] = ((X - s.lowStage[0]) * s.lowCoeff + 2.3283064370807974e-10) + s.lowStage[0];
                for (int k = 1; k < 4; ++k)
                    s.lowStage[k] = (s.lowStage[k - 1] - s.lowStage[k]) * s.lowCoeff + s.lowStage[k];
                const double L = s.lowStage[3];
                s.midStage[0] = ((X - s.midStage[0]) * s.midCoeff + 2.3283064370807974e-10) + s.midStage[0];
                for (int k = 1; k < 4; ++k)
                    s.midStage[k] = (s.midStage[k - 1] - s.midStage[k]) * s.midCoeff + s.midStage[k];
                const double M = s.midStage[3];
                const double D = s.delay[2];
                s.delay[2] = s.delay[1];
                s.delay[1] = s.delay[0];
                s.delay[0] = X;
                const double high = D - M;
                const double mid = D - (L + high);
                const double low = L;
                const float lowOut = std::sin((float) (low * 3.14159265358979323846 * dL));
                const float midOut = std::sin((float) (mid * 3.14159265358979323846 * dM));
                const float highOut = std::sin((float) (high * 3.14159265358979323846 * dH));
                const float y = ((lowOut + midOut) + highOut) * paramValues[1];
                update(levelWindows[0][c], w * w);
                update(levelWindows[1][c], lowOut * lowOut);
                update(levelWindows[2][c], midOut * midOut);
                update(levelWindows[3][c], highOut * highOut);
                update(levelWindows[4][c], y * y);
                if (y > 1.0f || y < -1.0f)
                    outputClipped = 1;
                data[n] = y > 1.0f ? 1.0f : (y < -1.0f ? -1.0f : y);
            }
        }
    }
};

void BM_LiteralTranscription(benchmark::State& state)
{
    LiteralEngine engine;
    juce::AudioBuffer<float> source(channels, blockSize), buffer(channels, blockSize);
    fillMusic(source, 0);

    for (auto _ : state)
    {
        buffer.makeCopyOf(source, true);
        engine.process(buffer, sampleRate);
        benchmark::DoNotOptimize(buffer.getReadPointer(0));
    }
    setCounters(state);
}

void BM_ProcessBlock(benchmark::State& state)
{
    MallowAudioProcessor processor;
    processor.prepareToPlay(sampleRate, blockSize);
    juce::AudioBuffer<float> source(channels, blockSize), buffer(channels, blockSize);
    fillMusic(source, 0);
    juce::MidiBuffer midi;

    for (auto _ : state)
    {
        buffer.makeCopyOf(source, true);
        processor.processBlock(buffer, midi);
        benchmark::DoNotOptimize(buffer.getReadPointer(0));
    }
    setCounters(state);
}

BENCHMARK(BM_LiteralTranscription);
BENCHMARK(BM_ProcessBlock);

// Keeps each run's CPU time per iteration, in the run's own time unit, for the summary lines.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                timePerIteration[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, double> timePerIteration;
};
} // namespace

int main(int argc, char** argv)
{
    const juce::ScopedJuceInitialiser_GUI juce; // the editor benchmark needs the message manager
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto literal = reporter.timePerIteration.find("BM_LiteralTranscription");
    const auto ours = reporter.timePerIteration.find("BM_ProcessBlock");
    if (literal != reporter.timePerIteration.end() && ours != reporter.timePerIteration.end() && ours->second > 0)
        std::printf("\nprocessBlock speed against the literal transcription: %.2fx (above 1 is faster)\n",
                    literal->second / ours->second);

    const auto refresh = reporter.timePerIteration.find("BM_EditorRefreshTick");
    if (refresh != reporter.timePerIteration.end())
        std::printf("editor refresh: %.0f us per tick, %.1f %% of the 30 ms period\n", refresh->second,
                    refresh->second / 30000.0 * 100.0);

    benchmark::Shutdown();
    return 0;
}
