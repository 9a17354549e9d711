#include "tools/command_line.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <sstream>

namespace {

// --help-all shows each command as a block of its own: its name and a colon, its description,
// its arguments and options one a line, and its footer (scan's holds the format of an expected
// inventory). help2man makes a subsection of each block for the manual page.
class ExpandedFormatter : public CLI::Formatter {
public:
    std::string make_expanded(const CLI::App* sub) const override {
        // CLI11 puts a blank line after each block; the first needs one before it too.
        const CLI::App* parent = sub->get_parent();
        const bool first = parent != nullptr && parent->get_subcommands({}).front() == sub;
        std::string text = std::string(first ? "\n" : "") + sub->get_display_name(true) + ":\n  " +
                           sub->get_description() + "\n\n";
        const auto options = sub->get_options([sub](const CLI::Option* option) {
            return !option->get_group().empty() && option != sub->get_help_ptr() &&
                   option != sub->get_help_all_ptr();
        });
        for (const CLI::Option* option : options) {
            text += make_option(option, !option->nonpositional());
        }
        const std::string footer = sub->get_footer();
        if (!footer.empty()) {
            text += "\n";
            std::istringstream lines(footer);
            std::string line;
            while (std::getline(lines, line)) {
                text += line.empty() ? "\n" : "  " + line + "\n";
            }
        }
        return text;
    }
};

// The exit codes every command shares, at the end of the help.
std::string ExitCodesText() {
    struct Code {
        int code;
        const char* meaning;
    };
    const Code codes[] = {
        {ICliCommand::kExitSuccess, "success"},
        {ICliCommand::kExitNothingFound, "nothing found"},
        {ICliCommand::kExitUsage, "bad arguments (usage)"},
        {ICliCommand::kExitNetwork, "the network could not start"},
        {ICliCommand::kExitMissing, "an expected product is missing (scan --expect)"},
        {ICliCommand::kExitCannotConnect, "the client is not installed (connect)"},
        {ICliCommand::kExitLaunchFailed, "the client did not start (connect)"},
    };
    std::string text = "Exit codes:\n";
    for (const Code& c : codes) {
        char line[96];
        std::snprintf(line, sizeof line, "  %d  %s\n", c.code, c.meaning);
        text += line;
    }
    return text;
}

}  // namespace

ZCommandLine::ZCommandLine(std::string name, std::string description)
    : name_(std::move(name)), description_(std::move(description)) {}

ZCommandLine::~ZCommandLine() = default;

void ZCommandLine::Add(std::unique_ptr<ICliCommand> command) {
    commands_.push_back(std::move(command));
}

void ZCommandLine::SetVersion(std::string text) {
    version_ = std::move(text);
}

int ZCommandLine::Run(int argc, const char* const* argv) {
    CLI::App app(description_, name_);
    app.formatter(std::make_shared<ExpandedFormatter>());
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "Print this help with every command's options and exit");
    if (!version_.empty()) {
        app.set_version_flag("--version", version_, "Print the version and exit");
    }
    std::vector<std::pair<CLI::App*, ICliCommand*>> chosen;
    for (auto& command : commands_) {
        CLI::App* sub = app.add_subcommand(command->GetName(), command->GetDescription());
        command->Configure(sub);
        chosen.emplace_back(sub, command.get());
    }
    app.footer(ExitCodesText());  // after the commands, which would take it as their own
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
