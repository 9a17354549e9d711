#include "platform/files/memory_profile_file_store.h"

namespace zplat {

ProfileFileStore::ReadResult MemoryProfileFileStore::Read(const char* fileName,
                                                          std::string* content) {
    content->clear();
    if (unreadable_.count(fileName) != 0) {
        return kUnreadable;
    }
    auto it = files_.find(fileName);
    if (it == files_.end()) {
        return kMissing;
    }
    *content = it->second;
    return kRead;
}

bool MemoryProfileFileStore::Write(const char* fileName, std::string_view content) {
    if (readOnly_.count(fileName) != 0) {
        return false;
    }
    files_[fileName] = std::string(content);
    ++writes_;
    return true;
}

bool MemoryProfileFileStore::CanWrite(const char* fileName) {
    return readOnly_.count(fileName) == 0;
}

void MemoryProfileFileStore::SetContent(const std::string& fileName, std::string_view content) {
    files_[fileName] = std::string(content);
}

std::string MemoryProfileFileStore::Content(const std::string& fileName) const {
    auto it = files_.find(fileName);
    return it == files_.end() ? std::string() : it->second;
}

bool MemoryProfileFileStore::Exists(const std::string& fileName) const {
    return files_.count(fileName) != 0;
}

void MemoryProfileFileStore::SetReadOnly(const std::string& fileName) {
    readOnly_.insert(fileName);
}

void MemoryProfileFileStore::SetUnreadable(const std::string& fileName) {
    unreadable_.insert(fileName);
}

}  // namespace zplat
