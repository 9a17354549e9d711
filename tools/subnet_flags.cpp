#include "tools/subnet_flags.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>

#include "ndd/subnet_sweep.h"
#include "net/route_finder.h"
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
    blocks_.clear();
    if (rate_ < 1 || rate_ > ZSendPacer::kMaxRate) {
        *error = "--rate " + std::to_string(rate_) + ": give 1 to " +
                 std::to_string(ZSendPacer::kMaxRate) + " requests per second";
        return false;
    }
    if (texts_.size() > ZSubnetSweep::kMaxBlocks) {
        *error = "--subnet: " + std::to_string(texts_.size()) + " blocks given; at most " +
                 std::to_string(ZSubnetSweep::kMaxBlocks) + " are taken";
        return false;
    }
    for (const std::string& text : texts_) {
        ZCIDRBlock block;
        std::string why;
        if (!ZCIDRBlock::Parse(text.c_str(), &block, &why)) {
            *error = "--subnet: " + why;
            return false;
        }
        if (std::find(blocks_.begin(), blocks_.end(), block) == blocks_.end()) {
            blocks_.push_back(block);
        }
    }
    if (!blocks_.empty()) {
        ZRouteFinder routes;
        for (const ZCIDRBlock& block : blocks_) {
            std::string why;
            if (!routes.Split(block, nullptr, &why)) {
                *error = "--subnet: " + why;
                return false;
            }
        }
    }
    return true;
}

void ZSubnetFlags::Apply(ZProductSearch::Options* options) const {
    options->subnets = blocks_;
    options->sweepRate = rate_;
}
