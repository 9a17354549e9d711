#pragma once
// INetworkDeviceDetection: what the detection engine offers the objects it reports to: the
// wildcard rule for service names and the texts of its result codes.
//
//   int OnDeviceAnswer(INetworkDevice* device, INetworkDeviceDetection* source) override {
//       if (source->MatchServiceName(pattern, device->GetServiceName())) { ... }
//       return 1;
//   }
//   source->GetErrorText(-8191);          // "Wrong Mode"
//
// Ownership: texts are static and owned by the engine; the engine is owned by whoever created it
// (the user agent), never by the objects it is handed to.

#include <cstdint>

class INetworkDeviceDetection {
public:
    // A leading or trailing * is a wildcard; false when either text is null or empty.
    virtual bool MatchServiceName(const char* pattern, const char* name) = 0;
    // The text of an engine or processor result code; never null.
    virtual const char* GetErrorText(int16_t code) = 0;

    // After the operations, so their order stays as listed.
    virtual ~INetworkDeviceDetection() = default;
};
