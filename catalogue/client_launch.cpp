#include "catalogue/client_launch.h"

#include <algorithm>
#include <vector>

#include "catalogue/process_launcher.h"
#include "foundation/string.h"
#include "platform/process/process.h"
#include "platform/process/shell.h"
#include "platform/registry/registry.h"
#include "platform/win_error.h"

namespace {

// Entries per installed cache: major versions 0 to 31.
constexpr int kCacheSize = 32;

bool g_conductorInstalled[kCacheSize];
bool g_cuedeckEditorInstalled[kCacheSize];
bool g_toneClientInstalled[kCacheSize];
bool g_timekeeperInstalled[kCacheSize];
void* g_ownerWindow = nullptr;

constexpr const char kToneClientKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{5E0B7A41-2C9D-4F63-9A1E-7D34C8B2F015}_is1";
// Where a 32-bit installer writes it on a 64-bit system (and in a 64-bit Wine prefix).
constexpr const char kToneClientKey32[] =
    "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{5E0B7A41-2C9D-4F63-9A1E-7D34C8B2F015}_is1";
constexpr const char kTimekeeperKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{B3F1C6D2-8A47-4E95-B0C3-1F6A29D7E84C}";
constexpr const char kTimekeeperKey32[] =
    "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{B3F1C6D2-8A47-4E95-B0C3-1F6A29D7E84C}";

// The longest command line process creation takes (32,767 characters and the NUL); a longer
// registry value cannot name a program anyway and is read as empty.
constexpr uint32_t kMaxValueBytes = 32768;

// An opened registry key, closed when it goes out of scope; null when it could not be opened.
class RegKey {
public:
    RegKey(zplat::HKEY root, const char* path) {
        if (zplat::RegOpenKeyEx(root, path, 0, zplat::KEY_READ, &key_) != zplat::ERROR_SUCCESS) {
            key_ = nullptr;
        }
    }
    ~RegKey() {
        if (key_ != nullptr) {
            zplat::RegCloseKey(key_);
        }
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    bool IsOpen() const { return key_ != nullptr; }

    // The text of a string value (the default value for null); a missing value, a value that is
    // not a string or one too long to be a command line reads as the empty text. The text ends at
    // the first NUL whether or not the data carried one.
    ZString ReadText(const char* name) const {
        uint32_t type = zplat::REG_NONE;
        uint32_t size = 0;
        if (key_ == nullptr ||
            zplat::RegQueryValueEx(key_, name, &type, nullptr, &size) != zplat::ERROR_SUCCESS ||
            (type != zplat::REG_SZ && type != zplat::REG_EXPAND_SZ) || size == 0 ||
            size > kMaxValueBytes) {
            return ZString("");
        }
        std::vector<char> data(size + 1, '\0');
        uint32_t read = size;
        if (zplat::RegQueryValueEx(key_, name, &type, reinterpret_cast<uint8_t*>(data.data()),
                                   &read) != zplat::ERROR_SUCCESS) {
            return ZString("");
        }
        data[std::min(read, size)] = '\0';
        return ZString(data.data());
    }

private:
    zplat::HKEY key_ = nullptr;
};

ZString ConductorKeyPath(int majorVersion) {
    ZString path;
    path.Format("ZelvaneConductor%d.Application\\DefaultIcon", majorVersion);
    return path;
}

ZString CuedeckEditorKeyPath(int majorVersion) {
    ZString path;
    if (majorVersion == 0 || majorVersion == 1) {
        path.Assign("ZelvaneCuedeckEditor.Application\\DefaultIcon");
    } else {
        path.Format("ZelvaneCuedeckEditor%d.Application\\DefaultIcon", majorVersion);
    }
    return path;
}

// Checks a client through its cache: a remembered hit is true at once, otherwise the key is
// opened and a hit remembered. Versions outside the table are checked without it.
template <class KeyExists>
bool CheckInstalled(bool (&cache)[kCacheSize], int majorVersion, KeyExists keyExists) {
    const bool cached = majorVersion >= 0 && majorVersion < kCacheSize;
    if (cached && cache[majorVersion]) {
        return true;
    }
    if (!keyExists()) {
        return false;
    }
    if (cached) {
        cache[majorVersion] = true;
    }
    return true;
}

bool ToneClientKeyExists() {
    return RegKey(zplat::HKEY_LOCAL_MACHINE, kToneClientKey).IsOpen() ||
           RegKey(zplat::HKEY_LOCAL_MACHINE, kToneClientKey32).IsOpen();
}

bool TimekeeperKeyExists() {
    return RegKey(zplat::HKEY_LOCAL_MACHINE, kTimekeeperKey).IsOpen() ||
           RegKey(zplat::HKEY_LOCAL_MACHINE, kTimekeeperKey32).IsOpen();
}

// The Timekeeper Client's install location from its uninstall entry, else from the 32-bit view's.
bool ReadTimekeeperLocation(ZString* location) {
    RegKey key(zplat::HKEY_LOCAL_MACHINE, kTimekeeperKey);
    if (key.IsOpen()) {
        *location = key.ReadText("InstallLocation");
        return true;
    }
    RegKey key32(zplat::HKEY_LOCAL_MACHINE, kTimekeeperKey32);
    if (key32.IsOpen()) {
        *location = key32.ReadText("InstallLocation");
        return true;
    }
    return false;
}

// The executable of a DefaultIcon value "path,index": the text before the comma that starts the
// icon index (optional sign, then digits, to the end). The last comma is the one looked at, so a
// folder with a comma in its name stays part of the path; a value without an index is all path.
ZString ExecutableOfIcon(const ZString& value) {
    const int comma = value.FindChar(',', true);
    if (comma < 0) {
        return value;
    }
    const char* index = value.GetString() + comma + 1;
    while (*index == ' ') {
        ++index;
    }
    if (*index == '-' || *index == '+') {
        ++index;
    }
    if (*index < '0' || *index > '9') {
        return value;
    }
    while (*index >= '0' && *index <= '9') {
        ++index;
    }
    while (*index == ' ') {
        ++index;
    }
    return *index == '\0' ? value.SubString(0, comma) : value;
}

// Starts the executable text as the whole command line, without waiting for it.
bool StartExecutable(const ZString& executable) {
    ZProcessLauncher launcher(nullptr, executable.GetString(), nullptr, false);
    return launcher.Launch(0, true) == ZProcessLauncher::kSuccess;
}

bool StartToneClient(const RegKey& entry) {
    ZString executable = entry.ReadText("Inno Setup: App Path");
    executable += "\\";
    executable += "ZelvaneToneCLientPrime.exe";
    return StartExecutable(executable);
}

bool LaunchFromDefaultIcon(const ZString& keyPath) {
    RegKey key(zplat::HKEY_CLASSES_ROOT, keyPath.GetString());
    if (!key.IsOpen()) {
        return false;
    }
    return StartExecutable(ExecutableOfIcon(key.ReadText(nullptr)));
}

}  // namespace

bool IsConductorClientInstalled(int majorVersion) {
    return CheckInstalled(g_conductorInstalled, majorVersion, [&] {
        return RegKey(zplat::HKEY_CLASSES_ROOT, ConductorKeyPath(majorVersion).GetString())
            .IsOpen();
    });
}

bool IsCuedeckEditorInstalled(int majorVersion) {
    return CheckInstalled(g_cuedeckEditorInstalled, majorVersion, [&] {
        return RegKey(zplat::HKEY_CLASSES_ROOT, CuedeckEditorKeyPath(majorVersion).GetString())
            .IsOpen();
    });
}

bool IsToneClientInstalled(int majorVersion) {
    return CheckInstalled(g_toneClientInstalled, majorVersion, ToneClientKeyExists);
}

bool IsTimekeeperClientInstalled(int majorVersion) {
    return CheckInstalled(g_timekeeperInstalled, majorVersion, TimekeeperKeyExists);
}

bool IsWebBrowserAvailable() {
    return true;
}

bool LaunchConductorClient(int majorVersion) {
    return IsConductorClientInstalled(majorVersion) &&
           LaunchFromDefaultIcon(ConductorKeyPath(majorVersion));
}

bool LaunchCuedeckEditor(int majorVersion) {
    return IsCuedeckEditorInstalled(majorVersion) &&
           LaunchFromDefaultIcon(CuedeckEditorKeyPath(majorVersion));
}

bool LaunchToneClient(int /*majorVersion*/) {
    // Started without the installed check first, straight from its uninstall entry: the native
    // view's, else the 32-bit view's.
    RegKey key(zplat::HKEY_LOCAL_MACHINE, kToneClientKey);
    if (key.IsOpen()) {
        return StartToneClient(key);
    }
    RegKey key32(zplat::HKEY_LOCAL_MACHINE, kToneClientKey32);
    return key32.IsOpen() && StartToneClient(key32);
}

bool LaunchTimekeeperClient(int majorVersion) {
    if (!IsTimekeeperClientInstalled(majorVersion)) {
        return false;
    }
    ZString executable;
    if (!ReadTimekeeperLocation(&executable)) {
        return false;
    }
    executable += "\\Zelvane Timekeeper Client\\ZelvaneTimekeeperClient.exe";
    return StartExecutable(executable);
}

bool OpenWebPage(const char* address) {
    if (address == nullptr) {
        return false;
    }
    ZString url("http://");
    url += address;
    // SW_SHOWDEFAULT: the browser decides how its window appears.
    intptr_t result =
        zplat::ShellExecute(g_ownerWindow, "open", url.GetString(), nullptr,
                            zplat::GetCurrentDirectory().c_str(), zplat::SW_SHOWDEFAULT);
    // The shell reports failures as values up to 32.
    return result > 32;
}

bool OpenRemoteDesktop() {
    return true;
}

void ClearClientInstalledCaches() {
    std::fill(std::begin(g_conductorInstalled), std::end(g_conductorInstalled), false);
    std::fill(std::begin(g_cuedeckEditorInstalled), std::end(g_cuedeckEditorInstalled), false);
    std::fill(std::begin(g_toneClientInstalled), std::end(g_toneClientInstalled), false);
    std::fill(std::begin(g_timekeeperInstalled), std::end(g_timekeeperInstalled), false);
}

void SetShellOwnerWindow(void* window) {
    g_ownerWindow = window;
}
