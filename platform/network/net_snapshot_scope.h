#pragma once
// One look at the network for a stretch of work. While a NetSnapshotScope is open on a thread,
// the IP Helper calls made on that thread (platform/network/ip_helper.h) answer as they first
// answered in the scope, and the backends that read the system keep what they read or built for the
// rest of the scope: the POSIX IP Helper reads the system once, the synthesized registry view
// (platform/registry/system_registry.h) is built once. Outside every scope each call reads anew.
//
//   {
//       zplat::NetSnapshotScope scope;          // e.g. for one inventory Refresh
//       zplat::GetAdaptersInfo(&adapters);      // reads the system
//       zplat::GetAdaptersInfo(&again);         // the same records, not read again
//   }
//
// Scopes nest: an inner scope shares what the outermost one holds. AddIPAddress and
// DeleteIPAddress empty the open scope, since the system changed under it.
//
// For backends: Keep stores a value under a key of the backend's own (NewKey) until the outermost
// scope closes; Kept finds it again. Both do nothing outside a scope.
//
// Ownership: a scope belongs to the thread that opened it and closes there, innermost first
// (declare it as a local). Values kept are shared pointers owned by the outermost scope.

#include <cstdint>
#include <memory>

namespace zplat {

class NetSnapshotScope {
public:
    NetSnapshotScope();
    ~NetSnapshotScope();
    NetSnapshotScope(const NetSnapshotScope&) = delete;
    NetSnapshotScope& operator=(const NetSnapshotScope&) = delete;

    // True while a scope is open on the calling thread.
    static bool IsOpen();
    // A key no other caller gets.
    static uint64_t NewKey();
    // What was kept under key in the open scope; null when nothing was or no scope is open.
    static std::shared_ptr<void> Kept(uint64_t key);
    static void Keep(uint64_t key, std::shared_ptr<void> value);
    // Drops everything the open scope holds.
    static void Forget();

private:
    bool outermost_ = false;
};

}  // namespace zplat
