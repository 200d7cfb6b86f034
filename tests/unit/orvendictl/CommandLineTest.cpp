#include <gtest/gtest.h>

#include "CommandLine.h"

namespace orvendi::test {
namespace {

CommandLine toolCommandLine() {
    return CommandLine({
        {"status", {"--json"}, {}, 0, 0, "status [--json]", "Status."},
        {"signin", {}, {"--email", "--code"}, 0, 0, "signin", "Sign in."},
        {"transcribe", {"--json"}, {}, 1, CommandSyntax::kAnyNumber, "transcribe FILE...", "T."},
        {"retry", {}, {}, 0, 1, "retry [FILE]", "Retry."},
    });
}

TEST(CommandLine, ReadsCommandsOptionsAndOperands) {
    struct Row {
        std::vector<std::string> arguments;
        Invocation::Kind kind;
        std::set<std::string> flags;
        std::map<std::string, std::string> values;
        std::vector<std::string> operands;
    };
    using K = Invocation::Kind;
    const std::vector<Row> rows = {
        {{"--help"}, K::Help, {}, {}, {}},
        {{"-h", "status"}, K::Help, {}, {}, {}},
        {{"--version"}, K::Version, {}, {}, {}},
        {{"status"}, K::Run, {}, {}, {}},
        {{"status", "--json"}, K::Run, {"--json"}, {}, {}},
        {{"status", "--help"}, K::CommandHelp, {}, {}, {}},
        {{"signin", "--email", "a@b.c", "--code=12 34"},
         K::Run,
         {},
         {{"--email", "a@b.c"}, {"--code", "12 34"}},
         {}},
        // A value that looks like an option is still the option's value.
        {{"signin", "--code", "--email"}, K::Run, {}, {{"--code", "--email"}}, {}},
        {{"signin", "--email="}, K::Run, {}, {{"--email", ""}}, {}},
        {{"transcribe", "a.wav", "--json", "b.flac"}, K::Run, {"--json"}, {}, {"a.wav", "b.flac"}},
        // After "--" everything is a file, and a lone "-" is always one.
        {{"transcribe", "--", "--json", "-"}, K::Run, {}, {}, {"--json", "-"}},
        {{"transcribe", "-"}, K::Run, {}, {}, {"-"}},
        {{"retry"}, K::Run, {}, {}, {}},
    };
    const CommandLine commandLine = toolCommandLine();
    for (const auto& row : rows) {
        const Invocation invocation = commandLine.parse(row.arguments);
        const std::string context = ::testing::PrintToString(row.arguments);
        EXPECT_EQ(invocation.kind, row.kind) << context;
        if (row.kind == K::Run) {
            EXPECT_EQ(invocation.command.flags, row.flags) << context;
            EXPECT_EQ(invocation.command.values, row.values) << context;
            EXPECT_EQ(invocation.command.operands, row.operands) << context;
        }
    }
}

TEST(CommandLine, HelpListsEveryCommandWithItsSynopsis) {
    const std::string help = toolCommandLine().help();
    for (const char* synopsis : {"status [--json]", "transcribe FILE...", "retry [FILE]"}) {
        EXPECT_NE(help.find(synopsis), std::string::npos) << synopsis;
    }
    EXPECT_NE(toolCommandLine().help("retry").find("Usage: orvendictl retry [FILE]"),
              std::string::npos);
}

} // namespace
} // namespace orvendi::test
