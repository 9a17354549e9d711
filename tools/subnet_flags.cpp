#include "tools/subnet_flags.h"

#include <CLI/CLI.hpp>

#include <cstdio>

#include "ndd/subnet_sweep.h"
#include "net/subnet_check.h"
#include "tools/option_check.h"

void ZSubnetFlags::Configure(CLI::App* command) {
    command
        ->add_option("--subnet", texts_,
                     "Also search the routed subnet CIDR (such as 10.20.0.0/22, /16 to /32) by "
                     "unicast to each of its addresses; repeatable")
        ->type_name("CIDR");
    command->add_option("--rate", rate_, "Requests per second to --subnet blocks")
        ->capture_default_str()
        ->check(ZOptionCheck::WholeNumber(1, ZSendPacer::kMaxRate));
}

bool ZSubnetFlags::Check(const char* command) {
    std::string error;
    if (Check(&error)) {
        return true;
    }
    std::fprintf(stderr, "zunit %s: %s\n", command, error.c_str());
    return false;
}

bool ZSubnetFlags::Check(std::string* error) {
    std::string why;
    if (!ZSubnetCheck::CheckRate(rate_, &why)) {
        *error = "--rate " + std::to_string(rate_) + ": " + why;
        return false;
    }
    std::vector<std::string> refused;
    if (!ZSubnetCheck::CheckBlocks(texts_, ZSubnetSweep::kMaxBlocks, &blocks_, &refused)) {
        *error = "--subnet: " + refused.front();
        return false;
    }
    return true;
}

void ZSubnetFlags::Apply(ZProductSearch::Options* options) const {
    options->subnets = blocks_;
    options->sweepRate = rate_;
}
