#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

#include "platform/network/host.h"
#include "platform/network/socket.h"

namespace zplat {

namespace {

std::string SystemHostName() {
    char buffer[HOST_NAME_MAX + 1] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0) {
        return std::string();
    }
    return std::string(buffer);
}

}  // namespace

int GetHostName(char* name, int length) {
    if (!IsWinsockStarted()) {
        WSASetLastError(WSANOTINITIALISED);
        return SOCKET_ERROR;
    }
    std::string host = SystemHostName();
    if (name == nullptr || length <= 0 || host.size() + 1 > static_cast<size_t>(length)) {
        WSASetLastError(WSAEFAULT);
        return SOCKET_ERROR;
    }
    std::memcpy(name, host.c_str(), host.size() + 1);
    return 0;
}

bool GetHostByName(const char* name, std::vector<uint32_t>* addresses) {
    if (!IsWinsockStarted()) {
        WSASetLastError(WSANOTINITIALISED);
        return false;
    }
    if (name == nullptr || addresses == nullptr) {
        WSASetLastError(WSAEFAULT);
        return false;
    }
    addresses->clear();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* result = nullptr;
    int rc = ::getaddrinfo(name, nullptr, &hints, &result);
    if (rc != 0) {
        WSASetLastError(rc == EAI_AGAIN    ? WSATRY_AGAIN
                        : rc == EAI_NODATA ? WSANO_DATA
                                           : WSAHOST_NOT_FOUND);
        return false;
    }
    for (addrinfo* ai = result; ai != nullptr; ai = ai->ai_next) {
        if (ai->ai_family != AF_INET || ai->ai_addr == nullptr) {
            continue;
        }
        uint32_t address = reinterpret_cast<sockaddr_in*>(ai->ai_addr)->sin_addr.s_addr;
        bool seen = false;
        for (uint32_t a : *addresses) {
            seen = seen || a == address;
        }
        if (!seen) {
            addresses->push_back(address);
        }
    }
    ::freeaddrinfo(result);
    if (addresses->empty()) {
        WSASetLastError(WSANO_DATA);
        return false;
    }
    return true;
}

bool GetComputerNameEx(int format, char* buffer, uint32_t* size) {
    if (size == nullptr ||
        (format != ComputerNameDnsHostname && format != ComputerNamePhysicalDnsHostname)) {
        return false;
    }
    std::string host = SystemHostName();
    if (host.empty()) {
        return false;
    }
    size_t dot = host.find('.');
    if (dot != std::string::npos) {
        host.resize(dot);
    }
    if (buffer == nullptr || host.size() + 1 > *size) {
        *size = static_cast<uint32_t>(host.size() + 1);
        return false;
    }
    std::memcpy(buffer, host.c_str(), host.size() + 1);
    *size = static_cast<uint32_t>(host.size());
    return true;
}

}  // namespace zplat
