#include "tools/search_flags.h"

#include <CLI/CLI.hpp>

#include "tools/option_check.h"

void ZSearchFlags::Configure(CLI::App* command) {
    command->add_option("--service", service_, "Service-name pattern")
        ->capture_default_str()
        ->check(ZOptionCheck::ServicePattern());
    command->add_option("--data", data_, "Text the searches carry (default: the finder's identity)")
        ->check(ZOptionCheck::TextLength(0, ZOptionCheck::kMaxSearchDataLength));
    command->add_option("--search-port", searchPort_, "UDP port the devices listen on")
        ->capture_default_str()
        ->check(ZOptionCheck::Port());
}

void ZSearchFlags::Apply(ZProductSearch::Options* options) const {
    options->searchPort = searchPort_;
    options->service = service_;
    if (!data_.empty()) {
        options->data = data_;
    }
}
