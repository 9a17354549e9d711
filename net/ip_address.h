#pragma once
// ZIPAddress: one IPv4 interface address as the program keeps it: address, subnet mask and the
// directed broadcast address derived from both, all three as dotted text, plus a context number
// and an index that the owner attaches. Also the free helpers that convert between dotted text
// and the 32-bit network-order values that travel between classes.
//
//   ZIPAddress a;
//   a.Set("192.168.1.20", "255.255.255.0", 0);
//   a.GetBroadcastText();                                  // "192.168.1.255"
//   BroadcastOf(a.GetAddress(), a.GetMask()) == a.GetBroadcast();
//
// Values: a 32-bit address holds the four octets in network order in memory (the first octet at
// the lowest address), whatever the host's byte order; ParseDottedAddress returns exactly that,
// with the classic parser's rules (a, a.b, a.b.c, a.b.c.d; decimal, 0-octal or 0x-hex parts) and
// 0xFFFFFFFF for text that does not parse, the empty text included.
//
// Ownership: the address owns its three texts; the pointers its getters return stay valid until
// the next change of the object. It has no lock: its owner guards it. Instances live by value
// (alone or in fixed arrays inside their owner).

#include <cstdint>

#include "foundation/string.h"
#include "net/ip_address_interface.h"

class ZIPAddress final : public virtual IIPAddress {
public:
    ZIPAddress() = default;

    // Equal when address and mask texts are equal; broadcast, context and index take no part.
    virtual bool IsEqual(const ZIPAddress* other);
    // Copies the three texts, the context and the index (nothing when other is this object).
    virtual void Assign(const ZIPAddress* other);
    const char* GetAddressText() override;
    uint32_t GetAddress() override;
    const char* GetMaskText() override;
    uint32_t GetMask() override;
    const char* GetBroadcastText() override;
    uint32_t GetBroadcast() override;
    // As the other IsEqual; false when the object behind other is not a ZIPAddress.
    bool IsEqual(IIPAddress* other) override;
    int32_t GetIndex() override;

    // Null texts empty their field; the broadcast text is derived only when both are given.
    // The index is kept.
    void Set(const char* address, const char* mask, int32_t context);
    // The three texts become the dotted forms of address, mask and their broadcast address.
    // The index is kept.
    void SetNumeric(uint32_t address, uint32_t mask, int32_t context);
    // Empty texts, context 0, index 0.
    void Clear();
    void SetIndex(int32_t index);
    int32_t GetContext() const { return context_; }

private:
    ZString address_;
    ZString mask_;
    ZString broadcast_;
    int32_t context_ = 0;
    int32_t index_ = 0;
};

// (address AND mask) OR (NOT mask) on network-order values: the directed broadcast address.
uint32_t BroadcastOf(uint32_t address, uint32_t mask);

// The classful default mask of an address text: "255.0.0.0" for a first octet of 0 to 127,
// "255.255.0.0" for 128 to 191, "255.255.255.0" above (text that does not parse included, as it
// reads as 255.255.255.255). Null for a null text and for 0.0.0.0. The texts are static.
const char* DefaultMaskOf(const char* address);

// Dotted text to a network-order value; 0xFFFFFFFF when the text is null or does not parse.
uint32_t ParseDottedAddress(const char* text);

// Network-order value to dotted text "a.b.c.d". The text lives in a buffer of the calling thread
// that the thread's next call overwrites.
const char* FormatDottedAddress(uint32_t address);
