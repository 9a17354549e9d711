#include "net/cidr_block.h"

#include "platform/network/inet.h"

namespace {

uint32_t HostMaskOf(int prefix) {
    return prefix <= 0 ? 0 : 0xFFFFFFFFu << (32 - prefix);
}

std::string DottedHostOrder(uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

// Reads a decimal number of 1 to maxDigits digits without a leading zero (a lone 0 is fine);
// moves *p past it. False when there is none or it is malformed.
bool ReadNumber(const char** p, int maxDigits, uint32_t* value) {
    const char* s = *p;
    int digits = 0;
    uint32_t v = 0;
    while (s[digits] >= '0' && s[digits] <= '9') {
        if (digits == maxDigits) {
            return false;
        }
        v = v * 10 + static_cast<uint32_t>(s[digits] - '0');
        ++digits;
    }
    if (digits == 0 || (digits > 1 && s[0] == '0')) {
        return false;
    }
    *p = s + digits;
    *value = v;
    return true;
}

// Ranges that hold no device's address (host order); a block of /16 or longer lies wholly inside
// or wholly outside each.
struct NoHostsRange {
    uint32_t network;
    int prefix;
    const char* what;
};
constexpr NoHostsRange kNoHostsRanges[] = {
    {0x00000000u, 8, "\"this network\", a source address only"},
    {0x7F000000u, 8, "loopback"},
    {0xE0000000u, 4, "multicast"},
    {0xF0000000u, 4, "reserved, with the limited broadcast"},
};

bool Fail(std::string* error, const std::string& text) {
    if (error != nullptr) {
        *error = text;
    }
    return false;
}

}  // namespace

bool ZCIDRBlock::Parse(const char* text, ZCIDRBlock* block, std::string* error) {
    if (text == nullptr || text[0] == '\0') {
        return Fail(error, "empty subnet: give a block such as 10.20.0.0/22");
    }
    // Quoted in messages as given, but cut: the text may come from anywhere.
    std::string shown(text);
    if (shown.size() > 40) {
        shown = shown.substr(0, 40) + "...";
    }
    const std::string malformed =
        "subnet \"" + shown + "\" is not a block of the form a.b.c.d/n (such as 10.20.0.0/22)";
    const char* p = text;
    uint32_t address = 0;
    for (int octet = 0; octet < 4; ++octet) {
        uint32_t value = 0;
        if (!ReadNumber(&p, 3, &value) || value > 255) {
            return Fail(error, malformed);
        }
        address = (address << 8) | value;
        if (octet < 3) {
            if (*p != '.') {
                return Fail(error, malformed);
            }
            ++p;
        }
    }
    if (*p != '/') {
        return Fail(error, malformed);
    }
    ++p;
    uint32_t prefix = 0;
    if (!ReadNumber(&p, 2, &prefix) || *p != '\0' || prefix > 32) {
        return Fail(error, malformed);
    }
    if (prefix < static_cast<uint32_t>(kMinPrefix)) {
        return Fail(error, "subnet " + shown + " is larger than /" + std::to_string(kMinPrefix) +
                               ": give a prefix length of " + std::to_string(kMinPrefix) + " to " +
                               std::to_string(kMaxPrefix));
    }
    const int length = static_cast<int>(prefix);
    const uint32_t network = address & HostMaskOf(length);
    if (network != address) {
        return Fail(error, "subnet " + shown + " has host bits set: the /" +
                               std::to_string(length) + " block that holds it is " +
                               DottedHostOrder(network) + "/" + std::to_string(length));
    }
    for (const NoHostsRange& range : kNoHostsRanges) {
        if ((network & HostMaskOf(range.prefix)) == range.network) {
            return Fail(error, "subnet " + shown + " lies in " + DottedHostOrder(range.network) +
                                   "/" + std::to_string(range.prefix) + " (" + range.what +
                                   "), where no device has its address");
        }
    }
    if (block != nullptr) {
        block->network_ = network;
        block->prefix_ = length;
    }
    return true;
}

uint32_t ZCIDRBlock::GetNetwork() const {
    return zplat::HostToNet32(network_);
}

uint32_t ZCIDRBlock::GetMask() const {
    return zplat::HostToNet32(HostMaskOf(prefix_));
}

std::string ZCIDRBlock::GetText() const {
    return DottedHostOrder(network_) + "/" + std::to_string(prefix_);
}

uint32_t ZCIDRBlock::GetHostCount() const {
    if (prefix_ >= 31) {
        return prefix_ == 32 ? 1 : 2;
    }
    return (1u << (32 - prefix_)) - 2;
}

uint32_t ZCIDRBlock::GetHost(uint32_t index) const {
    // From /16 to /30 the network address is skipped; /31 and /32 have none.
    const uint32_t first = prefix_ >= 31 ? network_ : network_ + 1;
    return zplat::HostToNet32(first + index);
}

bool ZCIDRBlock::Contains(uint32_t address) const {
    return (zplat::NetToHost32(address) & HostMaskOf(prefix_)) == network_;
}
