#pragma once
// The registry text files of a Wine prefix (system.reg, user.reg) as a registry backend.
//
//   WINE REGISTRY Version 2
//   [Software\\Classes\\Vendor.App\\DefaultIcon] 1700000000
//   @="C:\\Program Files\\Vendor\\app.exe,0"
//   "Paths"=str(7):"one\0two\0"
//   "Count"=dword:00000003
//   "Blob"=hex:01,02,<backslash at the end of the line>
//     03
//
//   auto wine = std::make_shared<zplat::RegFileRegistry>(prefix + "/system.reg");
//   zplat::MountRegistry(zplat::HKEY_LOCAL_MACHINE, "", wine);
//
// Read: sections, string escapes (\\ \" \n \t \0 \xNNNN and octal), "str(2)" expandable and
// "str(7)" multi-strings, "dword:", "hex:" and "hex(N):" with continuation lines (string types in
// hex are UTF-16LE in the file and become UTF-8 here). The file is untrusted text: a section
// header that does not close is a missing key (its values are skipped), and a value with an
// unterminated quote, a bad escape or malformed hex is a missing value; nothing else is lost.
// The file is read again when its size or modification time changes.

#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/registry/registry.h"

namespace zplat {

// Parses the text into *into. False when the text is not a Wine registry file (no header); the
// registry is then left empty.
bool ParseRegFile(std::string_view text, MemoryRegistry* into);

class RegFileRegistry : public RegistryBackend {
public:
    explicit RegFileRegistry(std::string path);
    bool Open(std::string_view path, RegKeyData* key) override;

private:
    std::string file_;
    std::mutex mutex_;
    std::shared_ptr<MemoryRegistry> parsed_;
    bool loaded_ = false;
    int64_t size_ = -1;
    int64_t mtime_ns_ = -1;
};

}  // namespace zplat
