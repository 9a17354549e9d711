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
// The file is read again when its size or modification time changes; while one thread reads it
// again, lookups on other threads are answered from the previous reading rather than waiting.
// Only a regular file of at most kMaxRegFileBytes is read (opened without blocking, so a FIFO in
// its place cannot hang the program); anything else reads as an empty registry, and Problem
// names the file and says why.

#include <condition_variable>
#include <cstddef>
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

// A real prefix's system.reg is a few megabytes; this bounds the memory a hostile file can take.
inline constexpr size_t kMaxRegFileBytes = size_t{64} << 20;

class RegFileRegistry : public RegistryBackend {
public:
    explicit RegFileRegistry(std::string path);
    bool Open(std::string_view path, RegKeyData* key) override;
    // Why the last reading found no registry in the file ("" when it read one, or the file is
    // simply not there): "<path>: not a regular file; ...".
    std::string Problem() override;

private:
    // The parsed file, read again first when it changed.
    std::shared_ptr<MemoryRegistry> Current();

    std::string file_;
    std::mutex mutex_;
    std::condition_variable parsed_cv_;  // a reading finished
    std::shared_ptr<MemoryRegistry> parsed_;
    bool loaded_ = false;
    bool parsing_ = false;
    std::string problem_;
    int64_t size_ = -1;
    int64_t mtime_ns_ = -1;
};

}  // namespace zplat
