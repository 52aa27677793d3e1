// Turns a stream's decoded PCM (16-bit, its own rate and channels) into the
// device format (16-bit stereo at the device rate). libsamplerate changes the
// rate; SDL's audio stream then changes sample format and channel count.
// SDL 2.26's own resampler drops about 1% of the frames of chunked input (a
// 48 kHz file came out 12 ms short per second), so it is only used at one rate.
// Stereo at the device rate needs neither: it passes through untouched, and the
// stream decodes it straight into its ring.
#pragma once

#include <SDL.h>
#include <samplerate.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace engine {

class Converter {
public:
    // nullptr when the formats cannot be converted.
    static std::unique_ptr<Converter> create(int sourceRate, int sourceChannels, int deviceRate);
    Converter() = default;
    ~Converter();
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    // True when the source is already in the device format; then no other call is needed.
    bool passesThrough() const { return !formatter_; }
    bool put(const int16_t *frames, long count);
    // No more input: whatever the resampler still holds becomes output.
    void finish();
    size_t availableFrames();
    size_t get(int16_t *out, size_t frames);
    void clear();

private:
    bool resample(const float *input, long frames, bool endOfInput);

    int channels_ = 0;
    double ratio_ = 1.0;
    SRC_STATE *resampler_ = nullptr;
    SDL_AudioStream *formatter_ = nullptr;
    std::vector<float> input_;
    std::vector<float> resampled_;
};

} // namespace engine
