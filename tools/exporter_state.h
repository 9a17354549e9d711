#pragma once
// ZExporterState: the state file of `zunit exporter`: the devices it knew, so that a device that
// went silent while the exporter was down is still exported (up 0) after a restart.
//
//   std::vector<ZExporterState::Entry> known;
//   std::string warning;
//   if (!ZExporterState::Load(path, model.GetMaxCount(), nowMs, &known, &warning)) {
//       fprintf(stderr, "warning: %s; starting afresh\n", warning.c_str());
//   }
//   ZExporterState::Save(path, model, &error);      // atomically (zplat::ReplaceFile)
//
// The file is JSON lines: a first line {"zunit_exporter_state": 1}, then one object per device:
//   {"id": "zelvane.cuedeck/CD-1", "name": "Booth 2", "service": "zelvane.cuedeck",
//    "model": "Cuedeck Prime", "version": "6.4.2", "address": "10.0.0.50", "port": 4300,
//    "serial": "CD-1", "interface": "eth0", "last_seen_ms": 1712345678901}
// Only devices that have answered are written. A file is read line by line, each line at most
// kMaxLineBytes, at most maxDevices devices (the rest are left out), texts cut as the model cuts
// them: whatever the file holds, reading it takes bounded memory. Anything else that is wrong
// (not a regular file, not JSON, a member of the wrong type, an unknown format) refuses the
// whole file with a warning naming the file and the line; a missing file is no error.
//
// No state; no exception leaves these calls.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/exporter_model.h"

class ZExporterState {
public:
    struct Entry {
        std::string id;
        ZExporterModel::Device device;
    };

    static constexpr int kFormat = 1;
    // A device's line: its texts at ZExporterModel::kMaxTextBytes, JSON escapes (up to six bytes
    // per byte) and the member names fit well inside.
    static constexpr size_t kMaxLineBytes = 16 * 1024;

    // False, with why in *warning, when the file is refused; true (perhaps with no entries) when
    // it was read or does not exist. Times after nowMs are taken as nowMs.
    static bool Load(const std::string& path, size_t maxDevices, int64_t nowMs,
                     std::vector<Entry>* entries, std::string* warning);
    // One device's line, without the newline.
    static bool ParseLine(const std::string& line, int64_t nowMs, Entry* entry, std::string* why);
    static std::string Line(const std::string& id, const ZExporterModel::Device& device);
    static bool Save(const std::string& path, const ZExporterModel& model, std::string* error);
};
