#include "converter.h"

#include <algorithm>

namespace engine {

namespace {
constexpr int deviceChannels = 2;
constexpr size_t deviceFrameBytes = deviceChannels * sizeof(int16_t);
constexpr long resampleSlackFrames = 64;
} // namespace

std::unique_ptr<Converter> Converter::create(int sourceRate, int sourceChannels, int deviceRate)
{
    auto converter = std::make_unique<Converter>();
    converter->channels_ = sourceChannels;
    converter->ratio_ = double(deviceRate) / double(sourceRate);
    if (src_is_valid_ratio(converter->ratio_) == 0)
        return nullptr;
    if (sourceRate == deviceRate && sourceChannels == deviceChannels)
        return converter;
    if (sourceRate != deviceRate) {
        int error = 0;
        converter->resampler_ = src_new(SRC_SINC_FASTEST, sourceChannels, &error);
        if (!converter->resampler_)
            return nullptr;
    }
    // At the device rate the samples stay 16-bit all the way; only resampling needs floats.
    const SDL_AudioFormat inputFormat = converter->resampler_ ? AUDIO_F32SYS : AUDIO_S16SYS;
    converter->formatter_ = SDL_NewAudioStream(inputFormat, uint8_t(sourceChannels), deviceRate, AUDIO_S16SYS,
                                               deviceChannels, deviceRate);
    if (!converter->formatter_)
        return nullptr;
    return converter;
}

Converter::~Converter()
{
    if (resampler_)
        src_delete(resampler_);
    if (formatter_)
        SDL_FreeAudioStream(formatter_);
}

bool Converter::resample(const float *input, long frames, bool endOfInput)
{
    const long capacity = long(double(frames) * ratio_) + resampleSlackFrames;
    resampled_.resize(size_t(capacity) * size_t(channels_));
    for (;;) {
        SRC_DATA data{};
        data.data_in = input;
        data.input_frames = frames;
        data.data_out = resampled_.data();
        data.output_frames = capacity;
        data.src_ratio = ratio_;
        data.end_of_input = endOfInput;
        if (src_process(resampler_, &data) != 0)
            return false;
        if (data.output_frames_gen > 0 &&
            SDL_AudioStreamPut(formatter_, resampled_.data(),
                               int(data.output_frames_gen * channels_ * long(sizeof(float)))) != 0)
            return false;
        input += data.input_frames_used * channels_;
        frames -= data.input_frames_used;
        const bool stuck = data.input_frames_used == 0 && data.output_frames_gen == 0;
        if (stuck || (frames <= 0 && !endOfInput))
            return true;
    }
}

bool Converter::put(const int16_t *frames, long count)
{
    if (!formatter_)
        return false;
    if (!resampler_)
        return SDL_AudioStreamPut(formatter_, frames, int(count * channels_ * long(sizeof(int16_t)))) == 0;
    input_.resize(size_t(count) * size_t(channels_));
    src_short_to_float_array(frames, input_.data(), int(input_.size()));
    return resample(input_.data(), count, false);
}

void Converter::finish()
{
    if (resampler_)
        resample(nullptr, 0, true);
    if (formatter_)
        SDL_AudioStreamFlush(formatter_);
}

size_t Converter::availableFrames()
{
    return formatter_ ? size_t(SDL_AudioStreamAvailable(formatter_)) / deviceFrameBytes : 0;
}

size_t Converter::get(int16_t *out, size_t frames)
{
    const int bytes = formatter_ ? SDL_AudioStreamGet(formatter_, out, int(frames * deviceFrameBytes)) : 0;
    return bytes > 0 ? size_t(bytes) / deviceFrameBytes : 0;
}

void Converter::clear()
{
    if (resampler_)
        src_reset(resampler_);
    if (formatter_)
        SDL_AudioStreamClear(formatter_);
}

} // namespace engine
