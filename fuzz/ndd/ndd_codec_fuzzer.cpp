// Received bytes, in pieces, through the codec into the NDD processor, with a handler that reads
// every field it is given (every text to its NUL), as the detection engine does.
//
// Input: the first byte chooses the piece size (1 to 256) so reassembly across pieces is
// exercised; the rest is fed in pieces of that size.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ndd/ndd_protocol_handler.h"
#include "ndd/ndd_protocol_processor.h"
#include "ndd/zg2p_codec.h"
#include "ndd/zg2p_codec_handler.h"
#include "ndd/zg2p_message.h"

namespace {

volatile uint64_t sink;

uint64_t Touch(const char* text) {
    return text != nullptr ? std::strlen(text) + 1 : 0;
}

class Handler : public INDDProtocolHandler, public IZG2PCodecHandler {
public:
    ZNDDProtocolProcessor processor;

    Handler() { processor.SetHandler(this); }

    bool OnMessage(ZZG2PMessage* message, int) override {
        ZZG2PMessage copy(*message);  // as the engine does
        sink = sink + static_cast<uint64_t>(processor.Process(&copy, this));
        return true;
    }
    bool OnError(int code, int) override {
        sink = sink + static_cast<uint64_t>(code);
        return true;
    }

    int OnOtherMessage(uint16_t messageId, void*) override {
        sink = sink + messageId;
        return 0;
    }
    int OnSearchRequest(uint32_t requesterAddress, uint32_t requesterMask, uint16_t requesterPort,
                        const char* requesterName, uint32_t targetAddress, const char* serviceType,
                        const char* data, void*) override {
        sink = sink + requesterAddress + requesterMask + requesterPort + Touch(requesterName) +
               targetAddress + Touch(serviceType) + Touch(data);
        return 1;
    }
    int OnAnswer(const char* serviceName, uint32_t deviceAddress, uint32_t deviceMask,
                 uint32_t userData, uint16_t port, uint16_t auxValue, const char* deviceName,
                 const char* model, const char* version, const char* info,
                 uint32_t requesterAddress, uint32_t requesterMask, uint32_t indexValue,
                 const char* extraText, void*) override {
        sink = sink + Touch(serviceName) + deviceAddress + deviceMask + userData + port + auxValue +
               Touch(deviceName) + Touch(model) + Touch(version) + Touch(info) + requesterAddress +
               requesterMask + indexValue + Touch(extraText);
        return 2;
    }
    int OnErrorAnswer(uint32_t deviceAddress, const char* serviceName, uint16_t code,
                      void*) override {
        sink = sink + deviceAddress + Touch(serviceName) + code;
        return 3;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const size_t piece = static_cast<size_t>(data[0]) + 1;
    ++data;
    --size;
    Handler handler;
    // Filter 0: every protocol id reaches the processor, which checks it itself.
    ZZG2PCodec codec(false, &handler);
    for (size_t at = 0; at < size; at += piece) {
        const size_t n = size - at < piece ? size - at : piece;
        codec.Feed(data + at, static_cast<uint32_t>(n), 0);
    }
    return 0;
}
