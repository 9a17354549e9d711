#pragma once
// The questions that turning a command line into a program to run asks of the file system, as an
// interface so the resolution in command_line.h is tested with hand-made answers.
//
//   const zplat::IExecutableProbe& probe = zplat::SystemExecutableProbe();
//   if (probe.IsExecutable("/usr/bin/env")) ...
//
// The system probe is a process-wide object that lives as long as the program; it keeps no state.

#include <string>

namespace zplat {

class IExecutableProbe {
public:
    // A regular file that this process may execute (directories never count).
    virtual bool IsExecutable(const std::string& hostPath) const = 0;
    // The path of a bare program name found along PATH, or "" when none is executable.
    virtual std::string SearchPath(const std::string& name) const = 0;
    // The host path of an existing regular file named by a drive-letter path in the Wine prefix,
    // or "" (see wine_prefix.h).
    virtual std::string FindWindowsFile(const std::string& windowsPath) const = 0;
    // The `wine` loader found along PATH, or "" when Wine is not installed.
    virtual std::string WineLoader() const = 0;

    // After the operations, so their order stays as listed.
    virtual ~IExecutableProbe() = default;
};

// Answers from the real file system, PATH and the Wine prefix of the environment.
const IExecutableProbe& SystemExecutableProbe();

}  // namespace zplat
