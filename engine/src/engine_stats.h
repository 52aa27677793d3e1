// Internal figures of a stream for the benchmark and the tests; not part of
// the public interface.
#pragma once

#include <chrono>
#include <cstdint>

namespace engine {

struct StreamStats {
    bool firstMixed = false;             // a frame has reached the device since the last play call
    double playToFirstMixSeconds = 0.0;  // from that play call to the first frame handed to the device
    uint64_t underruns = 0;              // callbacks that found the stream's ring empty before its end
    bool drained = false;                // the last frame has been handed to the device
    std::chrono::steady_clock::time_point drainedTime{};
};

bool streamStats(uint32_t handle, StreamStats *stats);

// The output device closes once nothing has played for the grace time (a few
// seconds by default) and reopens when a stream is played. Open until it has
// finished closing.
bool outputDeviceOpen();
void setOutputIdleGrace(double seconds);

} // namespace engine
