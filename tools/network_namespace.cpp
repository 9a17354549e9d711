#include "tools/network_namespace.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

std::string NamespaceOf(const char* link) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(link, error);
    return error ? std::string() : target.string();
}

// The link text of the machine's own namespace: Linux gives the initial network namespace a
// fixed inode number (PROC_NET_INIT_INO, 0xEFFFFFF9, in include/linux/proc_ns.h).
constexpr const char* kInitialNamespace = "net:[4026531833]";

}  // namespace

bool ZNetworkNamespace::IsInitial() {
    // The calling thread's own: a thread may have entered another namespace than the process's.
    std::string own = NamespaceOf("/proc/thread-self/ns/net");
    if (own.empty()) {
        own = NamespaceOf("/proc/self/ns/net");
    }
    if (own.empty()) {
        return true;
    }
    // Process 1 may be out of reach (containers deny reading its links); the fixed inode of the
    // initial namespace still tells.
    const std::string machine = NamespaceOf("/proc/1/ns/net");
    return own == (machine.empty() ? kInitialNamespace : machine);
}

bool ZNetworkNamespace::IsGuarded() {
#if ZUNIT_HOST_NETWORK_GUARD
    return true;
#else
    return false;
#endif
}

const char* ZNetworkNamespace::OverrideHelp() {
    return IsGuarded() ? "Run even in the machine's own network namespace"
                       : "Accepted for scripts; this build searches in the machine's own network "
                         "namespace without it";
}

bool ZNetworkNamespace::MayUseNetwork(const char* command, bool allowHostNetwork) {
    return !IsGuarded() || MayAnswer(command, allowHostNetwork);
}

bool ZNetworkNamespace::MayAnswer(const char* command, bool allowHostNetwork) {
    if (allowHostNetwork || !IsInitial()) {
        return true;
    }
    std::fprintf(stderr,
                 "zunit %s: refusing to run in the machine's own network namespace (searches and "
                 "answers are broadcasts); run it inside a private namespace (ip netns exec ...) "
                 "or pass %s on a network where broadcasts are welcome\n",
                 command, kOverrideFlag);
    return false;
}
