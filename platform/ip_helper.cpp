#include "platform/ip_helper.h"

#include <mutex>

namespace zplat {

namespace {

std::mutex g_mutex;
std::shared_ptr<IpHelper> g_helper;  // null until first use or SetIpHelper

}  // namespace

std::shared_ptr<IpHelper> CurrentIpHelper() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_helper) {
        g_helper = MakeSystemIpHelper();
    }
    return g_helper;
}

void SetIpHelper(std::shared_ptr<IpHelper> helper) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_helper = std::move(helper);
}

ScopedIpHelper::ScopedIpHelper(std::shared_ptr<IpHelper> helper) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        previous_ = g_helper;
    }
    SetIpHelper(std::move(helper));
}

ScopedIpHelper::~ScopedIpHelper() {
    SetIpHelper(std::move(previous_));
}

uint32_t GetAdaptersInfo(std::vector<AdapterInfo>* adapters) {
    if (adapters == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return CurrentIpHelper()->GetAdaptersInfo(adapters);
}

uint32_t GetPerAdapterInfo(uint32_t ifIndex, PerAdapterInfo* info) {
    if (info == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return CurrentIpHelper()->GetPerAdapterInfo(ifIndex, info);
}

uint32_t GetIfEntry(uint32_t ifIndex, IfRow* row) {
    if (row == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return CurrentIpHelper()->GetIfEntry(ifIndex, row);
}

uint32_t AddIPAddress(uint32_t address, uint32_t mask, uint32_t ifIndex, uint32_t* context,
                      uint32_t* instance) {
    if (context == nullptr || instance == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return CurrentIpHelper()->AddIPAddress(address, mask, ifIndex, context, instance);
}

uint32_t DeleteIPAddress(uint32_t context) {
    return CurrentIpHelper()->DeleteIPAddress(context);
}

uint32_t GetBestRoute(uint32_t destination, BestRoute* route) {
    if (route == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return CurrentIpHelper()->GetBestRoute(destination, route);
}

}  // namespace zplat
