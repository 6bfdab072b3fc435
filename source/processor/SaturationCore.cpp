#include "SaturationCore.h"

#include <cmath>
#include <initializer_list>

namespace mallow::saturation
{
namespace
{
constexpr double pi = 3.14159265358979323846;

// One chain of four one-pole low-pass stages; the offset enters the first stage only.
inline double runChain(double (&stage)[4], double coeff, double input) noexcept
{
    stage[0] = ((input - stage[0]) * coeff + antiDenormalOffset) + stage[0];
    stage[1] = (stage[0] - stage[1]) * coeff + stage[1];
    stage[2] = (stage[1] - stage[2]) * coeff + stage[2];
    stage[3] = (stage[2] - stage[3]) * coeff + stage[3];
    return stage[3];
}

inline float shape(double band, double drive) noexcept
{
    return std::sin(static_cast<float>(band * pi * drive));
}
} // namespace

float crossoverFrequency(float value) noexcept
{
    return value * 9980.0f + 20.0f;
}

void updateCoefficients(CrossoverState& state, float lowFreqValue, float midFreqValue,
                        double sampleRate) noexcept
{
    const double rate = std::trunc(sampleRate);
    if (!(rate >= 1.0))
        return;

    const double lowHz = std::trunc(crossoverFrequency(lowFreqValue));
    const double midHz = std::trunc(crossoverFrequency(midFreqValue));
    state.lowCoeff = 2.0 * std::sin(pi * (lowHz / rate));
    state.midCoeff = 2.0 * std::sin(pi * (midHz / rate));
}

bool processChannel(CrossoverState& state, LevelWindows& levels, int channel,
                    const float (&values)[numParameters], float* samples, int numSamples) noexcept
{
    const float inputGain = values[gainIn];
    const float outputGain = values[gainOut];
    const double lowDrive = values[gainLow] * 25.0f;
    const double midDrive = values[gainMid] * 25.0f;
    const double highDrive = values[gainHigh] * 25.0f;
    const double lowCoeff = state.lowCoeff;
    const double midCoeff = state.midCoeff;

    RmsWindow& inputWindow = levels[inputLevel][channel];
    RmsWindow& lowWindow = levels[lowBandLevel][channel];
    RmsWindow& midWindow = levels[midBandLevel][channel];
    RmsWindow& highWindow = levels[highBandLevel][channel];
    RmsWindow& outputWindow = levels[outputLevel][channel];

    bool clipped = false;

    for (int i = 0; i < numSamples; ++i)
    {
        float x = samples[i];
        // A NaN or infinity would stay in the filter memory forever (nothing clears it);
        // such a sample enters as silence, so the channel is clean again at once.
        if (!std::isfinite(x))
            x = 0.0f;

        const float gained = x * inputGain;
        const double in = gained;

        const double low = runChain(state.lowStage, lowCoeff, in);
        const double midChain = runChain(state.midStage, midCoeff, in);

        const double delayed = state.delay[2];
        state.delay[2] = state.delay[1];
        state.delay[1] = state.delay[0];
        state.delay[0] = in;

        // The bands add up to the input of three samples earlier.
        const double high = delayed - midChain;
        const double mid = delayed - (low + high);

        const float lowOut = shape(low, lowDrive);
        const float midOut = shape(mid, midDrive);
        const float highOut = shape(high, highDrive);

        float y = ((lowOut + midOut) + highOut) * outputGain;
        // Only finite input of absurd size (its shaping product overflows) gets here.
        if (std::isnan(y))
            y = 0.0f;

        inputWindow.push(gained * gained);
        lowWindow.push(lowOut * lowOut);
        midWindow.push(midOut * midOut);
        highWindow.push(highOut * highOut);
        outputWindow.push(y * y);

        if (y > 1.0f || y < -1.0f)
        {
            clipped = true;
            y = y > 1.0f ? 1.0f : -1.0f;
        }

        samples[i] = y;
    }

    if (numSamples > 0)
        for (auto* window : {&inputWindow, &lowWindow, &midWindow, &highWindow, &outputWindow})
            window->publish();

    return clipped;
}

} // namespace mallow::saturation
