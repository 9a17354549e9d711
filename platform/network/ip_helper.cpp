#include "platform/network/ip_helper.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/network/net_snapshot_scope.h"

namespace zplat {

namespace {

std::mutex g_mutex;
std::shared_ptr<IpHelper> g_helper;  // null until first use or SetIpHelper

// The first answers within an open snapshot scope, by call, for the backend that gave them.
struct ScopeAnswers {
    const IpHelper* backend = nullptr;
    bool haveAdapters = false;
    uint32_t adaptersResult = NO_ERROR;
    std::vector<AdapterInfo> adapters;
    std::map<uint32_t, std::pair<uint32_t, PerAdapterInfo>> perAdapter;
    std::map<uint32_t, std::pair<uint32_t, IfRow>> ifRows;
};

// Null outside a scope.
std::shared_ptr<ScopeAnswers> AnswersFor(const IpHelper* backend) {
    static const uint64_t key = NetSnapshotScope::NewKey();
    if (!NetSnapshotScope::IsOpen()) {
        return nullptr;
    }
    auto answers = std::static_pointer_cast<ScopeAnswers>(NetSnapshotScope::Kept(key));
    if (!answers || answers->backend != backend) {
        answers = std::make_shared<ScopeAnswers>();
        answers->backend = backend;
        NetSnapshotScope::Keep(key, answers);
    }
    return answers;
}

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
    std::shared_ptr<IpHelper> helper = CurrentIpHelper();
    std::shared_ptr<ScopeAnswers> answers = AnswersFor(helper.get());
    if (!answers) {
        return helper->GetAdaptersInfo(adapters);
    }
    if (!answers->haveAdapters) {
        answers->adaptersResult = helper->GetAdaptersInfo(&answers->adapters);
        answers->haveAdapters = true;
    }
    *adapters = answers->adapters;
    return answers->adaptersResult;
}

uint32_t GetPerAdapterInfo(uint32_t ifIndex, PerAdapterInfo* info) {
    if (info == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    std::shared_ptr<IpHelper> helper = CurrentIpHelper();
    std::shared_ptr<ScopeAnswers> answers = AnswersFor(helper.get());
    if (!answers) {
        return helper->GetPerAdapterInfo(ifIndex, info);
    }
    auto it = answers->perAdapter.find(ifIndex);
    if (it == answers->perAdapter.end()) {
        PerAdapterInfo read;
        uint32_t result = helper->GetPerAdapterInfo(ifIndex, &read);
        it = answers->perAdapter.emplace(ifIndex, std::make_pair(result, std::move(read))).first;
    }
    if (it->second.first == NO_ERROR) {
        *info = it->second.second;
    }
    return it->second.first;
}

uint32_t GetIfEntry(uint32_t ifIndex, IfRow* row) {
    if (row == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    std::shared_ptr<IpHelper> helper = CurrentIpHelper();
    std::shared_ptr<ScopeAnswers> answers = AnswersFor(helper.get());
    if (!answers) {
        return helper->GetIfEntry(ifIndex, row);
    }
    auto it = answers->ifRows.find(ifIndex);
    if (it == answers->ifRows.end()) {
        IfRow read;
        uint32_t result = helper->GetIfEntry(ifIndex, &read);
        it = answers->ifRows.emplace(ifIndex, std::make_pair(result, read)).first;
    }
    if (it->second.first == NO_ERROR) {
        *row = it->second.second;
    }
    return it->second.first;
}

uint32_t AddIPAddress(uint32_t address, uint32_t mask, uint32_t ifIndex, uint32_t* context,
                      uint32_t* instance) {
    if (context == nullptr || instance == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    // The system's addresses change: nothing read before in an open scope holds any more.
    NetSnapshotScope::Forget();
    return CurrentIpHelper()->AddIPAddress(address, mask, ifIndex, context, instance);
}

uint32_t DeleteIPAddress(uint32_t context) {
    NetSnapshotScope::Forget();
    return CurrentIpHelper()->DeleteIPAddress(context);
}

uint32_t GetBestRoute(uint32_t destination, BestRoute* route) {
    if (route == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return CurrentIpHelper()->GetBestRoute(destination, route);
}

uint32_t GetIpForwardTable(std::vector<ForwardRow>* rows) {
    if (rows == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    rows->clear();
    return CurrentIpHelper()->GetIpForwardTable(rows);
}

}  // namespace zplat
