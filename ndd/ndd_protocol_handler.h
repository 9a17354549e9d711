#pragma once
// INDDProtocolHandler: what ZNDDProtocolProcessor::Process calls for each NDD message it reads.
// Every operation receives, last, the context given to Process.
//
//   class Engine : public INDDProtocolHandler {
//       int OnAnswer(const char* serviceName, uint32_t deviceAddress, ..., void* context) override;
//       ...
//   };
//   processor.SetHandler(&engine);
//   processor.Process(&message, &engine);
//
// Values: addresses and masks are 32-bit values holding the octets in network order in memory;
// ports are in host order. Texts point into the message being processed and are valid only
// during the call; a text that is absent, or not well formed, arrives as null.
//
// Ownership: the processor never owns its handler and never deletes it.

#include <cstdint>

class INDDProtocolHandler {
public:
    // A message of the NDD protocol id with another message id.
    virtual int OnOtherMessage(uint16_t messageId, void* context) = 0;
    virtual int OnSearchRequest(uint32_t requesterAddress, uint32_t requesterMask,
                                uint16_t requesterPort, const char* requesterName,
                                uint32_t targetAddress, const char* serviceType, const char* data,
                                void* context) = 0;
    virtual int OnAnswer(const char* serviceName, uint32_t deviceAddress, uint32_t deviceMask,
                         uint32_t userData, uint16_t port, uint16_t auxValue,
                         const char* deviceName, const char* model, const char* version,
                         const char* info, uint32_t requesterAddress, uint32_t requesterMask,
                         uint32_t indexValue, const char* extraText, void* context) = 0;
    // A refusal: the device at deviceAddress refused serviceName with a processor result code.
    virtual int OnErrorAnswer(uint32_t deviceAddress, const char* serviceName, uint16_t code,
                              void* context) = 0;

    virtual ~INDDProtocolHandler() = default;
};
