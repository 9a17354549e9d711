#include "tools/exporter_state.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>

#include "platform/files/state_file.h"

namespace {

using Json = nlohmann::json;

// The texts of a device's line and the members that hold them.
struct TextMember {
    const char* name;
    std::string ZExporterModel::Device::*field;
};
constexpr TextMember kTexts[] = {
    {"name", &ZExporterModel::Device::name},          {"service", &ZExporterModel::Device::service},
    {"model", &ZExporterModel::Device::model},        {"version", &ZExporterModel::Device::version},
    {"address", &ZExporterModel::Device::address},    {"serial", &ZExporterModel::Device::serial},
    {"interface", &ZExporterModel::Device::interface}};

constexpr size_t kMaxIdBytes = 4 * ZExporterModel::kMaxTextBytes;

}  // namespace

std::string ZExporterState::Line(const std::string& id, const ZExporterModel::Device& d) {
    Json line = {{"id", id}};
    for (const TextMember& t : kTexts) {
        line[t.name] = d.*t.field;
    }
    line["port"] = d.port;
    line["last_seen_ms"] = d.lastSeenMs;
    return line.dump(-1, ' ', false, Json::error_handler_t::replace);
}

bool ZExporterState::ParseLine(const std::string& text, int64_t nowMs, Entry* entry,
                               std::string* why) {
    const Json line = Json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!line.is_object()) {
        *why = "not a JSON object";
        return false;
    }
    Entry e;
    auto id = line.find("id");
    if (id == line.end() || !id->is_string() || id->get_ref<const std::string&>().empty() ||
        id->get_ref<const std::string&>().size() > kMaxIdBytes) {
        *why = "\"id\" is not a text of 1 to " + std::to_string(kMaxIdBytes) + " bytes";
        return false;
    }
    e.id = id->get<std::string>();
    for (const TextMember& t : kTexts) {
        auto it = line.find(t.name);
        if (it == line.end()) {
            continue;
        }
        if (!it->is_string()) {
            *why = std::string("\"") + t.name + "\" is not a text";
            return false;
        }
        e.device.*t.field = ZExporterModel::Cut(it->get<std::string>());
    }
    auto port = line.find("port");
    if (port != line.end()) {
        if (!port->is_number_unsigned() || port->get<uint64_t>() > 65535) {
            *why = "\"port\" is not a port number";
            return false;
        }
        e.device.port = static_cast<uint16_t>(port->get<uint64_t>());
    }
    auto seen = line.find("last_seen_ms");
    if (seen == line.end() || !seen->is_number_unsigned() || seen->get<uint64_t>() == 0) {
        *why = "\"last_seen_ms\" is not a positive whole number";
        return false;
    }
    // A time from a clock that was ahead would keep the device from ever being forgotten.
    e.device.lastSeenMs = static_cast<int64_t>(std::min<uint64_t>(
        seen->get<uint64_t>(), static_cast<uint64_t>(std::max<int64_t>(nowMs, 1))));
    *entry = std::move(e);
    return true;
}

bool ZExporterState::Load(const std::string& path, size_t maxDevices, int64_t nowMs,
                          std::vector<Entry>* entries, std::string* warning) {
    entries->clear();
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return true;
    }
    if (error || status.type() != std::filesystem::file_type::regular) {
        *warning = path + ": not a regular file";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *warning = path + ": cannot be read";
        return false;
    }
    std::vector<Entry> read;
    std::string line;
    size_t lineNumber = 0;
    bool ok = true;
    char buffer[64 * 1024];
    const auto take = [&](std::string& text) {
        ++lineNumber;
        if (lineNumber == 1) {
            const Json head = Json::parse(text, nullptr, false);
            if (!head.is_object() || head.find("zunit_exporter_state") == head.end() ||
                head["zunit_exporter_state"] != kFormat) {
                *warning = path + ": line 1 is not {\"zunit_exporter_state\": 1}";
                return false;
            }
            return true;
        }
        if (text.empty()) {
            return true;
        }
        Entry e;
        std::string why;
        if (!ParseLine(text, nowMs, &e, &why)) {
            *warning = path + ": line " + std::to_string(lineNumber) + ": " + why;
            return false;
        }
        read.push_back(std::move(e));
        return true;
    };
    bool complete = false;
    while (ok && !complete && read.size() < maxDevices) {
        const size_t n = std::fread(buffer, 1, sizeof buffer, file);
        if (n == 0) {
            complete = true;
            break;
        }
        for (size_t i = 0; ok && i < n && read.size() < maxDevices; ++i) {
            if (buffer[i] != '\n') {
                line += buffer[i];
                if (line.size() > kMaxLineBytes) {
                    *warning = path + ": line " + std::to_string(lineNumber + 1) +
                               " is longer than " + std::to_string(kMaxLineBytes) + " bytes";
                    ok = false;
                }
            } else {
                ok = take(line);
                line.clear();
            }
        }
    }
    if (ok && std::ferror(file) != 0) {
        *warning = path + ": cannot be read";
        ok = false;
    }
    std::fclose(file);
    if (ok && complete && !line.empty()) {
        ok = take(line);  // a last line without its newline
    }
    if (ok && lineNumber == 0) {
        *warning = path + ": empty";
        ok = false;
    }
    if (!ok) {
        return false;
    }
    *entries = std::move(read);
    return true;
}

bool ZExporterState::Save(const std::string& path, const ZExporterModel& model,
                          std::string* error) {
    return zplat::ReplaceFile(
        path,
        [&](std::FILE* file) {
            bool ok = std::fprintf(file, "{\"zunit_exporter_state\":%d}\n", kFormat) > 0;
            model.ForEach([&](const std::string& id, const ZExporterModel::Device& d) {
                if (ok && d.lastSeenMs > 0) {
                    const std::string line = Line(id, d) + "\n";
                    ok = std::fwrite(line.data(), 1, line.size(), file) == line.size();
                }
            });
            return ok;
        },
        error);
}
