#include "ndd/answer_records.h"

#include <cstring>
#include <string_view>

namespace {

const char* OrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

size_t TextCost(const char* text) {
    return text != nullptr ? std::strlen(text) + 1 : 0;
}

void Mix(size_t* hash, size_t value) {
    *hash ^= value + 0x9E3779B97F4A7C15ull + (*hash << 6) + (*hash >> 2);
}

// Allocations a record makes besides its texts: itself, address 0, and the three dotted texts
// of address 0 and of the local address; each costs the heap's bookkeeping besides its bytes.
constexpr size_t kAllocations = 8;
constexpr size_t kAllocationOverhead = 16;
constexpr size_t kAddressTexts = 6 * 16;

}  // namespace

ZAnswerRecords::ZAnswerRecords(size_t maxBytes) : maxBytes_(maxBytes) {}

ZAnswerRecords::~ZAnswerRecords() {
    Clear();
}

std::unique_ptr<ZNetworkDevice> ZAnswerRecords::Build(const Answer& a) {
    auto device = std::make_unique<ZNetworkDevice>(a.serviceName, a.port, a.auxValue, a.deviceName,
                                                   a.model, a.version, a.info, a.extraText);
    device->SetUserData(a.userData);
    device->AddAddress(a.deviceAddress, a.deviceMask, a.indexValue);
    device->SetLocalAddress(a.requesterAddress, a.requesterMask);
    return device;
}

size_t ZAnswerRecords::CostOf(const Answer& a) {
    return sizeof(ZNetworkDevice) + sizeof(ZIPAddress) + kAddressTexts +
           (kAllocations + 6) * kAllocationOverhead + sizeof(Entry) + TextCost(a.serviceName) +
           TextCost(a.deviceName) + TextCost(a.model) + TextCost(a.version) + TextCost(a.info) +
           TextCost(a.extraText);
}

size_t ZAnswerRecords::HashOf(const Answer& a) {
    std::hash<std::string_view> text;
    size_t h = text(OrEmpty(a.serviceName));
    Mix(&h, text(OrEmpty(a.deviceName)));
    Mix(&h, text(OrEmpty(a.model)));
    Mix(&h, text(OrEmpty(a.version)));
    Mix(&h, text(OrEmpty(a.info)));
    Mix(&h, text(OrEmpty(a.extraText)));
    Mix(&h, static_cast<size_t>(a.deviceAddress) << 32 | a.deviceMask);
    Mix(&h, static_cast<size_t>(a.requesterAddress) << 32 | a.requesterMask);
    Mix(&h, static_cast<size_t>(a.userData) << 32 | a.indexValue);
    Mix(&h, static_cast<size_t>(a.port) << 16 | a.auxValue);
    return h;
}

bool ZAnswerRecords::Matches(const Entry& e, const Answer& a) {
    if (e.deviceAddress != a.deviceAddress || e.deviceMask != a.deviceMask ||
        e.userData != a.userData || e.requesterAddress != a.requesterAddress ||
        e.requesterMask != a.requesterMask || e.indexValue != a.indexValue || e.port != a.port ||
        e.auxValue != a.auxValue) {
        return false;
    }
    ZNetworkDevice* r = e.record;
    return std::strcmp(r->GetServiceName(), OrEmpty(a.serviceName)) == 0 &&
           std::strcmp(r->GetDeviceName(), OrEmpty(a.deviceName)) == 0 &&
           std::strcmp(r->GetModel(), OrEmpty(a.model)) == 0 &&
           std::strcmp(r->GetVersion(), OrEmpty(a.version)) == 0 &&
           std::strcmp(r->GetInfo(), OrEmpty(a.info)) == 0 &&
           std::strcmp(r->GetExtraText(), OrEmpty(a.extraText)) == 0;
}

ZNetworkDevice* ZAnswerRecords::Obtain(const Answer& a,
                                       std::unique_ptr<ZNetworkDevice>* transient) {
    const size_t hash = HashOf(a);
    auto [first, last] = records_.equal_range(hash);
    for (auto it = first; it != last; ++it) {
        if (Matches(it->second, a)) {
            ++shared_;
            return it->second.record;
        }
    }
    const size_t cost = CostOf(a);
    if (bytes_ + cost > maxBytes_) {
        ++transient_;
        *transient = Build(a);
        return transient->get();
    }
    ZNetworkDevice* record = Build(a).release();
    records_.emplace(hash, Entry{a.deviceAddress, a.deviceMask, a.userData, a.requesterAddress,
                                 a.requesterMask, a.indexValue, a.port, a.auxValue, record});
    bytes_ += cost;
    return record;
}

void ZAnswerRecords::Clear() {
    for (auto& [hash, entry] : records_) {
        delete entry.record;
    }
    records_.clear();
    bytes_ = 0;
}
