#pragma once
// ZSystemNetworkConfig: what the detection engine needs to know about the machine as a whole:
// its host name, and one IPv4 address with its mask that stands for the machine when no local
// interface can be listed (the first address of the first IP-enabled adapter that WMI lists).
//
//   ZSystemNetworkConfig config;
//   config.Load();                          // slow: a WMI connection and query
//   request.SetComputerName(config.GetComputerName());
//   uint32_t fallback = config.GetPrimaryAddress();   // network order
//
// Load keeps the previous address and mask when WMI cannot be reached at all. Not thread-safe:
// the engine calls it under its own lock.

#include <cstdint>

class ZSystemNetworkConfig {
public:
    ZSystemNetworkConfig() = default;
    virtual ~ZSystemNetworkConfig() = default;

    // True when both an address and the computer name were obtained.
    bool Load();
    const char* GetComputerName() const { return computer_name_; }
    // The address and mask texts parsed as the dotted-text parser does (network order; an
    // empty text gives 255.255.255.255).
    uint32_t GetPrimaryAddress() const;
    uint32_t GetPrimaryMask() const;
    // The texts themselves.
    const char* GetPrimaryAddressText() const { return address_; }
    const char* GetPrimaryMaskText() const { return mask_; }
    bool IsLoaded() const { return loaded_; }

private:
    char computer_name_[1024] = {};
    char address_[32] = {};
    char mask_[32] = {};
    bool loaded_ = false;
};
