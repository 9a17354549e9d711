// Received bytes straight into a ZG2P message: every getter on every index, then the same after
// a finalised copy, which must read back every parameter the original could read.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ndd/zg2p_message.h"

namespace {

volatile uint64_t sink;

// Reads everything readable; returns the types read for the first kIndexes indexes.
constexpr uint32_t kIndexes = 40;

void ReadAll(ZZG2PMessage& m, uint8_t types[kIndexes]) {
    uint64_t s = m.GetProtocolId() + m.GetMessageId() + m.GetMessageKind() + m.GetCheckMode();
    s += m.GetBlockAByte() + m.GetBlockAWord() + m.GetBlockALong() + m.HasBlockA();
    s += m.GetBlockBFirst() + m.GetBlockBSecond() + m.HasBlockB() + m.IsLongForm();
    uint8_t headerLength = 0;
    if (const uint8_t* h = m.GetHeaderData(&headerLength)) {
        for (uint8_t i = 0; i < headerLength; ++i)
            s += h[i];
    }
    s += m.GetParamCount();
    for (uint32_t i = 0; i < kIndexes; ++i) {
        types[i] = m.GetParamType(i);
        s += types[i] + static_cast<uint8_t>(m.GetByte(i)) + m.GetFlag(i) + m.GetShort(i) +
             m.GetLong(i) + (m.GetDouble(i) != 0.0);
        if (const char* text = m.GetString(i))
            s += std::strlen(text);
        uint32_t blobLength = 0;
        if (const uint8_t* blob = m.GetBlob(i, &blobLength)) {
            for (uint32_t j = 0; j < blobLength; ++j)
                s += blob[j];
        }
    }
    // Backwards too, so the cursor is used from every side.
    for (uint32_t i = kIndexes; i-- > 0;)
        s += m.GetParamType(i);
    sink = sink + s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x10000)
        return 0;
    ZZG2PMessage received(data, static_cast<uint32_t>(size));
    uint8_t before[kIndexes];
    ReadAll(received, before);

    ZZG2PMessage copy(received);
    const uint32_t length = copy.GetLength();  // finalises: length field and check value
    ZZG2PMessage again(copy.GetData(), length);
    uint8_t after[kIndexes];
    ReadAll(again, after);
    for (uint32_t i = 0; i < kIndexes; ++i) {
        // Finalising fixes the length field, so it can make parameters readable, never the
        // other way round.
        if (before[i] != 0 && after[i] != before[i])
            std::abort();
    }
    return 0;
}
