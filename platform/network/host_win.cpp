// Host names through Winsock (gethostname, getaddrinfo) and the computer name through
// GetComputerNameExA.

#include <cstring>
#include <string>

#include "platform/network/host.h"
#include "platform/network/socket.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

int GetHostName(char* name, int length) {
    if (!IsWinsockStarted()) {
        ::WSASetLastError(WSANOTINITIALISED);
        return SOCKET_ERROR;
    }
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0) {
        return SOCKET_ERROR;
    }
    size_t size = std::strlen(host);
    if (name == nullptr || length <= 0 || size + 1 > static_cast<size_t>(length)) {
        ::WSASetLastError(WSAEFAULT);
        return SOCKET_ERROR;
    }
    std::memcpy(name, host, size + 1);
    return 0;
}

bool GetHostByName(const char* name, std::vector<uint32_t>* addresses) {
    if (!IsWinsockStarted()) {
        ::WSASetLastError(WSANOTINITIALISED);
        return false;
    }
    if (name == nullptr || addresses == nullptr) {
        ::WSASetLastError(WSAEFAULT);
        return false;
    }
    addresses->clear();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* result = nullptr;
    int rc = ::getaddrinfo(name, nullptr, &hints, &result);
    if (rc != 0) {
        ::WSASetLastError(rc == EAI_AGAIN    ? WSATRY_AGAIN
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
        ::WSASetLastError(WSANO_DATA);
        return false;
    }
    return true;
}

bool GetComputerNameEx(int format, char* buffer, uint32_t* size) {
    if (size == nullptr ||
        (format != ComputerNameDnsHostname && format != ComputerNamePhysicalDnsHostname)) {
        return false;
    }
    DWORD room = *size;
    if (::GetComputerNameExA(static_cast<COMPUTER_NAME_FORMAT>(format), buffer, &room)) {
        *size = room;
        return true;
    }
    // Too little room: the system reports the room needed with the NUL.
    if (::GetLastError() == ERROR_MORE_DATA) {
        *size = room;
    }
    return false;
}

}  // namespace zplat
