#include "ndd/zg2p_message.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "ndd/byte_reader.h"
#include "ndd/crc_calculator.h"

namespace {

// Flag bits of header byte 8.
constexpr uint8_t kFlagCheck = 0x01;
constexpr uint8_t kFlagCrc = 0x02;
constexpr uint8_t kFlagBlockA = 0x04;
constexpr uint8_t kFlagBlockB = 0x08;
constexpr uint8_t kFlagLongForm = 0x10;

// Fixed header positions and sizes.
constexpr uint64_t kFlagsOffset = 8;
constexpr uint64_t kHeaderDataLengthOffset = 9;
constexpr uint64_t kFixedHeaderSize = 10;
constexpr uint64_t kBlockAOffset = 10;
constexpr uint64_t kBlockASize = 7;
constexpr uint64_t kBlockBSize = 8;

// A new message starts with this many zero bytes; buffers grow in steps of the same size.
constexpr uint64_t kInitialCapacity = 8192;
constexpr uint64_t kGrowthStep = 4096;

// Highest position at which the parameters may end: the 16-bit length field bounds the short
// form; the long form is kept two short of 2^32 so that the message length (end of the
// parameters plus the check value) still fits its 32-bit field.
constexpr uint64_t kShortFormLimit = 0xFFFF;
constexpr uint64_t kLongFormLimit = 0xFFFFFFFFu - 2;

// The parameter count is a 16-bit field also in the long form.
constexpr uint32_t kMaxParameters = 0xFFFF;

}  // namespace

uint16_t ComputeByteSum16(const uint8_t* data, uint32_t length, uint16_t initial) {
    uint32_t sum = initial;
    if (data != nullptr) {
        for (uint32_t i = 0; i < length; ++i)
            sum += data[i];
    }
    return static_cast<uint16_t>(sum);
}

uint16_t ComputeZG2PCheckValue(uint8_t flags, const uint8_t* data, uint32_t length) {
    if ((flags & kFlagCheck) == 0)
        return 0;
    if ((flags & kFlagCrc) != 0)
        return ComputeCrc16(data, length, kZG2PCrcPolynomial, kZG2PCheckInitial);
    return ComputeByteSum16(data, length, kZG2PCheckInitial);
}

ZZG2PMessage::ZZG2PMessage(bool longForm)
    : buffer_(kInitialCapacity, 0), sizeLimit_(longForm ? kLongFormLimit : kShortFormLimit) {
    buffer_[kFlagsOffset] = kFlagCheck | kFlagBlockA | kFlagBlockB | (longForm ? kFlagLongForm : 0);
}

ZZG2PMessage::ZZG2PMessage(const void* bytes, uint32_t length) : received_(true) {
    if (bytes != nullptr && length > 0) {
        const uint8_t* first = static_cast<const uint8_t*>(bytes);
        buffer_.assign(first, first + length);
        length_ = length;
    }
    sizeLimit_ = HasFlag(kFlagLongForm) ? kLongFormLimit : kShortFormLimit;
}

ZZG2PMessage::ZZG2PMessage(const ZZG2PMessage& other)
    : buffer_(other.buffer_),
      length_(other.length_),
      finalised_(other.finalised_),
      received_(other.received_),
      sizeLimit_(other.sizeLimit_),
      parametersEnd_(other.parametersEnd_) {}

ZZG2PMessage::~ZZG2PMessage() = default;

// --- raw access ------------------------------------------------------------------------------

uint64_t ZZG2PMessage::ReadNumber(uint64_t position, uint32_t size) {
    ZByteReader reader(buffer_.data(), buffer_.size());
    uint64_t value = 0;
    if (!reader.Seek(position))
        return 0;
    const uint8_t* bytes = reader.ReadBytes(size);
    if (bytes == nullptr)
        return 0;
    for (uint32_t i = 0; i < size; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

uint8_t ZZG2PMessage::Flags() {
    return static_cast<uint8_t>(ReadNumber(kFlagsOffset, 1));
}

uint8_t ZZG2PMessage::HeaderDataLength() {
    return static_cast<uint8_t>(ReadNumber(kHeaderDataLengthOffset, 1));
}

bool ZZG2PMessage::HasFlag(uint8_t bit) {
    return (Flags() & bit) != 0;
}

uint64_t ZZG2PMessage::BlockBOffset() {
    return kBlockAOffset + (HasFlag(kFlagBlockA) ? kBlockASize : 0);
}

uint64_t ZZG2PMessage::HeaderSize() {
    return kFixedHeaderSize + (HasFlag(kFlagBlockA) ? kBlockASize : 0) +
           (HasFlag(kFlagBlockB) ? kBlockBSize : 0) + HeaderDataLength();
}

uint64_t ZZG2PMessage::LengthFieldSize() {
    return HasFlag(kFlagLongForm) ? 4 : 2;
}

void ZZG2PMessage::Ensure(uint64_t size) {
    if (size <= buffer_.size())
        return;
    buffer_.resize((size / kGrowthStep) * kGrowthStep + kGrowthStep, 0);
}

uint8_t* ZZG2PMessage::At(uint64_t position, uint64_t count) {
    Ensure(position + count);
    layoutValid_ = false;  // the caller writes there
    return buffer_.data() + position;
}

void ZZG2PMessage::PutU8(uint64_t position, uint8_t value) {
    *At(position, 1) = value;
}

void ZZG2PMessage::PutU16(uint64_t position, uint16_t value) {
    uint8_t* p = At(position, 2);
    p[0] = static_cast<uint8_t>(value >> 8);
    p[1] = static_cast<uint8_t>(value);
}

void ZZG2PMessage::PutU32(uint64_t position, uint32_t value) {
    uint8_t* p = At(position, 4);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

void ZZG2PMessage::Changed() {
    finalised_ = false;
    received_ = false;
    layoutValid_ = false;
}

void ZZG2PMessage::ResetWalk() {
    cursorIndex_ = -1;
    cursorPosition_ = 0;
    parametersEnd_ = 0;
    layoutValid_ = false;
}

// The bytes that hold the message: what it held when received or last finalised, or up to the
// check value after the parameters, whichever is further, within the buffer.
uint64_t ZZG2PMessage::UsedEnd() {
    const uint64_t used = std::max<uint64_t>(length_, ParametersEnd() + 2);
    return std::min<uint64_t>(used, buffer_.size());
}

void ZZG2PMessage::Insert(uint64_t offset, uint64_t count) {
    const uint64_t used = std::max(UsedEnd(), offset);
    Ensure(used + count);
    uint8_t* base = buffer_.data();
    std::memmove(base + offset + count, base + offset, used - offset);
    std::memset(base + offset, 0, count);
    if (length_ > offset)
        length_ = static_cast<uint32_t>(std::min<uint64_t>(length_ + count, buffer_.size()));
    ResetWalk();
}

void ZZG2PMessage::Remove(uint64_t offset, uint64_t count) {
    const uint64_t used = UsedEnd();
    if (offset < used) {
        const uint64_t end = std::min(offset + count, used);
        uint8_t* base = buffer_.data();
        std::memmove(base + offset, base + end, used - end);
        std::memset(base + used - (end - offset), 0, end - offset);
    }
    if (length_ > offset)
        length_ -= static_cast<uint32_t>(std::min<uint64_t>(count, length_ - offset));
    ResetWalk();
}

// --- header ----------------------------------------------------------------------------------

void ZZG2PMessage::SetProtocolId(uint16_t id) {
    PutU16(0, id);
    Changed();
}

uint16_t ZZG2PMessage::GetProtocolId() {
    return HeaderReadable() ? static_cast<uint16_t>(ReadNumber(0, 2)) : 0;
}

void ZZG2PMessage::SetMessageId(uint16_t id) {
    PutU16(5, id);
    Changed();
}

uint16_t ZZG2PMessage::GetMessageId() {
    return HeaderReadable() ? static_cast<uint16_t>(ReadNumber(5, 2)) : 0;
}

void ZZG2PMessage::SetMessageKind(uint8_t kind) {
    PutU8(7, kind);
    Changed();
}

uint8_t ZZG2PMessage::GetMessageKind() {
    return HeaderReadable() ? static_cast<uint8_t>(ReadNumber(7, 1)) : 0;
}

void ZZG2PMessage::SetCheckMode(int mode) {
    uint8_t flags = Flags() & static_cast<uint8_t>(~(kFlagCheck | kFlagCrc));
    if (mode == kCheckCrc) {
        flags |= kFlagCheck | kFlagCrc;
    } else if (mode != kCheckNone) {
        flags |= kFlagCheck;
    }
    PutU8(kFlagsOffset, flags);
    // The flags byte just changed: a finalised message would otherwise hand out a check value
    // of the old kind under the new flags, which every receiver rejects. Finalise again on the
    // next read instead.
    finalised_ = false;
}

int ZZG2PMessage::GetCheckMode() {
    if (!HeaderReadable() || !HasFlag(kFlagCheck))
        return kCheckNone;
    return HasFlag(kFlagCrc) ? kCheckCrc : kCheckByteSum;
}

void ZZG2PMessage::SetBlockAByte(uint8_t value) {
    if (!HasFlag(kFlagBlockA)) {
        Insert(kBlockAOffset, kBlockASize);
        PutU8(kFlagsOffset, Flags() | kFlagBlockA);
    }
    PutU8(kBlockAOffset, value);
    Changed();
}

uint8_t ZZG2PMessage::GetBlockAByte() {
    return HasBlockA() ? static_cast<uint8_t>(ReadNumber(kBlockAOffset, 1)) : 0;
}

void ZZG2PMessage::SetBlockAWord(uint16_t value) {
    if (!HasFlag(kFlagBlockA)) {
        Insert(kBlockAOffset, kBlockASize);
        PutU8(kFlagsOffset, Flags() | kFlagBlockA);
    }
    PutU16(kBlockAOffset + 1, value);
    Changed();
}

uint16_t ZZG2PMessage::GetBlockAWord() {
    return HasBlockA() ? static_cast<uint16_t>(ReadNumber(kBlockAOffset + 1, 2)) : 0;
}

void ZZG2PMessage::SetBlockALong(uint32_t value) {
    if (!HasFlag(kFlagBlockA)) {
        Insert(kBlockAOffset, kBlockASize);
        PutU8(kFlagsOffset, Flags() | kFlagBlockA);
    }
    PutU32(kBlockAOffset + 3, value);
    Changed();
}

uint32_t ZZG2PMessage::GetBlockALong() {
    return HasBlockA() ? static_cast<uint32_t>(ReadNumber(kBlockAOffset + 3, 4)) : 0;
}

void ZZG2PMessage::RemoveBlockA() {
    if (!HasFlag(kFlagBlockA))
        return;
    Remove(kBlockAOffset, kBlockASize);
    PutU8(kFlagsOffset, Flags() & static_cast<uint8_t>(~kFlagBlockA));
    Changed();
}

bool ZZG2PMessage::HasBlockA() {
    return HeaderReadable() && HasFlag(kFlagBlockA);
}

void ZZG2PMessage::SetBlockBFirst(uint32_t value) {
    if (!HasFlag(kFlagBlockB)) {
        Insert(BlockBOffset(), kBlockBSize);
        PutU8(kFlagsOffset, Flags() | kFlagBlockB);
    }
    PutU32(BlockBOffset(), value);
    Changed();
}

uint32_t ZZG2PMessage::GetBlockBFirst() {
    return HasBlockB() ? static_cast<uint32_t>(ReadNumber(BlockBOffset(), 4)) : 0;
}

void ZZG2PMessage::SetBlockBSecond(uint32_t value) {
    if (!HasFlag(kFlagBlockB)) {
        Insert(BlockBOffset(), kBlockBSize);
        PutU8(kFlagsOffset, Flags() | kFlagBlockB);
    }
    PutU32(BlockBOffset() + 4, value);
    Changed();
}

uint32_t ZZG2PMessage::GetBlockBSecond() {
    return HasBlockB() ? static_cast<uint32_t>(ReadNumber(BlockBOffset() + 4, 4)) : 0;
}

void ZZG2PMessage::RemoveBlockB() {
    if (!HasFlag(kFlagBlockB))
        return;
    Remove(BlockBOffset(), kBlockBSize);
    PutU8(kFlagsOffset, Flags() & static_cast<uint8_t>(~kFlagBlockB));
    Changed();
}

bool ZZG2PMessage::HasBlockB() {
    return HeaderReadable() && HasFlag(kFlagBlockB);
}

bool ZZG2PMessage::IsLongForm() {
    return HasFlag(kFlagLongForm);
}

void ZZG2PMessage::SetHeaderData(const void* data, uint8_t length) {
    // Copy first: data may point into this buffer, which the moves below shift or reallocate.
    std::vector<uint8_t> bytes;
    if (data != nullptr) {
        const uint8_t* first = static_cast<const uint8_t*>(data);
        bytes.assign(first, first + length);
    }
    const uint8_t old = HeaderDataLength();
    const uint64_t offset = BlockBOffset() + (HasFlag(kFlagBlockB) ? kBlockBSize : 0);
    if (length != old) {
        if (old != 0) {
            Remove(offset, old);
            PutU8(kHeaderDataLengthOffset, 0);
        }
        if (data != nullptr && length != 0) {
            Insert(offset, length);
            PutU8(kHeaderDataLengthOffset, length);
            std::memcpy(At(offset, length), bytes.data(), length);
        }
    } else if (length != 0 && data != nullptr) {
        std::memcpy(At(offset, length), bytes.data(), length);
    } else {
        return;
    }
    ResetWalk();
    Changed();
}

const uint8_t* ZZG2PMessage::GetHeaderData(uint8_t* length) {
    const uint8_t count = HeaderReadable() ? HeaderDataLength() : 0;
    const uint8_t* bytes = nullptr;
    if (count != 0) {
        ZByteReader reader(buffer_.data(), buffer_.size());
        reader.Seek(BlockBOffset() + (HasFlag(kFlagBlockB) ? kBlockBSize : 0));
        bytes = reader.ReadBytes(count);
    }
    if (length != nullptr)
        *length = bytes != nullptr ? count : 0;
    return bytes;
}

// --- parameters ------------------------------------------------------------------------------

void ZZG2PMessage::ClearParameters() {
    const uint64_t from = HeaderSize();
    if (from < buffer_.size())
        std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(from), buffer_.end(), 0);
    ResetWalk();
    Changed();
}

bool ZZG2PMessage::ReadParameter(ZByteReader& reader, Parameter* out) {
    const uint64_t position = reader.Position();
    uint8_t type = 0;
    if (!reader.ReadU8(&type))
        return false;
    uint32_t valueLength = 0;
    switch (type) {
        case kTypeByte:
        case kTypeFlag:
            valueLength = 1;
            break;
        case kTypeShort:
            valueLength = 2;
            break;
        case kTypeLong:
            valueLength = 4;
            break;
        case kTypeDouble:
            valueLength = 8;
            break;
        case kTypeString:
        case kTypeBlob: {
            uint16_t count = 0;
            if (!reader.ReadU16(&count))
                return false;
            valueLength = count;
            break;
        }
        case kTypeLongString:
        case kTypeLongBlob:
            if (!reader.ReadU32(&valueLength))
                return false;
            break;
        default:
            // Its size is unknown, so nothing after it can be located either.
            return false;
    }
    const uint8_t* value = reader.ReadBytes(valueLength);
    if (value == nullptr)
        return false;
    out->type = type;
    out->position = position;
    out->size = reader.Position() - position;
    out->value = value;
    out->valueLength = valueLength;
    return true;
}

const ZZG2PMessage::Layout& ZZG2PMessage::GetLayout() {
    if (layoutValid_)
        return layout_;
    Layout l;
    const uint64_t headerSize = HeaderSize();
    const uint32_t fieldSize = static_cast<uint32_t>(LengthFieldSize());
    l.countPosition = headerSize + fieldSize;
    l.count = static_cast<uint16_t>(ReadNumber(l.countPosition, 2));
    l.regionStart = l.countPosition + 2;
    l.regionEnd = buffer_.size();
    if (received_) {
        // Received bytes: the length field must account for exactly the bytes between it and
        // the check value, or no parameter is believed.
        ZByteReader reader(buffer_.data(), length_);
        const uint8_t* field = reader.Seek(headerSize) ? reader.ReadBytes(fieldSize) : nullptr;
        uint64_t declared = 0;
        if (field != nullptr) {
            for (uint32_t i = 0; i < fieldSize; ++i)
                declared = (declared << 8) | field[i];
        }
        if (field == nullptr || declared < 2 || l.countPosition + declared + 2 != length_) {
            l.regionStart = 0;
            l.regionEnd = 0;
        } else {
            l.regionEnd = l.countPosition + declared;
        }
    }
    layout_ = l;
    layoutValid_ = true;
    return layout_;
}

bool ZZG2PMessage::FindParameter(uint32_t index, Parameter* out) {
    const Layout& layout = GetLayout();
    if (index >= layout.count || layout.regionEnd == 0)
        return false;
    ZByteReader reader(buffer_.data(), layout.regionEnd);
    uint64_t position = layout.regionStart;
    uint32_t at = 0;
    if (cursorIndex_ >= 0 && (cursorIndex_ == index || cursorIndex_ + 1 == index)) {
        position = cursorPosition_;
        at = static_cast<uint32_t>(cursorIndex_);
    }
    if (!reader.Seek(position))
        return false;
    Parameter skipped;
    for (; at < index; ++at) {
        if (!ReadParameter(reader, &skipped))
            return false;
    }
    if (!ReadParameter(reader, out))
        return false;
    cursorIndex_ = index;
    cursorPosition_ = out->position;
    return true;
}

uint64_t ZZG2PMessage::ParametersEnd() {
    if (parametersEnd_ != 0)
        return parametersEnd_;
    const Layout& layout = GetLayout();
    const uint32_t count = layout.count;
    // Received parameters end where their length field says, when it agrees with the bytes; the
    // check value after them is no parameter, whatever the count claims.
    const uint64_t limit = received_ && layout.regionEnd != 0 ? layout.regionEnd : buffer_.size();
    ZByteReader reader(buffer_.data(), limit);
    uint64_t end = layout.countPosition + 2;
    if (reader.Seek(end)) {
        Parameter parameter;
        for (uint32_t i = 0; i < count && ReadParameter(reader, &parameter); ++i) {
            end = reader.Position();
        }
    }
    parametersEnd_ = end;
    return end;
}

bool ZZG2PMessage::Append(uint8_t type, const uint8_t* value, uint32_t valueLength,
                          uint32_t countBytes) {
    const uint32_t count = GetParamCount();
    if (count >= kMaxParameters)
        return false;
    const uint64_t end = ParametersEnd();
    const uint64_t size = 1 + countBytes + uint64_t{valueLength};
    // Texts and blocks are measured as if their count were 32 bits, also in the short form.
    const uint64_t measured = countBytes != 0 ? uint64_t{valueLength} + 5 : size;
    if (end + measured > sizeLimit_)
        return false;

    // The value may point into this buffer (a text read back from it), which may move.
    std::vector<uint8_t> copy;
    const uint8_t* base = buffer_.data();
    if (value != nullptr && valueLength != 0 && value >= base && value < base + buffer_.size()) {
        copy.assign(value, value + valueLength);
        value = copy.data();
    }
    uint8_t* p = At(end, size);
    p[0] = type;
    for (uint32_t i = 0; i < countBytes; ++i) {
        p[1 + i] = static_cast<uint8_t>(valueLength >> (8 * (countBytes - 1 - i)));
    }
    if (valueLength != 0)
        std::memcpy(p + 1 + countBytes, value, valueLength);
    PutU16(CountPosition(), static_cast<uint16_t>(count + 1));
    parametersEnd_ = end + size;
    Changed();
    return true;
}

bool ZZG2PMessage::AddByte(int8_t value) {
    const uint8_t byte = static_cast<uint8_t>(value);
    return Append(kTypeByte, &byte, 1, 0);
}

bool ZZG2PMessage::AddFlag(uint8_t value) {
    return Append(kTypeFlag, &value, 1, 0);
}

bool ZZG2PMessage::AddShort(uint16_t value) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    return Append(kTypeShort, bytes, 2, 0);
}

bool ZZG2PMessage::AddLong(uint32_t value) {
    uint8_t bytes[4];
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    return Append(kTypeLong, bytes, 4, 0);
}

bool ZZG2PMessage::AddDouble(double value) {
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    return Append(kTypeDouble, bytes, 8, 0);
}

bool ZZG2PMessage::AddString(const char* text) {
    if (text == nullptr)
        return Append(kTypeString, nullptr, 0, 2);
    const size_t length = std::strlen(text);
    if (length >= 0xFFFFFFFFu)
        return false;
    const uint32_t count = static_cast<uint32_t>(length) + 1;  // the NUL is sent
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text);
    if (IsLongForm() && count > 0xFFFF)
        return Append(kTypeLongString, bytes, count, 4);
    return Append(kTypeString, bytes, count, 2);
}

bool ZZG2PMessage::AddBlob(const void* data, uint32_t length) {
    if (data == nullptr)
        length = 0;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (IsLongForm() && length > 0xFFFF)
        return Append(kTypeLongBlob, bytes, length, 4);
    return Append(kTypeBlob, bytes, length, 2);
}

void ZZG2PMessage::Finalise() {
    PutU8(2, 1);  // format marker 01 00 00
    PutU8(3, 0);
    PutU8(4, 0);
    const uint64_t end = ParametersEnd();
    const uint64_t countPosition = CountPosition();
    const uint64_t lengthPosition = HeaderSize();
    if (IsLongForm()) {
        PutU32(lengthPosition, static_cast<uint32_t>(end - countPosition));
    } else {
        PutU16(lengthPosition, static_cast<uint16_t>(end - countPosition));
    }
    Ensure(end + 2);
    PutU16(end, ComputeZG2PCheckValue(Flags(), buffer_.data(), static_cast<uint32_t>(end)));
    length_ = static_cast<uint32_t>(end + 2);
    finalised_ = true;
}

const uint8_t* ZZG2PMessage::GetData() {
    if (!finalised_)
        Finalise();
    return buffer_.data();
}

uint32_t ZZG2PMessage::GetLength() {
    if (!finalised_)
        Finalise();
    return length_;
}

uint16_t ZZG2PMessage::GetParamCount() {
    return GetLayout().count;
}

uint8_t ZZG2PMessage::GetParamType(uint32_t index) {
    Parameter p;
    return FindParameter(index, &p) ? p.type : 0;
}

int8_t ZZG2PMessage::GetByte(uint32_t index) {
    Parameter p;
    return FindParameter(index, &p) && p.type == kTypeByte ? static_cast<int8_t>(p.value[0]) : 0;
}

uint8_t ZZG2PMessage::GetFlag(uint32_t index) {
    Parameter p;
    return FindParameter(index, &p) && p.type == kTypeFlag ? p.value[0] : 0;
}

uint16_t ZZG2PMessage::GetShort(uint32_t index) {
    Parameter p;
    if (!FindParameter(index, &p) || p.type != kTypeShort)
        return 0;
    return static_cast<uint16_t>((p.value[0] << 8) | p.value[1]);
}

uint32_t ZZG2PMessage::GetLong(uint32_t index) {
    Parameter p;
    if (!FindParameter(index, &p) || p.type != kTypeLong)
        return 0;
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | p.value[i];
    return value;
}

double ZZG2PMessage::GetDouble(uint32_t index) {
    Parameter p;
    if (!FindParameter(index, &p) || p.type != kTypeDouble)
        return 0.0;
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits = (bits << 8) | p.value[i];
    return std::bit_cast<double>(bits);
}

const char* ZZG2PMessage::GetString(uint32_t index) {
    Parameter p;
    if (!FindParameter(index, &p))
        return nullptr;
    if (p.type != kTypeString && p.type != kTypeLongString)
        return nullptr;
    // The text must end with its NUL inside the parameter, so no reader runs past the message.
    if (p.valueLength == 0 || p.value[p.valueLength - 1] != 0)
        return nullptr;
    return reinterpret_cast<const char*>(p.value);
}

const uint8_t* ZZG2PMessage::GetBlob(uint32_t index, uint32_t* length) {
    Parameter p;
    if (!FindParameter(index, &p))
        return nullptr;
    if (p.type != kTypeBlob && p.type != kTypeLongBlob)
        return nullptr;
    if (length != nullptr)
        *length = p.valueLength;
    return p.value;
}
