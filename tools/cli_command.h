#pragma once
// ICliCommand: one subcommand of the zunit command line. Each command is a class of its own that
// declares its options on its CLI11 subcommand and runs when that subcommand is chosen; the
// command line (ZCommandLine) only dispatches, so new commands are added without touching the
// others.
//
//   class ZHelloCommand : public ICliCommand {
//   public:
//       const char* GetName() const override { return "hello"; }
//       const char* GetDescription() const override { return "Says hello"; }
//       void Configure(CLI::App* command) override { command->add_option("--who", who_); }
//       int Run() override { std::printf("hello %s\n", who_.c_str()); return kExitSuccess; }
//   private:
//       std::string who_ = "world";
//   };
//
// Exit codes are shared by every command. Errors go to stderr, with the text of the result code
// that caused them; results go to stdout.
//
// Ownership: the command line owns its commands; a command owns what it creates while it runs.

namespace CLI {
class App;
}

class ICliCommand {
public:
    static constexpr int kExitSuccess = 0;
    static constexpr int kExitNothingFound = 1;
    static constexpr int kExitUsage = 2;
    static constexpr int kExitNetwork = 3;
    static constexpr int kExitMissing = 4;        // scan --expect: an expected product is missing
    static constexpr int kExitCannotConnect = 5;  // connect: the client is not installed
    static constexpr int kExitLaunchFailed = 6;   // connect: the client did not start

    virtual const char* GetName() const = 0;
    virtual const char* GetDescription() const = 0;
    // Declares the command's options and arguments; called once, before parsing.
    virtual void Configure(CLI::App* command) = 0;
    // Runs after a successful parse; the exit code.
    virtual int Run() = 0;

    virtual ~ICliCommand() = default;
};
