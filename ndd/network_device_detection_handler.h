#pragma once
// INetworkDeviceDetectionHandler: what the detection engine reports to its one handler (the user
// agent): every answer and every refusal that reaches its socket.
//
//   class Agent : public INetworkDeviceDetectionHandler {
//       int OnDeviceAnswer(INetworkDevice* device, INetworkDeviceDetection* source) override {
//           store(copyOf(device));          // the engine's record does not last
//           return 1;
//       }
//       int OnErrorAnswer(uint32_t address, const char* serviceName, uint16_t code,
//                         INetworkDeviceDetection* source) override { return 1; }
//   };
//
// Both run on the engine's socket receive thread; OnDeviceAnswer with the engine lock and the
// engine's answer-list lock held, so it must not wait for a thread that calls into the engine.
// Values: addresses are 32-bit values holding the octets in network order in memory.
//
// Ownership: the engine never owns its handler. The device passed to OnDeviceAnswer is the
// engine's record of one answer: valid until the engine's next search cycle or the next
// reopening of its socket. serviceName of OnErrorAnswer lives only during the call and may be
// null.

#include <cstdint>

class INetworkDevice;
class INetworkDeviceDetection;

class INetworkDeviceDetectionHandler {
public:
    virtual int OnDeviceAnswer(INetworkDevice* device, INetworkDeviceDetection* source) = 0;
    virtual int OnErrorAnswer(uint32_t address, const char* serviceName, uint16_t code,
                              INetworkDeviceDetection* source) = 0;

    // After the operations, so their order stays as listed.
    virtual ~INetworkDeviceDetectionHandler() = default;
};
