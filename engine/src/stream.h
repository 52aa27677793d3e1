// One open stream: its decoder, the converter to the device format, and the
// ring of converted frames the output mixes from. Which lock guards which
// field is written beside it; the threading model is explained in engine.cpp.
#pragma once

#include "converter.h"
#include "decoder.h"
#include "ring_buffer.h"

#include <SDL.h>

#include <array>
#include <chrono>
#include <memory>
#include <cstdint>
#include <mutex>
#include <vector>

namespace engine {

using Clock = std::chrono::steady_clock;

enum class PlayState { Stopped, Playing, Paused, Ended };

// Where the device is: frames handed out before the last callback, how many that
// callback took and when it ran. Guarded by the mix lock.
struct DeviceClock {
    int rate = 0;
    uint32_t bufferFrames = 0;
    uint64_t framesBeforeLastCallback = 0;
    uint32_t lastCallbackFrames = 0;
    Clock::time_point lastCallbackTime{};
    bool started = false;

    // The device frame being heard at `now`: one buffer behind what was handed out.
    uint64_t heardFrame(Clock::time_point now) const;
    // The device was closed: everything handed out counts as heard, and the
    // next device carries on from there.
    void outputClosed();
};

struct StreamFormat {
    int sourceRate = 0;
    int sourceChannels = 0;
    uint64_t totalFrames = 0;
    int deviceRate = 0;
    uint64_t bytesPerFrame() const { return static_cast<uint64_t>(sourceChannels) * sizeof(int16_t); }
};

// Peaks of the recent output, per block of frames, for the level meter.
struct LevelHistory {
    static constexpr uint32_t blockFrames = 128;
    static constexpr size_t blockCount = 1024;
    std::array<uint32_t, blockCount> peaks{}; // left << 16 | right, 32768 = full scale
    std::array<uint64_t, blockCount> blockIndex{};

    void add(uint64_t frameIndex, uint32_t left, uint32_t right);
    uint32_t peakOver(uint64_t fromFrame, uint64_t toFrame) const;
};

struct Stream {
    Stream(uint32_t handle, const DecoderOps *ops, Decoder *decoder, const StreamFormat &format,
           std::unique_ptr<Converter> converter);
    ~Stream();
    Stream(const Stream &) = delete;
    Stream &operator=(const Stream &) = delete;

    // Fixed at creation, read without locks.
    const uint32_t handle;
    const DecoderOps *const ops;
    const StreamFormat format;
    bool hasId3Tag = false;
    std::array<char, 128> id3Tag{};

    // Guarded by decodeMutex (taken before the mix lock, never by the output).
    std::mutex decodeMutex;
    Decoder *decoder;
    std::unique_ptr<Converter> converter;
    bool decoderFinished = false;
    uint64_t nextSourceFrame = 0;
    std::vector<int16_t> sourceChunk; // decoder output awaiting conversion; empty when passing through

    // Guarded by the engine's mix lock.
    PlayState state = PlayState::Stopped;
    RingBuffer ring;
    bool inputEnded = false;           // the decode side has delivered its last frame
    uint64_t segmentSourceFrame = 0;   // source frame where the current segment began (seek, start)
    uint64_t segmentOutputFrames = 0;  // device-rate frames mixed since then
    uint64_t outputFramesTotal = 0;    // device-rate frames mixed over the stream's life
    uint64_t lastMixDeviceEnd = 0;     // device frame just after this stream's last mixed frame
    bool drained = false;              // everything delivered has been mixed
    uint64_t drainedAtDeviceFrame = 0;
    Clock::time_point drainedTime{};   // when the callback handed out the last frame
    bool stalled = false;
    bool refilling = false;            // emptied by a seek and not yet refilled: silent, not stalled
    float gain = 1.0f;
    float targetGain = 1.0f;
    LevelHistory levels;
    uint64_t underruns = 0;
    Clock::time_point playCallTime{};
    Clock::time_point firstMixTime{};
    bool waitingForFirstMix = false;
};

// Decode side, caller holds decodeMutex. One step of decoding into the ring,
// up to `targetFrames` buffered; false when nothing could be added.
bool fillStep(Stream &stream, std::mutex &mixMutex, size_t targetFrames);
// Moves the decoder to `frame` and empties everything buffered after it; caller
// holds decodeMutex and not the mix lock. False when the decoder cannot seek.
bool restartAt(Stream &stream, std::mutex &mixMutex, uint64_t frame);

// Mix side, caller holds the mix lock.
// Adds up to `frames` of the stream into `mix`; true when its ring has run low.
bool mixStream(Stream &stream, float *mix, uint32_t frames, uint64_t deviceFrameAtStart, Clock::time_point now);
uint64_t heardSourceFrame(const Stream &stream, uint64_t heardDeviceFrame);
void noteEndIfHeard(Stream &stream, uint64_t heardDeviceFrame);
uint32_t heardLevel(const Stream &stream, uint64_t heardDeviceFrame);

} // namespace engine
