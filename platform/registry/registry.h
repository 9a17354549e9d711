#pragma once
// A read-only registry view in the shape of the RegOpenKeyEx family, built from backends mounted
// by root and path:
//   - MemoryRegistry: keys and values held in memory (tests, and the parsed forms of the others);
//   - RegFileRegistry: a Wine prefix's system.reg / user.reg text file
//   (platform/registry/reg_file.h);
//   - SystemRegistry: SYSTEM\CurrentControlSet synthesized from the network records and sysfs
//     (platform/registry/system_registry.h).
//   - on Windows, the system's own registry (registry_win.cpp), read with KEY_READ only.
// Until something is mounted by hand, the first call mounts the defaults. On POSIX: the Wine
// prefix ($WINEPREFIX, else ~/.wine) at HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, and the
// synthesized view at HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet. On Windows: the system's
// registry at HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_CLASSES_ROOT. HKEY_CLASSES_ROOT is
// the merge of HKEY_CURRENT_USER\Software\Classes over HKEY_LOCAL_MACHINE\Software\Classes unless a
// backend is mounted on it directly.
//
//   zplat::HKEY key;
//   if (zplat::RegOpenKeyEx(zplat::HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\App", 0,
//                           zplat::KEY_READ, &key) == zplat::ERROR_SUCCESS) {
//       char text[256]; uint32_t size = sizeof text, type = 0;
//       zplat::RegQueryValueEx(key, "InstallLocation", &type,
//                              reinterpret_cast<uint8_t*>(text), &size);
//       zplat::RegCloseKey(key);
//   }
//
//   auto mem = std::make_shared<zplat::MemoryRegistry>();        // in a test
//   mem->SetValue("Software\\X", "Name", zplat::RegValue::Sz("v"));
//   zplat::ScopedRegistry scope;                                 // empty view, restored later
//   zplat::MountRegistry(zplat::HKEY_LOCAL_MACHINE, "", mem);
//
// Names of keys and values compare without regard to ASCII case. An opened key is a snapshot of
// its subkey names and values taken at open time. Strings are 8-bit (UTF-8) with their NULs, as
// the byte-string forms of the calls give them.
//
// Ownership: each HKEY from RegOpenKeyEx belongs to the caller until RegCloseKey. Backends are
// shared by the mount table. All calls are safe from any thread.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win_error.h"

namespace zplat {

struct RegKey;
using HKEY = RegKey*;

// The predefined roots, with their system values.
inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(uintptr_t{0x80000000});
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(uintptr_t{0x80000001});
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(uintptr_t{0x80000002});
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(uintptr_t{0x80000003});

// Value types.
inline constexpr uint32_t REG_NONE = 0;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_EXPAND_SZ = 2;
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;
inline constexpr uint32_t REG_DWORD_BIG_ENDIAN = 5;
inline constexpr uint32_t REG_LINK = 6;
inline constexpr uint32_t REG_MULTI_SZ = 7;
inline constexpr uint32_t REG_QWORD = 11;

// Access rights. The view is read-only: any access may be asked for when opening, but nothing
// can be written through it.
inline constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr uint32_t KEY_SET_VALUE = 0x0002;
inline constexpr uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr uint32_t KEY_READ = 0x20019;
inline constexpr uint32_t KEY_WOW64_64KEY = 0x0100;
inline constexpr uint32_t KEY_WOW64_32KEY = 0x0200;

struct RegValue {
    uint32_t type = REG_NONE;
    std::vector<uint8_t> data;

    static RegValue Sz(std::string_view text, uint32_t type = REG_SZ);
    static RegValue MultiSz(const std::vector<std::string>& strings);
    static RegValue Dword(uint32_t value);
    static RegValue Binary(std::vector<uint8_t> bytes, uint32_t type = REG_BINARY);
};

// One key as seen at one moment.
struct RegKeyData {
    std::vector<std::string> subKeys;                      // in enumeration order
    std::vector<std::pair<std::string, RegValue>> values;  // "" is the default value
};

class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;
    // Fills *key for the path below the mount point ("" is the mount point itself, components
    // separated by single backslashes). False when there is no such key.
    virtual bool Open(std::string_view path, RegKeyData* key) = 0;
    // What keeps the backend from serving its keys, for the user ("" when nothing does).
    virtual std::string Problem() { return std::string(); }
};

// Keys and values in memory. Creating a value creates its key and every key above it.
class MemoryRegistry : public RegistryBackend {
public:
    MemoryRegistry();
    ~MemoryRegistry() override;
    void CreateKey(std::string_view path);
    void SetValue(std::string_view path, std::string_view name, RegValue value);
    // Removes a key with everything below it; false when there was none.
    bool DeleteKey(std::string_view path);
    bool Open(std::string_view path, RegKeyData* key) override;

private:
    struct Node;
    Node* Find(std::string_view path, bool create);
    std::mutex mutex_;
    std::unique_ptr<Node> root_;
};

// The calls, with the semantics of their byte-string forms.
uint32_t RegOpenKeyEx(HKEY key, const char* subKey, uint32_t options, uint32_t access,
                      HKEY* result);
// *nameLength: room in characters (NUL included) on input, length without the NUL on output.
uint32_t RegEnumKeyEx(HKEY key, uint32_t index, char* name, uint32_t* nameLength);
// A null or empty valueName is the default value. With data null, *dataSize receives the size
// needed; with too little room ERROR_MORE_DATA and the size needed.
uint32_t RegQueryValueEx(HKEY key, const char* valueName, uint32_t* type, uint8_t* data,
                         uint32_t* dataSize);
uint32_t RegCloseKey(HKEY key);

// Mounts a backend at a path below a root; a later mount at the same place replaces it. The
// longest mount point that covers a path serves it, so a mount below another hides that part of
// the outer one.
void MountRegistry(HKEY root, std::string_view path, std::shared_ptr<RegistryBackend> backend);
// Mounts the default backends described at the top.
void MountDefaultRegistry();
// Makes the mounted backends read their files now, so a later lookup does not wait for them:
// call it on a worker thread at start-up.
void WarmRegistry();
// The Problem texts of the mounted backends, each once.
std::vector<std::string> RegistryProblems();

// The backends the defaults consist of, one list per system: on POSIX the Wine prefix's files and
// the synthesized view (registry_defaults_posix.cpp), on Windows the system's own registry at
// each root (registry_win.cpp).
struct RegistryMount {
    HKEY root;
    std::string path;
    std::shared_ptr<RegistryBackend> backend;
};
std::vector<RegistryMount> DefaultRegistryMounts();

// For tests: an empty mount table for the life of the object, the previous one put back after.
class ScopedRegistry {
public:
    ScopedRegistry();
    ~ScopedRegistry();
    ScopedRegistry(const ScopedRegistry&) = delete;
    ScopedRegistry& operator=(const ScopedRegistry&) = delete;

private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

// Helpers shared by the backends: case-insensitive name comparison and path splitting.
bool RegNameEquals(std::string_view a, std::string_view b);
std::vector<std::string> SplitRegPath(std::string_view path);

}  // namespace zplat
