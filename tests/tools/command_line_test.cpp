// The zunit command line's own options: --version, --help and --help-all (which the manual page
// is made from), and the exit codes of a parse, over a command line of two small commands.

#include "tools/command_line.h"

#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

namespace {

class EchoCommand : public ICliCommand {
public:
    EchoCommand(const char* name, int* runs) : name_(name), runs_(runs) {}
    const char* GetName() const override { return name_; }
    const char* GetDescription() const override { return "Prints what it is given"; }
    void Configure(CLI::App* command) override {
        command->add_option("word", word_, "The word to print")->required();
        command->add_option("--times", times_, "How often")->capture_default_str();
        command->footer("Words are printed as given.\n  indented line");
    }
    int Run() override {
        ++*runs_;
        return kExitSuccess;
    }

private:
    const char* name_;
    int* runs_;
    std::string word_;
    int times_ = 1;
};

class CommandLineTest : public ::testing::Test {
protected:
    // Runs the command line on args; its stdout in out_.
    int Run(std::vector<const char*> args, bool withVersion = true) {
        ZCommandLine cli("zunit", "zunit: test");
        cli.Add(std::make_unique<EchoCommand>("echo", &runs_));
        cli.Add(std::make_unique<EchoCommand>("shout", &runs_));
        if (withVersion) {
            cli.SetVersion("zunit 7.1.0");
        }
        args.insert(args.begin(), "zunit");
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int code = cli.Run(static_cast<int>(args.size()), args.data());
        out_ = ::testing::internal::GetCapturedStdout();
        err_ = ::testing::internal::GetCapturedStderr();
        return code;
    }

    int runs_ = 0;
    std::string out_;
    std::string err_;
};

TEST_F(CommandLineTest, VersionPrintsTheGivenTextAndRunsNothing) {
    EXPECT_EQ(Run({"--version"}), ICliCommand::kExitSuccess);
    EXPECT_EQ(out_, "zunit 7.1.0\n");
    EXPECT_EQ(runs_, 0);
    // A command still runs as before, and without a version there is no such option.
    EXPECT_EQ(Run({"echo", "hi"}), ICliCommand::kExitSuccess);
    EXPECT_EQ(runs_, 1);
    EXPECT_EQ(Run({"--version"}, false), ICliCommand::kExitUsage);
    EXPECT_FALSE(err_.empty());
}

TEST_F(CommandLineTest, HelpEndsWithTheExitCodes) {
    EXPECT_EQ(Run({"--help"}), ICliCommand::kExitSuccess);
    const size_t codes = out_.find("Exit codes:\n  0  success\n  1  nothing found\n");
    ASSERT_NE(codes, std::string::npos) << out_;
    EXPECT_NE(out_.find("  6  the client did not start (connect)\n", codes), std::string::npos);
    // A command's own help keeps its own footer and does not repeat the exit codes.
    EXPECT_EQ(Run({"echo", "--help"}), ICliCommand::kExitSuccess);
    EXPECT_NE(out_.find("Words are printed as given."), std::string::npos);
    EXPECT_EQ(out_.find("Exit codes:"), std::string::npos);
}

// Each command a block: "name:" alone on its line, its description indented, a blank line, then
// its arguments and options one a line and its footer, indented; help2man turns each block into
// a subsection of the manual page.
TEST_F(CommandLineTest, HelpAllShowsEveryCommandAsABlock) {
    EXPECT_EQ(Run({"--help-all"}), ICliCommand::kExitSuccess);
    for (const char* name : {"echo", "shout"}) {
        SCOPED_TRACE(name);
        const size_t block =
            out_.find(std::string("\n") + name + ":\n  Prints what it is given\n\n");
        ASSERT_NE(block, std::string::npos) << out_;
        const size_t word = out_.find("\n  word TEXT REQUIRED", block);
        const size_t times = out_.find("\n  --times INT=1", block);
        const size_t footer =
            out_.find("\n\n  Words are printed as given.\n    indented line\n", block);
        EXPECT_NE(word, std::string::npos);
        EXPECT_LT(word, times);
        EXPECT_LT(times, footer);
        EXPECT_NE(footer, std::string::npos);
    }
    // The first block stands apart from the "Subcommands:" title; the blocks leave out --help.
    EXPECT_NE(out_.find("Subcommands:\n\necho:\n"), std::string::npos) << out_;
    EXPECT_EQ(out_.find("\n  -h,--help", out_.find("echo:")), std::string::npos);
    EXPECT_NE(out_.find("Exit codes:"), std::string::npos);
}

TEST_F(CommandLineTest, BadArgumentsAreUsageErrors) {
    struct Case {
        const char* name;
        std::vector<const char*> args;
    };
    const Case cases[] = {
        {"no command", {}},
        {"unknown command", {"whisper"}},
        {"missing argument", {"echo"}},
        {"unknown option", {"echo", "hi", "--loud"}},
        {"bad number", {"echo", "hi", "--times", "many"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Run(c.args), ICliCommand::kExitUsage);
        EXPECT_FALSE(err_.empty());
    }
    EXPECT_EQ(runs_, 0);
}

}  // namespace
