#include "tools/interfaces_command.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "ndd/network_device_detection.h"

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

    if (json_) {
        const nlohmann::json all = {{"interfaces", table}};
        std::printf("%s\n",
                    all.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    } else {
        std::printf("Search interfaces\n");
        for (const auto& row : table) {
            std::printf("  %-15s mask %-15s broadcast %-15s %s\n",
                        row["address"].get<std::string>().c_str(),
                        row["mask"].get<std::string>().c_str(),
                        row["broadcast"].get<std::string>().c_str(),
                        row["name"].get<std::string>().c_str());
        }
    }
    if (started != 0) {
        std::fprintf(stderr, "zunit interfaces: the network could not start: %s (%d)\n",
                     engine.GetErrorText(started), started);
        return kExitNetwork;
    }
    return kExitSuccess;
}
