#include "tools/simulated_device_file.h"

#include <limits>
#include <nlohmann/json.hpp>

#include "catalogue/table_text.h"
#include "ndd/ndd_protocol_processor.h"
#include "net/ip_address.h"
#include "tools/input_file.h"

namespace {

using Json = nlohmann::json;

// A text from the file as an error shows it: quoted, controls escaped, and cut after some 60
// bytes (at a character's start), so a megabyte name does not flood the terminal.
std::string Shown(const std::string& text) {
    constexpr size_t kShownBytes = 60;
    if (text.size() <= kShownBytes) {
        return table_text::Quote(text);
    }
    size_t cut = kShownBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return table_text::Quote(text.substr(0, cut)) + "...";
}

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
        std::string text = value->get<std::string>();
        if (text.find('\0') != std::string::npos) {
            // Answers carry NUL-terminated texts: the rest would silently go missing.
            return Fail(field, "a text cannot hold a NUL character (\\u0000)");
        }
        *out = std::move(text);
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
            return Fail(field, "expected a dotted IPv4 address, got " + Shown(text));
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
                return Fail(it.key(), "unknown field");
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

    bool Fail(const std::string& field, const std::string& what) {
        problem_ = "field " + Shown(field) + ": " + what;
        return false;
    }

    const Json& entry_;
    std::string problem_;
};

// The largest answer: one UDP datagram over IPv4 (65535 bytes less the IP and UDP headers, 20
// and 8 bytes). A longer one could not be sent, and a text over the limit of the message format
// would be left out of it, shifting the fields after it.
constexpr size_t kMaxAnswerBytes = 65535 - 20 - 8;

// The texts of an answer, in the order the answer carries them.
struct AnswerText {
    const char* field;
    const std::string ZSimulatedDevice::*text;
};
constexpr AnswerText kAnswerTexts[] = {
    {"service", &ZSimulatedDevice::serviceName}, {"name", &ZSimulatedDevice::deviceName},
    {"model", &ZSimulatedDevice::model},         {"version", &ZSimulatedDevice::version},
    {"info", &ZSimulatedDevice::info},           {"extra", &ZSimulatedDevice::extraText},
};

// The size of an answer whose texts are all empty; each text adds its length to it.
size_t EmptyAnswerBytes() {
    ZNDDProtocolProcessor builder;
    builder.BuildAnswer("", 0, 0, 0, 0, 0, "", "", "", "", 0, 0, 0, "");
    return builder.GetLength();
}

// Refuses a device whose answer would not fit one datagram, naming its longest text.
bool CheckAnswerFits(const ZSimulatedDevice& d, size_t emptyAnswerBytes, std::string* problem) {
    size_t bytes = emptyAnswerBytes;
    const AnswerText* longest = &kAnswerTexts[0];
    for (const AnswerText& t : kAnswerTexts) {
        bytes += (d.*t.text).size();
        if ((d.*t.text).size() > (d.*longest->text).size()) {
            longest = &t;
        }
    }
    if (bytes <= kMaxAnswerBytes) {
        return true;
    }
    const size_t length = (d.*longest->text).size();
    const size_t others = bytes - length;
    const size_t room = others < kMaxAnswerBytes ? kMaxAnswerBytes - others : 0;
    *problem = "field " + table_text::Quote(longest->field) + ": " + std::to_string(length) +
               " bytes of text do not fit an answer (one datagram, at most " +
               std::to_string(kMaxAnswerBytes) + " bytes): with this entry's other texts it " +
               "may have at most " + std::to_string(room) + " bytes";
    return false;
}

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

// The entry's own name for messages, as read so far.
std::string EntryName(const Json& entry) {
    if (entry.is_object() && entry.contains("name") && entry["name"].is_string()) {
        return " (" + Shown(entry["name"].get<std::string>()) + ")";
    }
    return "";
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
    const size_t emptyAnswerBytes = EmptyAnswerBytes();
    std::vector<ZSimulatedDevice> read;
    for (size_t i = 0; i < list->size(); ++i) {
        const Json& entry = (*list)[i];
        ZSimulatedDevice device;
        std::string problem;
        if (!ReadEntry(entry, &device, &problem) ||
            !CheckAnswerFits(device, emptyAnswerBytes, &problem)) {
            *error = "entry " + std::to_string(i + 1) + EntryName(entry) + ": " + problem;
            return false;
        }
        read.push_back(std::move(device));
    }
    *devices = std::move(read);
    return true;
}

bool ZSimulatedDeviceFile::Load(const std::string& path, std::vector<ZSimulatedDevice>* devices,
                                std::string* error) {
    std::string text;
    if (!ZInputFile::Read(path, ZInputFile::kMaxBytes, &text, error)) {
        return false;
    }
    if (!Parse(text, devices, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}
