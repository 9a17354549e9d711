#pragma once
// ZWSAData: one object's use of Winsock (start-up and clean-up), the host's name and address, the
// negotiated version and limits, and the table of the socket layer's result codes with their
// texts. ZUDPSocket derives from it.
//
//   ZWSAData wsa;
//   const char* name = wsa.GetHostName();          // starts Winsock for the query, if needed
//   wsa.GetErrorText(wsa.TranslateError(10048));   // "Address in use"
//
// The started flag is a flag, not a counter: one Cleanup ends the object's use of Winsock however
// many Startup calls came before. The query operations that need Winsock start it for their own
// duration when the object has not started it; the texts they return belong to the object and
// stay valid until the next query of the same kind. Not thread-safe: its owner serialises calls.

#include <cstdint>

namespace zplat {
struct WSAData;
}

// Result codes of the socket layer; every failure is one of these, 0 is success.
enum ZSocketResult : int {
    kSockSuccess = 0,
    kSockUnknownError = -1,
    kSockCreateFailed = -2,
    kSockInvalidAddress = -3,
    kSockConnectionTimeout = -4,
    kSockConnectionRefused = -5,
    kSockHostUnreachable = -6,
    kSockStartupError = -7,
    kSockInvalidParameter = -8,
    kSockNotConnected = -9,
    kSockSendFailed = -10,
    kSockAlreadyConnected = -11,
    kSockBufferTooSmall = -12,
    kSockSendDatagramFailed = -13,
    kSockAsyncSetupFailed = -14,
    kSockReadFailed = -15,
    kSockBindFailed = -16,
    kSockAcceptFailed = -17,
    kSockAddressInUse = -18,
    kSockNoMoreSocket = -19,
    kSockNotCreated = -20,
    kSockNeedsDatagram = -21,
    kSockMulticastFailed = -22,
    kSockNoDelayFailed = -23,
    kSockTimedOut = -24,
    kSockBufferSizeFailed = -25,
    kSockInProgress = -26,
    kSockTooManyConnections = -27,
    kSockNetworkDown = -28,
    kSockConnectionReset = -29,
    kSockOptionNotAllowed = -30,
    kSockConnectionAborted = -31,
};

class ZWSAData {
public:
    ZWSAData();
    virtual ~ZWSAData();
    ZWSAData(const ZWSAData&) = delete;
    ZWSAData& operator=(const ZWSAData&) = delete;

    // The host name (empty when it cannot be read).
    virtual const char* GetHostName();
    // Dotted text of the first address of the host name; empty when it does not resolve.
    virtual const char* GetHostAddress();
    // Negotiated version as major * 100 + minor (2.0 gives 200).
    virtual int GetVersion();
    virtual const char* GetDescription();
    virtual const char* GetSystemStatus();
    virtual uint16_t GetMaxSockets();
    // The fixed text of a result code; "Undefined error" for any other value.
    virtual const char* GetErrorText(int code);
    // The result code of a Winsock error number; -1 for numbers outside the table.
    virtual int TranslateError(int wsaError);

    // 0, or -7 when Winsock would not start (the flag stays clear).
    int Startup();
    // Always 0.
    int Cleanup();
    bool IsStarted() const { return started_; }

protected:
    // Runs a query with Winsock started, cleaning up afterwards only when this call started it.
    class TemporaryStartup {
    public:
        explicit TemporaryStartup(ZWSAData* owner);
        ~TemporaryStartup();

    private:
        ZWSAData* owner_;
        bool was_started_;
    };

    char host_name_[128] = {};
    char host_address_[32] = {};
    bool started_ = false;
    zplat::WSAData* wsa_data_;  // owned
};
