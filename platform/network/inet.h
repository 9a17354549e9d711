#pragma once
// Dotted IPv4 text and 32-bit addresses, with the results of the system's own text parser and
// formatter: numbers are in network byte order in memory, a text that does not parse gives
// INADDR_NONE (255.255.255.255, the same value as a real broadcast address).
//
//   uint32_t a = zplat::InetAddr("192.168.1.20");   // bytes c0 a8 01 14 in memory
//   std::string text = zplat::InetNtoa(a);           // "192.168.1.20"
//
// No state; safe from any thread.

#include <cstdint>
#include <string>

namespace zplat {

inline constexpr uint32_t INADDR_NONE_VALUE = 0xFFFFFFFFu;

// Parses "a.b.c.d" (also the shorter and octal/hex forms the system parser takes). Null, empty or
// malformed text gives INADDR_NONE_VALUE.
uint32_t InetAddr(const char* text);

// Dotted text of a network-order address.
std::string InetNtoa(uint32_t address);

// Host-order helpers for code that must not include the system socket headers.
uint16_t HostToNet16(uint16_t value);
uint16_t NetToHost16(uint16_t value);
uint32_t HostToNet32(uint32_t value);
uint32_t NetToHost32(uint32_t value);

}  // namespace zplat
