#pragma once
// An INDDProtocolHandler that records each call: which operation, its numbers and copies of its
// texts (null kept apart from empty), and the context.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ndd/ndd_protocol_handler.h"

namespace ndd_fixtures {

using Text = std::optional<std::string>;

inline Text Copy(const char* text) {
    return text ? Text(text) : std::nullopt;
}

struct RecordedCall {
    std::string operation;
    std::vector<uint64_t> numbers;
    std::vector<Text> texts;
    void* context = nullptr;
};

class RecordingProtocolHandler : public INDDProtocolHandler {
public:
    std::vector<RecordedCall> calls;
    int result = 7;

    int OnOtherMessage(uint16_t messageId, void* context) override {
        calls.push_back({"OnOtherMessage", {messageId}, {}, context});
        return result;
    }
    int OnSearchRequest(uint32_t requesterAddress, uint32_t requesterMask, uint16_t requesterPort,
                        const char* requesterName, uint32_t targetAddress, const char* serviceType,
                        const char* data, void* context) override {
        calls.push_back({"OnSearchRequest",
                         {requesterAddress, requesterMask, requesterPort, targetAddress},
                         {Copy(requesterName), Copy(serviceType), Copy(data)},
                         context});
        return result;
    }
    int OnAnswer(const char* serviceName, uint32_t deviceAddress, uint32_t deviceMask,
                 uint32_t userData, uint16_t port, uint16_t auxValue, const char* deviceName,
                 const char* model, const char* version, const char* info,
                 uint32_t requesterAddress, uint32_t requesterMask, uint32_t indexValue,
                 const char* extraText, void* context) override {
        calls.push_back({"OnAnswer",
                         {deviceAddress, deviceMask, userData, port, auxValue, requesterAddress,
                          requesterMask, indexValue},
                         {Copy(serviceName), Copy(deviceName), Copy(model), Copy(version),
                          Copy(info), Copy(extraText)},
                         context});
        return result;
    }
    int OnErrorAnswer(uint32_t deviceAddress, const char* serviceName, uint16_t code,
                      void* context) override {
        calls.push_back({"OnErrorAnswer", {deviceAddress, code}, {Copy(serviceName)}, context});
        return result;
    }
};

}  // namespace ndd_fixtures
