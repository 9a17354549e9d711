#pragma once
// ZZG2PMessage: one ZG2P message, built field by field or wrapped around received bytes.
//
// Layout (big-endian): a 10-byte header (protocol id, format marker 01 00 00, message id, kind,
// flags, header-data length), block A (7 bytes, flag bit 2), block B (8 bytes, flag bit 3), the
// header data, a length field (2 bytes, 4 in the long form, flag bit 4), a 16-bit parameter
// count, the typed parameters, and a 16-bit check value (byte sum or CRC, flag bits 0 and 1) over
// everything before it.
//
//   ZZG2PMessage m(false);                 // flags 0x0D: byte sum, blocks A and B present
//   m.SetProtocolId(0x9015);
//   m.SetMessageId(0x0801);
//   m.AddLong(address);
//   m.AddString("STUDIO-PC");
//   send(m.GetData(), m.GetLength());      // finalises: length field and check value
//
//   ZZG2PMessage in(bytes, count);         // received: read through the getters only
//   const char* name = in.GetString(3);    // null unless parameter 3 is a well-formed text
//
// Received bytes are untrusted. Every read goes through ZByteReader and stays inside the buffer;
// in a message made from received bytes the parameters are read only when the length field
// agrees with the byte count, a parameter whose declared size runs past the parameters reads as
// absent (and so does every parameter after it or after a parameter of unknown type), and a
// text is handed out only when it ends with its NUL inside the message.
//
// Ownership: the message owns its buffer. Pointers returned by GetData, GetHeaderData, GetString
// and GetBlob point into it and stay valid until the next change of the message. Not thread-safe.

#include <cstdint>
#include <vector>

class ZByteReader;

class ZZG2PMessage {
public:
    // Check modes of SetCheckMode/GetCheckMode.
    static constexpr int kCheckNone = 0;
    static constexpr int kCheckByteSum = 1;
    static constexpr int kCheckCrc = 2;

    // Parameter types.
    static constexpr uint8_t kTypeByte = 1;
    static constexpr uint8_t kTypeFlag = 2;
    static constexpr uint8_t kTypeShort = 3;
    static constexpr uint8_t kTypeLong = 4;
    static constexpr uint8_t kTypeDouble = 5;
    static constexpr uint8_t kTypeString = 6;
    static constexpr uint8_t kTypeBlob = 7;
    static constexpr uint8_t kTypeLongString = 8;
    static constexpr uint8_t kTypeLongBlob = 9;

    // A new, empty message: flags 0x0D (0x1D in the long form), no parameters.
    explicit ZZG2PMessage(bool longForm);
    // A message over a copy of received bytes; not finalised.
    ZZG2PMessage(const void* bytes, uint32_t length);
    // A copy of the whole buffer and state; the parameter cursor starts empty.
    ZZG2PMessage(const ZZG2PMessage& other);
    ZZG2PMessage& operator=(const ZZG2PMessage&) = delete;

    virtual ~ZZG2PMessage();
    virtual void SetProtocolId(uint16_t id);
    // Header getters give 0 while the message holds 9 bytes or fewer (also a new message before
    // its first finalisation).
    virtual uint16_t GetProtocolId();
    virtual void SetMessageId(uint16_t id);
    virtual uint16_t GetMessageId();
    virtual void SetMessageKind(uint8_t kind);
    virtual uint8_t GetMessageKind();
    // 0: no check value; 2: CRC; any other: byte sum. The next GetData writes the new kind.
    virtual void SetCheckMode(int mode);
    virtual int GetCheckMode();
    virtual void SetBlockAByte(uint8_t value);
    virtual uint8_t GetBlockAByte();
    virtual void SetBlockAWord(uint16_t value);
    virtual uint16_t GetBlockAWord();
    virtual void SetBlockALong(uint32_t value);
    virtual uint32_t GetBlockALong();
    virtual void RemoveBlockA();
    virtual bool HasBlockA();
    virtual void SetBlockBFirst(uint32_t value);
    virtual uint32_t GetBlockBFirst();
    virtual void SetBlockBSecond(uint32_t value);
    virtual uint32_t GetBlockBSecond();
    virtual void RemoveBlockB();
    virtual bool HasBlockB();
    virtual bool IsLongForm();
    // Replaces the header data; data may point into this message.
    virtual void SetHeaderData(const void* data, uint8_t length);
    // Null (and *length 0) when there is no header data or it runs past the message.
    virtual const uint8_t* GetHeaderData(uint8_t* length);
    // Zeroes everything from the length field on: zero parameters, header unchanged.
    virtual void ClearParameters();
    // Appends fail (false, message unchanged) when the parameters would end beyond the size
    // limit (65535 in the short form) or the count would pass 65535.
    virtual bool AddByte(int8_t value);
    virtual bool AddFlag(uint8_t value);
    virtual bool AddShort(uint16_t value);
    virtual bool AddLong(uint32_t value);
    virtual bool AddDouble(double value);
    // A null text is sent with count 0, an empty one with count 1 (its NUL).
    virtual bool AddString(const char* text);
    // A null pointer counts as length 0.
    virtual bool AddBlob(const void* data, uint32_t length);
    // Finalise first if needed.
    virtual const uint8_t* GetData();
    virtual uint32_t GetLength();
    virtual uint16_t GetParamCount();
    // Getters by index give the absent value (0, 0.0 or null) for an index not below the count, a
    // parameter of another type, or one that cannot be read safely.
    virtual uint8_t GetParamType(uint32_t index);
    virtual int8_t GetByte(uint32_t index);
    virtual uint8_t GetFlag(uint32_t index);
    virtual uint16_t GetShort(uint32_t index);
    virtual uint32_t GetLong(uint32_t index);
    virtual double GetDouble(uint32_t index);
    // Null when the type differs, the count is 0 or the text lacks its NUL.
    virtual const char* GetString(uint32_t index);
    // Null, *length untouched, when the type differs.
    virtual const uint8_t* GetBlob(uint32_t index, uint32_t* length);

private:
    // One decoded parameter: its type, where it starts, its encoded size and its value bytes.
    struct Parameter {
        uint8_t type = 0;
        uint64_t position = 0;
        uint64_t size = 0;
        const uint8_t* value = nullptr;
        uint32_t valueLength = 0;
    };

    // Where things are, as the header says; recomputed after any change of the bytes.
    struct Layout {
        uint64_t countPosition = 0;
        uint16_t count = 0;
        // Where the parameters may be read: [regionStart, regionEnd), regionEnd 0 when nowhere.
        uint64_t regionStart = 0;
        uint64_t regionEnd = 0;
    };

    const Layout& GetLayout();
    uint8_t Flags();
    uint8_t HeaderDataLength();
    bool HasFlag(uint8_t bit);
    bool HeaderReadable() const { return length_ > 9; }
    uint64_t BlockBOffset();
    uint64_t HeaderSize();
    uint64_t LengthFieldSize();
    uint64_t CountPosition() { return HeaderSize() + LengthFieldSize(); }
    static bool ReadParameter(ZByteReader& reader, Parameter* out);
    bool FindParameter(uint32_t index, Parameter* out);
    uint64_t ParametersEnd();
    uint64_t UsedEnd();

    void Ensure(uint64_t size);
    uint8_t* At(uint64_t position, uint64_t count);
    void PutU8(uint64_t position, uint8_t value);
    void PutU16(uint64_t position, uint16_t value);
    void PutU32(uint64_t position, uint32_t value);
    uint64_t ReadNumber(uint64_t position, uint32_t size);
    void Insert(uint64_t offset, uint64_t count);
    void Remove(uint64_t offset, uint64_t count);
    void Changed();
    void ResetWalk();
    bool Append(uint8_t type, const uint8_t* value, uint32_t valueLength, uint32_t countBytes);
    void Finalise();

    std::vector<uint8_t> buffer_;  // its size is the capacity
    uint32_t length_ = 0;
    bool finalised_ = false;
    bool received_ = false;  // bytes as received, untouched since
    uint64_t sizeLimit_ = 0xFFFF;
    int64_t cursorIndex_ = -1;
    uint64_t cursorPosition_ = 0;
    uint64_t parametersEnd_ = 0;  // 0: not yet computed
    bool layoutValid_ = false;
    Layout layout_;
};

// Initial register of both check values and the CRC polynomial (that of CRC-16/ARC).
constexpr uint16_t kZG2PCheckInitial = 0xA5A5;
constexpr uint16_t kZG2PCrcPolynomial = 0x8005;

// The 16-bit sum of the bytes (each unsigned), started at initial, modulo 65536.
uint16_t ComputeByteSum16(const uint8_t* data, uint32_t length, uint16_t initial);
// The check value a message with these flags carries over the bytes: 0 with flag bit 0 clear,
// else the CRC (flag bit 1) or the byte sum.
uint16_t ComputeZG2PCheckValue(uint8_t flags, const uint8_t* data, uint32_t length);
