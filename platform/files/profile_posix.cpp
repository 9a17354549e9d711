// The real file system behind the profile calls (POSIX).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/files/profile.h"

namespace zplat {
namespace {

// A settings file is a few lines; anything larger than this is no profile of ours and is treated
// as unreadable rather than pulled into memory.
constexpr off_t kMaxProfileSize = 16 * 1024 * 1024;

bool IsBareName(const char* fileName) {
    return std::strchr(fileName, '/') == nullptr;
}

// Where bare names live, standing in for the Windows directory: the user's configuration
// directory of the XDG base directory rules. Empty when neither variable gives one.
std::string ProfileDirectory() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return config;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.config";
    }
    return std::string();
}

std::string Resolve(const char* fileName) {
    if (!IsBareName(fileName)) {
        return fileName;
    }
    std::string directory = ProfileDirectory();
    return directory.empty() ? std::string(fileName) : directory + "/" + fileName;
}

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool DirectoryExists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Creates path and its missing parents, private to the user as the XDG rules ask.
bool MakeDirectories(const std::string& path) {
    if (path.empty() || DirectoryExists(path)) {
        return true;
    }
    std::string parent = DirectoryOf(path);
    if (parent != path && !MakeDirectories(parent)) {
        return false;
    }
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

// The nearest directory on the way up from path that exists (path itself included).
std::string NearestExisting(std::string path) {
    while (!DirectoryExists(path)) {
        std::string parent = DirectoryOf(path);
        if (parent == path) {
            return path;
        }
        path = parent;
    }
    return path;
}

class SystemStore final : public ProfileFileStore {
public:
    ReadResult Read(const char* fileName, std::string* content) override {
        content->clear();
        if (fileName[0] == '\0') {
            return kMissing;
        }
        std::string path = Resolve(fileName);
        // Non-blocking, so a FIFO in its place cannot hang the caller; only regular files are read.
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            return (errno == ENOENT || errno == ENOTDIR) ? kMissing : kUnreadable;
        }
        ReadResult result = ReadAll(fd, content);
        ::close(fd);
        if (result != kRead) {
            content->clear();
        }
        return result;
    }

    bool Write(const char* fileName, std::string_view content) override {
        if (fileName[0] == '\0') {
            return false;
        }
        std::string path = Resolve(fileName);
        if (IsBareName(fileName) && !MakeDirectories(DirectoryOf(path))) {
            return false;
        }
        // Rewritten in place, as the profile calls do: the file keeps its permissions, owner and
        // links, and a symbolic link stays one.
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
        if (fd < 0) {
            return false;
        }
        bool ok = IsRegular(fd) && WriteAll(fd, content) &&
                  ::ftruncate(fd, static_cast<off_t>(content.size())) == 0;
        ok = (::close(fd) == 0) && ok;
        return ok;
    }

    bool CanWrite(const char* fileName) override {
        if (fileName[0] == '\0') {
            return false;
        }
        std::string path = Resolve(fileName);
        struct stat info;
        if (::stat(path.c_str(), &info) == 0) {
            return S_ISREG(info.st_mode) && ::access(path.c_str(), W_OK) == 0;
        }
        if (errno != ENOENT) {
            return false;
        }
        // A bare name's directory is made on the first write; any other file's must exist.
        std::string directory = DirectoryOf(path);
        if (IsBareName(fileName)) {
            directory = NearestExisting(directory);
        }
        return DirectoryExists(directory) && ::access(directory.c_str(), W_OK | X_OK) == 0;
    }

private:
    static bool IsRegular(int fd) {
        struct stat info;
        return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    }

    static ReadResult ReadAll(int fd, std::string* content) {
        struct stat info;
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxProfileSize) {
            return kUnreadable;
        }
        char chunk[4096];
        for (;;) {
            ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                return kUnreadable;
            }
            if (n == 0) {
                return kRead;
            }
            content->append(chunk, static_cast<size_t>(n));
            if (content->size() > static_cast<size_t>(kMaxProfileSize)) {
                return kUnreadable;
            }
        }
    }

    static bool WriteAll(int fd, std::string_view content) {
        size_t done = 0;
        while (done < content.size()) {
            ssize_t n = ::write(fd, content.data() + done, content.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            done += static_cast<size_t>(n);
        }
        return true;
    }
};

}  // namespace

ProfileFileStore& SystemProfileFileStore() {
    static SystemStore store;
    return store;
}

}  // namespace zplat
