#include "tools/locate_command.h"

#include <CLI/CLI.hpp>

#include <cstdio>

#include "ndd/ndd_user_agent.h"
#include "ndd/network_device_detection.h"
#include "net/ip_address.h"
#include "tools/cli_identity.h"
#include "tools/device_table.h"
#include "tools/network_namespace.h"
#include "tools/option_check.h"

namespace {

// More requests than this within one lookup are of no use: each waits for its share of the time.
constexpr uint64_t kMaxRetries = 1000;

}  // namespace

const char* ZLocateCommand::GetDescription() const {
    return "Looks for the one device at ADDRESS and waits for its answer";
}

void ZLocateCommand::Configure(CLI::App* command) {
    command->add_option("address", address_, "Dotted address of the device")->required();
    command->add_option("--port", port_, "Only the device's service on this port (0: any)")
        ->check(ZOptionCheck::WholeNumber(0, 65535));
    command->add_option("--timeout", timeoutMs_, "Milliseconds to wait in all")
        ->capture_default_str()
        ->check(ZOptionCheck::Milliseconds(/*zeroAllowed=*/false));
    command->add_option("--retries", retries_, "Requests to send within the time")
        ->capture_default_str()
        ->check(ZOptionCheck::WholeNumber(1, kMaxRetries));
    command->add_option("--service", service_, "Service-name pattern")
        ->capture_default_str()
        ->check(ZOptionCheck::ServicePattern());
    command->add_option("--data", data_, "Text the searches carry (default: zunit's identity)")
        ->check(ZOptionCheck::TextLength(0, ZOptionCheck::kMaxSearchDataLength));
    command->add_option("--search-port", searchPort_, "UDP port the devices listen on")
        ->capture_default_str()
        ->check(ZOptionCheck::Port());
    command->add_flag("--json", json_, "Print JSON");
    command->add_flag(ZNetworkNamespace::kOverrideFlag, allowHostNetwork_,
                      ZNetworkNamespace::OverrideHelp());
}

const char* ZLocateCommand::ResultText(ZNDDUserAgent* agent, int16_t code) {
    if (code == INDDUserAgent::kServiceDoesntExist) {
        return agent->GetErrorText(code);
    }
    return agent->GetEngine()->GetErrorText(code);
}

int ZLocateCommand::Run() {
    const uint32_t numeric = ParseDottedAddress(address_.c_str());
    if (numeric == 0xFFFFFFFFu) {
        std::fprintf(stderr, "zunit locate: \"%s\" is not the dotted address of one device\n",
                     address_.c_str());
        return kExitUsage;
    }
    if (!ZNetworkNamespace::MayUseNetwork("locate", allowHostNetwork_)) {
        return kExitNetwork;
    }
    ZNDDUserAgent agent(nullptr, 0, searchPort_);
    const int16_t started = agent.Start();
    if (started != INDDUserAgent::kSuccess) {
        std::fprintf(stderr, "zunit locate: the network could not start: %s (%d)\n",
                     agent.GetErrorText(started), started);
        return kExitNetwork;
    }
    agent.SetServiceType(service_.c_str());
    agent.SetRetryCount(retries_);
    int16_t result = 0;
    INetworkDevice* device = nullptr;
    const bool found = agent.Locate(address_.c_str(), port_, &result, &device,
                                    data_.empty() ? kZunitIdentity : data_.c_str(), timeoutMs_);
    agent.Stop();
    if (!found || device == nullptr) {
        std::fprintf(stderr, "zunit locate: %s: %s (%d)\n", address_.c_str(),
                     ResultText(&agent, result), result);
        return kExitNothingFound;
    }
    ZDeviceTable table(json_ ? ZDeviceTable::Format::kJson : ZDeviceTable::Format::kText);
    table.Add(device, "");
    table.Print(stdout);
    return kExitSuccess;
}
