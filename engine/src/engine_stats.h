// Internal figures of a stream for the benchmark and the tests; not part of
// the public interface.
#pragma once

#include <cstdint>

namespace engine {

struct StreamStats {
    bool firstMixed = false;             // a frame has reached the device since the last play call
    double playToFirstMixSeconds = 0.0;  // from that play call to the first frame handed to the device
    uint64_t underruns = 0;              // callbacks that found the stream's ring empty before its end
};

bool streamStats(uint32_t handle, StreamStats *stats);

} // namespace engine
