#pragma once
// INDDUserAgentHandler: the callbacks of the searching side (INDDUserAgent), and
// LNDDHandlerList, the agent's list of registered handlers.
//
//   class Core : public INDDUserAgentHandler {
//       int OnDeviceAnswer(INetworkDevice* device, INDDUserAgent*) override {
//           remember(device->GetServiceName(), device->GetAddress(0)->GetAddressText());
//           return 0;
//       }
//       int OnErrorAnswer(uint32_t, uint16_t, INDDUserAgent*) override { return 0; }
//   };
//   agent->AddHandler(&core);
//
// Both run on the receive thread of the agent's socket; OnDeviceAnswer while the engine holds its
// lock. Results are not used.
//
// Ownership: the agent never owns or deletes its handlers (its list holds pointers only). The
// device passed to OnDeviceAnswer is the transient record of one answer: valid during the call and
// until the next search cycle begins, so a handler copies what it needs.

#include <cstdint>

#include "foundation/double_list.h"

class INDDUserAgent;
class INetworkDevice;

class INDDUserAgentHandler {
public:
    // A device answered a search; called for every answer, also repeated ones.
    virtual int OnDeviceAnswer(INetworkDevice* device, INDDUserAgent* agent) = 0;
    // A device at address refused a request with a protocol code.
    virtual int OnErrorAnswer(uint32_t address, uint16_t code, INDDUserAgent* agent) = 0;

    // After the operations, so their order stays as listed.
    virtual ~INDDUserAgentHandler() = default;
};

using LNDDHandlerList = ZIDoubleList<INDDUserAgentHandler>;
