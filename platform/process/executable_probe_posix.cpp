#include "platform/process/executable_probe.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/process/wine_prefix.h"

namespace zplat {

namespace {

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

class SystemProbe final : public IExecutableProbe {
public:
    bool IsExecutable(const std::string& hostPath) const override {
        return !hostPath.empty() && IsRegularFile(hostPath) && access(hostPath.c_str(), X_OK) == 0;
    }

    std::string SearchPath(const std::string& name) const override {
        if (name.empty() || name.find('/') != std::string::npos) {
            return {};
        }
        const char* env = std::getenv("PATH");
        // The search list execvp uses when PATH is unset.
        std::string path = env != nullptr ? env : "/bin:/usr/bin";
        size_t start = 0;
        while (start <= path.size()) {
            size_t end = path.find(':', start);
            if (end == std::string::npos) {
                end = path.size();
            }
            std::string dir = path.substr(start, end - start);
            std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
            if (IsExecutable(candidate)) {
                return candidate;
            }
            start = end + 1;
        }
        return {};
    }

    std::string FindWindowsFile(const std::string& windowsPath) const override {
        std::string host = WindowsPathToHost(WinePrefix(), windowsPath);
        return IsRegularFile(host) ? host : std::string();
    }

    std::string WineLoader() const override { return SearchPath("wine"); }
};

}  // namespace

const IExecutableProbe& SystemExecutableProbe() {
    static const SystemProbe probe;
    return probe;
}

}  // namespace zplat
