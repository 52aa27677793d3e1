// The C calls: each finds its stream, takes the locks in the order engine.cpp
// gives, and answers its failure value for a handle that names no stream.
#include "audio_engine.h"
#include "engine_core.h"
#include "engine_stats.h"

#include <climits>
#include <cmath>

using engine::Engine;
using engine::PlayState;
using engine::Stream;

namespace {

constexpr int defaultRate = 44100;
constexpr double seekPrefillSeconds = 0.1;
constexpr QWORD failedQuery = ~QWORD(0);
constexpr DWORD failedLevel = ~DWORD(0);

// Caller holds the stream's decodeMutex.
bool restartPrefilled(Engine &engine, Stream &stream, uint64_t frame)
{
    const bool sought = engine::restartAt(stream, engine.mixMutex, frame);
    engine.fillAhead(stream, seekPrefillSeconds);
    std::lock_guard lock(engine.mixMutex);
    stream.refilling = false;
    return sought;
}

} // namespace

extern "C" {

BOOL BASS_Init(int, DWORD freq, DWORD, void *, const void *)
{
    if (freq > INT_MAX)
        return 0;
    return Engine::instance().init(freq ? int(freq) : defaultRate);
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void *file, QWORD offset, QWORD length, DWORD)
{
    if (mem || offset || length)
        return 0;
    return Engine::instance().createStream(static_cast<const char *>(file));
}

BOOL BASS_StreamFree(HSTREAM handle) { return Engine::instance().freeStream(handle); }

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart)
{
    Engine &engine = Engine::instance();
    const auto stream = engine.find(handle);
    if (!stream)
        return 0;
    bool outputRunning = false;
    const auto outputLock = engine.holdRunningOutput(&outputRunning);
    if (!outputRunning)
        return 0;
    std::lock_guard decodeLock(stream->decodeMutex);
    PlayState state;
    {
        std::lock_guard lock(engine.mixMutex);
        engine::noteEndIfHeard(*stream, engine.heardDeviceFrame());
        state = stream->state;
    }
    if (restart || state == PlayState::Ended)
        restartPrefilled(engine, *stream, 0);
    std::lock_guard lock(engine.mixMutex);
    if (stream->state != PlayState::Playing) {
        stream->state = PlayState::Playing;
        stream->playCallTime = engine::Clock::now();
        stream->waitingForFirstMix = true;
    }
    return 1;
}

BOOL BASS_ChannelPause(DWORD handle)
{
    Engine &engine = Engine::instance();
    const auto stream = engine.find(handle);
    if (!stream)
        return 0;
    std::lock_guard lock(engine.mixMutex);
    engine::noteEndIfHeard(*stream, engine.heardDeviceFrame());
    if (stream->state == PlayState::Playing)
        stream->state = PlayState::Paused;
    return stream->state == PlayState::Paused;
}

BOOL BASS_ChannelStop(DWORD handle)
{
    Engine &engine = Engine::instance();
    const auto stream = engine.find(handle);
    if (!stream)
        return 0;
    std::lock_guard decodeLock(stream->decodeMutex);
    uint64_t heardFrame = 0;
    PlayState state;
    {
        std::lock_guard lock(engine.mixMutex);
        const uint64_t heardDevice = engine.heardDeviceFrame();
        engine::noteEndIfHeard(*stream, heardDevice);
        heardFrame = engine::heardSourceFrame(*stream, heardDevice);
        state = stream->state;
        if (state == PlayState::Playing || state == PlayState::Paused)
            stream->state = PlayState::Stopped;
    }
    // What was decoded ahead is thrown away, so the next play goes on from what was heard.
    if (state == PlayState::Playing || state == PlayState::Paused)
        restartPrefilled(engine, *stream, heardFrame);
    return 1;
}

DWORD BASS_ChannelIsActive(DWORD handle)
{
    Engine &engine = Engine::instance();
    const auto stream = engine.find(handle);
    if (!stream)
        return BASS_ACTIVE_STOPPED;
    std::lock_guard lock(engine.mixMutex);
    engine::noteEndIfHeard(*stream, engine.heardDeviceFrame());
    switch (stream->state) {
    case PlayState::Playing:
        return stream->stalled ? BASS_ACTIVE_STALLED : BASS_ACTIVE_PLAYING;
    case PlayState::Paused:
        return BASS_ACTIVE_PAUSED;
    case PlayState::Stopped:
    case PlayState::Ended:
        break;
    }
    return BASS_ACTIVE_STOPPED;
}

BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value)
{
    Engine &engine = Engine::instance();
    const auto stream = engine.find(handle);
    if (!stream || attrib != BASS_ATTRIB_VOL || std::isnan(value))
        return 0;
    std::lock_guard lock(engine.mixMutex);
    stream->targetGain = std::fmin(1.0f, std::fmax(0.0f, value));
    if (stream->state != PlayState::Playing)
        stream->gain = stream->targetGain;
    return 1;
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode)
{
    const auto stream = Engine::instance().find(handle);
    if (!stream || mode != BASS_POS_BYTE)
        return failedQuery;
    return stream->format.totalFrames * stream->format.bytesPerFrame();
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode)
{
    Engine &engine = Engine::instance();
    const auto stream = engine.find(handle);
    if (!stream || mode != BASS_POS_BYTE)
        return failedQuery;
    std::lock_guard lock(engine.mixMutex);
    const uint64_t heardDevice = engine.heardDeviceFrame();
    engine::noteEndIfHeard(*stream, heardDevice);
    return engine::heardSourceFrame(*stream, heardDevice) * stream->format.bytesPerFrame();
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos)
{
    const auto stream = Engine::instance().find(handle);
    if (!stream)
        return -1.0;
    return double(pos) / (double(stream->format.sourceRate) * double(stream->format.bytesPerFrame()));
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode)
{
    Engine &engine = Engine::instance();
    const auto stream = engine.find(handle);
    if (!stream || mode != BASS_POS_BYTE)
        return 0;
    const uint64_t frame = pos / stream->format.bytesPerFrame();
    if (frame >= stream->format.totalFrames)
        return 0;
    std::lock_guard decodeLock(stream->decodeMutex);
    {
        std::lock_guard lock(engine.mixMutex);
        engine::noteEndIfHeard(*stream, engine.heardDeviceFrame());
        if (stream->state == PlayState::Ended)
            stream->state = PlayState::Stopped;
    }
    return restartPrefilled(engine, *stream, frame);
}

DWORD BASS_ChannelGetLevel(DWORD handle)
{
    Engine &engine = Engine::instance();
    const auto stream = engine.find(handle);
    if (!stream)
        return failedLevel;
    std::lock_guard lock(engine.mixMutex);
    const uint64_t heardDevice = engine.heardDeviceFrame();
    engine::noteEndIfHeard(*stream, heardDevice);
    return engine::heardLevel(*stream, heardDevice);
}

const char *BASS_ChannelGetTags(DWORD handle, DWORD tags)
{
    const auto stream = Engine::instance().find(handle);
    if (!stream || tags != BASS_TAG_ID3 || !stream->hasId3Tag)
        return nullptr;
    return stream->id3Tag.data();
}

} // extern "C"

bool engine::streamStats(uint32_t handle, StreamStats *stats)
{
    Engine &engine = Engine::instance();
    const auto stream = engine.find(handle);
    if (!stream)
        return false;
    std::lock_guard lock(engine.mixMutex);
    stats->firstMixed = !stream->waitingForFirstMix && stream->firstMixTime >= stream->playCallTime &&
                        stream->playCallTime != Clock::time_point{};
    stats->playToFirstMixSeconds =
        stats->firstMixed ? std::chrono::duration<double>(stream->firstMixTime - stream->playCallTime).count() : 0.0;
    stats->underruns = stream->underruns;
    stats->drained = stream->drained;
    stats->drainedTime = stream->drainedTime;
    return true;
}

bool engine::outputDeviceOpen() { return Engine::instance().outputRunning(); }

void engine::setOutputIdleGrace(double seconds) { Engine::instance().setIdleGrace(seconds); }
