#include <sstream>

#include <gtest/gtest.h>

#include "Orvendictl.h"
#include "Terminal.h"

namespace orvendi::test {
namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

ToolRun runTool(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    Terminal terminal(out, err, in, -1, -1);
    const int status = Orvendictl(terminal).run(arguments);
    return {status, out.str(), err.str()};
}

// The real command table: what the parser refuses, with the tool's exit status.
TEST(Orvendictl, UsageErrorsExitWithTwoAndExplainOnStandardError) {
    const std::vector<std::vector<std::string>> rows = {
        {},
        {"dictate"},
        {"stat"},
        {"status", "--json=yes"},
        {"signin", "--email"},
        {"transcribe", "--json"},
        {"--verbose", "status"},
        {"transcribe"},
        {"transcribe", "--fast", "a.wav"},
        {"retry", "a.wav", "b.wav"},
        {"status", "now"},
        {"signin", "--code", "123456"},
        {"signin", "--email", " \t "},
        {"record", "--seconds", "0"},
        {"record", "--seconds", "ten"},
        {"record", "--seconds=-3"},
        {"sync", "--json"},
    };
    for (const auto& arguments : rows) {
        const ToolRun run = runTool(arguments);
        const std::string context = ::testing::PrintToString(arguments);
        EXPECT_EQ(run.status, 2) << context;
        EXPECT_EQ(run.out, "") << context;
        EXPECT_EQ(run.err.rfind("orvendictl: ", 0), 0u) << context << run.err;
    }
}

TEST(Orvendictl, HelpAndVersionGoToStandardOutput) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--help"}, {"transcribe", "--help"}, {"--version"}}) {
        const ToolRun run = runTool(arguments);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_FALSE(run.out.empty());
    }
    EXPECT_EQ(runTool({"--version"}).out, std::string("orvendictl ") + ORVENDI_VERSION + "\n");
}

} // namespace
} // namespace orvendi::test
