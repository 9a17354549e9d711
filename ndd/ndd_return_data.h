#pragma once
// ZNDDReturnData: the record of one running Locate of the user agent: which device it waits for,
// where its result code goes, and the event the waiting thread sleeps on. LNDDReturnDataList is
// the agent's list of such records.
//
//   int16_t result = 0;
//   ZNDDReturnData* pending = new ZNDDReturnData(&result, "192.168.1.50", "zelvane.*", 0);
//   pendingList.AddTail(pending);
//   ... send requests ...
//   pending->Wait(timeoutMs);            // the receive thread calls Complete on an answer
//
// Texts are copied into fixed buffers: the target address up to 127 characters, the service
// type up to 255; longer texts are cut there.
//
// Ownership: the record owns its copies and its event; the result slot and the device are not
// owned. Deleting the record signals the event before closing it, but a record must not be
// deleted while another thread may still be inside Wait or about to touch it: its owner keeps it
// alive until the waiter is done. The record has no lock of its own: its owner's pending-list
// lock guards the fields.

#include <cstdint>

#include "foundation/double_list.h"
#include "platform/threading/event.h"

class INetworkDevice;

class ZNDDReturnData {
public:
    static constexpr int kTargetSize = 128;       // 127 characters and the NUL
    static constexpr int kServiceTypeSize = 256;  // 255 characters and the NUL

    // Copies the texts (null reads as empty); creates the event not signalled; no device.
    ZNDDReturnData(int16_t* result, const char* target, const char* serviceType,
                   int16_t portFilter);
    ZNDDReturnData(const ZNDDReturnData&) = delete;
    ZNDDReturnData& operator=(const ZNDDReturnData&) = delete;
    // Signals the event, then closes it.
    virtual ~ZNDDReturnData();

    // Where the lookup's result goes; may be null.
    int16_t* GetResult() const { return result_; }
    // Writes code to the result slot when there is one.
    void SetResult(int16_t code) {
        if (result_ != nullptr)
            *result_ = code;
    }
    const char* GetTarget() const { return target_; }
    const char* GetServiceType() const { return serviceType_; }
    // 0 means any port.
    int16_t GetPortFilter() const { return portFilter_; }
    INetworkDevice* GetDevice() const { return device_; }
    void SetDevice(INetworkDevice* device) { device_ = device; }

    // Manual reset: once signalled it stays so until Reset.
    void Signal() { event_.Set(); }
    void Reset() { event_.Reset(); }
    // True when signalled within timeoutMs (zplat::INFINITE waits for ever).
    bool Wait(uint32_t timeoutMs);
    bool IsSignalled() const { return event_.IsSet(); }

private:
    int16_t* result_;
    char target_[kTargetSize];
    char serviceType_[kServiceTypeSize];
    zplat::Event event_;
    int16_t portFilter_;
    INetworkDevice* device_ = nullptr;
};

using LNDDReturnDataList = ZIDoubleList<ZNDDReturnData>;
