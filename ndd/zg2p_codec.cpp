#include "ndd/zg2p_codec.h"

#include <algorithm>
#include <cstring>

#include "ndd/zg2p_codec_handler.h"
#include "ndd/zg2p_message.h"
#include "platform/threading/clock.h"

namespace {

// Header layout as the message class writes it: flags at byte 8 (bit 0 check value, bit 1 CRC,
// bit 2 block A of 7 bytes, bit 3 block B of 8 bytes, bit 4 long form with a 4-byte length
// field), header-data length at byte 9.
constexpr uint32_t kFixedHeaderSize = 10;
constexpr uint8_t kFlagCheck = 0x01;
constexpr uint8_t kFlagBlockA = 0x04;
constexpr uint8_t kFlagBlockB = 0x08;
constexpr uint8_t kFlagLongForm = 0x10;

// The reassembly buffer grows in whole steps of this size.
constexpr uint64_t kGrowthStep = 4096;
// A buffer grown past this is given back once its message is done.
constexpr size_t kKeptCapacity = 65536;

}  // namespace

ZZG2PCodec::ZZG2PCodec(bool longForm, IZG2PCodecHandler* handler)
    : outgoing_(new ZZG2PMessage(longForm)), handler_(handler) {}

ZZG2PCodec::ZZG2PCodec(uint16_t protocolId, int checkMode, bool longForm,
                       IZG2PCodecHandler* handler)
    : ZZG2PCodec(longForm, handler) {
    filter_ = protocolId;
    outgoing_->SetProtocolId(protocolId);
    outgoing_->SetCheckMode(checkMode);
}

ZZG2PCodec::~ZZG2PCodec() {
    delete outgoing_;
}

void ZZG2PCodec::DeliverMessage(const uint8_t* bytes, uint32_t length, int context) {
    ZZG2PMessage message(bytes, length);
    if (handler_ != nullptr)
        handler_->OnMessage(&message, context);
}

ZZG2PMessage* ZZG2PCodec::GetMessage() {
    return outgoing_;
}

void ZZG2PCodec::SetTimeout(uint32_t ms) {
    timeout_ = ms;
}

void ZZG2PCodec::Drop() {
    gathered_ = 0;
    if (buffer_.size() > kKeptCapacity)
        std::vector<uint8_t>().swap(buffer_);
}

void ZZG2PCodec::Append(const uint8_t* data, uint32_t count) {
    const uint64_t needed = uint64_t{gathered_} + count;
    if (needed > buffer_.size()) {
        buffer_.resize((needed + kGrowthStep - 1) / kGrowthStep * kGrowthStep, 0);
    }
    std::memcpy(buffer_.data() + gathered_, data, count);
    gathered_ += count;
}

bool ZZG2PCodec::Needed(uint64_t* needed) const {
    if (gathered_ < kFixedHeaderSize) {
        *needed = kFixedHeaderSize - gathered_;
        return true;
    }
    const uint8_t* b = buffer_.data();
    const uint8_t flags = b[8];
    const uint64_t headerSize =
        kFixedHeaderSize + ((flags & kFlagBlockA) ? 7 : 0) + ((flags & kFlagBlockB) ? 8 : 0) + b[9];
    const uint64_t lengthFieldSize = (flags & kFlagLongForm) ? 4 : 2;
    const uint64_t headerEnd = headerSize + lengthFieldSize;
    if (gathered_ < headerEnd) {
        *needed = headerEnd - gathered_;
        return true;
    }
    uint64_t declared = 0;
    for (uint64_t i = headerSize; i < headerEnd; ++i)
        declared = (declared << 8) | b[i];
    const uint64_t total = headerEnd + declared + 2;  // the check value follows the parameters
    if (total > kMaxMessageBytes)
        return false;
    *needed = total - gathered_;
    return true;
}

void ZZG2PCodec::Complete(int context) {
    const uint8_t* b = buffer_.data();
    const uint32_t total = gathered_;
    const uint8_t flags = b[8];
    if ((flags & kFlagCheck) != 0) {
        const uint16_t stored = static_cast<uint16_t>((b[total - 2] << 8) | b[total - 1]);
        if (ComputeZG2PCheckValue(flags, b, total - 2) != stored) {
            Drop();
            if (handler_ != nullptr)
                handler_->OnError(IZG2PCodecHandler::kErrorCheckValue, context);
            return;
        }
    }
    const uint16_t protocolId = static_cast<uint16_t>((b[0] << 8) | b[1]);
    if (filter_ == 0 || filter_ == protocolId)
        DeliverMessage(b, total, context);
    Drop();
}

void ZZG2PCodec::Feed(const uint8_t* data, uint32_t count, int context) {
    if (data == nullptr || count == 0)
        return;
    const uint32_t now = zplat::GetTickCount();
    if (timeout_ != 0 && now - lastFeed_ > timeout_)
        Drop();
    lastFeed_ = now;

    uint32_t used = 0;
    for (;;) {
        uint64_t needed = 0;
        if (!Needed(&needed)) {
            // A hostile or broken length: forget this message and the rest of the datagram.
            Drop();
            if (handler_ != nullptr)
                handler_->OnError(IZG2PCodecHandler::kErrorTooLarge, context);
            return;
        }
        if (needed == 0) {
            Complete(context);
            continue;
        }
        if (used == count)
            return;
        const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(needed, count - used));
        Append(data + used, take);
        used += take;
    }
}
