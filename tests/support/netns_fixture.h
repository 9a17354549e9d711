#pragma once
// Private network namespaces for tests that send broadcasts or change addresses. A NetnsFixture
// makes namespaces and veth pairs with `ip`, lets the calling thread enter one (EnterNetns), runs
// a function in a child process inside one, or starts a program inside one; it removes everything
// it made when it goes away, on a fatal signal, and at process exit. Namespaces are named
// zut<pid>-<n>-<tag>, and every new fixture first removes those of test processes that are gone
// (a test killed outright leaves its namespaces behind until then).
//
//   TEST(Broadcast, ReachesThePeer) {
//       ztest::NetnsFixture net;
//       ZTEST_REQUIRE_NETNS(net);                              // skips when not root / no ip
//       ztest::LinkedPair pair;
//       ASSERT_TRUE(net.MakeLinkedPair(&pair));                // a <-veth-> b, 10.77.0.1/.2
//       ztest::EnterNetns in(pair.a);                          // this thread now lives in a
//       ZTEST_REFUSE_INITIAL_NETNS();                          // never broadcast outside
//       ...
//   }
//
//   auto sim = net.Spawn(pair.b, {"./zunit", "simulate"}, "/tmp/sim.log");  // killed at the end
//
// Rules: broadcasts only inside namespaces made here (ZTEST_REFUSE_INITIAL_NETNS checks the
// calling thread). Not thread-safe: use a fixture from one thread.

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ztest {

// True when the calling thread's network namespace is the machine's own: that of process 1, or
// (when that cannot be read) the one this test process started in.
bool InInitialNetworkNamespace();

// Why namespaces cannot be made here, or "" when they can (root and iproute2 are needed).
std::string NetnsUnavailableReason();

// Runs a command line through /bin/sh; true when it exits with 0. Output goes to *output when
// given, else is discarded.
bool RunCommand(const std::string& command, std::string* output = nullptr);

// Two namespaces joined by a veth pair; each side has lo up, its address, and a default route
// through the veth, so that 255.255.255.255 has a way out.
struct LinkedPair {
    std::string a, b;            // namespace names
    std::string ifA = "veth-a";  // the veth end inside a
    std::string ifB = "veth-b";  // the veth end inside b
    std::string addressA = "10.77.0.1";
    std::string addressB = "10.77.0.2";
    int prefix = 24;
};

// A program running inside a namespace; killed (SIGKILL) and reaped when destroyed.
class NetnsProcess {
public:
    explicit NetnsProcess(pid_t pid) : pid_(pid) {}
    ~NetnsProcess();
    NetnsProcess(const NetnsProcess&) = delete;
    NetnsProcess& operator=(const NetnsProcess&) = delete;
    pid_t pid() const { return pid_; }
    // The exit code once it ended within timeoutMs, -1 otherwise (still running).
    int Wait(int timeoutMs);
    // Sends a signal (SIGTERM by default).
    void Signal(int signal = 15);

private:
    pid_t pid_;
    bool reaped_ = false;
};

class NetnsFixture {
public:
    NetnsFixture();
    ~NetnsFixture();
    NetnsFixture(const NetnsFixture&) = delete;
    NetnsFixture& operator=(const NetnsFixture&) = delete;

    // "" when namespaces can be made, else why not.
    const std::string& unavailable() const { return unavailable_; }

    // A new namespace with lo up; "" on failure.
    std::string AddNamespace(const std::string& tag);
    // `ip -n <ns> <args>`; true when it exits with 0.
    bool Ip(const std::string& ns, const std::string& args, std::string* output = nullptr);
    // A veth pair with one end in each namespace (both up, no addresses).
    bool AddVethPair(const std::string& nsA, const std::string& ifA, const std::string& nsB,
                     const std::string& ifB);
    // Two namespaces as LinkedPair describes, with the names it is given (ifA, addresses...).
    bool MakeLinkedPair(LinkedPair* pair);

    // Runs fn in a forked child that entered ns; the child's exit code (fn's result), or -1.
    int RunInChild(const std::string& ns, const std::function<int()>& fn);
    // Starts argv inside ns (through `ip netns exec`, which also gives the program its own view
    // of /sys); stdout and stderr go to outputFile when given, else nowhere.
    std::unique_ptr<NetnsProcess> Spawn(const std::string& ns, const std::vector<std::string>& argv,
                                        const std::string& outputFile = "");

    // Removes the namespaces of test processes that no longer run.
    static void RemoveStaleNamespaces();

private:
    std::string unavailable_;
    std::vector<std::string> made_;
};

// Moves the calling thread into a namespace for the object's life, and back afterwards.
class EnterNetns {
public:
    explicit EnterNetns(const std::string& ns);
    ~EnterNetns();
    EnterNetns(const EnterNetns&) = delete;
    EnterNetns& operator=(const EnterNetns&) = delete;
    bool ok() const { return ok_; }

private:
    int original_ = -1;
    bool ok_ = false;
};

}  // namespace ztest

// Skips the test with the reason when namespaces cannot be made here.
#define ZTEST_REQUIRE_NETNS(fixture)                                                         \
    do {                                                                                     \
        if (!(fixture).unavailable().empty()) {                                              \
            GTEST_SKIP() << "needs private network namespaces: " << (fixture).unavailable(); \
        }                                                                                    \
    } while (0)

// Fails the test when the calling thread is in the machine's own network namespace.
#define ZTEST_REFUSE_INITIAL_NETNS()                                                              \
    do {                                                                                          \
        if (::ztest::InInitialNetworkNamespace()) {                                               \
            GTEST_FAIL() << "refusing to send broadcasts in the machine's own network namespace"; \
        }                                                                                         \
    } while (0)
