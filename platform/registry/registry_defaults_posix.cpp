// The default registry view on POSIX: the Wine prefix's registry files and the view of
// SYSTEM\CurrentControlSet synthesized from the network records and sysfs.

#include "platform/process/wine_prefix.h"
#include "platform/registry/reg_file.h"
#include "platform/registry/registry.h"
#include "platform/registry/system_registry.h"

namespace zplat {

std::vector<RegistryMount> DefaultRegistryMounts() {
    std::string prefix = WinePrefix();
    std::vector<RegistryMount> mounts;
    mounts.push_back(
        {HKEY_LOCAL_MACHINE, "", std::make_shared<RegFileRegistry>(prefix + "/system.reg")});
    mounts.push_back(
        {HKEY_CURRENT_USER, "", std::make_shared<RegFileRegistry>(prefix + "/user.reg")});
    mounts.push_back(
        {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet", std::make_shared<SystemRegistry>()});
    return mounts;
}

}  // namespace zplat
