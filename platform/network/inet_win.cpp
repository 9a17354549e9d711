#include "platform/network/inet.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

uint32_t InetAddr(const char* text) {
    if (text == nullptr) {
        return INADDR_NONE_VALUE;
    }
    return ::inet_addr(text);
}

std::string InetNtoa(uint32_t address) {
    char buffer[INET_ADDRSTRLEN] = {};
    in_addr in{};
    in.s_addr = address;
    if (::inet_ntop(AF_INET, &in, buffer, sizeof buffer) == nullptr) {
        return std::string();
    }
    return std::string(buffer);
}

uint16_t HostToNet16(uint16_t value) {
    return ::htons(value);
}
uint16_t NetToHost16(uint16_t value) {
    return ::ntohs(value);
}
uint32_t HostToNet32(uint32_t value) {
    return ::htonl(value);
}
uint32_t NetToHost32(uint32_t value) {
    return ::ntohl(value);
}

}  // namespace zplat
