#pragma once
// ZSimulatedDevice: what one simulated device says about itself in its answers: the fourteen
// answer fields apart from the echoed requester address, and an optional refusal code with which
// it refuses every matching search instead of answering.
//
//   ZSimulatedDevice d;
//   d.serviceName = "zelvane.cuedeck";
//   d.deviceName = "Booth 2";
//   d.address = ParseDottedAddress("192.168.1.50");
//   d.mask = ParseDottedAddress("255.255.255.0");
//   d.port = 4300;
//
// Values: address and mask are 32-bit values holding the octets in network order in memory,
// ports in host order. A plain value; no ownership beyond its own texts.

#include <cstdint>
#include <optional>
#include <string>

struct ZSimulatedDevice {
    std::string serviceName;
    std::string deviceName;
    std::string model;
    std::string version;
    std::string info;  // the XML document of the answer
    std::string extraText;
    uint32_t address = 0;  // the address the device reports (and answers targeted searches for)
    uint32_t mask = 0;
    uint32_t userData = 0;
    uint32_t indexValue = 0;
    uint16_t port = 0;
    uint16_t auxValue = 0;
    std::optional<uint16_t> refusalCode;  // set: refuse with this code instead of answering
};
