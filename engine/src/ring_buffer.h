// Fixed-size FIFO of interleaved stereo 16-bit frames; allocated once, so filling
// and draining it never allocates. The decoder writes straight into its free space.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace engine {

class RingBuffer {
public:
    static constexpr int channels = 2;

    explicit RingBuffer(size_t capacityFrames) : samples_(capacityFrames * channels), capacity_(capacityFrames) {}

    size_t capacity() const { return capacity_; }
    size_t filled() const { return filled_; }
    size_t space() const { return capacity_ - filled_; }
    void clear() { readFrame_ = filled_ = 0; }

    // The free space after the last frame that lies in one piece of memory:
    // sets `*region` to its start and returns its length in frames. The mixer
    // never reads there, so a writer may fill it without the lock and then
    // commit the frames it wrote under the lock.
    size_t writable(int16_t **region)
    {
        const size_t end = (readFrame_ + filled_) % capacity_;
        *region = samples_.data() + end * channels;
        return std::min(space(), capacity_ - end);
    }

    void commit(size_t count) { filled_ += std::min(count, space()); }

    // The frame `offset` places from the front; offset < filled().
    const int16_t *peek(size_t offset) const { return &samples_[((readFrame_ + offset) % capacity_) * channels]; }

    // How many frames from `offset` on lie in one piece of memory.
    size_t contiguous(size_t offset) const
    {
        const size_t start = (readFrame_ + offset) % capacity_;
        return std::min(filled_ - offset, capacity_ - start);
    }

    void drop(size_t count)
    {
        count = std::min(count, filled_);
        readFrame_ = (readFrame_ + count) % capacity_;
        filled_ -= count;
    }

private:
    std::vector<int16_t> samples_;
    size_t capacity_;
    size_t readFrame_ = 0;
    size_t filled_ = 0;
};

} // namespace engine
