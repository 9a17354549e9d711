#include "platform/files/string_resources.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace zplat {
namespace {

// The address of this byte identifies the program's own module: it is unique in the process and
// never null.
const char g_ownModuleTag = 0;

struct ResourceTable {
    std::mutex mutex;
    std::map<std::pair<HMODULE, uint32_t>, std::string> texts;
};

ResourceTable& Table() {
    static ResourceTable table;
    return table;
}

}  // namespace

HMODULE GetModuleHandleA(const char* name) {
    if (name != nullptr) {
        return nullptr;
    }
    return const_cast<char*>(&g_ownModuleTag);
}

void RegisterStringResource(HMODULE module, uint32_t id, std::string_view text) {
    // A string table entry ends at its first NUL when loaded.
    std::string stored(text.substr(0, text.find('\0')));
    ResourceTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.texts[{module, id}] = std::move(stored);
}

void UnregisterStringResource(HMODULE module, uint32_t id) {
    ResourceTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.texts.erase({module, id});
}

void ClearStringResources() {
    ResourceTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.texts.clear();
}

int LoadStringA(HMODULE module, uint32_t id, char* buffer, int room) {
    if (buffer == nullptr || room <= 0) {
        return 0;
    }
    ResourceTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.texts.find({module, id});
    if (it == table.texts.end()) {
        buffer[0] = '\0';
        return 0;
    }
    // Like the Windows loader: the text is cut to room - 1 characters and always terminated.
    size_t count = it->second.size();
    if (count > static_cast<size_t>(room - 1)) {
        count = static_cast<size_t>(room - 1);
    }
    std::memcpy(buffer, it->second.data(), count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}

}  // namespace zplat
