// The engine's one instance: output device, stream registry, decode thread.
// Its threading model and lock order are described at the top of engine.cpp.
#pragma once

#include "stream.h"

#include <SDL.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace engine {

class Engine {
public:
    static Engine &instance();
    ~Engine();

    bool init(int rate);
    uint32_t createStream(const char *path);
    bool freeStream(uint32_t handle);
    std::shared_ptr<Stream> find(uint32_t handle);

    // Buffers up to `seconds` of sound ahead; caller holds the stream's decodeMutex.
    void fillAhead(Stream &stream, double seconds);
    // Locks the output device, reopening it if it was closed while idle, and
    // keeps it open while the lock is held; `*running` tells whether it runs.
    std::unique_lock<std::mutex> holdRunningOutput(bool *running);
    bool outputRunning(); // open, or still closing
    void setIdleGrace(double seconds) { idleGraceSeconds_.store(seconds); }

    // The device frame heard now; caller holds mixMutex.
    uint64_t heardDeviceFrame() const { return clock_.heardFrame(Clock::now()); }
    int deviceRate() const { return clock_.rate; }

    // Guards every stream's mix-side fields, the mix list and the device clock.
    std::mutex mixMutex;

private:
    Engine();
    bool openOutput();
    void closeOutputIfIdle();
    template <int Parity>
    static void SDLCALL outputCallback(void *engine, Uint8 *out, int bytes);
    void mixInto(int16_t *out, uint32_t frames, int parity);
    void decodeLoop();
    void requestDecode();
    size_t decodeTarget(Stream &stream);

    std::mutex initMutex_;
    std::atomic<bool> outputOpen_{false}; // init succeeded

    // Guarded by outputMutex_.
    std::mutex outputMutex_;
    SDL_AudioDeviceID device_ = 0;
    SDL_AudioSpec wantedSpec_{};
    bool closesWhenIdle_ = false;
    uint64_t openings_ = 0;
    bool retiring_ = false; // the decode thread is closing the previous device
    std::condition_variable retired_;
    Clock::time_point idleSince_{}; // when the decode thread first saw nothing playing
    std::atomic<double> idleGraceSeconds_;

    std::mutex registryMutex_;
    std::map<uint32_t, std::shared_ptr<Stream>> streams_;
    uint32_t nextHandle_ = 1;

    // Guarded by mixMutex.
    static constexpr int noParity = -1;
    int activeParity_ = noParity; // callback parity of the device that plays now
    std::vector<Stream *> mixList_;
    DeviceClock clock_;
    std::vector<float> mixBuffer_;

    std::thread decodeThread_;
    std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool wakeRequested_ = false;
    bool stopping_ = false;
};

} // namespace engine
