#include "catalogue/product.h"

#include <cstring>

#include "catalogue/client_launch.h"
#include "catalogue/product_info.h"
#include "ndd/network_device_interface.h"
#include "platform/network/inet.h"

namespace {

ZProductIcon g_icons[kProductTypeCount];
IProductIconProvider* g_iconProvider = nullptr;

}  // namespace

ZProduct::ZProduct(INetworkDevice* device) : serial("N/A") {
    if (device == nullptr) {
        return;
    }
    IIPAddress* first = device->GetAddress(0);
    const uint32_t address = first != nullptr ? first->GetAddress() : 0;

    name.Assign(device->GetDeviceName());
    serviceName.Assign(device->GetServiceName());

    const ZProductKind& kind = FindProductKind(device->GetServiceName());
    label.Assign(kind.label);
    type = kind.type;
    clientName.Assign(kind.clientName);
    majorVersion = kind.majorVersion;

    // Fixed here: a "masterversion" in the info text changes the client lookup, not this column.
    const char* version = device->GetVersion();
    if (version != nullptr && *version != '\0') {
        versionText.Assign(version);
    } else {
        versionText = ZString(majorVersion);
    }

    typeModel = label;
    addressText.Assign(zplat::InetNtoa(address).c_str());
    port = device->GetPort();
    description = DescribeModel(device->GetModel());
    ParseInfo(device->GetInfo());
}

void ZProduct::ParseInfo(const char* text) {
    ZProductInfo info;
    if (!ReadProductInfo(text, label.GetString(), &info)) {
        return;
    }
    if (info.hasSerial) {
        serial.Assign(info.serial.c_str());
    }
    if (info.hasMajorVersion) {
        majorVersion = info.majorVersion;
    }
    typeModel = label + info.suffix;
}

ZString ZProduct::DescribeModel(const char* model) {
    if (model == nullptr || *model == '\0') {
        return ZString("?");
    }
    static constexpr struct {
        const char* model;
        const char* description;
    } kDescriptions[] = {
        {"Cuedeck", "Cuedeck Editor"},
        {"Cuedeck7", "Conductor for Cuedeck"},
        {"Zelvane Cuedeck", "Cuedeck Core"},
        {"ConductorRT", "Conductor Runtime"},
    };
    for (const auto& row : kDescriptions) {
        if (std::strcmp(row.model, model) == 0) {
            return ZString(row.description);
        }
    }
    return ZString(model);
}

ZProductIcon ZProduct::GetIcon() const {
    return g_icons[type < kProductTypeCount ? type : 0];
}

bool ZProduct::IsClientInstalled() const {
    switch (type) {
        case ptConductor5:
        case ptConductorRuntime:
        case ptHandset:
        case ptConductor6:
            return IsConductorClientInstalled(majorVersion);
        case ptConductorRuntime2:
            // Its runtime is driven by the Conductor 6 client, whatever version it reports.
            return IsConductorClientInstalled(6);
        case ptCuedeck:
        case ptCuedeck2:
            return IsCuedeckEditorInstalled(majorVersion);
        case ptVxp2:
            return IsWebBrowserAvailable();
        case ptTonehost2:
            return IsToneClientInstalled(majorVersion);
        case ptTimekeeper:
            return IsTimekeeperClientInstalled(majorVersion);
        case ptCuedeck7:
            return true;
        default:
            return false;
    }
}

bool ZProduct::CanConnect() const {
    return IsClientInstalled() && type != ptCuedeck7;
}

bool ZProduct::LaunchClient() const {
    switch (type) {
        case ptConductor5:
        case ptConductorRuntime:
        case ptHandset:
        case ptConductor6:
            return LaunchConductorClient(majorVersion);
        case ptConductorRuntime2:
            return LaunchConductorClient(6);
        case ptCuedeck:
        case ptCuedeck2:
            return LaunchCuedeckEditor(majorVersion);
        case ptVxp2:
            return OpenWebPage(addressText.GetString());
        case ptTonehost2:
            return LaunchToneClient(majorVersion);
        case ptTimekeeper:
            return LaunchTimekeeperClient(majorVersion);
        case ptCuedeck7:
            return OpenRemoteDesktop();
        default:
            return false;
    }
}

void ZProduct::InitProductResources(void* window, IProductIconProvider* icons) {
    FreeProductResources();
    g_iconProvider = icons;
    for (int kind = 0; kind < kProductTypeCount; ++kind) {
        g_icons[kind] = icons != nullptr ? icons->LoadProductIcon(static_cast<uint16_t>(
                                               IProductIconProvider::kFirstIconResource + kind))
                                         : nullptr;
    }
    ClearClientInstalledCaches();
    SetShellOwnerWindow(window);
}

void ZProduct::FreeProductResources() {
    for (ZProductIcon& icon : g_icons) {
        if (icon != nullptr && g_iconProvider != nullptr) {
            g_iconProvider->FreeProductIcon(icon);
        }
        icon = nullptr;
    }
    g_iconProvider = nullptr;
}
