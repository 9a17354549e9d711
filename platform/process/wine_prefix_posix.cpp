#include "platform/process/wine_prefix.h"

#include <dirent.h>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <vector>

namespace zplat {

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// The entry of directory whose name equals component ignoring ASCII letter case; the exact name
// wins when it exists. Empty when none matches.
std::string FindEntry(const std::string& directory, const std::string& component) {
    if (Exists(directory + "/" + component)) {
        return component;
    }
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) {
        return {};
    }
    std::string found;
    while (struct dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, component.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

}  // namespace

std::string WinePrefix() {
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0') {
        return prefix;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        if (const struct passwd* pw = getpwuid(getuid()); pw != nullptr) {
            home = pw->pw_dir;
        }
    }
    return std::string(home != nullptr ? home : "") + "/.wine";
}

bool IsDriveLetterPath(std::string_view path) {
    return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
           path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

std::string WindowsPathToHost(const std::string& prefix, std::string_view windowsPath) {
    if (!IsDriveLetterPath(windowsPath) || prefix.empty()) {
        return {};
    }
    char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
    std::string host = prefix + "/dosdevices/" + drive + ":";
    if (!Exists(host)) {
        // A prefix without dosdevices links still has its system drive.
        if (drive != 'c') {
            return {};
        }
        host = prefix + "/drive_c";
    }

    std::vector<std::string> components;
    std::string current;
    for (char c : windowsPath.substr(3)) {
        if (c == '\\' || c == '/') {
            components.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    components.push_back(current);

    for (const std::string& component : components) {
        if (component.empty() || component == ".") {
            continue;
        }
        if (component == "..") {
            return {};
        }
        std::string entry = FindEntry(host, component);
        if (entry.empty()) {
            return {};
        }
        host += "/" + entry;
    }
    return Exists(host) ? host : std::string();
}

}  // namespace zplat
