// The real file system behind the profile calls (Windows). A bare file name names a file in the
// user's application data folder (%APPDATA%, created on the first write), as a bare name names
// one in the configuration directory on Linux: the system's own profile calls would take the
// Windows directory, which only administrators may write. Every other name is used as it is.
// Files are read and rewritten whole with the file API, so the translation of the bytes stays the
// one the other systems use (profile.cpp).

#include <algorithm>
#include <string>

#include "platform/files/profile.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

#include <shlobj.h>

namespace zplat {
namespace {

// A settings file is a few lines; anything larger is no profile of ours.
constexpr LONGLONG kMaxProfileSize = 16 * 1024 * 1024;

bool IsBareName(const char* fileName) {
    for (const char* p = fileName; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') {
            return false;
        }
    }
    return true;
}

std::string Resolve(const char* fileName) {
    if (!IsBareName(fileName)) {
        return fileName;
    }
    char directory[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                  SHGFP_TYPE_CURRENT, directory))) {
        return fileName;
    }
    return std::string(directory) + "\\" + fileName;
}

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

class SystemStore : public ProfileFileStore {
public:
    ReadResult Read(const char* fileName, std::string* content) override {
        content->clear();
        if (fileName[0] == '\0') {
            return kMissing;
        }
        std::string path = Resolve(fileName);
        HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            DWORD error = ::GetLastError();
            return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? kMissing
                                                                                    : kUnreadable;
        }
        ReadResult result = ReadAll(file, content);
        ::CloseHandle(file);
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
        // Rewritten in place: the file keeps its attributes and security.
        HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return false;
        }
        bool ok = ::GetFileType(file) == FILE_TYPE_DISK;
        size_t done = 0;
        while (ok && done < content.size()) {
            DWORD written = 0;
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1 << 20));
            ok = ::WriteFile(file, content.data() + done, chunk, &written, nullptr) && written > 0;
            done += written;
        }
        ok = ok && ::SetEndOfFile(file);
        ok = ::CloseHandle(file) && ok;
        return ok;
    }

    bool CanWrite(const char* fileName) override {
        if (fileName[0] == '\0') {
            return false;
        }
        std::string path = Resolve(fileName);
        DWORD attributes = ::GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0;
        }
        DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) {
            return false;
        }
        DWORD directory = ::GetFileAttributesA(DirectoryOf(path).c_str());
        return directory != INVALID_FILE_ATTRIBUTES && (directory & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }

private:
    static ReadResult ReadAll(HANDLE file, std::string* content) {
        LARGE_INTEGER size{};
        if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileSizeEx(file, &size) ||
            size.QuadPart > kMaxProfileSize) {
            return kUnreadable;
        }
        char chunk[4096];
        for (;;) {
            DWORD n = 0;
            if (!::ReadFile(file, chunk, sizeof chunk, &n, nullptr)) {
                return kUnreadable;
            }
            if (n == 0) {
                return kRead;
            }
            content->append(chunk, n);
            if (content->size() > static_cast<size_t>(kMaxProfileSize)) {
                return kUnreadable;
            }
        }
    }
};

}  // namespace

ProfileFileStore& SystemProfileFileStore() {
    static SystemStore store;
    return store;
}

}  // namespace zplat
