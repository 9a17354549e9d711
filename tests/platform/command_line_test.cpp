#include "platform/process/command_line.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

// File system answers from hand-made tables.
class FakeProbe : public zplat::IExecutableProbe {
public:
    std::set<std::string> executables;
    std::map<std::string, std::string> path;  // bare name -> found path
    std::set<std::string> windows_files;
    std::string wine = "/usr/bin/wine";

    bool IsExecutable(const std::string& p) const override { return executables.count(p) != 0; }
    std::string SearchPath(const std::string& name) const override {
        auto it = path.find(name);
        return it == path.end() ? std::string() : it->second;
    }
    std::string FindWindowsFile(const std::string& w) const override {
        return windows_files.count(w) != 0 ? "/prefix/" + w : std::string();
    }
    std::string WineLoader() const override { return wine; }
};

using Args = std::vector<std::string>;

TEST(CommandLineTest, SplitsArgumentsWithTheWindowsRules) {
    struct Case {
        const char* name;
        const char* text;
        Args expected;
    } cases[] = {
        {"blanks separate", "a  b\tc ", {"a", "b", "c"}},
        {"quotes group", "\"a b\" c", {"a b", "c"}},
        {"quote inside a word", "x\"a b\"y", {"xa by"}},
        {"backslashes alone are literal", "a\\\\b c\\", {"a\\\\b", "c\\"}},
        {"escaped quote", "a\\\"b", {"a\"b"}},
        {"even backslashes before a quote", "a\\\\\"b c\"", {"a\\b c"}},
        {"empty quoted argument", "\"\" x", {"", "x"}},
        {"doubled quote inside quotes", "\"a\"\"b\"", {"a\"b"}},
        {"nothing", "   ", {}},
        {"shell characters are plain text", "$(id) ; `id` | >x", {"$(id)", ";", "`id`", "|", ">x"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(zplat::SplitCommandLineArguments(c.text), c.expected);
    }
}

TEST(CommandLineTest, ResolvesTheProgramAsProcessCreationDoes) {
    FakeProbe probe;
    probe.path["sleep"] = "/usr/bin/sleep";
    probe.executables = {"/opt/my tools/run tool", "/opt/a", "/opt/a b", "/opt/q x"};
    probe.windows_files = {"C:\\Program Files\\Zelvane\\Conductor.exe", "C:\\Tools\\client.exe"};

    struct Case {
        const char* name;
        const char* line;
        std::string executable;  // "" when nothing resolves
        Args argv;
    } cases[] = {
        {"bare name along PATH", "sleep 5", "/usr/bin/sleep", {"sleep", "5"}},
        {"unquoted path with spaces",
         "/opt/my tools/run tool -x",
         "/opt/my tools/run tool",
         {"/opt/my tools/run tool", "-x"}},
        {"shortest prefix wins", "/opt/a b c", "/opt/a", {"/opt/a", "b", "c"}},
        {"whole line as the program", "/opt/q x", "/opt/q x", {"/opt/q x"}},
        {"leading blanks skipped", "  sleep 1", "/usr/bin/sleep", {"sleep", "1"}},
        {"quoted program", "\"/opt/a b\" \"c d\" e", "/opt/a b", {"/opt/a b", "c d", "e"}},
        {"quoted program is never split", "\"/opt/a x\"", "", {}},
        {"unterminated quote", "\"/opt/a b", "/opt/a b", {"/opt/a b"}},
        {"drive-letter path through wine",
         "C:\\Program Files\\Zelvane\\Conductor.exe",
         "/usr/bin/wine",
         {"wine", "C:\\Program Files\\Zelvane\\Conductor.exe"}},
        {"drive-letter path gets .exe",
         "C:\\Tools\\client /x",
         "/usr/bin/wine",
         {"wine", "C:\\Tools\\client.exe", "/x"}},
        {"missing program", "/nowhere/prog arg", "", {}},
        {"missing bare name", "nosuchprogram", "", {}},
        {"empty line", "", "", {}},
        {"blank line", " \t ", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto resolved = zplat::ResolveCommandLine(c.line, probe);
        if (c.executable.empty()) {
            EXPECT_FALSE(resolved.has_value());
            continue;
        }
        ASSERT_TRUE(resolved.has_value());
        EXPECT_EQ(resolved->executable, c.executable);
        EXPECT_EQ(resolved->argv, c.argv);
    }
}

TEST(CommandLineTest, WindowsProgramWithoutWineDoesNotResolve) {
    FakeProbe probe;
    probe.windows_files = {"C:\\Tools\\client.exe"};
    probe.wine.clear();
    EXPECT_FALSE(zplat::ResolveCommandLine("C:\\Tools\\client.exe", probe).has_value());
}

}  // namespace
