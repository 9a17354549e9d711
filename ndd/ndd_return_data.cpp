#include "ndd/ndd_return_data.h"

#include <cstring>

namespace {

// Copies at most size - 1 characters and always terminates; null gives the empty text.
void CopyBounded(char* out, size_t size, const char* text) {
    size_t n = 0;
    if (text != nullptr) {
        while (n + 1 < size && text[n] != '\0')
            ++n;
        std::memcpy(out, text, n);
    }
    out[n] = '\0';
}

}  // namespace

ZNDDReturnData::ZNDDReturnData(int16_t* result, const char* target, const char* serviceType,
                               int16_t portFilter)
    : result_(result),
      event_(/*manualReset=*/true, /*initialState=*/false),
      portFilter_(portFilter) {
    CopyBounded(target_, sizeof target_, target);
    CopyBounded(serviceType_, sizeof serviceType_, serviceType);
}

ZNDDReturnData::~ZNDDReturnData() {
    event_.Set();
}

bool ZNDDReturnData::Wait(uint32_t timeoutMs) {
    return event_.Wait(timeoutMs) == zplat::WAIT_OBJECT_0;
}
