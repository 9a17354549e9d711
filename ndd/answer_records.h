#pragma once
// ZAnswerRecords: the detection engine's records of one search cycle's answers. Every answer is
// reported as a ZNetworkDevice that stays valid until the next cycle; a device that answers again
// and again within one cycle (twice per interface by the protocol, or thousands of times from a
// host that repeats it) must not cost a record per repeat. So identical answers (every field the
// same) share one record, and the records of one cycle are bounded in bytes: past the bound an
// answer gets a record that lives only while it is reported.
//
//   ZAnswerRecords records;                               // kDefaultMaxBytes
//   ZAnswerRecords::Answer a{service, address, mask, ...};
//   std::unique_ptr<ZNetworkDevice> transient;
//   ZNetworkDevice* d = records.Obtain(a, &transient);    // kept, or *transient owns it
//   handler->OnDeviceAnswer(d, ...);                      // then transient goes
//   records.Clear();                                      // the next cycle
//
// Ownership: the records own the devices they keep, until Clear or destruction; a transient
// record belongs to the caller. The texts of an Answer are only read during Obtain. No lock of
// its own: the engine uses it under its engine lock.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "ndd/network_device.h"

class ZAnswerRecords {
public:
    // Room for the distinct answers of one cycle from tens of thousands of devices.
    static constexpr size_t kDefaultMaxBytes = 16 * 1024 * 1024;

    // The fields of one answer, as the processor hands them over; null texts are absent.
    struct Answer {
        const char* serviceName = nullptr;
        uint32_t deviceAddress = 0;
        uint32_t deviceMask = 0;
        uint32_t userData = 0;
        uint16_t port = 0;
        uint16_t auxValue = 0;
        const char* deviceName = nullptr;
        const char* model = nullptr;
        const char* version = nullptr;
        const char* info = nullptr;
        uint32_t requesterAddress = 0;
        uint32_t requesterMask = 0;
        uint32_t indexValue = 0;
        const char* extraText = nullptr;
    };

    explicit ZAnswerRecords(size_t maxBytes = kDefaultMaxBytes);
    ~ZAnswerRecords();
    ZAnswerRecords(const ZAnswerRecords&) = delete;
    ZAnswerRecords& operator=(const ZAnswerRecords&) = delete;

    // The record of this answer: the one kept for an identical answer of this cycle, or a new one
    // that is kept, or, when keeping it would pass the bound, a new one that *transient owns
    // (also returned). An absent text and an empty one count as the same (both read as "").
    ZNetworkDevice* Obtain(const Answer& answer, std::unique_ptr<ZNetworkDevice>* transient);
    // Deletes every kept record.
    void Clear();

    // A record built from the answer's fields: service name, port, auxiliary value, texts, user
    // data, address 0 (device address, mask, index value) and the local address (the requester
    // address and mask the device echoed).
    static std::unique_ptr<ZNetworkDevice> Build(const Answer& answer);
    // What a record of this answer costs, roughly: the record, its address objects and texts,
    // and the allocations that hold them.
    static size_t CostOf(const Answer& answer);

    size_t GetCount() const { return records_.size(); }
    size_t GetBytes() const { return bytes_; }
    size_t GetMaxBytes() const { return maxBytes_; }
    // Over the records' life (Clear leaves them): answers that found a record to share, and
    // answers that got a transient record because the cycle's bound was reached.
    uint64_t GetSharedCount() const { return shared_; }
    uint64_t GetTransientCount() const { return transient_; }

private:
    // The numbers of an answer, kept beside its record so a lookup compares them without
    // parsing the record's address texts.
    struct Entry {
        uint32_t deviceAddress, deviceMask, userData, requesterAddress, requesterMask, indexValue;
        uint16_t port, auxValue;
        ZNetworkDevice* record;
    };
    static size_t HashOf(const Answer& answer);
    static bool Matches(const Entry& entry, const Answer& answer);

    const size_t maxBytes_;
    std::unordered_multimap<size_t, Entry> records_;  // owns each Entry's record
    size_t bytes_ = 0;
    uint64_t shared_ = 0;
    uint64_t transient_ = 0;
};
