#pragma once
// ZNDDProtocolProcessor: the NDD message set over ZG2P. It builds search requests, answers and
// refusals in one outgoing message that it owns, and reads a received message, checks that it is
// NDD (protocol id 0x9015, message id 0x0801) and hands its fields to an INDDProtocolHandler.
// It keeps no state between messages.
//
//   ZNDDProtocolProcessor p;
//   p.BuildRequest(address, mask, port, "STUDIO-PC", 0xFFFFFFFF, "zelvane.*", identity);
//   socket.SendTo(p.GetData(), p.GetLength(), ...);
//
//   p.SetHandler(&engine);
//   p.Process(&received, &engine);     // engine.OnAnswer(...) for an answer
//
// Messages: kind 0 = search request (7 parameters), kind 1 = answer (15 parameters, parameter 0
// a type-2 flag of 0) or refusal (4 parameters, parameter 0 non-zero). Addresses travel as type-4
// parameters whose bytes are the address's octets in reverse order.
//
// Ownership: the processor owns a codec that holds the outgoing message; GetData points into it
// until the next build. The handler is not owned. Builds are not thread-safe (their owner
// serialises them); Process reads only the message it is given.

#include <cstdint>

class INDDProtocolHandler;
class ZZG2PCodec;
class ZZG2PMessage;

class ZNDDProtocolProcessor {
public:
    // Result codes (also the codes a device sends in a refusal).
    static constexpr int16_t kNoError = 0;
    static constexpr int16_t kInvalidParameter = 1;
    static constexpr int16_t kUnknownMessage = 255;
    static constexpr int16_t kTimeoutError = 2047;
    static constexpr int16_t kUndefinedError = -1;

    // Protocol values.
    static constexpr uint16_t kProtocolId = 0x9015;
    static constexpr uint16_t kMessageId = 0x0801;
    static constexpr uint8_t kKindRequest = 0;
    static constexpr uint8_t kKindAnswer = 1;

    ZNDDProtocolProcessor();
    ZNDDProtocolProcessor(const ZNDDProtocolProcessor&) = delete;
    ZNDDProtocolProcessor& operator=(const ZNDDProtocolProcessor&) = delete;
    virtual ~ZNDDProtocolProcessor();

    // Null detaches.
    void SetHandler(INDDProtocolHandler* handler);
    const char* GetErrorText(int16_t code);
    // Dispatches a received message to the handler; the handler's result, or 0.
    int Process(ZZG2PMessage* message, void* context);
    void BuildRequest(uint32_t requesterAddress, uint32_t requesterMask, uint16_t requesterPort,
                      const char* requesterName, uint32_t targetAddress, const char* serviceType,
                      const char* data);
    void BuildAnswer(const char* serviceName, uint32_t deviceAddress, uint32_t deviceMask,
                     uint32_t userData, uint16_t port, uint16_t auxValue, const char* deviceName,
                     const char* model, const char* version, const char* info,
                     uint32_t requesterAddress, uint32_t requesterMask, uint32_t indexValue,
                     const char* extraText);
    // The device side's refusal: kind 1, a non-zero flag, the device address, the service name
    // and a result code.
    void BuildRefusal(uint32_t deviceAddress, const char* serviceName, uint16_t code);
    // The outgoing message, finalised.
    const uint8_t* GetData();
    uint32_t GetLength();

private:
    ZZG2PMessage* Start(uint8_t kind);

    INDDProtocolHandler* handler_ = nullptr;
    ZZG2PCodec* codec_;
};
