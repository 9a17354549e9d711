#include "tools/command_line.h"

#include <CLI/CLI.hpp>

ZCommandLine::ZCommandLine(std::string name, std::string description)
    : name_(std::move(name)), description_(std::move(description)) {}

ZCommandLine::~ZCommandLine() = default;

void ZCommandLine::Add(std::unique_ptr<ICliCommand> command) {
    commands_.push_back(std::move(command));
}

int ZCommandLine::Run(int argc, const char* const* argv) {
    CLI::App app(description_, name_);
    app.require_subcommand(1);
    std::vector<std::pair<CLI::App*, ICliCommand*>> chosen;
    for (auto& command : commands_) {
        CLI::App* sub = app.add_subcommand(command->GetName(), command->GetDescription());
        command->Configure(sub);
        chosen.emplace_back(sub, command.get());
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);  // prints help, or the error with a hint, as CLI11 does
        return code == 0 ? ICliCommand::kExitSuccess : ICliCommand::kExitUsage;
    }
    for (auto& [sub, command] : chosen) {
        if (sub->parsed()) {
            return command->Run();
        }
    }
    return ICliCommand::kExitUsage;
}
