#include "tools/connect_command.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

#include "catalogue/product.h"
#include "catalogue/product_table.h"
#include "catalogue/table_text.h"
#include "tools/network_namespace.h"
#include "tools/option_check.h"
#include "tools/product_search.h"

namespace {

using table_text::Printable;
using Clock = std::chrono::steady_clock;

// After the first product at the address answered, the search goes on for half a cycle (at most
// this long) so that every other product there answers too.
constexpr uint32_t kMaxSettleMs = 500;
constexpr uint32_t kTickMs = 100;

// A decimal number from 0 to max without sign or spaces.
bool ParseNumber(const std::string& text, uint32_t max, uint32_t* value) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    uint32_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + static_cast<uint32_t>(c - '0');
    }
    if (v > max) {
        return false;
    }
    *value = v;
    return true;
}

bool Matches(const ZProduct& p, const std::string& address, uint16_t port) {
    return address == p.GetAddressText().GetString() && (port == 0 || port == p.GetPort());
}

}  // namespace

const char* ZConnectCommand::GetDescription() const {
    return "Finds the product at ADDRESS[:PORT] and starts its client as the finder's Connect does";
}

bool ZConnectCommand::ParseTarget(const std::string& text, std::string* address, uint16_t* port) {
    std::string host = text;
    uint32_t portValue = 0;
    const size_t colon = text.find(':');
    if (colon != std::string::npos) {
        host = text.substr(0, colon);
        if (!ParseNumber(text.substr(colon + 1), 65535, &portValue) || portValue == 0) {
            return false;
        }
    }
    // Four decimal parts, written back without leading zeros as the products' address texts are.
    std::string canonical;
    size_t begin = 0;
    for (int part = 0; part < 4; ++part) {
        const size_t dot = host.find('.', begin);
        if ((part < 3) == (dot == std::string::npos)) {
            return false;
        }
        const std::string digits =
            host.substr(begin, dot == std::string::npos ? std::string::npos : dot - begin);
        uint32_t octet = 0;
        if (digits.size() > 3 || !ParseNumber(digits, 255, &octet)) {
            return false;
        }
        canonical += (part > 0 ? "." : "") + std::to_string(octet);
        begin = dot + 1;
    }
    *address = canonical;
    *port = static_cast<uint16_t>(portValue);
    return true;
}

void ZConnectCommand::Configure(CLI::App* command) {
    command->add_option("target", target_, "ADDRESS or ADDRESS:PORT of the product")->required();
    command->add_option("--time", seconds_, "Seconds to search for it")
        ->capture_default_str()
        ->check(ZOptionCheck::Seconds(/*zeroAllowed=*/false));
    command->add_option("--interval", intervalMs_, "Milliseconds between search cycles")
        ->capture_default_str()
        ->check(ZOptionCheck::Milliseconds(/*zeroAllowed=*/false));
    command->add_option("--service", service_, "Service-name pattern")
        ->capture_default_str()
        ->check(ZOptionCheck::ServicePattern());
    command->add_option("--search-port", searchPort_, "UDP port the devices listen on")
        ->capture_default_str()
        ->check(ZOptionCheck::Port());
    subnets_.Configure(command);
    command->add_flag("--dry-run", dryRun_, "Say what would be started, and start nothing");
    command->add_flag(ZNetworkNamespace::kOverrideFlag, allowHostNetwork_,
                      ZNetworkNamespace::OverrideHelp());
}

int ZConnectCommand::Run() {
    std::string address;
    uint16_t port = 0;
    if (!ParseTarget(target_, &address, &port)) {
        std::fprintf(stderr, "zunit connect: %s is not ADDRESS or ADDRESS:PORT (a.b.c.d:n)\n",
                     target_.c_str());
        return kExitUsage;
    }
    if (seconds_ <= 0 || intervalMs_ == 0) {
        std::fprintf(stderr, "zunit connect: --time and --interval must be positive\n");
        return kExitUsage;
    }
    if (!subnets_.Check("connect")) {
        return kExitUsage;
    }
    if (!ZNetworkNamespace::MayUseNetwork("connect", allowHostNetwork_)) {
        return kExitNetwork;
    }

    ZProductSearch::Options options;
    options.searchPort = searchPort_;
    options.intervalMs = intervalMs_;
    options.service = service_;
    subnets_.Apply(&options);
    ZProductSearch search(options);
    std::string error;
    if (!search.Start(&error)) {
        std::fprintf(stderr, "zunit connect: %s\n", error.c_str());
        return kExitNetwork;
    }
    LProductList* list = search.GetCore().GetProductList();
    auto findMatches = [&] {
        std::vector<ZProduct*> found;
        list->Lock(LProductList::kLockReason);
        for (ZProduct* p = list->First(); p != nullptr; p = list->Next()) {
            if (Matches(*p, address, port)) {
                found.push_back(p);
            }
        }
        list->Unlock(LProductList::kLockReason);
        return found;
    };

    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(seconds_));
    const auto settle = std::chrono::milliseconds(std::min(intervalMs_ / 2, kMaxSettleMs));
    std::optional<Clock::time_point> firstMatch;
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= end || (firstMatch && now - *firstMatch >= settle)) {
            break;
        }
        if (!firstMatch && !findMatches().empty()) {
            firstMatch = now;
            continue;
        }
        search.WaitForProduct(kTickMs);
    }
    search.Stop();  // the products stay, and stay valid while the search exists

    const std::vector<ZProduct*> matches = findMatches();
    const std::string where = address + (port != 0 ? ":" + std::to_string(port) : "");
    if (matches.empty()) {
        std::fprintf(stderr, "zunit connect: no product answered at %s within %g s\n",
                     where.c_str(), seconds_);
        return kExitNothingFound;
    }
    if (matches.size() > 1) {
        std::fprintf(stderr,
                     "zunit connect: %zu products answered at %s; choose one with ADDRESS:PORT "
                     "or an exact --service:\n",
                     matches.size(), where.c_str());
        for (ZProduct* p : matches) {
            const ZProductRow row = ZProductRow::FromProduct(*p);
            std::fprintf(stderr, "  %s  %s (%s, %s)\n", row.AddressAndPort().c_str(),
                         ZProductTable::Quote(row.name).c_str(), Printable(row.typeModel).c_str(),
                         Printable(row.service).c_str());
        }
        return kExitUsage;
    }

    ZProduct* product = matches.front();
    const ZProductRow row = ZProductRow::FromProduct(*product);
    const std::string what = ZProductTable::Quote(row.name) + " (" + Printable(row.typeModel) +
                             ") at " + row.AddressAndPort() + ": client \"" +
                             Printable(row.client) + "\"";
    if (!product->CanConnect()) {
        const char* why =
            product->IsClientInstalled() ? "is not started by this program" : "is not installed";
        std::fprintf(stderr, "zunit connect: %s %s\n", what.c_str(), why);
        return kExitCannotConnect;
    }
    if (dryRun_) {
        std::printf("%s would be started\n", what.c_str());
        return kExitSuccess;
    }
    if (!product->LaunchClient()) {
        std::fprintf(stderr, "zunit connect: %s could not be started\n", what.c_str());
        return kExitLaunchFailed;
    }
    std::printf("%s started\n", what.c_str());
    return kExitSuccess;
}
