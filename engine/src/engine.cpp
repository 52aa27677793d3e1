// How the engine works.
//
// Three kinds of thread touch a stream:
//  - callers (the player's GUI thread, or any other) make the API calls;
//  - the decode thread, started by the first successful BASS_Init, keeps each
//    stream's ring filled: two seconds ahead while it plays, refilled in one
//    batch whenever it falls below half, and a tenth of a second before it is
//    first played, so that play starts at the next callback;
//  - SDL's audio thread runs outputCallback, which mixes the playing streams'
//    rings into the device buffer.
// The callback never does file I/O and never waits for a lock a slow call holds:
// decoding, seeking and file opening run under a stream's decodeMutex, which the
// callback never takes; the callback takes only mixMutex, which everyone holds
// just long enough to copy frames or read a few counters. Creation, seeking and
// stop refill a tenth of a second on the caller's thread before they return.
//
// The output device runs only while something plays: SDL's output thread wakes
// for every device buffer (about 90 times a second) even when it only has
// silence to give, so the decode thread closes the device once nothing has
// played for a few seconds, and play reopens it (its first buffer is asked for
// at once). Closing takes a few buffers' time, so it runs outside the locks and
// a play meanwhile opens a new device; the old one's callback then gives silence.
// The disk driver stays open: it rewrites its file on every open.
//
// Position and level are of what is heard, not of what was decoded: the device
// clock (DeviceClock) tells which device frame is sounding now, one buffer behind
// what the callback handed out, and each stream remembers where its last mixed
// frame landed, so the frames still queued in the device are not yet counted.
//
// Locks, always taken in this order (a thread may skip any of them):
//   0. Engine::outputMutex_     the device; play holds it until its stream plays
//   1. Engine::registryMutex_   handle -> stream map, handle counter
//   2. Stream::decodeMutex      the decoder, its converter, decode-side fields
//   3. Engine::mixMutex         rings, play states, mix list, device clock
//   4. Engine::wakeMutex_       the decode thread's wake-up flag (a leaf)
// Streams are shared_ptr-owned by the registry; the mix list holds plain pointers
// that are removed under mixMutex before the registry lets a stream go, so the
// callback never sees a stream die and never destroys one.
#include "engine_core.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace engine {

namespace {

constexpr size_t probeBytes = 64 * 1024;
constexpr size_t id3v1Bytes = 128;
constexpr uint16_t deviceBufferFrames = 512;
constexpr double prefillSeconds = 0.1;
constexpr auto idleWakeInterval = std::chrono::seconds(1);
constexpr double defaultIdleGraceSeconds = 3.0;
// Rates outside this range are no real recording; refusing them also bounds the resampler's buffers.
constexpr int lowestSourceRate = 1000;
constexpr int highestSourceRate = 768000;

const std::array<const DecoderOps *, 3> decodersByProbeOrder = {&wavDecoder, &midiDecoder, &mp3Decoder};
static_assert(decodersByProbeOrder.size() == 3, "one entry per decoder file");

struct FileHead {
    std::vector<unsigned char> head;
    bool hasId3Tag = false;
    std::array<char, id3v1Bytes> id3Tag{};
};

// Reads the start and the last 128 bytes of a regular file. Directories, FIFOs
// and devices are refused here so that no decoder can block on them.
bool readFileHead(const char *path, FileHead *out)
{
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status {};
    bool ok = fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0;
    if (ok) {
        out->head.resize(std::min<size_t>(probeBytes, static_cast<size_t>(status.st_size)));
        const ssize_t got = pread(fd, out->head.data(), out->head.size(), 0);
        ok = got > 0;
        out->head.resize(ok ? static_cast<size_t>(got) : 0);
    }
    if (ok && static_cast<size_t>(status.st_size) >= id3v1Bytes) {
        const ssize_t got = pread(fd, out->id3Tag.data(), id3v1Bytes, status.st_size - off_t(id3v1Bytes));
        out->hasId3Tag = got == ssize_t(id3v1Bytes) && std::memcmp(out->id3Tag.data(), "TAG", 3) == 0;
    }
    close(fd);
    return ok;
}

// Clamps mixed samples to 16 bits, in runs of a fixed length that the compiler
// turns into vector code.
void toDeviceSamples(const float *mixed, int16_t *out, size_t samples)
{
    constexpr size_t runSamples = 16;
    size_t done = 0;
    for (; done + runSamples <= samples; done += runSamples)
        for (size_t i = done; i < done + runSamples; ++i)
            out[i] = static_cast<int16_t>(std::clamp(mixed[i], -32768.0f, 32767.0f));
    for (; done < samples; ++done)
        out[done] = static_cast<int16_t>(std::clamp(mixed[done], -32768.0f, 32767.0f));
}

} // namespace

Engine &Engine::instance()
{
    static Engine engine;
    return engine;
}

Engine::Engine() : idleGraceSeconds_(defaultIdleGraceSeconds) {}

Engine::~Engine()
{
    {
        std::lock_guard lock(wakeMutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    // The decode thread goes first: it may be closing a device of its own.
    if (decodeThread_.joinable())
        decodeThread_.join();
    {
        std::lock_guard lock(outputMutex_);
        if (device_)
            SDL_CloseAudioDevice(device_);
        device_ = 0;
    }
    std::lock_guard lock(registryMutex_);
    mixList_.clear();
    streams_.clear();
}

bool Engine::init(int rate)
{
    std::lock_guard lock(initMutex_);
    if (outputOpen_)
        return true;
    // SDL would otherwise turn SIGINT and SIGTERM into quit events nobody reads,
    // and the program that uses us could no longer be ended by a signal.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    std::lock_guard outputLock(outputMutex_);
    wantedSpec_ = SDL_AudioSpec{};
    wantedSpec_.freq = rate;
    wantedSpec_.format = AUDIO_S16SYS;
    wantedSpec_.channels = RingBuffer::channels;
    wantedSpec_.samples = deviceBufferFrames;
    wantedSpec_.userdata = this;
    if (!openOutput()) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    const char *driver = SDL_GetCurrentAudioDriver();
    closesWhenIdle_ = !driver || std::strcmp(driver, "disk") != 0;
    decodeThread_ = std::thread([this] { decodeLoop(); });
    outputOpen_ = true;
    return true;
}

// Caller holds outputMutex_. SDL converts to the wanted format itself, so every
// opening gets the same rate and buffer size. Openings alternate between two
// callbacks, so that a device still closing can tell it no longer plays.
bool Engine::openOutput()
{
    const int parity = int(openings_ % 2);
    wantedSpec_.callback = parity ? outputCallback<1> : outputCallback<0>;
    SDL_AudioSpec obtained{};
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wantedSpec_, &obtained, 0);
    if (!device_)
        return false;
    ++openings_;
    {
        std::lock_guard mixLock(mixMutex);
        clock_.rate = obtained.freq;
        clock_.bufferFrames = obtained.samples;
        mixBuffer_.assign(size_t(obtained.samples) * RingBuffer::channels, 0.0f);
        activeParity_ = parity;
    }
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

std::unique_lock<std::mutex> Engine::holdRunningOutput(bool *running)
{
    std::unique_lock lock(outputMutex_);
    *running = device_ != 0 || (outputOpen_ && openOutput());
    if (!*running && retiring_) {
        // Drivers with a single device (dummy, disk) refuse a second one until the old has closed.
        retired_.wait(lock, [this] { return !retiring_; });
        *running = openOutput();
    }
    idleSince_ = Clock::time_point{};
    return lock;
}

void Engine::closeOutputIfIdle()
{
    SDL_AudioDeviceID retiring = 0;
    {
        std::lock_guard lock(outputMutex_);
        if (!device_ || !closesWhenIdle_)
            return;
        std::lock_guard mixLock(mixMutex);
        bool playing = false;
        const uint64_t heard = heardDeviceFrame();
        for (Stream *stream : mixList_) {
            noteEndIfHeard(*stream, heard);
            playing |= stream->state == PlayState::Playing;
        }
        const Clock::time_point now = Clock::now();
        if (playing || idleSince_ == Clock::time_point{}) {
            idleSince_ = playing ? Clock::time_point{} : now;
            return;
        }
        if (std::chrono::duration<double>(now - idleSince_).count() < idleGraceSeconds_.load())
            return;
        retiring = device_;
        retiring_ = true;
        device_ = 0;
        idleSince_ = Clock::time_point{};
        activeParity_ = noParity;
        clock_.outputClosed();
    }
    // Outside every lock: closing waits for the device's thread, whose callback
    // may be waiting for the mix lock, and a play meanwhile opens a new device.
    SDL_CloseAudioDevice(retiring);
    {
        std::lock_guard lock(outputMutex_);
        retiring_ = false;
    }
    retired_.notify_all();
}

bool Engine::outputRunning()
{
    std::lock_guard lock(outputMutex_);
    return device_ != 0 || retiring_;
}

uint32_t Engine::createStream(const char *path)
{
    if (!outputOpen_ || !path)
        return 0;
    FileHead file;
    if (!readFileHead(path, &file))
        return 0;
    const DecoderOps *ops = nullptr;
    Decoder *decoder = nullptr;
    DecoderInfo info;
    for (const DecoderOps *candidate : decodersByProbeOrder) {
        if (!candidate->probe(file.head.data(), file.head.size()))
            continue;
        info = DecoderInfo{};
        decoder = candidate->open(path, &info);
        if (decoder) {
            ops = candidate;
            break;
        }
    }
    if (!decoder)
        return 0;
    const int rate = deviceRate();
    std::unique_ptr<Converter> converter;
    const bool rateIsReal = info.sampleRate >= lowestSourceRate && info.sampleRate <= highestSourceRate;
    if (rateIsReal && (info.channels == 1 || info.channels == 2))
        converter = Converter::create(info.sampleRate, info.channels, rate);
    if (!converter) {
        ops->close(decoder);
        return 0;
    }
    uint32_t handle = 0;
    {
        std::lock_guard lock(registryMutex_);
        handle = nextHandle_;
        if (handle != 0)
            ++nextHandle_; // wraps to 0 after the last handle: no handle is ever given twice
    }
    const StreamFormat format{info.sampleRate, info.channels, info.totalFrames, rate};
    auto stream = std::make_shared<Stream>(handle, ops, decoder, format, std::move(converter));
    if (handle == 0)
        return 0;
    stream->hasId3Tag = file.hasId3Tag;
    stream->id3Tag = file.id3Tag;
    {
        std::lock_guard decodeLock(stream->decodeMutex);
        fillAhead(*stream, prefillSeconds);
    }
    std::lock_guard lock(registryMutex_);
    streams_.emplace(handle, stream);
    std::lock_guard mixLock(mixMutex);
    mixList_.push_back(stream.get());
    return handle;
}

bool Engine::freeStream(uint32_t handle)
{
    std::shared_ptr<Stream> released;
    std::lock_guard lock(registryMutex_);
    const auto found = streams_.find(handle);
    if (found == streams_.end())
        return false;
    released = std::move(found->second);
    streams_.erase(found);
    std::lock_guard mixLock(mixMutex);
    std::erase(mixList_, released.get());
    return true;
}

std::shared_ptr<Stream> Engine::find(uint32_t handle)
{
    std::lock_guard lock(registryMutex_);
    const auto found = streams_.find(handle);
    return found == streams_.end() ? nullptr : found->second;
}

void Engine::fillAhead(Stream &stream, double seconds)
{
    const size_t target = static_cast<size_t>(stream.format.deviceRate * seconds);
    while (fillStep(stream, mixMutex, target)) {
    }
}

template <int Parity>
void SDLCALL Engine::outputCallback(void *engine, Uint8 *out, int bytes)
{
    constexpr int deviceFrameBytes = RingBuffer::channels * sizeof(int16_t);
    static_cast<Engine *>(engine)->mixInto(reinterpret_cast<int16_t *>(out), uint32_t(bytes / deviceFrameBytes),
                                           Parity);
}

void Engine::mixInto(int16_t *out, uint32_t frames, int parity)
{
    const Clock::time_point now = Clock::now();
    bool runningLow = false;
    {
        std::lock_guard lock(mixMutex);
        if (parity != activeParity_) {
            std::fill_n(out, size_t(frames) * RingBuffer::channels, int16_t(0));
            return;
        }
        const uint32_t sliceFrames = static_cast<uint32_t>(mixBuffer_.size() / RingBuffer::channels);
        for (uint32_t done = 0; done < frames && sliceFrames > 0;) {
            const uint32_t slice = std::min(sliceFrames, frames - done);
            if (clock_.started)
                clock_.framesBeforeLastCallback += clock_.lastCallbackFrames;
            clock_.started = true;
            clock_.lastCallbackFrames = slice;
            clock_.lastCallbackTime = now;
            std::fill_n(mixBuffer_.begin(), size_t(slice) * RingBuffer::channels, 0.0f);
            for (Stream *stream : mixList_)
                runningLow |= mixStream(*stream, mixBuffer_.data(), slice, clock_.framesBeforeLastCallback, now);
            toDeviceSamples(mixBuffer_.data(), out + size_t(done) * RingBuffer::channels,
                            size_t(slice) * RingBuffer::channels);
            done += slice;
        }
    }
    if (runningLow)
        requestDecode();
}

void Engine::requestDecode()
{
    {
        std::lock_guard lock(wakeMutex_);
        wakeRequested_ = true;
    }
    wake_.notify_one();
}

size_t Engine::decodeTarget(Stream &stream)
{
    std::lock_guard lock(mixMutex);
    switch (stream.state) {
    case PlayState::Playing:
        return stream.ring.capacity();
    case PlayState::Stopped:
    case PlayState::Paused:
        return static_cast<size_t>(stream.format.deviceRate * prefillSeconds);
    case PlayState::Ended:
        break;
    }
    return 0;
}

void Engine::decodeLoop()
{
    pthread_setname_np(pthread_self(), "engine-decode");
    std::vector<std::shared_ptr<Stream>> snapshot;
    for (;;) {
        {
            std::lock_guard lock(wakeMutex_);
            if (stopping_)
                return;
            wakeRequested_ = false;
        }
        {
            std::lock_guard lock(registryMutex_);
            for (const auto &entry : streams_)
                snapshot.push_back(entry.second);
        }
        bool worked = false;
        for (const auto &stream : snapshot) {
            const size_t target = decodeTarget(*stream);
            std::lock_guard decodeLock(stream->decodeMutex);
            worked |= fillStep(*stream, mixMutex, target);
        }
        snapshot.clear();
        if (worked)
            continue;
        closeOutputIfIdle();
        std::unique_lock lock(wakeMutex_);
        wake_.wait_for(lock, idleWakeInterval, [this] { return stopping_ || wakeRequested_; });
    }
}

} // namespace engine
