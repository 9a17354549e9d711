#pragma once
// ZRequestLog: writes every search request a simulator receives as one JSON object per line, for
// tests and for the curious: who asked (the datagram's source and the requester address, mask,
// port and name it carries), for whom (target, "255.255.255.255" meaning every device), for what
// (service type, data) and where it arrived (its destination address: a directed broadcast,
// 255.255.255.255 or the simulator's own address).
//
//   ZRequestLog log;
//   if (!log.Open("/tmp/requests.jsonl")) ...;
//   log.Write(entry);   // {"from":"10.77.0.1","from_port":41234,"destination":"10.77.0.255",...}
//
// Each line is flushed at once so a reader sees it while the simulator runs. Texts from the
// network that are not valid UTF-8 are written with replacement characters.
//
// Ownership: the log owns its file. Not thread-safe.

#include <cstdint>
#include <cstdio>
#include <string>

class ZRequestLog {
public:
    struct Entry {
        uint32_t from = 0;  // addresses: network order
        uint16_t fromPort = 0;
        uint32_t destination = 0;
        uint32_t requester = 0;
        uint32_t requesterMask = 0;
        uint16_t requesterPort = 0;
        const char* requesterName = nullptr;  // null when absent
        uint32_t target = 0;
        const char* serviceType = nullptr;
        const char* data = nullptr;
        int answers = 0;  // answers and refusals the request called for
    };

    ZRequestLog() = default;
    ~ZRequestLog();
    ZRequestLog(const ZRequestLog&) = delete;
    ZRequestLog& operator=(const ZRequestLog&) = delete;

    // Creates or empties the file; false when it cannot be written.
    bool Open(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }
    void Write(const Entry& entry);

private:
    std::FILE* file_ = nullptr;
};
