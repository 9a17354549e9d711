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
    command
        ->add_option("--max-products", maxProducts_,
                     "List at most N products; answers of further ones are counted (--stats)")
        ->type_name("N")
        ->check(CLI::Range(1u, 0xFFFFFFFFu))
        ->capture_default_str();
}

void ZSearchFlags::Apply(ZProductSearch::Options* options) const {
    options->searchPort = searchPort_;
    options->maxProducts = maxProducts_;
    options->service = service_;
    if (!data_.empty()) {
        options->data = data_;
    }
}
