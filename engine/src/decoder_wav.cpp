// WAV through libsndfile. libsndfile trusts the file size over a header that
// claims more data, so a short file plays what it holds and then ends.
#include "decoder.h"

#include <sndfile.h>

#include <cstring>
#include <memory>

namespace engine {

namespace {

// Each decoder keeps its own state type; the engine only sees Decoder pointers.
struct WavDecoder {
    SNDFILE *file = nullptr;
    int channels = 0;
    ~WavDecoder()
    {
        if (file)
            sf_close(file);
    }
};

WavDecoder *stateOf(Decoder *decoder) { return reinterpret_cast<WavDecoder *>(decoder); }


bool readsAsWav(const unsigned char *head, size_t size)
{
    if (size < 12)
        return false;
    const bool riff = std::memcmp(head, "RIFF", 4) == 0 || std::memcmp(head, "RIFX", 4) == 0 ||
                      std::memcmp(head, "RF64", 4) == 0;
    return riff && std::memcmp(head + 8, "WAVE", 4) == 0;
}

Decoder *openWav(const char *path, DecoderInfo *info)
{
    SF_INFO format{};
    SNDFILE *file = sf_open(path, SFM_READ, &format);
    if (!file)
        return nullptr;
    auto decoder = std::make_unique<WavDecoder>();
    decoder->file = file;
    decoder->channels = format.channels;
    const int container = format.format & SF_FORMAT_TYPEMASK;
    const bool wavContainer = container == SF_FORMAT_WAV || container == SF_FORMAT_WAVEX || container == SF_FORMAT_RF64;
    if (!wavContainer || format.channels < 1 || format.channels > 2 || format.samplerate <= 0 || format.frames < 0)
        return nullptr;
    info->sampleRate = format.samplerate;
    info->channels = format.channels;
    info->totalFrames = static_cast<uint64_t>(format.frames);
    return reinterpret_cast<Decoder *>(decoder.release());
}

long readWav(Decoder *handle, int16_t *out, long frames)
{
    WavDecoder *decoder = stateOf(handle);
    const sf_count_t got = sf_readf_short(decoder->file, out, frames);
    if (got == 0 && sf_error(decoder->file) != SF_ERR_NO_ERROR)
        return -1;
    return static_cast<long>(got);
}

bool seekWav(Decoder *handle, uint64_t frame)
{
    WavDecoder *decoder = stateOf(handle);
    return sf_seek(decoder->file, static_cast<sf_count_t>(frame), SEEK_SET) >= 0;
}

void closeWav(Decoder *decoder)
{
    std::unique_ptr<WavDecoder> owned(stateOf(decoder));
}

} // namespace

const DecoderOps wavDecoder = {"wav", readsAsWav, openWav, readWav, seekWav, closeWav};

} // namespace engine
