#pragma once
// ZNetworkNamespace: whether this process runs in the machine's own network namespace. Commands
// that search (scan, watch, locate, connect, exporter) or answer searches (simulate) refuse to run
// there unless the user says so explicitly: on shared machines they belong in private namespaces.
//
//   if (!ZNetworkNamespace::MayUseNetwork("scan", allowHostNetwork)) return kExitUsage;
//
// The refusal of searches is a build option, ZUNIT_HOST_NETWORK_GUARD: on in the development and
// test builds (they run on shared machines), off in the packaged programs, which search where
// they are started, as users expect of a scanner. The simulator refuses in every build: its
// answers on a real network would show devices that do not exist to every finder there.
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
    // Whether this build refuses searches in the machine's own namespace.
    static bool IsGuarded();
    // The help text of kOverrideFlag, which says what this build does without it.
    static const char* OverrideHelp();
    // True when a searching command may run; otherwise explains on stderr why not.
    static bool MayUseNetwork(const char* command, bool allowHostNetwork);
    // The same for a command that answers searches (simulate), in every build.
    static bool MayAnswer(const char* command, bool allowHostNetwork);
};
