#include "platform/process/shell.h"

#include <mutex>

namespace zplat {

namespace {

std::mutex g_backend_mutex;
ShellExecuteBackend g_backend;

}  // namespace

std::optional<std::vector<std::string>> ShellOpenCommand(const ShellExecuteRequest& request) {
    if (!(request.verb.empty() || request.verb == "open") || request.file.empty() ||
        request.file.front() == '-' || !request.parameters.empty()) {
        return std::nullopt;
    }
    return std::vector<std::string>{"xdg-open", request.file};
}

ShellExecuteBackend SetShellExecuteBackend(ShellExecuteBackend backend) {
    std::lock_guard<std::mutex> lock(g_backend_mutex);
    ShellExecuteBackend previous = std::move(g_backend);
    g_backend = std::move(backend);
    return previous;
}

intptr_t ShellExecute(void* ownerWindow, const char* verb, const char* file, const char* parameters,
                      const char* directory, int showCommand) {
    ShellExecuteRequest request;
    request.ownerWindow = ownerWindow;
    request.verb = verb != nullptr ? verb : "";
    request.file = file != nullptr ? file : "";
    request.parameters = parameters != nullptr ? parameters : "";
    request.directory = directory != nullptr ? directory : "";
    request.showCommand = showCommand;

    ShellExecuteBackend backend;
    {
        std::lock_guard<std::mutex> lock(g_backend_mutex);
        backend = g_backend;
    }
    return backend ? backend(request) : SystemShellExecute(request);
}

}  // namespace zplat
