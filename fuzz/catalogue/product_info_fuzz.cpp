// Bytes as a device's info text -> ReadProductInfo under both edition tables.
#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue/product_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The text arrives NUL-terminated; anything after an embedded NUL is not part of it.
    std::string text(reinterpret_cast<const char*>(data), size);
    for (const char* label : {"Cuedeck", "Conductor"}) {
        ZProductInfo info;
        if (ReadProductInfo(text.c_str(), label, &info)) {
            volatile size_t touched = info.serial.size() + std::string(info.suffix).size() +
                                      static_cast<size_t>(info.majorVersion);
            (void)touched;
        }
    }
    return 0;
}
