// MP3 through libmpg123. The length is exact at open: gapless mode trims the
// encoder delay and padding, and the frame count is checked against the file.
// A clean file (frames from its start to its end, nothing else) is counted by a
// quick walk over the frame headers here; anything else is left to mpg123's full
// scan, which is slower but copes with junk, cut files and lying Info tags.
// mpg123 resyncs over almost anything, so the probe first demands a run of
// consecutive well-formed frame headers before a file counts as MP3.
#include "decoder.h"

#include <mpg123.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace engine {

namespace {

// Each decoder keeps its own state type; the engine only sees Decoder pointers.
struct Mp3Decoder {
    mpg123_handle *handle = nullptr;
    int channels = 0;
    ~Mp3Decoder()
    {
        if (handle) {
            mpg123_close(handle);
            mpg123_delete(handle);
        }
    }
};

Mp3Decoder *stateOf(Decoder *decoder) { return reinterpret_cast<Mp3Decoder *>(decoder); }


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
    bool mono = false;
    bool crc = false;
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
    header->mono = (at[3] >> 6) == 3;
    header->crc = (at[1] & 1) == 0;
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

// Bytes of the ID3v2 tag the file starts with, or 0.
size_t id3v2Bytes(const unsigned char *head, size_t size)
{
    if (size < id3v2HeaderSize || head[0] != 'I' || head[1] != 'D' || head[2] != '3' || head[3] == 0xFF ||
        head[4] == 0xFF || ((head[6] | head[7] | head[8] | head[9]) & 0x80) != 0)
        return 0;
    const size_t tagBytes = (size_t(head[6]) << 21) | (size_t(head[7]) << 14) | (size_t(head[8]) << 7) | head[9];
    return id3v2HeaderSize + tagBytes + ((head[5] & 0x10) ? id3v2HeaderSize : 0);
}

bool readsAsMp3(const unsigned char *head, size_t size)
{
    const size_t start = id3v2Bytes(head, size);
    if (start >= size && start > 0)
        return true; // a tag larger than the probe window; open checks the frames
    for (size_t offset = start; offset + 4 <= size; ++offset)
        if (frameRunAt(head, size, offset))
            return true;
    return false;
}

// Reads a file through one large buffer, for walking its frame headers.
class BlockReader {
public:
    explicit BlockReader(const char *path) : fd_(open(path, O_RDONLY | O_CLOEXEC)), buffer_(blockBytes)
    {
        struct stat status {};
        size_ = fd_ >= 0 && fstat(fd_, &status) == 0 ? uint64_t(status.st_size) : 0;
    }
    ~BlockReader()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    BlockReader(const BlockReader &) = delete;
    BlockReader &operator=(const BlockReader &) = delete;

    uint64_t size() const { return size_; }
    // `count` bytes at `offset`, or nullptr past the end of the file.
    const unsigned char *at(uint64_t offset, size_t count)
    {
        if (offset < start_ || offset + count > start_ + filled_) {
            const ssize_t got = fd_ >= 0 ? pread(fd_, buffer_.data(), buffer_.size(), off_t(offset)) : -1;
            start_ = offset;
            filled_ = got > 0 ? size_t(got) : 0;
        }
        return offset + count <= start_ + filled_ ? buffer_.data() + (offset - start_) : nullptr;
    }

private:
    static constexpr size_t blockBytes = 1 << 18;
    int fd_;
    std::vector<unsigned char> buffer_;
    uint64_t size_ = 0;
    uint64_t start_ = 0;
    size_t filled_ = 0;
};

struct CleanFrameCount {
    bool clean = false;      // frames run from the start (after an ID3v2 tag) to the end (before an ID3v1 tag)
    bool infoFrame = false;  // the first frame is a Xing/Info tag, not sound
    uint64_t audioFrames = 0;
};

bool isInfoFrame(BlockReader &file, uint64_t offset, const FrameHeader &header)
{
    if (header.layer != 3)
        return false;
    const size_t sideInfo = header.version == 3 ? (header.mono ? 17 : 32) : (header.mono ? 9 : 17);
    const unsigned char *tag = file.at(offset + 4 + (header.crc ? 2 : 0) + sideInfo, 4);
    return tag && (std::memcmp(tag, "Xing", 4) == 0 || std::memcmp(tag, "Info", 4) == 0);
}

CleanFrameCount countCleanFrames(const char *path)
{
    constexpr size_t id3v1Bytes = 128;
    BlockReader file(path);
    CleanFrameCount count;
    const unsigned char *head = file.at(0, id3v2HeaderSize);
    uint64_t offset = head ? id3v2Bytes(head, id3v2HeaderSize) : 0;
    FrameHeader first;
    const unsigned char *at = file.at(offset, 4);
    if (!at || !parseFrameHeader(at, &first))
        return count;
    count.infoFrame = isInfoFrame(file, offset, first);
    uint64_t frames = 0;
    FrameHeader header;
    while ((at = file.at(offset, 4)) && parseFrameHeader(at, &header) && header.version == first.version &&
           header.layer == first.layer && header.sampleRate == first.sampleRate &&
           offset + header.bytes <= file.size()) {
        ++frames;
        offset += header.bytes;
    }
    const unsigned char *tail = file.at(offset, 3);
    count.clean = offset == file.size() ||
                  (offset + id3v1Bytes == file.size() && tail && std::memcmp(tail, "TAG", 3) == 0);
    count.audioFrames = frames - (count.infoFrame ? 1 : 0);
    return count;
}

// The exact length in frames, from the quick count where it can be trusted.
off_t exactLength(mpg123_handle *handle, const char *path)
{
    const CleanFrameCount count = countCleanFrames(path);
    long delay = -1;
    double unused = 0;
    mpg123_getstate(handle, MPG123_ENC_DELAY, &delay, &unused);
    if (count.clean && count.audioFrames >= requiredFrameRun) {
        if (count.infoFrame && delay >= 0 && mpg123_framelength(handle) == off_t(count.audioFrames))
            return mpg123_length(handle);
        const int samplesPerFrame = mpg123_spf(handle);
        if (!count.infoFrame && delay < 0 && samplesPerFrame > 0)
            return off_t(count.audioFrames) * samplesPerFrame;
    }
    if (mpg123_scan(handle) != MPG123_OK || mpg123_framelength(handle) < requiredFrameRun)
        return -1;
    return mpg123_length(handle);
}

Decoder *openMp3(const char *path, DecoderInfo *info)
{
    auto decoder = std::make_unique<Mp3Decoder>();
    decoder->handle = mpg123_new(nullptr, nullptr);
    mpg123_handle *handle = decoder->handle;
    if (!handle)
        return nullptr;
    mpg123_param(handle, MPG123_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_NO_FRANKENSTEIN, 0);
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
    const off_t frames = exactLength(handle, path);
    if (frames <= 0)
        return nullptr;
    decoder->channels = channels;
    info->sampleRate = static_cast<int>(rate);
    info->channels = channels;
    info->totalFrames = static_cast<uint64_t>(frames);
    return reinterpret_cast<Decoder *>(decoder.release());
}

long readMp3(Decoder *handle, int16_t *out, long frames)
{
    Mp3Decoder *decoder = stateOf(handle);
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

bool seekMp3(Decoder *handle, uint64_t frame)
{
    Mp3Decoder *decoder = stateOf(handle);
    return mpg123_seek(decoder->handle, static_cast<off_t>(frame), SEEK_SET) >= 0;
}

void closeMp3(Decoder *decoder)
{
    std::unique_ptr<Mp3Decoder> owned(stateOf(decoder));
}

} // namespace

const DecoderOps mp3Decoder = {"mp3", readsAsMp3, openMp3, readMp3, seekMp3, closeMp3};

} // namespace engine
