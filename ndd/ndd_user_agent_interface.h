#pragma once
// INDDUserAgent: the searching side of discovery as the rest of the program sees it. It sends
// search requests for a service-name pattern on every local IPv4 interface and reports each answer
// to its registered INDDUserAgentHandler objects.
//
//   agent->AddHandler(&core);
//   if (agent->Start() != INDDUserAgent::kSuccess) return;
//   agent->SetServiceType("zelvane.*");
//   agent->SetRetryCount(3);
//   int16_t result = 0;
//   agent->ClearDevices();
//   agent->Search("", identityDocument, &result);   // answers arrive through OnDeviceAnswer
//   ...
//   agent->RemoveHandler(&core);
//   agent->Stop();
//   agent->Release();
//
// Values: addresses are 32-bit values holding the octets in network order in memory; ports are
// in host order; result codes are 16-bit, 0 for success.
//
// Ownership: the agent owns the devices and addresses it hands out and every text it returns;
// it never owns its handlers. Release deletes the agent.

#include <cstdint>

#include "net/ip_address_interface.h"

class INDDUserAgentHandler;
class INetworkDevice;

class INDDUserAgent {
public:
    // Agent result codes (Start, GetErrorText).
    static constexpr int16_t kSuccess = 0;
    static constexpr int16_t kBadArgument = 1;
    static constexpr int16_t kTimeout = 2;
    static constexpr int16_t kNetworkError = 3;
    static constexpr int16_t kServerCannotStart = 4;
    static constexpr int16_t kServerNotStarted = 5;
    static constexpr int16_t kServiceAlreadyExists = 6;
    static constexpr int16_t kServiceDoesntExist = 7;

    // Opens the socket and reads the local interfaces; 0 also when already started.
    virtual int16_t Start() = 0;
    // Closes the network side; every pending Locate returns with the timeout code.
    virtual void Stop() = 0;
    // A handler already registered is not added twice.
    virtual void AddHandler(INDDUserAgentHandler* handler) = 0;
    virtual void RemoveHandler(INDDUserAgentHandler* handler) = 0;
    // Null counts as empty; a leading or trailing * is a wildcard; at most 255 characters.
    virtual void SetServiceType(const char* pattern) = 0;
    virtual const char* GetServiceType() = 0;
    // Request cycles per Locate; never below 1.
    virtual void SetRetryCount(uint16_t count) = 0;
    virtual uint16_t GetRetryCount() = 0;
    virtual bool Locate(const char* address, int16_t* result, uint32_t timeoutMs) = 0;
    // The second argument is ignored.
    virtual bool Locate(const char* address, uint16_t ignored, int16_t* result,
                        INetworkDevice** device, uint32_t timeoutMs) = 0;
    // Blocks until the device at address (and port, unless 0) answers or the time runs out.
    virtual bool Locate(const char* address, uint16_t port, int16_t* result,
                        INetworkDevice** device, const char* data, uint32_t timeoutMs) = 0;
    // One cycle of requests; address empty asks every device. False, *result untouched, when no
    // service type is set.
    virtual bool Search(const char* address, const char* data, int16_t* result) = 0;
    virtual const char* GetErrorText(int16_t code) = 0;
    virtual int GetDeviceCount() = 0;
    virtual INetworkDevice* GetFirstDevice() = 0;
    virtual INetworkDevice* GetNextDevice() = 0;
    virtual void ClearDevices() = 0;
    virtual uint32_t GetInterfaceCount() = 0;
    // Null when index is out of range.
    virtual IIPAddress* GetInterface(uint32_t index) = 0;
    // Deletes the agent.
    virtual void Release() = 0;

    // After the operations, so their order stays as listed.
    virtual ~INDDUserAgent() = default;
};
