#include "app/string_table.h"

#include "platform/files/string_resources.h"

namespace {

struct StringEntry {
    uint32_t id;
    const char* text;
};

constexpr StringEntry kStringTable[] = {
    {kStrDeviceName, "Device Name"},
    {kStrTypeModel, "Type/Model"},
    {kStrAddress, "Address"},
    {kStrDescription, "Description"},
};

}  // namespace

void RegisterStringTable() {
    zplat::HMODULE self = zplat::GetModuleHandleA(nullptr);
    for (const StringEntry& entry : kStringTable) {
        zplat::RegisterStringResource(self, entry.id, entry.text);
    }
}
