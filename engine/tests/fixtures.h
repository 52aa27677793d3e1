// Test helpers: generated sound files in a temporary folder, and analysis of
// the raw 16-bit stereo output that SDL's disk driver writes.
#pragma once

#include "audio_engine.h"

#include <sndfile.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace fixtures {

namespace fs = std::filesystem;

struct Tone {
    double frequency = 440.0;
    double seconds = 1.0;
    int rate = 44100;
    int channels = 2;
    double leftAmplitude = 0.5; // of full scale; mono files use this one
    double rightAmplitude = 0.5;
};

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "engine-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;
    fs::path operator/(const std::string &name) const { return path_ / name; }
    const fs::path &path() const { return path_; }

private:
    fs::path path_;
};

inline std::vector<int16_t> toneSamples(const Tone &tone)
{
    const auto frames = static_cast<size_t>(tone.seconds * tone.rate);
    std::vector<int16_t> samples(frames * size_t(tone.channels));
    for (size_t i = 0; i < frames; ++i) {
        const double wave = std::sin(2.0 * std::numbers::pi * tone.frequency * double(i) / tone.rate);
        samples[i * tone.channels] = static_cast<int16_t>(std::lround(wave * tone.leftAmplitude * 32767));
        if (tone.channels == 2)
            samples[i * 2 + 1] = static_cast<int16_t>(std::lround(wave * tone.rightAmplitude * 32767));
    }
    return samples;
}

inline void writeSamples(const fs::path &path, const std::vector<int16_t> &samples, int rate, int channels)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_write_short(file, samples.data(), sf_count_t(samples.size()));
    sf_close(file);
}

inline void writeWav(const fs::path &path, const Tone &tone)
{
    writeSamples(path, toneSamples(tone), tone.rate, tone.channels);
}

inline void encodeMp3(const fs::path &wav, const fs::path &mp3, const std::string &lameOptions = "")
{
    const std::string command = "lame --quiet -b 192 " + lameOptions + " '" + wav.string() + "' '" + mp3.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Encodes a WAV of the tone with lame at 192 kbit/s (LAME tag with delay and padding).
inline void writeMp3(const fs::path &path, const Tone &tone, const std::string &lameOptions = "")
{
    const fs::path wav = path.string() + ".source.wav";
    writeWav(wav, tone);
    encodeMp3(wav, path, lameOptions);
    fs::remove(wav);
}

inline std::string readBytes(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const fs::path &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string randomBytes(size_t count, unsigned seed)
{
    std::string bytes(count, '\0');
    for (char &byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<char>(seed >> 16);
    }
    return bytes;
}

inline std::string id3v1Tag(const std::string &title)
{
    std::string tag = "TAG" + title;
    tag.resize(128, '\0');
    return tag;
}

// Polls `condition` every 10 ms until it holds or `seconds` have passed.
inline bool waitFor(const std::function<bool()> &condition, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

inline bool playToEnd(HSTREAM stream, double timeoutSeconds)
{
    return waitFor([&] { return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED; }, timeoutSeconds);
}

// A stretch of one channel of the captured output.
struct Channel {
    std::vector<int16_t> samples;
    int rate = 44100;

    int peak() const
    {
        int best = 0;
        for (int16_t sample : samples)
            best = std::max(best, std::abs(int(sample)));
        return best;
    }
    // Rising zero crossings per second.
    double frequencyByCrossings() const
    {
        int crossings = 0;
        for (size_t i = 1; i < samples.size(); ++i)
            crossings += samples[i - 1] < 0 && samples[i] >= 0;
        return samples.empty() ? 0.0 : crossings * double(rate) / double(samples.size());
    }
    // Share of the signal's energy at `frequency` (Goertzel), 0..1.
    double energyShareAt(double frequency) const
    {
        const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * frequency / rate);
        double previous = 0.0, beforePrevious = 0.0, total = 0.0;
        for (int16_t sample : samples) {
            const double current = sample + coefficient * previous - beforePrevious;
            beforePrevious = previous;
            previous = current;
            total += double(sample) * sample;
        }
        const double power = previous * previous + beforePrevious * beforePrevious -
                              coefficient * previous * beforePrevious;
        return total > 0.0 ? 2.0 * power / (double(samples.size()) * total) : 0.0;
    }
};

// The output SDL's disk driver writes, read back as stereo frames.
class CapturedOutput {
public:
    explicit CapturedOutput(const fs::path &file) : file_(file) {}

    // Frames written so far; a mark to read from later.
    size_t framesSoFar() const
    {
        std::error_code error;
        const auto bytes = fs::file_size(file_, error);
        return error ? 0 : size_t(bytes) / 4;
    }
    void read(size_t fromFrame)
    {
        const std::string bytes = readBytes(file_);
        const size_t frames = bytes.size() / 4;
        left.samples.clear();
        right.samples.clear();
        for (size_t i = std::min(fromFrame, frames); i < frames; ++i) {
            int16_t pair[2];
            std::memcpy(pair, bytes.data() + i * 4, 4);
            left.samples.push_back(pair[0]);
            right.samples.push_back(pair[1]);
        }
    }
    // [first, last] frames louder than `threshold` in either channel; empty when silent.
    std::pair<size_t, size_t> soundingRange(int threshold = 64) const
    {
        size_t first = left.samples.size(), last = 0;
        for (size_t i = 0; i < left.samples.size(); ++i)
            if (std::abs(int(left.samples[i])) > threshold || std::abs(int(right.samples[i])) > threshold) {
                first = std::min(first, i);
                last = i;
            }
        return {first, last};
    }
    Channel slice(const Channel &channel, size_t from, size_t to) const
    {
        Channel part;
        part.rate = channel.rate;
        part.samples.assign(channel.samples.begin() + long(from), channel.samples.begin() + long(to));
        return part;
    }

    Channel left, right;

private:
    fs::path file_;
};

} // namespace fixtures
