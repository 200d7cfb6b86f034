#include <gtest/gtest.h>

#include "AgentCommandLine.h"

namespace orvendi::test {
namespace {

TEST(AgentCommandLine, AnswersHelpAndVersionAndRefusesUnknownOptions) {
    using A = AgentCommandLine::Action;
    struct Row {
        std::vector<std::string> arguments;
        A action;
    };
    const Row rows[] = {
        {{}, A::Run},
        {{"orvendi://auth?code=1"}, A::Run},
        {{"--help"}, A::ShowHelp},
        {{"orvendi://x", "-h"}, A::ShowHelp},
        {{"--version"}, A::ShowVersion},
        {{"--frobnicate"}, A::UsageError},
        {{"-x", "--help"}, A::UsageError},
        // Qt's own options, as a session manager passes them, with their values.
        {{"-session", "1234_5", "orvendi://x"}, A::Run},
        {{"--platform=xcb", "-reverse"}, A::Run},
        {{"-display"}, A::UsageError},
        // After "--" only links follow, even when they look like options.
        {{"--", "--help"}, A::Run},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.arguments));
        const auto command = AgentCommandLine::parse(row.arguments);
        EXPECT_EQ(command.action, row.action);
        EXPECT_EQ(command.problem.empty(), row.action != A::UsageError) << command.problem;
    }
    EXPECT_EQ(AgentCommandLine::parse({"--frobnicate"}).problem, "unknown option --frobnicate");
}

} // namespace
} // namespace orvendi::test
