#pragma once
// Profile (INI) files in the shape of GetPrivateProfileIntA, GetPrivateProfileStringA and
// WritePrivateProfileStringA: "[section]" lines followed by "key=value" lines, section and key
// names compared without regard to ASCII letter case, and a write that changes only the one line
// it is about, so every other byte of the file (comments, unknown sections, even bytes that are no
// text at all) stays as it was.
//
//   bool on = zplat::GetPrivateProfileIntA("SETUP", "CloseOnConnect", 0, path) != 0;
//   zplat::WritePrivateProfileStringA("SETUP", "CloseOnConnect", "1", path);
//
// A file name without any path separator names a file in the profile directory, as a bare name
// names one in the Windows directory: $XDG_CONFIG_HOME, else $HOME/.config (created on the first
// write). Any other name is used as it is.
//
// The translation between a file's bytes and the calls is pure (ProfileGetString,
// ProfileSetString, ProfileParseInt); the files themselves are reached through a ProfileFileStore,
// the real file system unless a test installs another (memory_profile_file_store.h).
//
// Ownership: callers own every buffer they pass; nothing is kept between calls. The calls are
// safe from several threads at once (one process-wide lock around each read-modify-write).

#include <cstdint>
#include <string>
#include <string_view>

namespace zplat {

// The integer of key in section: its text read as an optional sign followed by decimal digits
// (" 7", "7", "7 days" give 7; "-1" gives 0xFFFFFFFF; a text without digits gives 0). The default
// when the file, the section or the key is missing, or when the value is empty.
uint32_t GetPrivateProfileIntA(const char* section, const char* key, int32_t defaultValue,
                               const char* fileName);

// Copies the value of key in section into buffer (at most size - 1 characters and a NUL) and
// returns the number of characters copied without the NUL. Surrounding blanks of the value are
// dropped, and so is one pair of matching quotes around it. A missing value copies defaultValue
// (null: "") without its trailing blanks.
// A null key lists the section's keys, a null section lists every section name: each name ends
// with a NUL and a second NUL ends the list; when the list does not fit it is cut, ends with two
// NULs and the result is size - 2.
uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                  char* buffer, uint32_t size, const char* fileName);

// Sets key in section to value, adding the key, the section and the file when missing. A null
// value deletes the key, a null key deletes the whole section. False when the file cannot be
// written, when section is null, or when the text could not be read back as written: a line
// break in any of the three, a "=" in the key, a "]" in the section.
bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName);

// Not a Windows call: whether WritePrivateProfileStringA could write fileName, i.e. the file
// exists and may be written, or it does not exist and its directory may be written into.
bool CanWriteProfileFile(const char* fileName);

// Where the profile calls read and write whole files.
class ProfileFileStore {
public:
    virtual ~ProfileFileStore() = default;
    enum ReadResult { kRead, kMissing, kUnreadable };
    // The whole file into content. kUnreadable: it exists but cannot be read (a write then
    // fails rather than replace what it could not see).
    virtual ReadResult Read(const char* fileName, std::string* content) = 0;
    // Replaces the whole file, creating it when missing; false when it cannot be written.
    virtual bool Write(const char* fileName, std::string_view content) = 0;
    // See CanWriteProfileFile.
    virtual bool CanWrite(const char* fileName) = 0;
};

// Makes store the one the profile calls use and returns the previous one; null goes back to the
// real file system. The store is not owned and must outlive its use. Meant for tests.
ProfileFileStore* SetProfileFileStore(ProfileFileStore* store);

// The real file system (bare names resolved to the profile directory).
ProfileFileStore& SystemProfileFileStore();

// --- Pure translation over a file's bytes (no file access) ---

// GetPrivateProfileStringA over content.
uint32_t ProfileGetString(std::string_view content, const char* section, const char* key,
                          const char* defaultValue, char* buffer, uint32_t size);

// The integer reading of GetPrivateProfileIntA over a value text (empty: defaultValue).
uint32_t ProfileParseInt(std::string_view value, int32_t defaultValue);

// WritePrivateProfileStringA over content, changing only what the call is about. False (content
// untouched) for the refusals listed at WritePrivateProfileStringA.
bool ProfileSetString(std::string* content, const char* section, const char* key,
                      const char* value);

}  // namespace zplat
