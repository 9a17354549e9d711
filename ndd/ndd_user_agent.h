#pragma once
// ZNDDUserAgent: the searching side of the discovery protocol (INDDUserAgent) over a detection
// engine that it owns. It keeps one stored copy of every device that answered, fans every answer
// and refusal out to its registered handlers, and offers a blocking Locate that sends requests
// for one device and waits for its answer, with retries and a time-out.
//
//   ZNDDUserAgent* agent = new ZNDDUserAgent(nullptr, 0, 4258);   // broadcasts to port 4258
//   agent->AddHandler(&core);
//   if (agent->Start() == INDDUserAgent::kSuccess) {
//       agent->SetServiceType("zelvane.*");
//       agent->SetRetryCount(3);
//       int16_t result = 0;
//       INetworkDevice* device = nullptr;
//       if (agent->Locate("192.168.1.50", 0, &result, &device, nullptr, 3000)) { ... }
//   }
//   agent->RemoveHandler(&core);
//   agent->Stop();
//   agent->Release();
//
// Locate: retry-count cycles of timeoutMs / retry count each (at least 10 ms; 0xFFFFFFFF means
// endless cycles of one second). Results: 0 found, 7 no service type, 2047 no answer in time or
// stopped meanwhile, -8191 the engine is not searching, or the code of a device's refusal (which
// ends a cycle early; a refusal never touches a Locate that filters on a port). With an empty
// address Locate only searches, for the whole time, and returns true.
//
// Threads and locks: callers' threads run Start, Stop, Search, Locate, ClearDevices and the
// getters; answers and refusals arrive on the engine's receive thread with the engine lock held.
// Lock order: agent lock, then engine lock; the receive thread takes the device, pending and
// handler list locks (devices, then pending, then handlers) and never the agent lock. A Locate
// waits outside every lock. Stop wakes every waiting Locate at once; each Locate owns its
// pending record, so a Locate that wakes after Stop still finds its record valid.
//
// Stored devices stay in their list in the order they first answered; an index beside the list
// (same lock) finds the stored copy of an answering device without walking the list, in
// constant time however many devices are stored.
//
// Ownership: the agent owns its engine and its stored devices; each Locate owns its pending
// record (the pending list only points at it, and Stop only takes it out); handlers are not owned.
// A device handed out by Locate, GetFirstDevice or GetNextDevice is the stored copy: valid until
// ClearDevices, a change of a non-empty service type, or the agent's deletion. GetFirstDevice and
// GetNextDevice take no lock: walk only while no answers can arrive (before Start or after Stop).

#include <atomic>
#include <cstdint>
#include <memory>

#include "ndd/ndd_return_data.h"
#include "ndd/ndd_user_agent_handler.h"
#include "ndd/ndd_user_agent_interface.h"
#include "ndd/network_device.h"
#include "ndd/network_device_detection_handler.h"
#include "ndd/network_device_index.h"
#include "platform/threading/critical_section.h"

class ZNetworkDeviceDetection;

class ZNDDUserAgent : public INetworkDeviceDetectionHandler, public INDDUserAgent {
public:
    static constexpr int kServiceTypeSize = 256;  // 255 characters and the NUL
    // Cycle time of a Locate without a time limit, and the shortest cycle of any Locate.
    static constexpr uint32_t kEndlessCycleMs = 1000;
    static constexpr uint32_t kMinCycleMs = 10;
    static constexpr uint32_t kNoTimeLimit = 0xFFFFFFFFu;

    // groupAddress is copied (null stays null); not started; retry count 1.
    ZNDDUserAgent(const char* groupAddress, uint16_t localPort, uint16_t remotePort);
    ZNDDUserAgent(const ZNDDUserAgent&) = delete;
    ZNDDUserAgent& operator=(const ZNDDUserAgent&) = delete;

    // INetworkDeviceDetectionHandler (the engine's receive thread).
    int OnDeviceAnswer(INetworkDevice* device, INetworkDeviceDetection* source) override;
    int OnErrorAnswer(uint32_t address, const char* serviceName, uint16_t code,
                      INetworkDeviceDetection* source) override;
    ~ZNDDUserAgent() override;

    // INDDUserAgent.
    int16_t Start() override;
    void Stop() override;
    void AddHandler(INDDUserAgentHandler* handler) override;
    void RemoveHandler(INDDUserAgentHandler* handler) override;
    void SetServiceType(const char* pattern) override;
    const char* GetServiceType() override;
    void SetRetryCount(uint16_t count) override;
    uint16_t GetRetryCount() override;
    bool Locate(const char* address, int16_t* result, uint32_t timeoutMs) override;
    bool Locate(const char* address, uint16_t ignored, int16_t* result, INetworkDevice** device,
                uint32_t timeoutMs) override;
    bool Locate(const char* address, uint16_t port, int16_t* result, INetworkDevice** device,
                const char* data, uint32_t timeoutMs) override;
    bool Search(const char* address, const char* data, int16_t* result) override;
    const char* GetErrorText(int16_t code) override;
    int GetDeviceCount() override;
    INetworkDevice* GetFirstDevice() override;
    INetworkDevice* GetNextDevice() override;
    void ClearDevices() override;
    uint32_t GetInterfaceCount() override;
    IIPAddress* GetInterface(uint32_t index) override;
    void Release() override;

    // The engine, for its result texts and interface names (owned by the agent).
    ZNetworkDeviceDetection* GetEngine() { return engine_.get(); }
    bool IsStarted() const { return started_.load(); }

private:
    // Deletes every stored device and empties the index; device list lock held.
    void DeleteStored();
    bool IsPending(ZNDDReturnData* record);
    // Takes record out of the pending list and deletes it; false when Stop had taken it out.
    bool EndLookup(ZNDDReturnData* record);

    std::unique_ptr<char[]> groupAddress_;  // null when none was given
    uint16_t localPort_;
    uint16_t remotePort_;
    zplat::CriticalSection
        agentLock_;  // started, service type, retry count, engine start/stop/send
    std::unique_ptr<ZNetworkDeviceDetection> engine_;
    std::atomic<bool> started_{false};
    char serviceType_[kServiceTypeSize] = {};
    uint16_t retryCount_ = 1;
    LNetworkDeviceList devices_;  // owned elements, its own lock
    // The devices of devices_ by the identity answers are matched on, so an answer finds its
    // stored copy without a walk; changed only together with devices_, under its lock.
    ZNetworkDeviceIndex index_;
    LNDDReturnDataList pending_;  // one record per running Locate, owned by that Locate
    LNDDHandlerList handlers_;    // not owned
};
