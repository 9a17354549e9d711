#pragma once
// ZDeviceGenerator: makes any number of simulated devices of every product kind, so that a
// simulator can play a large installation without a device file. Devices take the kinds in turn
// (cuedeck, cuedeck2, ... timekeeper), consecutive addresses from a first one (host parts ending
// in 0 or 255 are skipped), one mask, names "Sim <kind> <n>", and an information document with a
// serial number, an edition code and a major version.
//
//   std::vector<ZSimulatedDevice> devices =
//       ZDeviceGenerator::Generate(1000, ParseDottedAddress("10.200.0.1"),
//                                  ParseDottedAddress("255.255.0.0"));
//
// No ownership: the devices are returned by value.

#include <cstdint>
#include <vector>

#include "tools/simulated_device.h"

class ZDeviceGenerator {
public:
    // The number of product kinds the devices cycle through.
    static constexpr uint32_t kKindCount = 11;

    static std::vector<ZSimulatedDevice> Generate(uint32_t count, uint32_t firstAddress,
                                                  uint32_t mask);
};
