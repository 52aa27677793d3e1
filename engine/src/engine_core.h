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
    // The device frame heard now; caller holds mixMutex.
    uint64_t heardDeviceFrame() const { return clock_.heardFrame(Clock::now()); }
    int deviceRate() const { return clock_.rate; }

    // Guards every stream's mix-side fields, the mix list and the device clock.
    std::mutex mixMutex;

private:
    Engine() = default;
    static void SDLCALL outputCallback(void *engine, Uint8 *out, int bytes);
    void mixInto(int16_t *out, uint32_t frames);
    void decodeLoop();
    void requestDecode();
    size_t decodeTarget(Stream &stream);

    std::mutex initMutex_;
    SDL_AudioDeviceID device_ = 0;
    std::atomic<bool> outputOpen_{false};

    std::mutex registryMutex_;
    std::map<uint32_t, std::shared_ptr<Stream>> streams_;
    uint32_t nextHandle_ = 1;

    // Guarded by mixMutex.
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
