#include "platform/network/net_snapshot_scope.h"

#include <atomic>
#include <map>

namespace zplat {

namespace {

struct ScopeState {
    std::map<uint64_t, std::shared_ptr<void>> kept;
};

thread_local ScopeState* t_scope = nullptr;
std::atomic<uint64_t> g_next_key{1};

}  // namespace

NetSnapshotScope::NetSnapshotScope() {
    if (t_scope == nullptr) {
        t_scope = new ScopeState;
        outermost_ = true;
    }
}

NetSnapshotScope::~NetSnapshotScope() {
    if (outermost_) {
        delete t_scope;
        t_scope = nullptr;
    }
}

bool NetSnapshotScope::IsOpen() {
    return t_scope != nullptr;
}

uint64_t NetSnapshotScope::NewKey() {
    return g_next_key.fetch_add(1, std::memory_order_relaxed);
}

std::shared_ptr<void> NetSnapshotScope::Kept(uint64_t key) {
    if (t_scope == nullptr) {
        return nullptr;
    }
    auto it = t_scope->kept.find(key);
    return it != t_scope->kept.end() ? it->second : nullptr;
}

void NetSnapshotScope::Keep(uint64_t key, std::shared_ptr<void> value) {
    if (t_scope != nullptr) {
        t_scope->kept[key] = std::move(value);
    }
}

void NetSnapshotScope::Forget() {
    if (t_scope != nullptr) {
        t_scope->kept.clear();
    }
}

}  // namespace zplat
