// Sound for the WAV demo tracks, computed sample by sample.
#include "demo_tracks.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace demo {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kEdgeFadeSeconds = 0.02;
constexpr float kPeakAfterNormalising = 0.89f; // about -1 dB of full scale

double keyFrequency(int key) { return 440.0 * std::pow(2.0, (key - 69) / 12.0); }

// 0 at both ends, rising and falling linearly over `fade` frames.
double edgeFade(size_t frame, size_t frames, size_t fade)
{
    const size_t fromEnd = frames - 1 - frame;
    const size_t nearest = std::min(frame, fromEnd);
    return nearest >= fade ? 1.0 : double(nearest) / double(fade);
}

Pcm silence(double seconds, int sampleRate, int channels)
{
    Pcm pcm;
    pcm.sampleRate = sampleRate;
    pcm.channels = channels;
    pcm.samples.assign(static_cast<size_t>(seconds * sampleRate) * static_cast<size_t>(channels), 0.0f);
    return pcm;
}

// A plucked string: a few harmonics, each decaying faster than the one below,
// after a 4 ms attack. The sine is advanced by rotating a phasor, which keeps
// three minutes of notes quick to compute.
struct Pluck {
    double frequency;
    double amplitude;
    double decaySeconds;
    double pan; // 0 left, 1 right
};

void addPluck(Pcm &pcm, size_t start, const Pluck &pluck)
{
    constexpr std::array<double, 4> kHarmonicWeights = {1.0, 0.45, 0.22, 0.1};
    const double rate = pcm.sampleRate;
    const double left = std::cos(pluck.pan * std::numbers::pi / 2);
    const double right = std::sin(pluck.pan * std::numbers::pi / 2);
    const size_t attack = static_cast<size_t>(0.004 * rate);
    const size_t frames = pcm.frames();
    for (size_t h = 0; h < kHarmonicWeights.size(); ++h) {
        const double frequency = pluck.frequency * double(h + 1);
        if (frequency > rate * 0.45)
            break;
        const double decay = pluck.decaySeconds / double(h + 1);
        const size_t length = std::min(static_cast<size_t>(decay * 7.0 * rate), frames - std::min(start, frames));
        const double step = kTwoPi * frequency / rate;
        const double rotateCos = std::cos(step), rotateSin = std::sin(step);
        const double fall = std::exp(-1.0 / (decay * rate));
        double cosine = 1.0, sine = 0.0, envelope = pluck.amplitude * kHarmonicWeights[h];
        for (size_t i = 0; i < length; ++i) {
            const double ramp = i < attack ? double(i) / double(attack) : 1.0;
            const double value = sine * envelope * ramp;
            pcm.samples[(start + i) * 2] += static_cast<float>(value * left);
            pcm.samples[(start + i) * 2 + 1] += static_cast<float>(value * right);
            const double nextCos = cosine * rotateCos - sine * rotateSin;
            sine = sine * rotateCos + cosine * rotateSin;
            cosine = nextCos;
            envelope *= fall;
            if ((i & 1023) == 1023) { // keep the phasor on the unit circle
                const double norm = std::hypot(cosine, sine);
                cosine /= norm;
                sine /= norm;
            }
        }
    }
}

void normalise(Pcm &pcm)
{
    float peak = 0.0f;
    for (float sample : pcm.samples)
        peak = std::max(peak, std::fabs(sample));
    if (peak > 0.0f)
        for (float &sample : pcm.samples)
            sample *= kPeakAfterNormalising / peak;
}

// Keys of each chord's arpeggio (four notes from the middle register) and its bass root.
struct PieceChord {
    std::array<int, 4> keys;
    int bassKey;
};
constexpr PieceChord kAminor = {{57, 60, 64, 69}, 45};
constexpr PieceChord kFmajor = {{53, 57, 60, 65}, 41};
constexpr PieceChord kCmajor = {{55, 60, 64, 67}, 48};
constexpr PieceChord kGmajor = {{55, 59, 62, 67}, 43};
constexpr PieceChord kEmajor = {{52, 56, 59, 64}, 40};
constexpr PieceChord kDminor = {{53, 57, 62, 65}, 50};
constexpr std::array<PieceChord, 16> kProgression = {
    kAminor, kFmajor, kCmajor, kGmajor, kAminor, kFmajor, kCmajor, kEmajor,
    kDminor, kGmajor, kCmajor, kAminor, kFmajor, kDminor, kEmajor, kAminor,
};
// Which chord note each eighth of a bar plays; the piece alternates the two.
constexpr std::array<std::array<int, 8>, 2> kArpeggioPatterns = {{{0, 1, 2, 3, 2, 1, 2, 3}, {0, 2, 1, 2, 3, 2, 1, 2}}};
constexpr double kBeatsPerMinute = 96.0;

} // namespace

bool writeWav(const std::string &path, const Pcm &pcm)
{
    SF_INFO info{};
    info.samplerate = pcm.sampleRate;
    info.channels = pcm.channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    std::vector<short> samples(pcm.samples.size());
    std::transform(pcm.samples.begin(), pcm.samples.end(), samples.begin(), [](float sample) {
        return static_cast<short>(std::lround(std::clamp(sample, -1.0f, 1.0f) * 32767.0f));
    });
    const sf_count_t written = sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    return sf_close(file) == 0 && written == static_cast<sf_count_t>(samples.size());
}

Pcm sineTone(double frequency, double seconds, double amplitude, int sampleRate, int channels)
{
    Pcm pcm = silence(seconds, sampleRate, channels);
    const size_t frames = pcm.frames();
    const size_t fade = static_cast<size_t>(kEdgeFadeSeconds * sampleRate);
    for (size_t i = 0; i < frames; ++i) {
        const double value = amplitude * edgeFade(i, frames, fade) * std::sin(kTwoPi * frequency * double(i) / sampleRate);
        for (int c = 0; c < channels; ++c)
            pcm.samples[i * static_cast<size_t>(channels) + static_cast<size_t>(c)] = static_cast<float>(value);
    }
    return pcm;
}

Pcm chord(const std::vector<double> &frequencies, double seconds, double amplitudeEach, int sampleRate)
{
    constexpr std::array<double, 3> kOrganWeights = {1.0, 0.3, 0.15};
    Pcm pcm = silence(seconds, sampleRate, 2);
    const size_t frames = pcm.frames();
    const size_t fade = static_cast<size_t>(0.08 * sampleRate);
    for (size_t n = 0; n < frequencies.size(); ++n) {
        const double pan = frequencies.size() > 1 ? 0.3 + 0.4 * double(n) / double(frequencies.size() - 1) : 0.5;
        const double left = std::cos(pan * std::numbers::pi / 2), right = std::sin(pan * std::numbers::pi / 2);
        for (size_t i = 0; i < frames; ++i) {
            double value = 0.0;
            for (size_t h = 0; h < kOrganWeights.size(); ++h)
                value += kOrganWeights[h] * std::sin(kTwoPi * frequencies[n] * double(h + 1) * double(i) / sampleRate);
            value *= amplitudeEach * edgeFade(i, frames, fade);
            pcm.samples[i * 2] += static_cast<float>(value * left);
            pcm.samples[i * 2 + 1] += static_cast<float>(value * right);
        }
    }
    return pcm;
}

Pcm stereoSweep(double fromHz, double toHz, double seconds, double leftAmplitude, double rightAmplitude,
                int sampleRate)
{
    Pcm pcm = silence(seconds, sampleRate, 2);
    const size_t frames = pcm.frames();
    const size_t fade = static_cast<size_t>(kEdgeFadeSeconds * sampleRate);
    const double ratioLog = std::log(toHz / fromHz);
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / sampleRate;
        // Phase of an exponential sweep: the integral of fromHz * (toHz/fromHz)^(t/seconds).
        const double phase = kTwoPi * fromHz * seconds / ratioLog * (std::exp(ratioLog * t / seconds) - 1.0);
        const double value = std::sin(phase) * edgeFade(i, frames, fade);
        pcm.samples[i * 2] = static_cast<float>(value * leftAmplitude);
        pcm.samples[i * 2 + 1] = static_cast<float>(value * rightAmplitude);
    }
    return pcm;
}

Pcm arpeggioPiece(double seconds, int sampleRate)
{
    Pcm pcm = silence(seconds, sampleRate, 2);
    const double eighth = 30.0 / kBeatsPerMinute;
    const double bar = 8 * eighth;
    const int bars = static_cast<int>(seconds / bar) - 1; // the last bar lets the final chord ring
    const auto frameAt = [&](double time) { return static_cast<size_t>(time * sampleRate); };
    uint32_t melodySeed = 1;
    const auto nextRandom = [&] { // a fixed sequence, so every run writes the same file
        melodySeed = melodySeed * 1103515245u + 12345u;
        return (melodySeed >> 16) & 0x7FFF;
    };

    for (int b = 0; b < bars; ++b) {
        const PieceChord &harmony = kProgression[static_cast<size_t>(b) % kProgression.size()];
        const int section = b / static_cast<int>(kProgression.size());
        const auto &pattern = kArpeggioPatterns[static_cast<size_t>(section) % kArpeggioPatterns.size()];
        const double barStart = b * bar;
        for (int e = 0; e < 8; ++e) {
            const int key = harmony.keys[static_cast<size_t>(pattern[static_cast<size_t>(e)])];
            addPluck(pcm, frameAt(barStart + e * eighth),
                     {keyFrequency(key), e == 0 ? 0.24 : 0.18, 0.7, 0.25 + 0.5 * (e % 2)});
        }
        for (int half = 0; half < 2; ++half)
            addPluck(pcm, frameAt(barStart + half * 4 * eighth), {keyFrequency(harmony.bassKey), 0.32, 1.4, 0.5});
        if (section >= 1) { // a melody of chord tones an octave up, entering after the first round
            for (int beat = 0; beat < 4; ++beat) {
                if (nextRandom() % 10 < 3)
                    continue;
                const int key = harmony.keys[nextRandom() % 4] + 12;
                addPluck(pcm, frameAt(barStart + beat * 2 * eighth), {keyFrequency(key), 0.16, 1.0, 0.6});
            }
        }
    }
    const double end = bars * bar;
    for (size_t n = 0; n < kAminor.keys.size(); ++n)
        addPluck(pcm, frameAt(end + double(n) * 0.06), {keyFrequency(kAminor.keys[n]), 0.2, 2.0, 0.3 + 0.13 * double(n)});
    addPluck(pcm, frameAt(end), {keyFrequency(kAminor.bassKey), 0.3, 2.5, 0.5});

    const size_t frames = pcm.frames();
    const size_t fadeOut = static_cast<size_t>(4.0 * sampleRate);
    for (size_t i = frames - fadeOut; i < frames; ++i) {
        const float gain = static_cast<float>(double(frames - i) / double(fadeOut));
        pcm.samples[i * 2] *= gain;
        pcm.samples[i * 2 + 1] *= gain;
    }
    normalise(pcm);
    return pcm;
}

} // namespace demo
