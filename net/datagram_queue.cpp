#include "net/datagram_queue.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

#include "platform/threading/wait.h"

ZDatagramQueue::ZDatagramQueue(uint32_t maxDatagrams, uint32_t maxBytes)
    : maxDatagrams_(std::max<uint32_t>(maxDatagrams, 1)),
      maxBytes_(std::max<uint32_t>(maxBytes, 1)),
      chunkBytes_(std::min(maxBytes_, kChunkBytes)),
      chunks_((maxBytes_ + chunkBytes_ - 1) / chunkBytes_) {}

uint32_t ZDatagramQueue::ChunkSize(uint32_t chunk) const {
    return std::min(chunkBytes_, maxBytes_ - chunk * chunkBytes_);
}

bool ZDatagramQueue::MakeChunks(uint64_t start, uint32_t length) {
    const uint32_t offset = static_cast<uint32_t>(start % maxBytes_);
    for (uint32_t c = offset / chunkBytes_; c <= (offset + length - 1) / chunkBytes_; ++c) {
        if (!chunks_[c]) {
            // Left uninitialised: the data is copied in before it is read.
            chunks_[c].reset(new (std::nothrow) char[ChunkSize(c)]);
            if (!chunks_[c]) {
                return false;
            }
            madeBytes_ += ChunkSize(c);
        }
    }
    return true;
}

void ZDatagramQueue::CopyIn(uint64_t start, const char* data, uint32_t length) {
    uint32_t offset = static_cast<uint32_t>(start % maxBytes_);
    while (length > 0) {
        const uint32_t c = offset / chunkBytes_;
        const uint32_t at = offset - c * chunkBytes_;
        const uint32_t n = std::min(length, ChunkSize(c) - at);
        std::memcpy(chunks_[c].get() + at, data, n);
        data += n;
        length -= n;
        offset += n;
    }
}

void ZDatagramQueue::CopyOut(uint64_t start, char* data, uint32_t length) const {
    uint32_t offset = static_cast<uint32_t>(start % maxBytes_);
    while (length > 0) {
        const uint32_t c = offset / chunkBytes_;
        const uint32_t at = offset - c * chunkBytes_;
        const uint32_t n = std::min(length, ChunkSize(c) - at);
        std::memcpy(data, chunks_[c].get() + at, n);
        data += n;
        length -= n;
        offset += n;
    }
}

bool ZDatagramQueue::ChunkInUse(uint32_t chunk) const {
    if (chunk == 0) {
        return true;  // where an empty queue starts again: kept, so a trickle makes nothing
    }
    if (head_ == tail_) {
        return false;
    }
    // The span in use, as ring offsets: one piece, or two when it wraps.
    const uint64_t first = chunk * static_cast<uint64_t>(chunkBytes_);
    const uint64_t last = first + ChunkSize(chunk);  // exclusive
    const uint64_t h = head_ % maxBytes_;
    const uint64_t t = h + (tail_ - head_);
    auto overlaps = [&](uint64_t from, uint64_t to) { return from < last && first < to; };
    return overlaps(h, std::min<uint64_t>(t, maxBytes_)) ||
           (t > maxBytes_ && overlaps(0, t - maxBytes_));
}

void ZDatagramQueue::ReleaseChunks(uint64_t from, uint64_t to) {
    if (to <= from) {
        return;
    }
    const uint64_t span = std::min<uint64_t>(to - from, maxBytes_);
    const uint32_t offset = static_cast<uint32_t>(from % maxBytes_);
    const uint32_t firstChunk = offset / chunkBytes_;
    const uint32_t chunkCount = static_cast<uint32_t>(chunks_.size());
    // One more than the span covers in whole chunks: the ring's last chunk may be shorter.
    const uint32_t touched = static_cast<uint32_t>(std::min<uint64_t>(
        (offset % chunkBytes_ + span + chunkBytes_ - 1) / chunkBytes_ + 1, chunkCount));
    for (uint32_t i = 0; i < touched; ++i) {
        const uint32_t c = (firstChunk + i) % chunkCount;
        if (chunks_[c] && !ChunkInUse(c)) {
            madeBytes_ -= ChunkSize(c);
            chunks_[c].reset();
        }
    }
}

void ZDatagramQueue::ResetRing() {
    const uint64_t from = head_;
    const uint64_t to = tail_;
    entries_.clear();
    head_ = tail_;
    queuedBytes_ = 0;
    ReleaseChunks(from, to);
}

bool ZDatagramQueue::Push(const char* data, uint32_t length, uint32_t fromAddress,
                          uint16_t fromPort, bool truncated) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!PushLocked(data, length, fromAddress, fromPort, truncated)) {
        return false;
    }
    // Without a waiter this costs no system call; with one, the first datagram wakes it.
    ready_.notify_one();
    return true;
}

uint32_t ZDatagramQueue::PushBatch(const Incoming* datagrams, uint32_t count) {
    uint32_t queued = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (uint32_t i = 0; i < count; ++i) {
            const Incoming& d = datagrams[i];
            queued += PushLocked(d.data, d.length, d.fromAddress, d.fromPort, d.truncated) ? 1 : 0;
        }
    }
    if (queued > 0) {
        ready_.notify_one();
    }
    return queued;
}

bool ZDatagramQueue::PushLocked(const char* data, uint32_t length, uint32_t fromAddress,
                                uint16_t fromPort, bool truncated) {
    uint64_t start = tail_;
    if (entries_.empty()) {
        // Empty: start again at the ring's beginning, in the chunk that is kept, so that a queue
        // that never holds much never touches more of the ring.
        start = (tail_ + maxBytes_ - 1) / maxBytes_ * maxBytes_;
        head_ = tail_ = start;
    } else {
        const uint32_t offset = static_cast<uint32_t>(start % maxBytes_);
        if (length > maxBytes_ - offset) {
            start += maxBytes_ - offset;  // contiguous: begin again at the ring's start
        }
    }
    if (length > maxBytes_ || entries_.size() == maxDatagrams_ ||
        start + length - head_ > maxBytes_ || (length > 0 && !MakeChunks(start, length))) {
        ++dropped_;
        return false;
    }
    if (length > 0) {
        CopyIn(start, data, length);
    }
    entries_.push_back(Entry{start, length, fromAddress, fromPort, truncated});
    tail_ = start + length;
    queuedBytes_ += length;
    ++pushed_;
    peak_ = std::max(peak_, static_cast<uint32_t>(entries_.size()));
    return true;
}

bool ZDatagramQueue::Pop(char* buffer, uint32_t capacity, Datagram* info, uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto ready = [this] { return stopped_ || !entries_.empty(); };
    if (timeoutMs == zplat::INFINITE) {
        ready_.wait(lock, ready);
    } else if (!ready_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
        return false;
    }
    if (stopped_) {
        return false;
    }
    const Entry e = entries_.front();
    entries_.pop_front();
    const uint32_t copied = std::min(e.length, capacity);
    if (copied > 0) {
        CopyOut(e.start, buffer, copied);
    }
    if (info != nullptr) {
        info->length = copied;
        info->fromAddress = e.fromAddress;
        info->fromPort = e.fromPort;
        info->truncated = e.truncated;
    }
    queuedBytes_ -= e.length;
    const uint64_t oldHead = head_;
    head_ = !entries_.empty() ? entries_.front().start : tail_;
    ReleaseChunks(oldHead, head_);
    return true;
}

void ZDatagramQueue::Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    ready_.notify_all();
}

void ZDatagramQueue::Restart() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = false;
}

uint32_t ZDatagramQueue::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint32_t discarded = static_cast<uint32_t>(entries_.size());
    ResetRing();
    return discarded;
}

uint32_t ZDatagramQueue::Resize(uint32_t maxDatagrams, uint32_t maxBytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint32_t discarded = static_cast<uint32_t>(entries_.size());
    entries_.clear();
    maxDatagrams_ = std::max<uint32_t>(maxDatagrams, 1);
    maxBytes_ = std::max<uint32_t>(maxBytes, 1);
    chunkBytes_ = std::min(maxBytes_, kChunkBytes);
    chunks_.clear();
    chunks_.resize((maxBytes_ + chunkBytes_ - 1) / chunkBytes_);
    madeBytes_ = 0;
    head_ = tail_ = 0;
    queuedBytes_ = 0;
    return discarded;
}

uint32_t ZDatagramQueue::GetMaxDatagrams() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return maxDatagrams_;
}

uint32_t ZDatagramQueue::GetMaxBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return maxBytes_;
}

uint32_t ZDatagramQueue::GetQueuedCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<uint32_t>(entries_.size());
}

uint32_t ZDatagramQueue::GetQueuedBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return queuedBytes_;
}

uint64_t ZDatagramQueue::GetPushedCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pushed_;
}

uint64_t ZDatagramQueue::GetDroppedCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return dropped_;
}

uint32_t ZDatagramQueue::GetPeakCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return peak_;
}

uint32_t ZDatagramQueue::GetResidentBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return madeBytes_;
}
