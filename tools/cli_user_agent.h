#pragma once
// ZCliUserAgent: the user agent as zunit's product commands hand it to the discovery core. It
// passes every call on to the agent it wraps, except that the command line may replace the
// service pattern the core sets and the data its searches carry; it also counts the searches
// (one per cycle), keeps the result of the last Start, and the last search that failed.
//
//   auto* agent = new ZCliUserAgent(new ZNDDUserAgent(nullptr, 0, 4258));
//   agent->OverrideServiceType("zelvane.vxp2");        // before the core starts it
//   ZUnitFinderCore core(&handler, [agent](const char*, uint16_t, uint16_t) { return agent; });
//
// The overrides are set before the agent starts and not changed afterwards; the counters may be
// read from any thread.
//
// Ownership: owns the wrapped agent and releases it in its own Release (which deletes both).
// Handlers are registered with the wrapped agent, which reports itself as the source.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "ndd/ndd_user_agent_interface.h"

class ZCliUserAgent final : public INDDUserAgent {
public:
    explicit ZCliUserAgent(INDDUserAgent* agent) : agent_(agent) {}
    ZCliUserAgent(const ZCliUserAgent&) = delete;
    ZCliUserAgent& operator=(const ZCliUserAgent&) = delete;

    // Used in place of every pattern the owner sets (an empty text is a pattern too).
    void OverrideServiceType(std::string pattern) { serviceType_ = std::move(pattern); }
    // Carried by every search in place of the owner's data.
    void OverrideSearchData(std::string data) { searchData_ = std::move(data); }

    uint64_t GetSearchCount() const { return searches_.load(); }
    // The result of the last Start (0 before any).
    int16_t GetStartResult() const { return startResult_.load(); }
    // The result code of the last search that was not sent, 0 when every one was.
    int16_t GetLastSearchError() const { return lastSearchError_.load(); }
    INDDUserAgent* GetWrapped() const { return agent_; }

    int16_t Start() override;
    void Stop() override { agent_->Stop(); }
    void AddHandler(INDDUserAgentHandler* handler) override { agent_->AddHandler(handler); }
    void RemoveHandler(INDDUserAgentHandler* handler) override { agent_->RemoveHandler(handler); }
    void SetServiceType(const char* pattern) override;
    const char* GetServiceType() override { return agent_->GetServiceType(); }
    void SetRetryCount(uint16_t count) override { agent_->SetRetryCount(count); }
    uint16_t GetRetryCount() override { return agent_->GetRetryCount(); }
    bool Locate(const char* address, int16_t* result, uint32_t timeoutMs) override {
        return agent_->Locate(address, result, timeoutMs);
    }
    bool Locate(const char* address, uint16_t ignored, int16_t* result, INetworkDevice** device,
                uint32_t timeoutMs) override {
        return agent_->Locate(address, ignored, result, device, timeoutMs);
    }
    bool Locate(const char* address, uint16_t port, int16_t* result, INetworkDevice** device,
                const char* data, uint32_t timeoutMs) override {
        return agent_->Locate(address, port, result, device, data, timeoutMs);
    }
    bool Search(const char* address, const char* data, int16_t* result) override;
    const char* GetErrorText(int16_t code) override { return agent_->GetErrorText(code); }
    int GetDeviceCount() override { return agent_->GetDeviceCount(); }
    INetworkDevice* GetFirstDevice() override { return agent_->GetFirstDevice(); }
    INetworkDevice* GetNextDevice() override { return agent_->GetNextDevice(); }
    void ClearDevices() override { agent_->ClearDevices(); }
    uint32_t GetInterfaceCount() override { return agent_->GetInterfaceCount(); }
    IIPAddress* GetInterface(uint32_t index) override { return agent_->GetInterface(index); }
    void Release() override;

private:
    ~ZCliUserAgent() override = default;

    INDDUserAgent* agent_;
    std::optional<std::string> serviceType_;
    std::optional<std::string> searchData_;
    std::atomic<uint64_t> searches_{0};
    std::atomic<int16_t> startResult_{0};
    std::atomic<int16_t> lastSearchError_{0};
};
