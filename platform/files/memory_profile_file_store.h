#pragma once
// In-memory stand-in for the file system behind the profile calls, for tests: files are strings
// in a map, and a file name can be marked as one that cannot be written or cannot be read.
//
//   zplat::MemoryProfileFileStore store;
//   zplat::ProfileFileStore* previous = zplat::SetProfileFileStore(&store);
//   zplat::WritePrivateProfileStringA("SETUP", "CloseOnConnect", "1", "/opt/z/zUnitFinder.cfg");
//   // store.Content("/opt/z/zUnitFinder.cfg") == "[SETUP]\nCloseOnConnect=1\n"
//   zplat::SetProfileFileStore(previous);
//
// Ownership: the store owns its copies of the files. It is not locked itself; the profile calls
// reach it under their own lock, and a test touches it only while no such call runs.

#include <map>
#include <set>
#include <string>
#include <string_view>

#include "platform/files/profile.h"

namespace zplat {

class MemoryProfileFileStore final : public ProfileFileStore {
public:
    ReadResult Read(const char* fileName, std::string* content) override;
    bool Write(const char* fileName, std::string_view content) override;
    bool CanWrite(const char* fileName) override;

    void SetContent(const std::string& fileName, std::string_view content);
    // The file's content; "" when there is none.
    std::string Content(const std::string& fileName) const;
    bool Exists(const std::string& fileName) const;
    // Writes to fileName fail (and CanWrite says so) from now on.
    void SetReadOnly(const std::string& fileName);
    // Reads of fileName fail as for a file that exists but cannot be read.
    void SetUnreadable(const std::string& fileName);
    int WriteCount() const { return writes_; }

private:
    std::map<std::string, std::string> files_;
    std::set<std::string> readOnly_;
    std::set<std::string> unreadable_;
    int writes_ = 0;
};

}  // namespace zplat
