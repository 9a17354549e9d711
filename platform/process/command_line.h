#pragma once
// Turns one Windows-style command line into the program to execute and its argument vector, the
// way process creation reads a command line when it is given no separate application name:
//
// - a command line that starts with a quote names the program up to the closing quote;
// - otherwise each prefix that ends at a space (or tab) is tried in turn, shortest first, and then
//   the whole line, until one names an existing executable, so an unquoted
//   "/opt/my tools/run tool -x" runs "/opt/my tools/run tool" with the argument "-x" when
//   "/opt/my" is not itself a program;
// - a name without a slash is looked up along PATH;
// - a drive-letter path ("C:\Program Files\A\a.exe", ".exe" added when the name has no extension)
//   is looked up in the Wine prefix and started through the `wine` loader;
// - the arguments after the program are split with the Windows rules (quotes group, backslashes
//   escape only before a quote, "" inside quotes is one quote).
//
//   auto cmd = zplat::ResolveCommandLine("sleep 5", zplat::SystemExecutableProbe());
//   // cmd->executable == "/usr/bin/sleep", cmd->argv == {"sleep", "5"}
//
// Pure functions over the probe; the results are plain values owned by the caller. Nothing here
// ever involves a shell: the argument vector is handed to exec as it is.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process/executable_probe.h"

namespace zplat {

struct ResolvedCommand {
    std::string executable;         // host path handed to exec
    std::vector<std::string> argv;  // argv[0] first
};

// Splits the argument part of a command line with the Windows rules.
std::vector<std::string> SplitCommandLineArguments(std::string_view text);

// The program and arguments of commandLine, or nullopt when no candidate names an existing
// executable (or a Wine program is named and Wine is not installed).
std::optional<ResolvedCommand> ResolveCommandLine(std::string_view commandLine,
                                                  const IExecutableProbe& probe);

}  // namespace zplat
