#include "platform/process/command_line.h"

#include "platform/process/wine_prefix.h"

namespace zplat {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Whether the last component of a Windows path carries an extension.
bool HasExtension(std::string_view windowsPath) {
    size_t slash = windowsPath.find_last_of("\\/");
    size_t dot = windowsPath.rfind('.');
    return dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
}

// The command for one candidate program name followed by the argument text; nullopt when the
// name does not resolve.
std::optional<ResolvedCommand> TryCandidate(std::string_view name, std::string_view arguments,
                                            const IExecutableProbe& probe) {
    if (name.empty()) {
        return std::nullopt;
    }
    ResolvedCommand command;
    if (IsDriveLetterPath(name)) {
        // Process creation adds ".exe" to a program name without an extension.
        std::string windowsPath(name);
        if (!HasExtension(windowsPath)) {
            windowsPath += ".exe";
        }
        if (probe.FindWindowsFile(windowsPath).empty()) {
            return std::nullopt;
        }
        command.executable = probe.WineLoader();
        if (command.executable.empty()) {
            return std::nullopt;
        }
        command.argv = {"wine", windowsPath};
    } else if (name.find('/') != std::string_view::npos) {
        std::string path(name);
        if (!probe.IsExecutable(path)) {
            return std::nullopt;
        }
        command.executable = path;
        command.argv = {path};
    } else {
        command.executable = probe.SearchPath(std::string(name));
        if (command.executable.empty()) {
            return std::nullopt;
        }
        command.argv = {std::string(name)};
    }
    for (std::string& argument : SplitCommandLineArguments(arguments)) {
        command.argv.push_back(std::move(argument));
    }
    return command;
}

}  // namespace

std::vector<std::string> SplitCommandLineArguments(std::string_view text) {
    std::vector<std::string> arguments;
    size_t i = 0;
    const size_t n = text.size();
    while (true) {
        while (i < n && IsBlank(text[i])) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        std::string argument;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(text[i]))) {
            char c = text[i];
            if (c == '\\') {
                size_t run = 0;
                while (i < n && text[i] == '\\') {
                    ++run;
                    ++i;
                }
                if (i < n && text[i] == '"') {
                    // 2n backslashes and a quote: n backslashes, the quote still groups;
                    // 2n+1: n backslashes and a literal quote.
                    argument.append(run / 2, '\\');
                    if (run % 2 == 1) {
                        argument += '"';
                        ++i;
                    }
                } else {
                    argument.append(run, '\\');
                }
            } else if (c == '"') {
                if (quoted && i + 1 < n && text[i + 1] == '"') {
                    argument += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument += c;
                ++i;
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::optional<ResolvedCommand> ResolveCommandLine(std::string_view commandLine,
                                                  const IExecutableProbe& probe) {
    size_t start = 0;
    while (start < commandLine.size() && IsBlank(commandLine[start])) {
        ++start;
    }
    std::string_view line = commandLine.substr(start);
    if (line.empty()) {
        return std::nullopt;
    }

    if (line.front() == '"') {
        size_t close = line.find('"', 1);
        if (close == std::string_view::npos) {
            return TryCandidate(line.substr(1), {}, probe);
        }
        return TryCandidate(line.substr(1, close - 1), line.substr(close + 1), probe);
    }

    for (size_t i = 0; i < line.size(); ++i) {
        if (IsBlank(line[i]) && (i == 0 || !IsBlank(line[i - 1]))) {
            if (auto command = TryCandidate(line.substr(0, i), line.substr(i + 1), probe)) {
                return command;
            }
        }
    }
    // The whole line names the program (trailing blanks are no part of the name).
    size_t end = line.size();
    while (end > 0 && IsBlank(line[end - 1])) {
        --end;
    }
    if (end < line.size()) {
        return std::nullopt;  // already tried as the prefix ending at the first trailing blank
    }
    return TryCandidate(line, {}, probe);
}

}  // namespace zplat
