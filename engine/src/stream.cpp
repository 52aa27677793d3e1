// Decoding into a stream's ring (decode side) and mixing out of it (output
// side), plus the arithmetic that turns device time into what is heard.
#include "stream.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace engine {

namespace {

// One decoder read: large enough that the per-read and per-lock costs vanish
// beside decoding, small enough that a stop or seek never waits long for it.
constexpr long sourceChunkFrames = 8192;
constexpr int deviceChannels = RingBuffer::channels;
// The decode thread refills when the ring falls below half (engine.cpp), so it
// wakes once per second of sound and the output has a second in hand.
constexpr double ringSeconds = 2.0;
constexpr double volumeRampSeconds = 0.01;
constexpr double levelWindowSeconds = 0.02;

uint32_t packLevel(uint32_t left, uint32_t right) { return left << 16 | right; }

// Frames mixed but still in the device's queue, never more than the segment holds.
uint64_t framesNotYetHeard(const Stream &stream, uint64_t heardDeviceFrame, uint64_t mixedFrames)
{
    const uint64_t queued = stream.lastMixDeviceEnd > heardDeviceFrame ? stream.lastMixDeviceEnd - heardDeviceFrame : 0;
    return std::min(queued, mixedFrames);
}

// Adds `frames` frames at a fixed gain (0 to 1) and raises the block peaks.
// Runs of a fixed length let the compiler turn the inner loop into vector code.
void mixSteady(const int16_t *frame, float *out, uint32_t frames, float gain, float *blockLeft, float *blockRight)
{
    constexpr uint32_t runFrames = 8;
    constexpr uint32_t runSamples = runFrames * deviceChannels;
    std::array<int, runSamples> peaks{}; // even entries left, odd entries right
    uint32_t done = 0;
    for (; done + runFrames <= frames; done += runFrames) {
        const int16_t *in = frame + size_t(done) * deviceChannels;
        float *mixed = out + size_t(done) * deviceChannels;
        for (uint32_t i = 0; i < runSamples; ++i) {
            mixed[i] += float(in[i]) * gain;
            peaks[i] = std::max(peaks[i], std::abs(int(in[i])));
        }
    }
    for (uint32_t i = done * deviceChannels; i < frames * deviceChannels; ++i) {
        out[i] += float(frame[i]) * gain;
        peaks[i % 2] = std::max(peaks[i % 2], std::abs(int(frame[i])));
    }
    int peakLeft = 0;
    int peakRight = 0;
    for (uint32_t i = 0; i < runSamples; i += deviceChannels) {
        peakLeft = std::max(peakLeft, peaks[i]);
        peakRight = std::max(peakRight, peaks[i + 1]);
    }
    *blockLeft = std::max(*blockLeft, float(peakLeft) * gain);
    *blockRight = std::max(*blockRight, float(peakRight) * gain);
}

// The same while the gain moves towards its target one step per frame, so that
// a volume change never clicks.
void mixRamping(Stream &stream, const int16_t *frame, float *out, uint32_t frames, float rampStep, float *blockLeft,
                float *blockRight)
{
    float gain = stream.gain;
    const float target = stream.targetGain;
    for (uint32_t i = 0; i < frames; ++i) {
        if (gain != target)
            gain = gain < target ? std::min(target, gain + rampStep) : std::max(target, gain - rampStep);
        const float left = frame[2 * i] * gain;
        const float right = frame[2 * i + 1] * gain;
        out[2 * i] += left;
        out[2 * i + 1] += right;
        *blockLeft = std::max(*blockLeft, std::fabs(left));
        *blockRight = std::max(*blockRight, std::fabs(right));
    }
    stream.gain = gain;
}

} // namespace

uint64_t DeviceClock::heardFrame(Clock::time_point now) const
{
    if (!started)
        return 0;
    const double elapsedSeconds = std::chrono::duration<double>(now - lastCallbackTime).count();
    const uint64_t played = static_cast<uint64_t>(std::clamp(elapsedSeconds * rate, 0.0, double(lastCallbackFrames)));
    const uint64_t handedOut = framesBeforeLastCallback + played;
    return handedOut > bufferFrames ? handedOut - bufferFrames : 0;
}

void DeviceClock::outputClosed()
{
    if (!started)
        return;
    framesBeforeLastCallback += lastCallbackFrames + bufferFrames;
    lastCallbackFrames = 0;
}

void LevelHistory::add(uint64_t frameIndex, uint32_t left, uint32_t right)
{
    const uint64_t block = frameIndex / blockFrames;
    const size_t slot = block % blockCount;
    if (blockIndex[slot] != block + 1) {
        blockIndex[slot] = block + 1;
        peaks[slot] = 0;
    }
    const uint32_t oldLeft = peaks[slot] >> 16;
    const uint32_t oldRight = peaks[slot] & 0xFFFF;
    peaks[slot] = packLevel(std::max(oldLeft, left), std::max(oldRight, right));
}

uint32_t LevelHistory::peakOver(uint64_t fromFrame, uint64_t toFrame) const
{
    uint32_t left = 0;
    uint32_t right = 0;
    if (toFrame <= fromFrame)
        return 0;
    for (uint64_t block = fromFrame / blockFrames; block <= (toFrame - 1) / blockFrames; ++block) {
        const size_t slot = block % blockCount;
        if (blockIndex[slot] != block + 1)
            continue;
        left = std::max(left, peaks[slot] >> 16);
        right = std::max(right, peaks[slot] & 0xFFFF);
    }
    return packLevel(left, right);
}

Stream::Stream(uint32_t handle, const DecoderOps *ops, Decoder *decoder, const StreamFormat &format,
               std::unique_ptr<Converter> converter)
    : handle(handle), ops(ops), format(format), decoder(decoder), converter(std::move(converter)),
      ring(static_cast<size_t>(format.deviceRate * ringSeconds))
{
    if (!this->converter->passesThrough())
        sourceChunk.resize(size_t(sourceChunkFrames) * size_t(format.sourceChannels));
}

Stream::~Stream()
{
    ops->close(decoder);
}

namespace {

// Up to `frames` source frames from the decoder into `out`; marks the decoder
// finished at the end of the stream or on a read error.
long readSource(Stream &stream, int16_t *out, long frames)
{
    const uint64_t remaining = stream.format.totalFrames - stream.nextSourceFrame;
    const long chunk = static_cast<long>(std::min<uint64_t>(uint64_t(frames), remaining));
    const long got = chunk > 0 ? stream.ops->read(stream.decoder, out, chunk) : 0;
    if (got > 0)
        stream.nextSourceFrame += static_cast<uint64_t>(got);
    else
        stream.decoderFinished = true;
    return std::max(got, 0L);
}

// Fills `region` (room for `room` device frames) through the converter; the
// return value tells whether anything moved.
size_t convertInto(Stream &stream, int16_t *region, size_t room, bool *progress)
{
    size_t available = stream.converter->availableFrames();
    if (available < room && !stream.decoderFinished) {
        const long got = readSource(stream, stream.sourceChunk.data(), sourceChunkFrames);
        if (got == 0 || !stream.converter->put(stream.sourceChunk.data(), got)) {
            stream.decoderFinished = true;
            stream.converter->finish();
        }
        *progress = true;
        available = stream.converter->availableFrames();
    }
    const size_t frames = std::min(available, room);
    return frames > 0 ? stream.converter->get(region, frames) : 0;
}

} // namespace

bool fillStep(Stream &stream, std::mutex &mixMutex, size_t targetFrames)
{
    int16_t *region = nullptr;
    size_t room = 0;
    {
        std::lock_guard lock(mixMutex);
        const size_t buffered = stream.ring.filled();
        if (stream.inputEnded || buffered >= targetFrames)
            return false;
        room = std::min(targetFrames - buffered, stream.ring.writable(&region));
    }
    // The region is free space of the ring, which the mixer never reads: it is
    // written here without the mix lock and handed over by the commit below.
    bool progress = false;
    size_t frames = 0;
    if (stream.converter->passesThrough()) {
        if (!stream.decoderFinished) {
            frames = size_t(readSource(stream, region, long(std::min<size_t>(room, sourceChunkFrames))));
            progress = true;
        }
    } else {
        frames = convertInto(stream, region, room, &progress);
    }
    const bool allDelivered = stream.decoderFinished && stream.converter->availableFrames() == 0;
    std::lock_guard lock(mixMutex);
    stream.ring.commit(frames);
    stream.inputEnded = allDelivered;
    return progress || frames > 0 || allDelivered;
}

bool restartAt(Stream &stream, std::mutex &mixMutex, uint64_t frame)
{
    const bool atEnd = frame >= stream.format.totalFrames;
    const bool sought = !atEnd && stream.ops->seek(stream.decoder, frame);
    stream.converter->clear();
    stream.decoderFinished = !sought;
    stream.nextSourceFrame = std::min(frame, stream.format.totalFrames);
    std::lock_guard lock(mixMutex);
    stream.ring.clear();
    stream.inputEnded = false;
    stream.segmentSourceFrame = stream.nextSourceFrame;
    stream.segmentOutputFrames = 0;
    stream.lastMixDeviceEnd = 0;
    stream.drained = false;
    stream.stalled = false;
    stream.refilling = true;
    return sought || atEnd;
}

bool mixStream(Stream &stream, float *mix, uint32_t frames, uint64_t deviceFrameAtStart, Clock::time_point now)
{
    if (stream.state != PlayState::Playing || stream.refilling)
        return false;
    const uint32_t count = static_cast<uint32_t>(std::min<size_t>(stream.ring.filled(), frames));
    stream.stalled = count < frames && !stream.inputEnded;
    if (stream.stalled)
        ++stream.underruns;
    const float rampStep = static_cast<float>(1.0 / (stream.format.deviceRate * volumeRampSeconds));
    float blockLeft = 0.0f;
    float blockRight = 0.0f;
    uint32_t mixed = 0;
    while (mixed < count) {
        // The ring's frames in one contiguous piece, cut at level-block boundaries.
        const uint64_t outputFrame = stream.outputFramesTotal + mixed;
        const uint32_t toBlockEnd = LevelHistory::blockFrames - uint32_t(outputFrame % LevelHistory::blockFrames);
        const uint32_t piece = std::min({count - mixed, toBlockEnd, uint32_t(stream.ring.contiguous(mixed))});
        const int16_t *frame = stream.ring.peek(mixed);
        float *out = mix + size_t(mixed) * deviceChannels;
        if (stream.gain == stream.targetGain)
            mixSteady(frame, out, piece, stream.gain, &blockLeft, &blockRight);
        else
            mixRamping(stream, frame, out, piece, rampStep, &blockLeft, &blockRight);
        mixed += piece;
        if (piece == toBlockEnd || mixed == count) {
            stream.levels.add(outputFrame, uint32_t(blockLeft + 0.5f), uint32_t(blockRight + 0.5f));
            blockLeft = blockRight = 0.0f;
        }
    }
    stream.ring.drop(count);
    stream.segmentOutputFrames += count;
    stream.outputFramesTotal += count;
    if (count > 0) {
        stream.lastMixDeviceEnd = deviceFrameAtStart + count;
        if (stream.waitingForFirstMix) {
            stream.waitingForFirstMix = false;
            stream.firstMixTime = now;
        }
    }
    if (stream.inputEnded && stream.ring.filled() == 0 && !stream.drained) {
        stream.drained = true;
        stream.drainedAtDeviceFrame = deviceFrameAtStart + count;
        stream.drainedTime = now;
    }
    return !stream.inputEnded && stream.ring.filled() < stream.ring.capacity() / 2;
}

uint64_t heardSourceFrame(const Stream &stream, uint64_t heardDeviceFrame)
{
    const uint64_t heardOutput =
        stream.segmentOutputFrames - framesNotYetHeard(stream, heardDeviceFrame, stream.segmentOutputFrames);
    const uint64_t sourceFrames = heardOutput * static_cast<uint64_t>(stream.format.sourceRate) /
                                  static_cast<uint64_t>(stream.format.deviceRate);
    return std::min(stream.segmentSourceFrame + sourceFrames, stream.format.totalFrames);
}

void noteEndIfHeard(Stream &stream, uint64_t heardDeviceFrame)
{
    if (stream.state == PlayState::Playing && stream.drained && heardDeviceFrame >= stream.drainedAtDeviceFrame)
        stream.state = PlayState::Ended;
}

uint32_t heardLevel(const Stream &stream, uint64_t heardDeviceFrame)
{
    if (stream.state != PlayState::Playing)
        return 0;
    const uint64_t heard =
        stream.outputFramesTotal - framesNotYetHeard(stream, heardDeviceFrame, stream.outputFramesTotal);
    const uint64_t window = static_cast<uint64_t>(stream.format.deviceRate * levelWindowSeconds);
    return stream.levels.peakOver(heard > window ? heard - window : 0, heard);
}

} // namespace engine
