#pragma once
// An INDDUserAgent that sends nothing: it records the calls the discovery core makes, in order,
// into a log that may outlive it, and can be told to fail Start.

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "ndd/ndd_user_agent_interface.h"
#include "platform/threading/event.h"

struct FakeAgentLog {
    std::mutex mutex;
    std::vector<std::string> calls;  // "Start", "Search(<address>|<data>)", ...
    std::vector<INDDUserAgentHandler*> handlers;
    std::string serviceType;
    uint16_t retryCount = 1;
    int searches = 0;
    zplat::Event searched{false, false};  // set after every Search

    void Add(const std::string& call) {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back(call);
    }
    std::vector<std::string> Calls() {
        std::lock_guard<std::mutex> lock(mutex);
        return calls;
    }
    int Searches() {
        std::lock_guard<std::mutex> lock(mutex);
        return searches;
    }
};

class FakeUserAgent final : public INDDUserAgent {
public:
    FakeUserAgent(FakeAgentLog* log, int16_t startResult) : log_(log), start_result_(startResult) {}

    int16_t Start() override {
        log_->Add("Start");
        return start_result_;
    }
    void Stop() override { log_->Add("Stop"); }
    void AddHandler(INDDUserAgentHandler* handler) override {
        log_->Add("AddHandler");
        std::lock_guard<std::mutex> lock(log_->mutex);
        log_->handlers.push_back(handler);
    }
    void RemoveHandler(INDDUserAgentHandler*) override { log_->Add("RemoveHandler"); }
    void SetServiceType(const char* pattern) override {
        log_->Add("SetServiceType");
        std::lock_guard<std::mutex> lock(log_->mutex);
        log_->serviceType = pattern ? pattern : "";
    }
    const char* GetServiceType() override { return ""; }
    void SetRetryCount(uint16_t n) override {
        log_->Add("SetRetryCount");
        std::lock_guard<std::mutex> lock(log_->mutex);
        log_->retryCount = n;
    }
    uint16_t GetRetryCount() override { return 1; }
    bool Locate(const char*, int16_t*, uint32_t) override { return false; }
    bool Locate(const char*, uint16_t, int16_t*, INetworkDevice**, uint32_t) override {
        return false;
    }
    bool Locate(const char*, uint16_t, int16_t*, INetworkDevice**, const char*, uint32_t) override {
        return false;
    }
    bool Search(const char* address, const char* data, int16_t* result) override {
        log_->Add(std::string("Search(") + (address ? address : "(null)") + "|" +
                  (data ? data : "(null)") + ")");
        {
            std::lock_guard<std::mutex> lock(log_->mutex);
            ++log_->searches;
        }
        if (result) {
            *result = 0;
        }
        log_->searched.Set();
        return true;
    }
    const char* GetErrorText(int16_t) override { return ""; }
    int GetDeviceCount() override { return 0; }
    INetworkDevice* GetFirstDevice() override { return nullptr; }
    INetworkDevice* GetNextDevice() override { return nullptr; }
    void ClearDevices() override { log_->Add("ClearDevices"); }
    uint32_t GetInterfaceCount() override { return 0; }
    IIPAddress* GetInterface(uint32_t) override { return nullptr; }
    void Release() override {
        log_->Add("Release");
        delete this;
    }

private:
    FakeAgentLog* log_;
    int16_t start_result_;
};
