#include "net/datagram_queue.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/threading/wait.h"

ZDatagramQueue::ZDatagramQueue(uint32_t maxDatagrams, uint32_t maxBytes)
    : maxDatagrams_(std::max<uint32_t>(maxDatagrams, 1)),
      maxBytes_(std::max<uint32_t>(maxBytes, 1)),
      // Left uninitialised on purpose: the system hands out untouched pages, so a quiet socket
      // keeps the bounds' memory reserved, not resident.
      bytes_(new char[maxBytes_]),
      entries_(new Entry[maxDatagrams_]) {}

bool ZDatagramQueue::Push(const char* data, uint32_t length, uint32_t fromAddress,
                          uint16_t fromPort, bool truncated) {
    std::lock_guard<std::mutex> lock(mutex_);
    uint64_t start = tail_;
    const uint32_t offset = static_cast<uint32_t>(start % maxBytes_);
    if (length > maxBytes_ - offset) {
        start += maxBytes_ - offset;  // contiguous: begin again at the block's start
    }
    if (count_ == 0) {
        head_ = tail_ = start;  // an empty ring: the room skipped is free at once
    }
    if (length > maxBytes_ || count_ == maxDatagrams_ || start + length - head_ > maxBytes_) {
        ++dropped_;
        return false;
    }
    if (length > 0) {
        std::memcpy(bytes_.get() + start % maxBytes_, data, length);
    }
    entries_[(first_ + count_) % maxDatagrams_] =
        Entry{start, length, fromAddress, fromPort, truncated};
    ++count_;
    tail_ = start + length;
    queuedBytes_ += length;
    ++pushed_;
    peak_ = std::max(peak_, count_);
    // Without a waiter this costs no system call; with one, the first datagram wakes it.
    ready_.notify_one();
    return true;
}

bool ZDatagramQueue::Pop(char* buffer, uint32_t capacity, Datagram* info, uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto ready = [this] { return stopped_ || count_ > 0; };
    if (timeoutMs == zplat::INFINITE) {
        ready_.wait(lock, ready);
    } else if (!ready_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
        return false;
    }
    if (stopped_) {
        return false;
    }
    const Entry& e = entries_[first_];
    const uint32_t copied = std::min(e.length, capacity);
    if (copied > 0) {
        std::memcpy(buffer, bytes_.get() + e.start % maxBytes_, copied);
    }
    if (info != nullptr) {
        info->length = copied;
        info->fromAddress = e.fromAddress;
        info->fromPort = e.fromPort;
        info->truncated = e.truncated;
    }
    queuedBytes_ -= e.length;
    first_ = (first_ + 1) % maxDatagrams_;
    --count_;
    head_ = count_ > 0 ? entries_[first_].start : tail_;
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
    const uint32_t discarded = count_;
    first_ = 0;
    count_ = 0;
    head_ = tail_;
    queuedBytes_ = 0;
    return discarded;
}

uint32_t ZDatagramQueue::Resize(uint32_t maxDatagrams, uint32_t maxBytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint32_t discarded = count_;
    maxDatagrams_ = std::max<uint32_t>(maxDatagrams, 1);
    maxBytes_ = std::max<uint32_t>(maxBytes, 1);
    bytes_.reset(new char[maxBytes_]);
    entries_.reset(new Entry[maxDatagrams_]);
    first_ = 0;
    count_ = 0;
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
    return count_;
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
