#pragma once
// ZNetworkNamespace: whether this process runs in the machine's own network namespace. Commands
// that broadcast (scan, locate) or answer broadcasts (simulate) refuse to run there unless the
// user says so explicitly: on shared machines they belong in private namespaces.
//
//   if (!ZNetworkNamespace::MayUseNetwork("scan", allowHostNetwork)) return kExitUsage;
//
// The check compares the calling thread's namespace with that of process 1, or, when that one
// cannot be read, with the fixed identity Linux gives its initial namespace; when the process's own
// cannot be read it counts as being in the machine's own namespace.

#include <string>

class ZNetworkNamespace {
public:
    // The option that lifts the refusal.
    static constexpr const char* kOverrideFlag = "--allow-host-network";

    static bool IsInitial();
    // True when the command may run; otherwise explains on stderr why not.
    static bool MayUseNetwork(const char* command, bool allowHostNetwork);
};
