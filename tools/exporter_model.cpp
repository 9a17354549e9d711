#include "tools/exporter_model.h"

#include <algorithm>
#include <mutex>

#include "tools/metrics_text.h"

namespace {

using Kind = ZMetricsText::Kind;

// The parts of the metrics page, in order.
enum MetricsPart { kOwn, kUp, kInfo, kLastSeen, kEnd, kDone };
// The parts of the landing page.
enum LandingPart { kHead, kRows, kFoot, kLandingDone };

void AppendHtml(const std::string& text, std::string* out) {
    for (char c : text) {
        switch (c) {
            case '&':
                *out += "&amp;";
                break;
            case '<':
                *out += "&lt;";
                break;
            case '>':
                *out += "&gt;";
                break;
            case '"':
                *out += "&quot;";
                break;
            case '\'':
                *out += "&#39;";
                break;
            default:
                *out += c;
        }
    }
}

// A table cell; <bdi> keeps a text's own direction (a name with right-to-left controls) from
// reordering the cells around it.
void AppendCell(const std::string& text, std::string* out) {
    *out += "<td><bdi>";
    AppendHtml(text, out);
    *out += "</bdi></td>";
}

}  // namespace

ZExporterModel::ZExporterModel(size_t maxDevices, std::string version)
    : maxDevices_(maxDevices == 0 ? 1 : maxDevices), version_(std::move(version)) {}

bool ZExporterModel::HasSerial(const std::string& serial) {
    return !serial.empty() && serial != "N/A";
}

std::string ZExporterModel::DeviceId(const Device& d) {
    if (HasSerial(d.serial)) {
        return d.service + "/" + d.serial;
    }
    return d.service + "@" + d.address + ":" + std::to_string(d.port);
}

std::string ZExporterModel::Cut(std::string text) {
    if (text.size() <= kMaxTextBytes) {
        return text;
    }
    size_t end = kMaxTextBytes;
    // Back to the first byte of the character that would be split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    text.resize(end);
    return text;
}

bool ZExporterModel::Put(const std::string& id, const Device& device) {
    std::unique_lock lock(mutex_);
    auto it = devices_.find(id);
    if (it == devices_.end()) {
        if (devices_.size() >= maxDevices_) {
            return false;
        }
        it = devices_.emplace(id, Device()).first;
    }
    const bool expected = it->second.expected || device.expected;
    it->second = device;
    it->second.expected = expected;
    for (std::string* text :
         {&it->second.name, &it->second.service, &it->second.model, &it->second.version,
          &it->second.address, &it->second.serial, &it->second.interface}) {
        *text = Cut(std::move(*text));
    }
    return true;
}

bool ZExporterModel::Remove(const std::string& id) {
    std::unique_lock lock(mutex_);
    return devices_.erase(id) > 0;
}

void ZExporterModel::SetUp(const std::string& id, bool up, int64_t lastSeenMs) {
    std::unique_lock lock(mutex_);
    auto it = devices_.find(id);
    if (it != devices_.end()) {
        it->second.up = up;
        it->second.lastSeenMs = std::max(it->second.lastSeenMs, lastSeenMs);
    }
}

void ZExporterModel::SetLastSeen(const std::vector<std::pair<std::string, int64_t>>& times) {
    std::unique_lock lock(mutex_);
    for (const auto& [id, ms] : times) {
        auto it = devices_.find(id);
        if (it != devices_.end() && ms > it->second.lastSeenMs) {
            it->second.lastSeenMs = ms;
        }
    }
}

void ZExporterModel::SetExpected(const std::string& id, bool expected) {
    std::unique_lock lock(mutex_);
    auto it = devices_.find(id);
    if (it != devices_.end()) {
        it->second.expected = expected;
    }
}

std::vector<std::string> ZExporterModel::Forget(int64_t nowMs, int64_t afterMs) {
    std::vector<std::string> forgotten;
    std::unique_lock lock(mutex_);
    for (auto it = devices_.begin(); it != devices_.end();) {
        const Device& d = it->second;
        if (!d.up && !d.expected && nowMs - d.lastSeenMs > afterMs) {
            forgotten.push_back(it->first);
            it = devices_.erase(it);
        } else {
            ++it;
        }
    }
    return forgotten;
}

void ZExporterModel::SetCounters(const Counters& counters) {
    std::unique_lock lock(mutex_);
    counters_ = counters;
}

size_t ZExporterModel::GetCount() const {
    std::shared_lock lock(mutex_);
    return devices_.size();
}

bool ZExporterModel::Find(const std::string& id, Device* device) const {
    std::shared_lock lock(mutex_);
    auto it = devices_.find(id);
    if (it == devices_.end()) {
        return false;
    }
    *device = it->second;
    return true;
}

void ZExporterModel::ForEach(
    const std::function<void(const std::string&, const Device&)>& visit) const {
    std::shared_lock lock(mutex_);
    for (const auto& [id, device] : devices_) {
        visit(id, device);
    }
}

bool ZExporterModel::NextChunk(Page page, Cursor* cursor, std::string* out) const {
    return page == Page::kLanding ? NextLanding(cursor, out)
                                  : NextMetrics(page == Page::kOpenMetrics, cursor, out);
}

bool ZExporterModel::NextMetrics(bool openMetrics, Cursor* cursor, std::string* out) const {
    ZMetricsText text(
        openMetrics ? ZMetricsText::Format::kOpenMetrics : ZMetricsText::Format::kText, out);
    std::shared_lock lock(mutex_);
    const size_t before = out->size();
    while (out->size() == before && cursor->part != kDone) {
        switch (cursor->part) {
            case kOwn: {
                const Counters& c = counters_;
                text.Family("zunit_build", Kind::kInfo, "The exporter's version.");
                text.Sample("zunit_build_info", {{"version", version_}}, uint64_t{1});
                text.Family("zunit_search_cycles", Kind::kCounter, "Search cycles sent.");
                text.Sample("zunit_search_cycles_total", {}, c.cycles);
                text.Family("zunit_answers", Kind::kCounter, "Device answers received.");
                text.Sample("zunit_answers_total", {}, c.answers);
                text.Family("zunit_refusals", Kind::kCounter, "Refusals (error answers) received.");
                text.Sample("zunit_refusals_total", {}, c.refusals);
                text.Family("zunit_datagrams_dropped", Kind::kCounter,
                            "Received datagrams dropped before they were handled, by reason.");
                text.Sample("zunit_datagrams_dropped_total", {{"reason", "queue_full"}},
                            c.queueDropped);
                text.Sample("zunit_datagrams_dropped_total", {{"reason", "search_in_progress"}},
                            c.droppedWhileSending);
                text.Family("zunit_products", Kind::kGauge, "Products the discovery lists.");
                text.Sample("zunit_products", {}, c.products);
                text.Family("zunit_products_over_cap", Kind::kCounter,
                            "Answers of products not listed because the product cap was reached.");
                text.Sample("zunit_products_over_cap_total", {}, c.overCap);
                text.Family("zunit_devices", Kind::kGauge,
                            "Devices the exporter knows: answering, remembered or expected.");
                text.Sample("zunit_devices", {}, static_cast<uint64_t>(devices_.size()));
                cursor->part = kUp;
                break;
            }
            case kUp:
            case kInfo:
            case kLastSeen: {
                if (!cursor->begun) {
                    cursor->begun = true;
                    if (cursor->part == kUp) {
                        text.Family("zunit_device_up", Kind::kGauge,
                                    "1 while the device answers, 0 once it missed two search "
                                    "cycles and a half.");
                    } else if (cursor->part == kInfo) {
                        text.Family("zunit_device", Kind::kInfo,
                                    "The device's texts, as its latest answer gave them.");
                    } else {
                        text.Family("zunit_device_last_seen_timestamp_seconds", Kind::kGauge,
                                    "When the device last answered, in seconds since 1970.");
                    }
                }
                auto it =
                    cursor->after.empty() ? devices_.begin() : devices_.upper_bound(cursor->after);
                for (size_t n = 0; it != devices_.end() && n < kDevicesPerChunk; ++it, ++n) {
                    const std::string& id = it->first;
                    const Device& d = it->second;
                    if (cursor->part == kUp) {
                        text.Sample("zunit_device_up", {{"device_id", id}},
                                    uint64_t{d.up ? 1u : 0u});
                    } else if (cursor->part == kInfo) {
                        const std::string port = std::to_string(d.port);
                        text.Sample("zunit_device_info",
                                    {{"device_id", id},
                                     {"name", d.name},
                                     {"service", d.service},
                                     {"model", d.model},
                                     {"version", d.version},
                                     {"address", d.address},
                                     {"port", d.port == 0 ? std::string() : port},
                                     {"serial", d.serial},
                                     {"interface", d.interface}},
                                    uint64_t{1});
                    } else if (d.lastSeenMs > 0) {
                        text.Sample("zunit_device_last_seen_timestamp_seconds", {{"device_id", id}},
                                    static_cast<double>(d.lastSeenMs) / 1000.0);
                    }
                    cursor->after = id;
                }
                if (it == devices_.end()) {
                    cursor->part += 1;
                    cursor->begun = false;
                    cursor->after.clear();
                }
                break;
            }
            case kEnd:
                text.End();
                cursor->part = kDone;
                break;
            default:
                cursor->part = kDone;
        }
    }
    return out->size() != before;
}

bool ZExporterModel::NextLanding(Cursor* cursor, std::string* out) const {
    std::shared_lock lock(mutex_);
    const size_t before = out->size();
    while (out->size() == before && cursor->part != kLandingDone) {
        if (cursor->part == kHead) {
            size_t up = 0;
            for (const auto& entry : devices_) {
                up += entry.second.up ? 1 : 0;
            }
            *out +=
                "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                "<title>zunit exporter</title></head>\n<body>\n<h1>zunit exporter</h1>\n"
                "<p>Version ";
            AppendHtml(version_, out);
            *out += ". <a href=\"metrics\">Metrics</a> for Prometheus. " +
                    std::to_string(devices_.size()) + " devices known, " + std::to_string(up) +
                    " answering.</p>\n<table>\n<tr><th>Device</th><th>Up</th><th>Name</th>"
                    "<th>Model</th><th>Version</th><th>Address</th><th>Serial</th>"
                    "<th>Interface</th></tr>\n";
            cursor->part = kRows;
        } else if (cursor->part == kRows) {
            auto it =
                cursor->after.empty() ? devices_.begin() : devices_.upper_bound(cursor->after);
            for (size_t n = 0; it != devices_.end() && n < kDevicesPerChunk; ++it, ++n) {
                const Device& d = it->second;
                const std::string address =
                    d.port == 0 ? d.address : d.address + ":" + std::to_string(d.port);
                *out += "<tr>";
                AppendCell(it->first, out);
                *out += d.up ? "<td>yes</td>" : "<td>no</td>";
                for (const std::string* cell :
                     {&d.name, &d.model, &d.version, &address, &d.serial, &d.interface}) {
                    AppendCell(*cell, out);
                }
                *out += "</tr>\n";
                cursor->after = it->first;
            }
            if (it == devices_.end()) {
                cursor->part = kFoot;
            }
        } else {
            *out += "</table>\n</body></html>\n";
            cursor->part = kLandingDone;
        }
    }
    return out->size() != before;
}
