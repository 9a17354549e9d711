#include "net/wsa_data.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/network/host.h"
#include "platform/network/inet.h"
#include "platform/network/socket.h"

namespace {

// The version word asked for at start-up: 2.0 (major in the low byte).
constexpr uint16_t kRequestedVersion = 2;

}  // namespace

ZWSAData::ZWSAData() : wsa_data_(new zplat::WSAData()) {}

ZWSAData::~ZWSAData() {
    // A ZWSAData used on its own would otherwise keep its start-up for the process's life.
    Cleanup();
    delete wsa_data_;
}

ZWSAData::TemporaryStartup::TemporaryStartup(ZWSAData* owner)
    : owner_(owner), was_started_(owner->IsStarted()) {
    owner_->Startup();
}

ZWSAData::TemporaryStartup::~TemporaryStartup() {
    if (!was_started_) {
        owner_->Cleanup();
    }
}

int ZWSAData::Startup() {
    if (started_) {
        return kSockSuccess;
    }
    if (zplat::WSAStartup(kRequestedVersion, wsa_data_) != 0) {
        zplat::WSASetLastError(0);
        return kSockStartupError;
    }
    started_ = true;
    return kSockSuccess;
}

int ZWSAData::Cleanup() {
    if (started_) {
        zplat::WSACleanup();
        started_ = false;
    }
    return kSockSuccess;
}

const char* ZWSAData::GetHostName() {
    TemporaryStartup startup(this);
    if (zplat::GetHostName(host_name_, sizeof host_name_) != 0) {
        host_name_[0] = '\0';
    }
    return host_name_;
}

const char* ZWSAData::GetHostAddress() {
    TemporaryStartup startup(this);
    host_address_[0] = '\0';
    if (host_name_[0] == '\0' && zplat::GetHostName(host_name_, sizeof host_name_) != 0) {
        host_name_[0] = '\0';
        zplat::WSASetLastError(0);
        return host_address_;
    }
    std::vector<uint32_t> addresses;
    if (zplat::GetHostByName(host_name_, &addresses) && !addresses.empty()) {
        std::snprintf(host_address_, sizeof host_address_, "%s",
                      zplat::InetNtoa(addresses[0]).c_str());
    }
    return host_address_;
}

int ZWSAData::GetVersion() {
    TemporaryStartup startup(this);
    int major = wsa_data_->wVersion & 0xFF;
    int minor = (wsa_data_->wVersion >> 8) & 0xFF;
    return major * 100 + minor;
}

const char* ZWSAData::GetDescription() {
    TemporaryStartup startup(this);
    return wsa_data_->szDescription;
}

const char* ZWSAData::GetSystemStatus() {
    TemporaryStartup startup(this);
    return wsa_data_->szSystemStatus;
}

uint16_t ZWSAData::GetMaxSockets() {
    TemporaryStartup startup(this);
    return wsa_data_->iMaxSockets;
}

const char* ZWSAData::GetErrorText(int code) {
    // The texts are the program's own, exactly as users have always seen them.
    static const char* const kTexts[] = {
        "Success",
        "Unknow Error",
        "Unable to create socket",
        "Invalid IP adress",
        "Connection timeout",
        "Connection refused or aborted",
        "Host unreach",
        "Startup error",
        "Invalid parameter",
        "Host not connected",
        "Send failed",
        "Already connected",
        "Datagram receive buffer too small",
        "Send datagram failed",
        "Asynchronous operation setup failed",
        "Read failed",
        "Bind fo datagram failed",
        "Accept connection failed",
        "Address in use",
        "No more socket",
        "Socket not created",
        "Operation needs a datagram socket",
        "Register multicast group failed",
        "TCP No Delay option failed",
        "Operation timed out",
        "Set buffer size failed",
        "Connection in progress",
        "Too many connections",
        "The network subsystem has failed",
        "The connection was reset by the remote side",
        "The option requested for the connection is not allowed",
        "The connection has been aborted during the connection phase",
    };
    constexpr int kCount = static_cast<int>(sizeof kTexts / sizeof kTexts[0]);
    if (code > 0 || code <= -kCount) {
        return "Undefined error";
    }
    return kTexts[-code];
}

int ZWSAData::TranslateError(int wsaError) {
    switch (wsaError) {
        case zplat::WSAEFAULT:
        case zplat::WSAENOBUFS:
            return kSockInvalidParameter;
        case zplat::WSAEINVAL:
            return kSockBindFailed;
        case zplat::WSAEALREADY:
            return kSockInProgress;
        case zplat::WSAENOTSOCK:
            return kSockNotCreated;
        case zplat::WSAEAFNOSUPPORT:
        case zplat::WSAEADDRNOTAVAIL:
            return kSockInvalidAddress;
        case zplat::WSAEADDRINUSE:
            return kSockAddressInUse;
        case zplat::WSAENETDOWN:
            return kSockNetworkDown;
        case zplat::WSAENETUNREACH:
        case zplat::WSAEHOSTUNREACH:
            return kSockHostUnreachable;
        case zplat::WSAECONNABORTED:
            return kSockConnectionAborted;
        case zplat::WSAECONNRESET:
            return kSockConnectionReset;
        case zplat::WSAEISCONN:
            return kSockAlreadyConnected;
        case zplat::WSAETIMEDOUT:
            return kSockConnectionTimeout;
        case zplat::WSAECONNREFUSED:
            return kSockConnectionRefused;
        case zplat::WSANOTINITIALISED:
            return kSockStartupError;
        default:
            return kSockUnknownError;
    }
}
