#include "tests/support/netns_fixture.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>

namespace ztest {

namespace {

// What a fatal signal or the process's exit must still clean up, kept in fixed arrays so that
// the signal handler needs no allocation: the namespaces' mount points and the spawned programs.
constexpr int kMaxTracked = 64;
char g_paths[kMaxTracked][160];
std::atomic<pid_t> g_children[kMaxTracked];
std::mutex g_track_mutex;
std::atomic<int> g_next_id{0};
std::once_flag g_handlers_once;

void ForgetAll(int) {
    for (int i = 0; i < kMaxTracked; ++i) {
        pid_t child = g_children[i].load();
        if (child > 0) {
            ::kill(child, SIGKILL);
        }
        if (g_paths[i][0] != '\0') {
            ::umount2(g_paths[i], MNT_DETACH);
            ::unlink(g_paths[i]);
        }
    }
}

void OnFatalSignal(int sig) {
    ForgetAll(sig);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void AtExit() {
    ForgetAll(0);
}

void InstallHandlers() {
    std::call_once(g_handlers_once, [] {
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT}) {
            struct sigaction sa {};
            sa.sa_handler = &OnFatalSignal;
            sigemptyset(&sa.sa_mask);
            sa.sa_flags = SA_RESETHAND;
            ::sigaction(sig, &sa, nullptr);
        }
        std::atexit(&AtExit);
    });
}

void TrackPath(const std::string& ns, bool add) {
    std::lock_guard<std::mutex> lock(g_track_mutex);
    std::string path = "/run/netns/" + ns;
    for (int i = 0; i < kMaxTracked; ++i) {
        if (add && g_paths[i][0] == '\0') {
            std::snprintf(g_paths[i], sizeof g_paths[i], "%s", path.c_str());
            return;
        }
        if (!add && path == g_paths[i]) {
            g_paths[i][0] = '\0';
            return;
        }
    }
}

void TrackChild(pid_t pid, bool add) {
    for (int i = 0; i < kMaxTracked; ++i) {
        pid_t expected = add ? 0 : pid;
        if (g_children[i].compare_exchange_strong(expected, add ? pid : 0)) {
            return;
        }
    }
}

std::string Quote(const std::string& word) {
    std::string out = "'";
    for (char c : word) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

}  // namespace

// The namespace the test process started in, taken before main runs: a namespace the test did
// not make itself is treated like the machine's own.
struct StartNamespace {
    struct stat st {};
    bool known = false;
    StartNamespace() { known = ::stat("/proc/self/ns/net", &st) == 0; }
};
const StartNamespace g_start;

bool InInitialNetworkNamespace() {
    struct stat current;
    if (::stat("/proc/thread-self/ns/net", &current) != 0 || !g_start.known) {
        return true;  // unknown counts as the machine's own: refuse rather than risk
    }
    auto same = [&](const struct stat& other) {
        return other.st_dev == current.st_dev && other.st_ino == current.st_ino;
    };
    struct stat init;
    // Process 1's namespace is not always readable (a sandbox may hide it).
    if (::stat("/proc/1/ns/net", &init) == 0 && same(init)) {
        return true;
    }
    return same(g_start.st);
}

bool RunCommand(const std::string& command, std::string* output) {
    std::string full = command + " 2>&1";
    FILE* pipe = ::popen(full.c_str(), "r");
    if (pipe == nullptr) {
        return false;
    }
    char buffer[512];
    std::string text;
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        text.append(buffer, n);
    }
    int status = ::pclose(pipe);
    if (output != nullptr) {
        *output = text;
    }
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string NetnsUnavailableReason() {
    if (::geteuid() != 0) {
        return "not running as root";
    }
    if (!RunCommand("ip -V")) {
        return "iproute2 (ip) is not installed";
    }
    return std::string();
}

NetnsProcess::~NetnsProcess() {
    if (!reaped_ && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        TrackChild(pid_, false);
    }
}

int NetnsProcess::Wait(int timeoutMs) {
    for (int waited = 0;; waited += 10) {
        int status = 0;
        pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            reaped_ = true;
            TrackChild(pid_, false);
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (r < 0 || waited >= timeoutMs) {
            return -1;
        }
        ::usleep(10000);
    }
}

void NetnsProcess::Signal(int signal) {
    if (!reaped_) {
        ::kill(pid_, signal);
    }
}

NetnsFixture::NetnsFixture() {
    unavailable_ = NetnsUnavailableReason();
    if (unavailable_.empty()) {
        InstallHandlers();
        RemoveStaleNamespaces();
    }
}

NetnsFixture::~NetnsFixture() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
        RunCommand("ip netns del " + Quote(*it));
        TrackPath(*it, false);
    }
}

void NetnsFixture::RemoveStaleNamespaces() {
    std::string list;
    if (!RunCommand("ip netns list", &list)) {
        return;
    }
    std::istringstream lines(list);
    std::string line;
    while (std::getline(lines, line)) {
        std::string name = line.substr(0, line.find(' '));
        if (name.rfind("zut", 0) != 0) {
            continue;
        }
        pid_t owner = static_cast<pid_t>(std::strtol(name.c_str() + 3, nullptr, 10));
        if (owner <= 0 || owner == ::getpid()) {
            continue;
        }
        if (::kill(owner, 0) == -1 && errno == ESRCH) {
            RunCommand("ip netns del " + Quote(name));
        }
    }
}

std::string NetnsFixture::AddNamespace(const std::string& tag) {
    if (!unavailable_.empty()) {
        return std::string();
    }
    std::string clean;
    for (char c : tag) {
        clean += (std::isalnum(static_cast<unsigned char>(c)) != 0) ? c : '_';
    }
    std::string name = "zut" + std::to_string(::getpid()) + "-" +
                       std::to_string(g_next_id.fetch_add(1)) + "-" + clean;
    // Tracked before it exists, so that a signal in between still removes it.
    TrackPath(name, true);
    if (!RunCommand("ip netns add " + Quote(name))) {
        TrackPath(name, false);
        return std::string();
    }
    made_.push_back(name);
    if (!Ip(name, "link set lo up")) {
        return std::string();
    }
    return name;
}

bool NetnsFixture::Ip(const std::string& ns, const std::string& args, std::string* output) {
    return RunCommand("ip -n " + Quote(ns) + " " + args, output);
}

bool NetnsFixture::AddVethPair(const std::string& nsA, const std::string& ifA,
                               const std::string& nsB, const std::string& ifB) {
    // Made inside the first namespace, so the names never meet the machine's own interfaces.
    return Ip(nsA, "link add " + Quote(ifA) + " type veth peer name " + Quote(ifB) + " netns " +
                       Quote(nsB)) &&
           Ip(nsA, "link set " + Quote(ifA) + " up") && Ip(nsB, "link set " + Quote(ifB) + " up");
}

bool NetnsFixture::MakeLinkedPair(LinkedPair* pair) {
    pair->a = AddNamespace("a");
    pair->b = AddNamespace("b");
    if (pair->a.empty() || pair->b.empty()) {
        return false;
    }
    const std::string prefix = "/" + std::to_string(pair->prefix);
    return AddVethPair(pair->a, pair->ifA, pair->b, pair->ifB) &&
           Ip(pair->a, "addr add " + pair->addressA + prefix + " dev " + Quote(pair->ifA)) &&
           Ip(pair->b, "addr add " + pair->addressB + prefix + " dev " + Quote(pair->ifB)) &&
           Ip(pair->a, "route add default dev " + Quote(pair->ifA)) &&
           Ip(pair->b, "route add default dev " + Quote(pair->ifB));
}

int NetnsFixture::RunInChild(const std::string& ns, const std::function<int()>& fn) {
    pid_t pid = ::fork();
    if (pid < 0) {
        return -1;
    }
    if (pid == 0) {
        EnterNetns in(ns);
        int code = in.ok() ? fn() : 126;
        ::_exit(code & 0xFF);
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

std::unique_ptr<NetnsProcess> NetnsFixture::Spawn(const std::string& ns,
                                                  const std::vector<std::string>& argv,
                                                  const std::string& outputFile) {
    std::vector<std::string> words = {"ip", "netns", "exec", ns};
    words.insert(words.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (auto& w : words) {
        args.push_back(w.data());
    }
    args.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid < 0) {
        return nullptr;
    }
    if (pid == 0) {
        // The program goes when the test goes, however the test ends.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const char* out = outputFile.empty() ? "/dev/null" : outputFile.c_str();
        int fd = ::open(out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            ::close(fd);
        }
        ::execvp("ip", args.data());
        ::_exit(127);
    }
    TrackChild(pid, true);
    return std::make_unique<NetnsProcess>(pid);
}

EnterNetns::EnterNetns(const std::string& ns) {
    original_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    int target = ::open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
    if (original_ >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0) {
        ok_ = true;
    }
    if (target >= 0) {
        ::close(target);
    }
}

EnterNetns::~EnterNetns() {
    if (ok_) {
        ::setns(original_, CLONE_NEWNET);
    }
    if (original_ >= 0) {
        ::close(original_);
    }
}

}  // namespace ztest
