#pragma once
// ZSearchFlags: the search options that `zunit scan` and `zunit watch` both take (--service,
// --data, --search-port, --max-products), declared once and handed to ZProductSearch in one step.
//
//   ZSearchFlags search_;                      // a member of the command
//   search_.Configure(command);                // in ICliCommand::Configure
//   ZProductSearch::Options options;           // in ICliCommand::Run
//   search_.Apply(&options);
//
// Ownership: plain values; CLI11 writes them while parsing, so the object must outlive the parse.

#include <cstdint>
#include <string>

#include "tools/product_search.h"

namespace CLI {
class App;
}

class ZSearchFlags {
public:
    // Declares --service, --data, --search-port and --max-products on the command, in that order.
    void Configure(CLI::App* command);
    // Sets the search port, service pattern and product cap, and the search data when --data was
    // given (the finder's identity otherwise).
    void Apply(ZProductSearch::Options* options) const;

private:
    std::string service_ = "zelvane.*";
    std::string data_;
    uint16_t searchPort_ = 4258;
    uint32_t maxProducts_ = ZUnitFinderCore::kDefaultMaxProducts;
};
