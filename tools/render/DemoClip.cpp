#include "DemoClip.h"

#include <array>
#include <cmath>

namespace
{
constexpr double twoPi = 6.283185307179586;
constexpr double beatsPerSecond = 2.0; // 120 BPM
constexpr double eighth = 0.25;        // seconds

double noteHz(int midiNote)
{
    return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0);
}

/** Adds a mono voice into both channels at the given left/right gains. */
void addVoice(juce::AudioBuffer<float>& out, int start, const std::vector<float>& voice, float left,
              float right)
{
    for (size_t i = 0; i < voice.size(); ++i)
    {
        const auto n = start + (int)i;

        if (n >= out.getNumSamples())
            break;

        out.addSample(0, n, voice[i] * left);
        out.addSample(1, n, voice[i] * right);
    }
}

/** A sine whose pitch falls quickly from 150 Hz to 45 Hz under a short decay. */
std::vector<float> kick()
{
    std::vector<float> voice((size_t)(0.45 * DemoClip::sampleRate));
    double phase = 0.0;

    for (size_t i = 0; i < voice.size(); ++i)
    {
        const double t = (double)i / DemoClip::sampleRate;
        const double hz = 45.0 + 105.0 * std::exp(-t / 0.035);
        phase += twoPi * hz / DemoClip::sampleRate;
        const double click = std::exp(-t / 0.002) * 0.3;
        voice[i] = (float)((std::sin(phase) + click) * std::exp(-t / 0.16));
    }

    return voice;
}

/** Noise through a one-pole low-pass minus a slower one (a crude band-pass), with a short
    tone for the drum's body. */
std::vector<float> snare(juce::Random& random)
{
    std::vector<float> voice((size_t)(0.3 * DemoClip::sampleRate));
    double bright = 0.0, dull = 0.0;

    for (size_t i = 0; i < voice.size(); ++i)
    {
        const double t = (double)i / DemoClip::sampleRate;
        const double noise = random.nextDouble() * 2.0 - 1.0;
        bright += 0.55 * (noise - bright);
        dull += 0.03 * (noise - dull);
        const double body = std::sin(twoPi * 185.0 * t) * std::exp(-t / 0.04);
        voice[i] = (float)((bright - dull) * 1.2 * std::exp(-t / 0.07) + body * 0.5);
    }

    return voice;
}

/** Noise minus its low-passed self keeps only the hiss; a very short decay. */
std::vector<float> hat(juce::Random& random, double decaySeconds)
{
    std::vector<float> voice((size_t)(6.0 * decaySeconds * DemoClip::sampleRate));
    double low = 0.0;

    for (size_t i = 0; i < voice.size(); ++i)
    {
        const double t = (double)i / DemoClip::sampleRate;
        const double noise = random.nextDouble() * 2.0 - 1.0;
        low += 0.4 * (noise - low);
        voice[i] = (float)((noise - low) * std::exp(-t / decaySeconds));
    }

    return voice;
}

/** A plucked bass note: a sine with a little second harmonic, quick attack, medium decay. */
std::vector<float> bassNote(int midiNote, double seconds)
{
    std::vector<float> voice((size_t)(seconds * DemoClip::sampleRate));
    const double hz = noteHz(midiNote);

    for (size_t i = 0; i < voice.size(); ++i)
    {
        const double t = (double)i / DemoClip::sampleRate;
        const double attack = std::min(1.0, t / 0.008);
        const double release = std::min(1.0, (seconds - t) / 0.03);
        const double shape = std::sin(twoPi * hz * t) + 0.25 * std::sin(2.0 * twoPi * hz * t);
        voice[i] = (float)(shape * attack * release * (0.35 + 0.65 * std::exp(-t / 0.25)));
    }

    return voice;
}

/** A sustained chord with a slow swell and fade; each channel slightly detuned for width. */
void addPadChord(juce::AudioBuffer<float>& out, double startSeconds, double seconds, std::array<int, 4> notes)
{
    const int start = (int)(startSeconds * DemoClip::sampleRate);
    const int length = (int)(seconds * DemoClip::sampleRate);

    for (int channel = 0; channel < 2; ++channel)
    {
        const double detune = channel == 0 ? 0.997 : 1.003;

        for (int i = 0; i < length && start + i < out.getNumSamples(); ++i)
        {
            const double t = (double)i / DemoClip::sampleRate;
            const double swell = std::min(1.0, t / 1.2);
            const double fade = std::min(1.0, (seconds - t) / 0.8);
            double sum = 0.0;

            for (const int note : notes)
            {
                const double hz = noteHz(note) * detune;
                sum += std::sin(twoPi * hz * t) + 0.3 * std::sin(2.0 * twoPi * hz * t + 0.5) +
                       0.1 * std::sin(3.0 * twoPi * hz * t);
            }

            out.addSample(channel, start + i, (float)(sum * 0.06 * swell * fade));
        }
    }
}
} // namespace

StreamFormat DemoClip::format()
{
    StreamFormat demo;
    demo.numChannels = 2;
    demo.sampleRate = sampleRate;
    demo.bitsPerSample = bitsPerSample;
    demo.isFloat = false;
    demo.lengthInSamples = lengthInSamples;
    return demo;
}

juce::AudioBuffer<float> DemoClip::generate()
{
    juce::AudioBuffer<float> out(2, (int)lengthInSamples);
    out.clear();
    juce::Random random(20230705); // fixed seed: the demo sounds the same on every run

    const auto at = [](double seconds) { return (int)(seconds * sampleRate); };
    const auto kickVoice = kick();
    const auto snareVoice = snare(random);
    const auto closedHat = hat(random, 0.018);
    const auto openHat = hat(random, 0.09);

    // Drums: kick on 1 and 3 with a push before 3, snare on 2 and 4, eighth-note hats.
    const double beat = 1.0 / beatsPerSecond;
    const int bars = (int)(lengthInSeconds / (4.0 * beat)) + 1;

    for (int bar = 0; bar < bars; ++bar)
    {
        const double barStart = bar * 4.0 * beat;
        addVoice(out, at(barStart), kickVoice, 0.8f, 0.8f);
        addVoice(out, at(barStart + 1.5 * beat), kickVoice, 0.55f, 0.55f);
        addVoice(out, at(barStart + 2.0 * beat), kickVoice, 0.8f, 0.8f);
        addVoice(out, at(barStart + beat), snareVoice, 0.5f, 0.45f);
        addVoice(out, at(barStart + 3.0 * beat), snareVoice, 0.5f, 0.45f);

        for (int step = 0; step < 8; ++step)
        {
            const bool open = step == 7;
            const float accent = step % 2 == 0 ? 0.22f : 0.14f;
            addVoice(out, at(barStart + step * eighth), open ? openHat : closedHat, accent * 0.7f, accent);
        }
    }

    // Bass in eighths, following the chords: A minor for two bars, then F major.
    const std::array<int, 8> bassLine{45, 45, 57, 45, 45, 52, 55, 57};

    for (int step = 0; step * eighth < lengthInSeconds; ++step)
    {
        const bool secondChord = step * eighth >= 4.0;
        const int note = bassLine[(size_t)step % bassLine.size()] + (secondChord ? -4 : 0);
        addVoice(out, at(step * eighth), bassNote(note, eighth * 0.9), 0.3f, 0.3f);
    }

    addPadChord(out, 0.0, 4.4, {57, 60, 64, 67});                   // A minor 7
    addPadChord(out, 4.0, lengthInSeconds - 4.0, {53, 57, 60, 64}); // F major 7

    // Short fades so the clip starts and ends without a click, then peak at -3 dBFS.
    const int fade = at(0.01);
    out.applyGainRamp(0, fade, 0.0f, 1.0f);
    out.applyGainRamp(out.getNumSamples() - fade, fade, 1.0f, 0.0f);

    const float peak = out.getMagnitude(0, out.getNumSamples());

    if (peak > 0.0f)
        out.applyGain(0.7079458f / peak);

    return out;
}
