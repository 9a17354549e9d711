#include "ndd/ndd_protocol_processor.h"

#include <bit>

#include "ndd/ndd_protocol_handler.h"
#include "ndd/zg2p_codec.h"
#include "ndd/zg2p_message.h"

namespace {

// An address parameter carries the octets of the address in reverse order (192.168.1.20 as
// 14 01 A8 C0): the network-order value read as a little-endian number, sent most significant
// byte first. On a little-endian host that is the value itself.
uint32_t AddressToWire(uint32_t address) {
    if constexpr (std::endian::native == std::endian::little) {
        return address;
    } else {
        return ((address & 0xFFu) << 24) | ((address & 0xFF00u) << 8) | ((address >> 8) & 0xFF00u) |
               (address >> 24);
    }
}

uint32_t AddressFromWire(uint32_t wire) {
    return AddressToWire(wire);
}

}  // namespace

ZNDDProtocolProcessor::ZNDDProtocolProcessor()
    : codec_(new ZZG2PCodec(kProtocolId, ZZG2PMessage::kCheckByteSum, false, nullptr)) {}

ZNDDProtocolProcessor::~ZNDDProtocolProcessor() {
    delete codec_;
}

void ZNDDProtocolProcessor::SetHandler(INDDProtocolHandler* handler) {
    handler_ = handler;
}

const char* ZNDDProtocolProcessor::GetErrorText(int16_t code) {
    switch (code) {
        case kNoError:
            return "No Error";
        case kInvalidParameter:
            return "Invalid Parameter";
        case kUnknownMessage:
            return "Unknown Message";
        case kTimeoutError:
            return "Timeout Error";
        default:
            return "Undefined Error";
    }
}

int ZNDDProtocolProcessor::Process(ZZG2PMessage* message, void* context) {
    if (message == nullptr || message->GetProtocolId() != kProtocolId)
        return 0;
    const uint16_t messageId = message->GetMessageId();
    if (messageId != kMessageId) {
        if (handler_ != nullptr)
            handler_->OnOtherMessage(messageId, context);
        return 0;
    }
    const uint8_t kind = message->GetMessageKind();
    if (handler_ == nullptr || (kind != kKindRequest && kind != kKindAnswer))
        return 0;

    // Read in parameter order: each read continues from the one before.
    if (kind == kKindRequest) {
        const uint32_t requesterAddress = AddressFromWire(message->GetLong(0));
        const uint32_t requesterMask = AddressFromWire(message->GetLong(1));
        const uint16_t requesterPort = message->GetShort(2);
        const char* requesterName = message->GetString(3);
        const uint32_t targetAddress = AddressFromWire(message->GetLong(4));
        const char* serviceType = message->GetString(5);
        const char* data = message->GetString(6);
        return handler_->OnSearchRequest(requesterAddress, requesterMask, requesterPort,
                                         requesterName, targetAddress, serviceType, data, context);
    }
    if (message->GetFlag(0) != 0) {
        const uint32_t deviceAddress = AddressFromWire(message->GetLong(1));
        const char* serviceName = message->GetString(2);
        const uint16_t code = message->GetShort(3);
        return handler_->OnErrorAnswer(deviceAddress, serviceName, code, context);
    }
    const char* serviceName = message->GetString(1);
    const uint32_t deviceAddress = AddressFromWire(message->GetLong(2));
    const uint32_t deviceMask = AddressFromWire(message->GetLong(3));
    const uint32_t userData = message->GetLong(4);
    const uint16_t port = message->GetShort(5);
    const uint16_t auxValue = message->GetShort(6);
    const char* deviceName = message->GetString(7);
    const char* model = message->GetString(8);
    const char* version = message->GetString(9);
    const char* info = message->GetString(10);
    const uint32_t requesterAddress = AddressFromWire(message->GetLong(11));
    const uint32_t requesterMask = AddressFromWire(message->GetLong(12));
    const uint32_t indexValue = message->GetLong(13);
    const char* extraText = message->GetString(14);
    return handler_->OnAnswer(serviceName, deviceAddress, deviceMask, userData, port, auxValue,
                              deviceName, model, version, info, requesterAddress, requesterMask,
                              indexValue, extraText, context);
}

ZZG2PMessage* ZNDDProtocolProcessor::Start(uint8_t kind) {
    ZZG2PMessage* m = codec_->GetMessage();
    m->SetMessageId(kMessageId);
    m->SetMessageKind(kind);
    m->ClearParameters();
    return m;
}

void ZNDDProtocolProcessor::BuildRequest(uint32_t requesterAddress, uint32_t requesterMask,
                                         uint16_t requesterPort, const char* requesterName,
                                         uint32_t targetAddress, const char* serviceType,
                                         const char* data) {
    ZZG2PMessage* m = Start(kKindRequest);
    m->AddLong(AddressToWire(requesterAddress));
    m->AddLong(AddressToWire(requesterMask));
    m->AddShort(requesterPort);
    m->AddString(requesterName);
    m->AddLong(AddressToWire(targetAddress));
    m->AddString(serviceType);
    m->AddString(data);
}

void ZNDDProtocolProcessor::BuildAnswer(const char* serviceName, uint32_t deviceAddress,
                                        uint32_t deviceMask, uint32_t userData, uint16_t port,
                                        uint16_t auxValue, const char* deviceName,
                                        const char* model, const char* version, const char* info,
                                        uint32_t requesterAddress, uint32_t requesterMask,
                                        uint32_t indexValue, const char* extraText) {
    ZZG2PMessage* m = Start(kKindAnswer);
    m->AddFlag(0);
    m->AddString(serviceName);
    m->AddLong(AddressToWire(deviceAddress));
    m->AddLong(AddressToWire(deviceMask));
    m->AddLong(userData);
    m->AddShort(port);
    m->AddShort(auxValue);
    m->AddString(deviceName);
    m->AddString(model);
    m->AddString(version);
    m->AddString(info);
    m->AddLong(AddressToWire(requesterAddress));
    m->AddLong(AddressToWire(requesterMask));
    m->AddLong(indexValue);
    m->AddString(extraText);
}

void ZNDDProtocolProcessor::BuildRefusal(uint32_t deviceAddress, const char* serviceName,
                                         uint16_t code) {
    ZZG2PMessage* m = Start(kKindAnswer);
    m->AddFlag(1);
    m->AddLong(AddressToWire(deviceAddress));
    m->AddString(serviceName);
    m->AddShort(code);
}

const uint8_t* ZNDDProtocolProcessor::GetData() {
    return codec_->GetMessage()->GetData();
}

uint32_t ZNDDProtocolProcessor::GetLength() {
    return codec_->GetMessage()->GetLength();
}
