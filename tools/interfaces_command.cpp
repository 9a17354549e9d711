#include "tools/interfaces_command.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "catalogue/table_text.h"
#include "ndd/network_device_detection.h"
#include "net/network_adapter_manager.h"

namespace {

using table_text::Printable;

// One adapter of the inventory as JSON.
nlohmann::json AdapterJson(INetworkAdapter* a) {
    nlohmann::json addresses = nlohmann::json::array();
    for (uint32_t i = 0; i < a->GetIPAddressCount(); ++i) {
        addresses.push_back({{"address", a->GetIPAddressText(i)},
                             {"mask", a->GetIPMaskText(i)},
                             {"broadcast", a->GetIPBroadcastText(i)}});
    }
    nlohmann::json gateways = nlohmann::json::array();
    for (uint32_t i = 0; i < a->GetGatewayCount(); ++i) {
        gateways.push_back(a->GetGateway(i));
    }
    nlohmann::json dns = nlohmann::json::array();
    for (uint32_t i = 0; i < a->GetDnsServerCount(); ++i) {
        dns.push_back(a->GetDnsServer(i));
    }
    auto* adapter = dynamic_cast<ZNetworkAdapter*>(a);
    return {{"name", a->GetName()},
            {"description", a->GetDescription()},
            {"type", a->GetTypeName(static_cast<int>(a->GetType()))},
            {"hardware_address", a->GetHardwareAddressText()},
            {"addresses", addresses},
            {"gateways", gateways},
            {"dns_servers", dns},
            {"dhcp", a->IsDhcpEnabled()},
            {"dhcp_server", a->GetDhcpServer()},
            {"operational", a->IsOperational()},
            {"pci_location", adapter != nullptr ? adapter->GetPCILocation() : -1}};
}

std::string Joined(const nlohmann::json& list) {
    std::string text;
    for (const auto& item : list) {
        text += (text.empty() ? "" : ", ") + item.get<std::string>();
    }
    return text.empty() ? "-" : text;
}

}  // namespace

const char* ZInterfacesCommand::GetDescription() const {
    return "Prints the engine's interface table and the machine's network adapters";
}

void ZInterfacesCommand::Configure(CLI::App* command) {
    command->add_flag("--json", json_, "Print JSON");
}

int ZInterfacesCommand::Run() {
    ZNetworkDeviceDetection engine(nullptr);
    const int16_t started = engine.Start(nullptr, 0, 4258);
    nlohmann::json table = nlohmann::json::array();
    for (uint32_t i = 0; i < engine.GetInterfaceCount(); ++i) {
        ZIPAddress* a = engine.GetInterface(i);
        table.push_back({{"address", a->GetAddressText()},
                         {"mask", a->GetMaskText()},
                         {"broadcast", a->GetBroadcastText()},
                         {"name", engine.GetInterfaceName(i)}});
    }
    engine.Stop();

    ZNetworkAdapterManager inventory;
    inventory.Refresh();
    nlohmann::json adapters = nlohmann::json::array();
    for (uint32_t i = 0; i < inventory.GetCount(); ++i) {
        adapters.push_back(AdapterJson(inventory.GetAdapter(i)));
    }

    if (json_) {
        const nlohmann::json all = {{"interfaces", table}, {"adapters", adapters}};
        std::printf("%s\n", table_text::EscapeJsonControls(
                                all.dump(2, ' ', false, nlohmann::json::error_handler_t::replace))
                                .c_str());
    } else {
        std::printf("Search interfaces\n");
        for (const auto& row : table) {
            std::printf("  %-15s mask %-15s broadcast %-15s %s\n",
                        row["address"].get<std::string>().c_str(),
                        row["mask"].get<std::string>().c_str(),
                        row["broadcast"].get<std::string>().c_str(),
                        Printable(row["name"].get<std::string>()).c_str());
        }
        for (const auto& a : adapters) {
            // Names and descriptions come from system files: shown as text, never as controls.
            std::printf("\nAdapter %s: %s\n", Printable(a["name"].get<std::string>()).c_str(),
                        Printable(a["description"].get<std::string>()).c_str());
            std::printf("  type %s, hardware address %s, %s, DHCP %s, PCI location %d\n",
                        a["type"].get<std::string>().c_str(),
                        a["hardware_address"].get<std::string>().c_str(),
                        a["operational"].get<bool>() ? "operational" : "not operational",
                        a["dhcp"].get<bool>() ? "on" : "off", a["pci_location"].get<int>());
            for (const auto& ip : a["addresses"]) {
                std::printf("  address %-15s mask %-15s broadcast %s\n",
                            ip["address"].get<std::string>().c_str(),
                            ip["mask"].get<std::string>().c_str(),
                            ip["broadcast"].get<std::string>().c_str());
            }
            std::printf("  gateways %s\n  DNS servers %s\n", Joined(a["gateways"]).c_str(),
                        Joined(a["dns_servers"]).c_str());
        }
    }
    if (started != 0) {
        std::fprintf(stderr, "zunit interfaces: the network could not start: %s (%d)\n",
                     engine.GetErrorText(started), started);
        return kExitNetwork;
    }
    return kExitSuccess;
}
