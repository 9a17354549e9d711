#include "net/subnet_check.h"

#include <algorithm>

#include "net/route_finder.h"
#include "net/send_pacer.h"

bool ZSubnetCheck::CheckBlocks(const std::vector<std::string>& texts, size_t maxBlocks,
                               std::vector<ZCIDRBlock>* blocks, std::vector<std::string>* refused) {
    blocks->clear();
    refused->clear();
    if (texts.size() > maxBlocks) {
        refused->push_back(std::to_string(texts.size()) + " blocks given; at most " +
                           std::to_string(maxBlocks) + " are taken");
        return false;
    }
    std::vector<ZCIDRBlock> parsed;
    for (const std::string& text : texts) {
        ZCIDRBlock block;
        std::string why;
        if (!ZCIDRBlock::Parse(text.c_str(), &block, &why)) {
            refused->push_back(why);
        } else if (std::find(parsed.begin(), parsed.end(), block) == parsed.end()) {
            parsed.push_back(block);
        }
    }
    if (!parsed.empty()) {
        ZRouteFinder routes;
        for (const ZCIDRBlock& block : parsed) {
            std::string why;
            if (routes.Split(block, nullptr, &why)) {
                blocks->push_back(block);
            } else {
                refused->push_back(why);
            }
        }
    }
    return refused->empty();
}

bool ZSubnetCheck::CheckRate(uint64_t rate, std::string* error) {
    if (rate >= 1 && rate <= ZSendPacer::kMaxRate) {
        return true;
    }
    *error = "give 1 to " + std::to_string(ZSendPacer::kMaxRate) + " requests per second";
    return false;
}
