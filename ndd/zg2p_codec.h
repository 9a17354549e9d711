#pragma once
// ZZG2PCodec: turns incoming bytes, in pieces of any size, into complete ZG2P messages, verifies
// their check value, filters them by protocol id and hands each one to an IZG2PCodecHandler. It
// also owns one outgoing message that a protocol layer fills and sends.
//
//   ZZG2PCodec codec(0x9015, ZZG2PMessage::kCheckByteSum, false, &handler);
//   codec.Feed(datagram, length, 0);     // handler.OnMessage for each complete message
//
// Reassembly gathers at most kMaxMessageBytes: a header that announces a larger message drops
// the gathered bytes and the rest of that Feed call (OnError kErrorTooLarge), so the codec starts
// over with the next datagram instead of growing without bound. With a time-out set, bytes left
// from a Feed more than that many milliseconds ago are dropped before new ones are added.
//
// Ownership: the codec owns its outgoing message and buffer, never the handler. One thread at a
// time; Feed must not be re-entered from the handler.

#include <cstdint>
#include <vector>

class IZG2PCodecHandler;
class ZZG2PMessage;

class ZZG2PCodec {
public:
    // The largest message gathered: well above the largest short-form message (a 280-byte
    // header, 2-byte length field, 65535 bytes of parameters and 2 of check value), so every
    // message this protocol sends fits, while a hostile length costs at most this much memory.
    static constexpr uint32_t kMaxMessageBytes = 1u << 20;

    ZZG2PCodec(bool longForm, IZG2PCodecHandler* handler);
    // Also sets the filter and the outgoing message's protocol id and check mode.
    ZZG2PCodec(uint16_t protocolId, int checkMode, bool longForm, IZG2PCodecHandler* handler);
    ZZG2PCodec(const ZZG2PCodec&) = delete;
    ZZG2PCodec& operator=(const ZZG2PCodec&) = delete;

    // Wraps a copy of the bytes in a message, hands it to the handler and deletes it.
    virtual void DeliverMessage(const uint8_t* bytes, uint32_t length, int context);
    virtual ~ZZG2PCodec();
    virtual ZZG2PMessage* GetMessage();
    // 0 disables the time-out.
    virtual void SetTimeout(uint32_t ms);
    virtual void Feed(const uint8_t* data, uint32_t count, int context);

    // Bytes gathered towards the next message.
    uint32_t GetGatheredCount() const { return gathered_; }

private:
    void Drop();
    // Bytes still needed to reach the next point where the gathered header says more (0: a
    // whole message is gathered); false when it announces more than kMaxMessageBytes.
    bool Needed(uint64_t* needed) const;
    void Append(const uint8_t* data, uint32_t count);
    void Complete(int context);

    ZZG2PMessage* outgoing_;
    std::vector<uint8_t> buffer_;  // its size is the capacity
    uint32_t gathered_ = 0;
    uint16_t filter_ = 0;
    uint32_t timeout_ = 0;
    uint32_t lastFeed_ = 0;
    IZG2PCodecHandler* handler_;
};
