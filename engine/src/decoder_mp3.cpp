// MP3 through libmpg123. The length is made exact at open by scanning every
// frame header (the Info tag alone would trust a truncated file); gapless mode
// trims the encoder delay and padding, so length, seeking and sound agree.
// mpg123 resyncs over almost anything, so the probe first demands a run of
// consecutive well-formed frame headers before a file counts as MP3.
#include "decoder.h"

#include <mpg123.h>

#include <array>
#include <memory>

namespace engine {

struct Decoder {
    mpg123_handle *handle = nullptr;
    int channels = 0;
    ~Decoder()
    {
        if (handle) {
            mpg123_close(handle);
            mpg123_delete(handle);
        }
    }
};

namespace {

constexpr int requiredFrameRun = 4;
constexpr long junkSkipLimit = 1 << 17;
constexpr int id3v2HeaderSize = 10;

// kbit/s by [MPEG-1 or 2/2.5][layer I, II, III][index 1..14]
constexpr std::array<std::array<std::array<int, 15>, 3>, 2> bitrateTable = {{
    {{{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}}},
    {{{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}},
}};
constexpr std::array<int, 3> mpeg1SampleRates = {44100, 48000, 32000};

struct FrameHeader {
    unsigned version = 0; // bits of the header: 0 MPEG-2.5, 2 MPEG-2, 3 MPEG-1
    unsigned layer = 0;   // 1..3
    int sampleRate = 0;
    size_t bytes = 0;
};

bool parseFrameHeader(const unsigned char *at, FrameHeader *header)
{
    if (at[0] != 0xFF || (at[1] & 0xE0) != 0xE0)
        return false;
    const unsigned version = (at[1] >> 3) & 3;
    const unsigned layerBits = (at[1] >> 1) & 3;
    const unsigned bitrateIndex = at[2] >> 4;
    const unsigned rateIndex = (at[2] >> 2) & 3;
    if (version == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;
    const unsigned layer = 4 - layerBits;
    const bool mpeg1 = version == 3;
    const long bitrate = 1000L * bitrateTable[mpeg1 ? 0 : 1][layer - 1][bitrateIndex];
    const int shift = version == 3 ? 0 : version == 2 ? 1 : 2;
    const long rate = mpeg1SampleRates[rateIndex] >> shift;
    const long padding = (at[2] >> 1) & 1;
    long bytes = 0;
    if (layer == 1)
        bytes = (12 * bitrate / rate + padding) * 4;
    else if (layer == 3 && !mpeg1)
        bytes = 72 * bitrate / rate + padding;
    else
        bytes = 144 * bitrate / rate + padding;
    header->version = version;
    header->layer = layer;
    header->sampleRate = static_cast<int>(rate);
    header->bytes = static_cast<size_t>(bytes);
    return bytes > 4;
}

// A run of frames of one version, layer and rate, each starting where the last ended.
bool frameRunAt(const unsigned char *head, size_t size, size_t offset)
{
    FrameHeader first;
    if (offset + 4 > size || !parseFrameHeader(head + offset, &first))
        return false;
    int frames = 1;
    size_t next = offset + first.bytes;
    while (frames < requiredFrameRun) {
        if (next == size)
            return frames >= 2;
        FrameHeader header;
        if (next + 4 > size || !parseFrameHeader(head + next, &header) || header.version != first.version ||
            header.layer != first.layer || header.sampleRate != first.sampleRate)
            return false;
        ++frames;
        next += header.bytes;
    }
    return true;
}

bool readsAsMp3(const unsigned char *head, size_t size)
{
    size_t start = 0;
    if (size >= id3v2HeaderSize && head[0] == 'I' && head[1] == 'D' && head[2] == '3' && head[3] != 0xFF &&
        head[4] != 0xFF && ((head[6] | head[7] | head[8] | head[9]) & 0x80) == 0) {
        const size_t tagBytes = (size_t(head[6]) << 21) | (size_t(head[7]) << 14) | (size_t(head[8]) << 7) | head[9];
        start = id3v2HeaderSize + tagBytes + ((head[5] & 0x10) ? id3v2HeaderSize : 0);
        if (start >= size)
            return true; // a tag larger than the probe window; open checks the frames
    }
    for (size_t offset = start; offset + 4 <= size; ++offset)
        if (frameRunAt(head, size, offset))
            return true;
    return false;
}

Decoder *openMp3(const char *path, DecoderInfo *info)
{
    auto decoder = std::make_unique<Decoder>();
    decoder->handle = mpg123_new(nullptr, nullptr);
    mpg123_handle *handle = decoder->handle;
    if (!handle)
        return nullptr;
    mpg123_param(handle, MPG123_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0);
    mpg123_param(handle, MPG123_RESYNC_LIMIT, junkSkipLimit, 0);
    if (mpg123_open(handle, path) != MPG123_OK)
        return nullptr;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 || channels < 1 ||
        channels > 2)
        return nullptr;
    mpg123_format_none(handle);
    if (mpg123_format(handle, rate, channels, MPG123_ENC_SIGNED_16) != MPG123_OK)
        return nullptr;
    if (mpg123_scan(handle) != MPG123_OK)
        return nullptr;
    const off_t frames = mpg123_length(handle);
    if (frames <= 0 || mpg123_framelength(handle) < requiredFrameRun)
        return nullptr;
    decoder->channels = channels;
    info->sampleRate = static_cast<int>(rate);
    info->channels = channels;
    info->totalFrames = static_cast<uint64_t>(frames);
    return decoder.release();
}

long readMp3(Decoder *decoder, int16_t *out, long frames)
{
    constexpr int emptyReadLimit = 8;
    const size_t frameBytes = static_cast<size_t>(decoder->channels) * sizeof(int16_t);
    for (int attempt = 0; attempt < emptyReadLimit; ++attempt) {
        size_t done = 0;
        const int result =
            mpg123_read(decoder->handle, reinterpret_cast<unsigned char *>(out), frames * frameBytes, &done);
        if (done >= frameBytes)
            return static_cast<long>(done / frameBytes);
        if (result == MPG123_DONE)
            return 0;
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
            return -1;
    }
    return -1;
}

bool seekMp3(Decoder *decoder, uint64_t frame)
{
    return mpg123_seek(decoder->handle, static_cast<off_t>(frame), SEEK_SET) >= 0;
}

void closeMp3(Decoder *decoder)
{
    std::unique_ptr<Decoder> owned(decoder);
}

} // namespace

const DecoderOps mp3Decoder = {"mp3", readsAsMp3, openMp3, readMp3, seekMp3, closeMp3};

} // namespace engine
