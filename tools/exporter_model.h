#pragma once
// ZExporterModel: what `zunit exporter` knows and serves: every known device (those that answered,
// those remembered from the state file, those an expected inventory names) with its texts,
// whether it answers now and when it last did, and the exporter's own counters. The discovery
// side puts devices in (ZExporterFeed); the web server's threads read pages out of it, a chunk of
// devices at a time, so that no scrape copies the whole model or holds its lock while it writes
// to a slow client.
//
//   ZExporterModel model(100000, "1.0.0");
//   ZExporterModel::Device d;
//   d.service = "zelvane.cuedeck"; d.serial = "CD-1"; d.up = true; d.lastSeenMs = nowMs;
//   model.Put(ZExporterModel::DeviceId(d), d);
//   ZExporterModel::Cursor cursor;
//   std::string chunk;
//   while (model.NextChunk(ZExporterModel::Page::kMetrics, &cursor, &chunk)) { send(chunk); }
//
// A device is known by its id (DeviceId): "<service>/<serial>" when the device reports a serial,
// which stays the same across restarts and address changes, else "<service>@<address>:<port>".
// Texts are kept to kMaxTextBytes each (cut on a character boundary), and at most maxDevices
// devices are known: memory stays bounded whatever the network sends.
//
// Threads: every call may come from any thread; one shared mutex guards the model (pages take it
// shared, chunk by chunk).
//
// Ownership: the model owns copies of everything put in.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <shared_mutex>
#include <string>
#include <utility>
#include <vector>

class ZExporterModel {
public:
    struct Device {
        std::string name, service, model, version, address, serial, interface;
        uint16_t port = 0;
        int64_t lastSeenMs = 0;  // wall-clock milliseconds since 1970; 0: never answered
        bool up = false;
        bool expected = false;  // named by the expected inventory: never forgotten
    };

    struct Counters {
        uint64_t cycles = 0;
        uint64_t answers = 0;
        uint64_t refusals = 0;
        uint64_t queueDropped = 0;         // the receive queue was full
        uint64_t droppedWhileSending = 0;  // met a search being sent (kept 0 by the engine now)
        uint64_t products = 0;             // the discovery core's list
        uint64_t overCap = 0;              // answers of products past the cap
    };

    enum class Page { kMetrics, kOpenMetrics, kLanding };

    // Where a page's reader is: which part, and the last device id written in it.
    struct Cursor {
        int part = 0;
        bool begun = false;
        std::string after;
    };

    // The longest text kept of a device's name, model, version, ...: far longer than any real
    // one, short enough that 100,000 hostile devices stay some tens of MiB.
    static constexpr size_t kMaxTextBytes = 256;
    // Devices written per chunk of a page.
    static constexpr size_t kDevicesPerChunk = 256;

    ZExporterModel(size_t maxDevices, std::string version);

    // "zelvane.cuedeck/CD-1", or "zelvane.vxp2@10.0.0.8:80" without a serial ("" or "N/A").
    static std::string DeviceId(const Device& device);
    static bool HasSerial(const std::string& serial);
    // The text cut to kMaxTextBytes without splitting a UTF-8 sequence.
    static std::string Cut(std::string text);

    // Adds the device, or replaces the texts, address, state and time of the one with this id
    // (its expected mark stays). False, with nothing changed, for a new id past the cap.
    bool Put(const std::string& id, const Device& device);
    bool Remove(const std::string& id);
    // Whether it answers now, and when it last did (a later time only raises lastSeenMs).
    void SetUp(const std::string& id, bool up, int64_t lastSeenMs);
    // Raises the last-seen times of these devices; unknown ids are left out.
    void SetLastSeen(const std::vector<std::pair<std::string, int64_t>>& times);
    void SetExpected(const std::string& id, bool expected);
    // Removes the devices that are down, not expected and silent since before nowMs - afterMs;
    // their ids.
    std::vector<std::string> Forget(int64_t nowMs, int64_t afterMs);
    void SetCounters(const Counters& counters);

    size_t GetCount() const;
    size_t GetMaxCount() const { return maxDevices_; }
    bool Find(const std::string& id, Device* device) const;
    // Calls visit for every device in id order, under the shared lock.
    void ForEach(const std::function<void(const std::string&, const Device&)>& visit) const;

    // Appends the next piece of the page to *out; false once the page is complete (nothing
    // appended then).
    bool NextChunk(Page page, Cursor* cursor, std::string* out) const;

private:
    using Devices = std::map<std::string, Device>;

    bool NextMetrics(bool openMetrics, Cursor* cursor, std::string* out) const;
    bool NextLanding(Cursor* cursor, std::string* out) const;

    const size_t maxDevices_;
    const std::string version_;
    mutable std::shared_mutex mutex_;
    Devices devices_;
    Counters counters_;
};
