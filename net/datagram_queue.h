#pragma once
// ZDatagramQueue: the bounded queue between a socket's receive thread, which only drains the
// system's socket buffer, and the thread that hands each datagram to the socket's handlers. It is
// bounded twice, in datagrams and in bytes of datagram data; a datagram that would pass either
// bound is dropped and counted. A host that sends faster than the handlers work therefore costs
// at most the bounds, never more, and the receive thread never waits for the handlers.
//
//   ZDatagramQueue queue(4096, 1 << 20);
//   // receive thread, for every datagram read:
//   queue.Push(bytes, n, fromAddress, fromPort, /*truncated=*/false);   // false: dropped
//   // delivery thread:
//   ZDatagramQueue::Datagram d;
//   while (queue.Pop(buffer, sizeof buffer, &d, zplat::INFINITE)) Deliver(buffer, d);
//   // owner, to end the delivery thread:
//   queue.Stop();               // every Pop returns false from now on, at once
//   uint32_t left = queue.Clear();
//   queue.Restart();            // accepts and hands out again
//
// Datagrams come out in the order they went in. The data lives in a ring of maxBytes (each
// datagram contiguous in it; a datagram that does not fit before the ring's end starts at its
// beginning, and the room it skips counts as used until the datagrams before it are taken). An
// empty queue starts again at the ring's beginning. The ring's memory is made in chunks of
// kChunkBytes as datagrams reach them, and a chunk no queued datagram uses any more is given
// back (all but the first, where an empty queue starts again): a burst that filled the queue
// costs its memory only while it waits, and a quiet socket holds one chunk.
// Ownership and threads: Push copies the bytes, Pop copies them out; nothing handed in or out is
// kept. Any thread may call any operation; one lock inside guards everything, and Pop waits for
// data outside it. The counters only grow (Clear and Restart leave them).

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

class ZDatagramQueue {
public:
    // The facts of one datagram besides its bytes.
    struct Datagram {
        uint32_t length = 0;       // bytes of data
        uint32_t fromAddress = 0;  // network order
        uint16_t fromPort = 0;     // network order, as the socket address held it
        bool truncated = false;    // the datagram was larger than the buffer it was read into
    };

    // The ring's memory is made and given back in pieces of this size (a ring smaller than this is
    // one piece): small enough that a drained queue keeps little, large enough that a burst
    // makes a piece once per hundreds of answers.
    static constexpr uint32_t kChunkBytes = 64 * 1024;

    // Both bounds at least 1.
    ZDatagramQueue(uint32_t maxDatagrams, uint32_t maxBytes);
    ZDatagramQueue(const ZDatagramQueue&) = delete;
    ZDatagramQueue& operator=(const ZDatagramQueue&) = delete;

    // One datagram as a receive thread read it, for PushBatch.
    struct Incoming {
        const char* data = nullptr;
        uint32_t length = 0;
        uint32_t fromAddress = 0;  // network order
        uint16_t fromPort = 0;     // network order
        bool truncated = false;
    };

    // Queues a copy. False, and the datagram is counted as dropped, when it would pass either
    // bound (a datagram longer than maxBytes never fits) or its chunk of the ring could not be
    // made. A stopped queue still takes datagrams: Stop ends the waiting side only.
    bool Push(const char* data, uint32_t length, uint32_t fromAddress, uint16_t fromPort,
              bool truncated);
    // Push for each of count datagrams, in order, under one taking of the lock, and one wake-up
    // of a waiting Pop after them: a receive thread that reads in batches then neither contends
    // with the delivery thread nor makes a system call for every datagram. Returns how many
    // were queued (the others are counted as dropped).
    uint32_t PushBatch(const Incoming* datagrams, uint32_t count);
    // Waits up to timeoutMs (zplat::INFINITE allowed) for the oldest datagram and takes it: its
    // bytes into buffer (at most capacity of them; *info says how many were copied) and its facts
    // into *info. False when the wait ended without one or the queue is stopped.
    bool Pop(char* buffer, uint32_t capacity, Datagram* info, uint32_t timeoutMs);
    // Wakes every waiting Pop; every Pop returns false until Restart.
    void Stop();
    // Pop works again.
    void Restart();
    // Discards every queued datagram; returns how many there were.
    uint32_t Clear();
    // New bounds (each at least 1); what was queued is discarded and returned as by Clear.
    uint32_t Resize(uint32_t maxDatagrams, uint32_t maxBytes);

    uint32_t GetMaxDatagrams() const;
    uint32_t GetMaxBytes() const;
    uint32_t GetQueuedCount() const;
    // Bytes of the queued datagrams' data (room skipped at the ring's end not included).
    uint32_t GetQueuedBytes() const;
    // Datagrams taken in and dropped so far; the most that were queued at one time.
    uint64_t GetPushedCount() const;
    uint64_t GetDroppedCount() const;
    uint32_t GetPeakCount() const;
    // Bytes of the ring's chunks made now: what the queue holds in memory for data.
    uint32_t GetResidentBytes() const;

private:
    struct Entry {
        uint64_t start;  // position in the ring's unwrapped byte sequence
        uint32_t length;
        uint32_t fromAddress;
        uint16_t fromPort;
        bool truncated;
    };

    // Copies between the ring at position start and flat memory, chunk by chunk.
    void CopyIn(uint64_t start, const char* data, uint32_t length);
    void CopyOut(uint64_t start, char* data, uint32_t length) const;
    // Makes the chunks that hold [start, start + length) of the ring; false when one could not be
    // made.
    bool MakeChunks(uint64_t start, uint32_t length);
    // Gives back the chunks that [from, to) of the ring touched and no queued datagram uses.
    void ReleaseChunks(uint64_t from, uint64_t to);
    bool ChunkInUse(uint32_t chunk) const;
    uint32_t ChunkSize(uint32_t chunk) const;
    void ResetRing();
    bool PushLocked(const char* data, uint32_t length, uint32_t fromAddress, uint16_t fromPort,
                    bool truncated);

    mutable std::mutex mutex_;
    uint32_t maxDatagrams_;
    uint32_t maxBytes_;
    uint32_t chunkBytes_;
    std::condition_variable ready_;
    std::vector<std::unique_ptr<char[]>> chunks_;  // the ring, a null chunk not made yet
    uint32_t madeBytes_ = 0;
    std::deque<Entry> entries_;  // oldest first
    // Positions grow without wrapping; position p lives at ring offset p % maxBytes_. Everything
    // from head_ to tail_ is in use (data and skipped room).
    uint64_t head_ = 0;
    uint64_t tail_ = 0;
    uint32_t queuedBytes_ = 0;
    bool stopped_ = false;
    uint64_t pushed_ = 0;
    uint64_t dropped_ = 0;
    uint32_t peak_ = 0;
};
