#include "net/ip_address.h"

#include <cstring>

namespace {

// A value holding the octets a.b.c.d in network order in memory, on any host byte order.
uint32_t FromOctets(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

bool IsDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The blanks that may follow an address (the C locale's isspace set).
bool IsTrailingBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// One part of a dotted address in C notation (0x hex, leading 0 octal, else decimal). Moves
// *cursor past the digits; false when the part has no digit or exceeds 32 bits.
bool ParsePart(const char** cursor, uint64_t* value) {
    const char* p = *cursor;
    if (!IsDecimalDigit(*p))
        return false;
    unsigned base = 10;
    if (p[0] == '0') {
        // "0x" counts as hex only with a hex digit after it; else the 0 is an octal part and the
        // x is trailing junk, as the classic parser reads it.
        if ((p[1] == 'x' || p[1] == 'X') && HexDigitValue(p[2]) >= 0) {
            base = 16;
            p += 2;
        } else {
            base = 8;
        }
    }
    uint64_t v = 0;
    for (;; ++p) {
        int digit = HexDigitValue(*p);
        if (digit < 0 || static_cast<unsigned>(digit) >= base)
            break;
        v = v * base + static_cast<unsigned>(digit);
        if (v > 0xFFFFFFFFu)
            return false;
    }
    *cursor = p;
    *value = v;
    return true;
}

const uint32_t kNoAddress = 0xFFFFFFFFu;  // what the classic parser returns for bad text

}  // namespace

uint32_t ParseDottedAddress(const char* text) {
    if (text == nullptr)
        return kNoAddress;
    // a.b.c.d, a.b.c (c 16 bits), a.b (b 24 bits) or a (32 bits): the last part fills the low
    // bytes that the leading one-byte parts leave.
    static const uint64_t kLastPartMax[4] = {0xFFFFFFFFu, 0xFFFFFFu, 0xFFFFu, 0xFFu};
    uint8_t leading[3] = {0, 0, 0};
    int parts = 0;
    const char* p = text;
    uint64_t value = 0;
    for (;;) {
        if (!ParsePart(&p, &value))
            return kNoAddress;
        if (*p != '.')
            break;
        if (parts == 3 || value > 0xFF)
            return kNoAddress;
        leading[parts++] = static_cast<uint8_t>(value);
        ++p;
    }
    if (*p != '\0' && !IsTrailingBlank(*p))
        return kNoAddress;
    if (value > kLastPartMax[parts])
        return kNoAddress;
    const uint32_t host = (static_cast<uint32_t>(leading[0]) << 24) |
                          (static_cast<uint32_t>(leading[1]) << 16) |
                          (static_cast<uint32_t>(leading[2]) << 8) | static_cast<uint32_t>(value);
    return FromOctets(static_cast<uint8_t>(host >> 24), static_cast<uint8_t>(host >> 16),
                      static_cast<uint8_t>(host >> 8), static_cast<uint8_t>(host));
}

const char* FormatDottedAddress(uint32_t address) {
    // "255.255.255.255" and its NUL.
    thread_local char text[16];
    uint8_t bytes[4];
    std::memcpy(bytes, &address, sizeof bytes);
    // Written by hand: every answer a device sends is formatted several times on the receive
    // thread, and snprintf's general machinery cost more than the rest of the answer's decoding.
    char* out = text;
    for (int i = 0; i < 4; ++i) {
        const unsigned octet = bytes[i];
        if (octet >= 100) {
            *out++ = static_cast<char>('0' + octet / 100);
        }
        if (octet >= 10) {
            *out++ = static_cast<char>('0' + octet / 10 % 10);
        }
        *out++ = static_cast<char>('0' + octet % 10);
        *out++ = i < 3 ? '.' : '\0';
    }
    return text;
}

uint32_t BroadcastOf(uint32_t address, uint32_t mask) {
    return (address & mask) | ~mask;
}

const char* DefaultMaskOf(const char* address) {
    if (address == nullptr)
        return nullptr;
    const uint32_t value = ParseDottedAddress(address);
    if (value == 0)
        return nullptr;
    uint8_t first;
    std::memcpy(&first, &value, 1);  // the first octet sits at the lowest address
    if (first <= 127)
        return "255.0.0.0";
    if (first <= 191)
        return "255.255.0.0";
    return "255.255.255.0";
}

bool ZIPAddress::IsEqual(const ZIPAddress* other) {
    if (other == this)
        return true;
    if (other == nullptr)
        return false;
    return address_ == other->address_ && mask_ == other->mask_;
}

void ZIPAddress::Assign(const ZIPAddress* other) {
    if (other == this || other == nullptr)
        return;
    address_.Assign(other->address_);
    mask_.Assign(other->mask_);
    broadcast_.Assign(other->broadcast_);
    context_ = other->context_;
    index_ = other->index_;
}

const char* ZIPAddress::GetAddressText() {
    return address_.GetString();
}
uint32_t ZIPAddress::GetAddress() {
    return ParseDottedAddress(address_.GetString());
}
const char* ZIPAddress::GetMaskText() {
    return mask_.GetString();
}
uint32_t ZIPAddress::GetMask() {
    return ParseDottedAddress(mask_.GetString());
}
const char* ZIPAddress::GetBroadcastText() {
    return broadcast_.GetString();
}
uint32_t ZIPAddress::GetBroadcast() {
    return ParseDottedAddress(broadcast_.GetString());
}

bool ZIPAddress::IsEqual(IIPAddress* other) {
    if (other == static_cast<IIPAddress*>(this))
        return true;
    const ZIPAddress* address = dynamic_cast<const ZIPAddress*>(other);
    if (address == nullptr)
        return false;
    return IsEqual(address);
}

int32_t ZIPAddress::GetIndex() {
    return index_;
}

void ZIPAddress::Set(const char* address, const char* mask, int32_t context) {
    // Either text may point into one of this object's own fields: copy both before any field
    // lets go of its buffer.
    ZString newAddress(address);
    ZString newMask(mask);
    address_.Assign(address != nullptr ? newAddress.GetString() : nullptr);
    mask_.Assign(mask != nullptr ? newMask.GetString() : nullptr);
    context_ = context;
    if (address != nullptr && mask != nullptr) {
        broadcast_.Assign(FormatDottedAddress(BroadcastOf(
            ParseDottedAddress(newAddress.GetString()), ParseDottedAddress(newMask.GetString()))));
    } else {
        broadcast_.Empty();
    }
}

void ZIPAddress::SetNumeric(uint32_t address, uint32_t mask, int32_t context) {
    address_.Assign(FormatDottedAddress(address));
    mask_.Assign(FormatDottedAddress(mask));
    broadcast_.Assign(FormatDottedAddress(BroadcastOf(address, mask)));
    context_ = context;
}

void ZIPAddress::Clear() {
    address_.Empty();
    mask_.Empty();
    broadcast_.Empty();
    context_ = 0;
    index_ = 0;
}

void ZIPAddress::SetIndex(int32_t index) {
    index_ = index;
}
