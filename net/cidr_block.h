#pragma once
// ZCIDRBlock: one IPv4 address block written as "a.b.c.d/n", as the subnet sweep takes it from
// the command line or the settings file, with the host addresses a sweep sends to.
//
//   ZCIDRBlock block;
//   std::string error;
//   if (!ZCIDRBlock::Parse("10.20.0.0/22", &block, &error)) { puts(error.c_str()); return; }
//   block.GetHostCount();          // 1022: 10.20.0.1 to 10.20.3.254
//   block.GetHost(0);              // 10.20.0.1 (network order)
//
// Accepted: four decimal octets (0 to 255, no leading zeros, no signs or spaces), a slash, and a
// prefix length of 16 to 32. A block larger than /16 is refused, as is a block whose address has
// bits set below its prefix (10.20.1.0/22): the operator may have meant another block, so it is
// refused with the block that contains it named, not widened in silence. So is a block inside a
// range where no device has its address: 0.0.0.0/8 ("this network", a source address only),
// 127.0.0.0/8 (loopback), 224.0.0.0/4 (multicast) and 240.0.0.0/4 (reserved, with the limited
// broadcast 255.255.255.255): requests there would reach the searcher itself, a group, or no one.
//
// Host addresses: from /16 to /30 every address but the network and broadcast addresses; a /31
// has no network or broadcast address (a point-to-point link), so both are hosts; a /32 is one
// host, its address.
//
// Values: addresses and masks in network order in memory, like every address that travels
// between classes. Plain value type; no state beyond the block.

#include <cstdint>
#include <string>

class ZCIDRBlock {
public:
    static constexpr int kMinPrefix = 16;  // at most 65,534 hosts
    static constexpr int kMaxPrefix = 32;

    // 0.0.0.0/32 (one host, 0.0.0.0): what a block is before a Parse.
    ZCIDRBlock() = default;

    // True with *block set; false with *error naming the text and what is wrong (block and error
    // may be null). *block is left as it was on failure.
    static bool Parse(const char* text, ZCIDRBlock* block, std::string* error);

    uint32_t GetNetwork() const;  // network order
    uint32_t GetMask() const;     // network order
    int GetPrefixLength() const { return prefix_; }
    // "10.20.0.0/22".
    std::string GetText() const;

    // Number of host addresses (see above): 1 for /32, 2 for /31, 2^(32-n) - 2 otherwise.
    uint32_t GetHostCount() const;
    // The index-th host address in ascending order (network order); index < GetHostCount().
    uint32_t GetHost(uint32_t index) const;
    // Whether address (network order) lies inside the block.
    bool Contains(uint32_t address) const;

    bool operator==(const ZCIDRBlock&) const = default;

private:
    uint32_t network_ = 0;  // host order
    int prefix_ = kMaxPrefix;
};
