#pragma once
// The three worked NDD messages, byte for byte, with the values they carry. Shared by the
// message, codec and processor tests.

#include <cstdint>
#include <cstring>
#include <vector>

namespace ndd_fixtures {

using Bytes = std::vector<uint8_t>;

// Network-order values (octets in memory order) of the addresses the examples use.
inline uint32_t Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t v;
    std::memcpy(&v, bytes, 4);
    return v;
}

// clang-format off
// Search request from 192.168.1.20/255.255.255.0, port 50000, name STUDIO-PC, every device,
// service type "zelvane.*", data "abc".
inline const Bytes kRequest = {
    0x90, 0x15,                                        // protocol id
    0x01, 0x00, 0x00,                                  // format marker
    0x08, 0x01,                                        // message id
    0x00,                                              // kind: request
    0x0D,                                              // flags: byte sum, blocks A and B
    0x00,                                              // header-data length
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,          // block A
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,    // block B
    0x00, 0x35,                                        // length (53)
    0x00, 0x07,                                        // parameter count
    0x04, 0x14, 0x01, 0xA8, 0xC0,                      // 0: requester address
    0x04, 0x00, 0xFF, 0xFF, 0xFF,                      // 1: requester mask
    0x03, 0xC3, 0x50,                                  // 2: requester port 50000
    0x06, 0x00, 0x0A,                                  // 3: requester name, count 10
        'S', 'T', 'U', 'D', 'I', 'O', '-', 'P', 'C', 0x00,
    0x04, 0xFF, 0xFF, 0xFF, 0xFF,                      // 4: target address (every device)
    0x06, 0x00, 0x0A,                                  // 5: service type, count 10
        'z', 'e', 'l', 'v', 'a', 'n', 'e', '.', '*', 0x00,
    0x06, 0x00, 0x04, 'a', 'b', 'c', 0x00,             // 6: data
    0xB7, 0x6A,                                        // check value (byte sum)
};

// Answer of 192.168.1.50/255.255.255.0, "zelvane.cuedeck" on port 4300, device name "Booth 2",
// version "6.4.2", empty model, information and extra texts, to the request above.
inline const Bytes kAnswer = {
    0x90, 0x15, 0x01, 0x00, 0x00, 0x08, 0x01,          // protocol id, marker, message id
    0x01,                                              // kind: answer
    0x0D, 0x00,                                        // flags, header-data length
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,          // block A
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,    // block B
    0x00, 0x5B,                                        // length (91)
    0x00, 0x0F,                                        // parameter count (15)
    0x02, 0x00,                                        // 0: refusal flag
    0x06, 0x00, 0x10,                                  // 1: service name, count 16
        'z', 'e', 'l', 'v', 'a', 'n', 'e', '.', 'c', 'u', 'e', 'd', 'e', 'c', 'k', 0x00,
    0x04, 0x32, 0x01, 0xA8, 0xC0,                      // 2: device address
    0x04, 0x00, 0xFF, 0xFF, 0xFF,                      // 3: device mask
    0x04, 0x00, 0x00, 0x00, 0x00,                      // 4: user data
    0x03, 0x10, 0xCC,                                  // 5: port 4300
    0x03, 0x00, 0x00,                                  // 6: auxiliary value
    0x06, 0x00, 0x08,                                  // 7: device name, count 8
        'B', 'o', 'o', 't', 'h', ' ', '2', 0x00,
    0x06, 0x00, 0x01, 0x00,                            // 8: model (empty)
    0x06, 0x00, 0x06, '6', '.', '4', '.', '2', 0x00,   // 9: version
    0x06, 0x00, 0x01, 0x00,                            // 10: information text (empty)
    0x04, 0x14, 0x01, 0xA8, 0xC0,                      // 11: requester address
    0x04, 0x00, 0xFF, 0xFF, 0xFF,                      // 12: requester mask
    0x04, 0x00, 0x00, 0x00, 0x00,                      // 13: index value
    0x06, 0x00, 0x01, 0x00,                            // 14: extra text (empty)
    0xBA, 0x5C,                                        // check value
};

// Refusal by that device for that service with code 1.
inline const Bytes kRefusal = {
    0x90, 0x15, 0x01, 0x00, 0x00, 0x08, 0x01,          // protocol id, marker, message id
    0x01,                                              // kind: answer
    0x0D, 0x00,                                        // flags, header-data length
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,          // block A
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,    // block B
    0x00, 0x1F,                                        // length (31)
    0x00, 0x04,                                        // parameter count
    0x02, 0x01,                                        // 0: refusal flag (set)
    0x04, 0x32, 0x01, 0xA8, 0xC0,                      // 1: device address
    0x06, 0x00, 0x10,                                  // 2: service name, count 16
        'z', 'e', 'l', 'v', 'a', 'n', 'e', '.', 'c', 'u', 'e', 'd', 'e', 'c', 'k', 0x00,
    0x03, 0x00, 0x01,                                  // 3: code
    0xAE, 0x38,                                        // check value
};
// clang-format on

}  // namespace ndd_fixtures
