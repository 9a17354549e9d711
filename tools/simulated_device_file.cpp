#include "tools/simulated_device_file.h"

#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "net/ip_address.h"

namespace {

using Json = nlohmann::json;

// Reads one entry; the first problem found goes to *problem as "field \"x\": ...".
class EntryReader {
public:
    explicit EntryReader(const Json& entry) : entry_(entry) {}

    bool Text(const char* field, bool required, std::string* out) {
        const Json* value = Find(field, required);
        if (value == nullptr) {
            return problem_.empty();
        }
        if (!value->is_string()) {
            return Fail(field, "expected a text");
        }
        *out = value->get<std::string>();
        return true;
    }

    template <class T>
    bool Number(const char* field, bool required, T* out) {
        const Json* value = Find(field, required);
        if (value == nullptr) {
            return problem_.empty();
        }
        const uint64_t max = std::numeric_limits<T>::max();
        const std::string expected = "expected a whole number from 0 to " + std::to_string(max);
        if (!value->is_number_integer()) {
            return Fail(field, expected);
        }
        if (!value->is_number_unsigned() && value->get<int64_t>() < 0) {
            return Fail(field, expected);
        }
        if (value->get<uint64_t>() > max) {
            return Fail(field, expected);
        }
        *out = static_cast<T>(value->get<uint64_t>());
        return true;
    }

    bool Address(const char* field, bool required, uint32_t* out) {
        std::string text;
        if (!Text(field, required, &text)) {
            return false;
        }
        const uint32_t value = ParseDottedAddress(text.c_str());
        // The parser gives 255.255.255.255 for text it cannot read; only that text means it.
        if (value == 0xFFFFFFFFu && text != "255.255.255.255") {
            return Fail(field, "expected a dotted IPv4 address, got \"" + text + "\"");
        }
        *out = value;
        return true;
    }

    bool OnlyKnownFields(std::initializer_list<const char*> known) {
        for (auto it = entry_.begin(); it != entry_.end(); ++it) {
            bool found = false;
            for (const char* k : known) {
                found = found || it.key() == k;
            }
            if (!found) {
                return Fail(it.key().c_str(), "unknown field");
            }
        }
        return true;
    }

    const std::string& problem() const { return problem_; }

private:
    const Json* Find(const char* field, bool required) {
        auto it = entry_.find(field);
        if (it == entry_.end()) {
            if (required) {
                Fail(field, "missing");
            }
            return nullptr;
        }
        return &*it;
    }

    bool Fail(const char* field, const std::string& what) {
        problem_ = std::string("field \"") + field + "\": " + what;
        return false;
    }

    const Json& entry_;
    std::string problem_;
};

bool ReadEntry(const Json& entry, ZSimulatedDevice* d, std::string* problem) {
    if (!entry.is_object()) {
        *problem = "expected an object";
        return false;
    }
    EntryReader r(entry);
    uint16_t refusal = 0;
    const bool ok =
        r.OnlyKnownFields({"service", "name", "address", "mask", "port", "model", "version", "info",
                           "aux", "user_data", "index", "extra", "refusal"}) &&
        r.Text("service", true, &d->serviceName) && r.Text("name", true, &d->deviceName) &&
        r.Address("address", true, &d->address) && r.Address("mask", true, &d->mask) &&
        r.Number("port", true, &d->port) && r.Text("model", false, &d->model) &&
        r.Text("version", false, &d->version) && r.Text("info", false, &d->info) &&
        r.Number("aux", false, &d->auxValue) && r.Number("user_data", false, &d->userData) &&
        r.Number("index", false, &d->indexValue) && r.Text("extra", false, &d->extraText) &&
        r.Number("refusal", false, &refusal);
    if (!ok) {
        *problem = r.problem();
        return false;
    }
    if (entry.contains("refusal")) {
        if (refusal == 0) {
            *problem = "field \"refusal\": a refusal code is not 0 (0 is an answer)";
            return false;
        }
        d->refusalCode = refusal;
    }
    return true;
}

}  // namespace

bool ZSimulatedDeviceFile::Parse(const std::string& text, std::vector<ZSimulatedDevice>* devices,
                                 std::string* error) {
    const Json document = Json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (document.is_discarded()) {
        *error = "not valid JSON";
        return false;
    }
    const Json* list = &document;
    if (document.is_object()) {
        auto it = document.find("devices");
        if (it == document.end()) {
            *error = "expected an array of devices or an object with a \"devices\" array";
            return false;
        }
        list = &*it;
    }
    if (!list->is_array()) {
        *error = "expected an array of devices";
        return false;
    }
    std::vector<ZSimulatedDevice> read;
    for (size_t i = 0; i < list->size(); ++i) {
        const Json& entry = (*list)[i];
        ZSimulatedDevice device;
        std::string problem;
        if (!ReadEntry(entry, &device, &problem)) {
            std::string name;
            if (entry.is_object() && entry.contains("name") && entry["name"].is_string()) {
                name = " (\"" + entry["name"].get<std::string>() + "\")";
            }
            *error = "entry " + std::to_string(i + 1) + name + ": " + problem;
            return false;
        }
        read.push_back(std::move(device));
    }
    *devices = std::move(read);
    return true;
}

bool ZSimulatedDeviceFile::Load(const std::string& path, std::vector<ZSimulatedDevice>* devices,
                                std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot be read";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!Parse(text.str(), devices, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}
