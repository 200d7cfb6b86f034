#include <gtest/gtest.h>

#include "base/Error.h"
#include "platform/linux/keys/SwayIpc.h"
#include "platform/linux/keys/SwayTree.h"

namespace orvendi::test {
namespace {

using namespace sway_ipc;

// Messages arrive in pieces of any size, several in one read.
TEST(SwayIpc, ReaderSplitsAStreamIntoMessagesWhateverThePieces) {
    const std::string stream = encode(kRunCommand, R"([{"success":true}])") +
                               encode(kBindingEvent, R"({"change":"run"})") +
                               encode(kSubscribe, "");
    for (size_t piece : {size_t(1), size_t(5), stream.size()}) {
        Reader reader;
        std::vector<Message> messages;
        for (size_t at = 0; at < stream.size(); at += piece) {
            reader.append(stream.substr(at, piece));
            while (auto message = reader.next()) {
                messages.push_back(*message);
            }
        }
        ASSERT_EQ(messages.size(), 3u) << "pieces of " << piece;
        EXPECT_EQ(messages[0].type, kRunCommand);
        EXPECT_EQ(messages[0].payload, R"([{"success":true}])");
        EXPECT_EQ(messages[1].type, uint32_t(kBindingEvent));
        EXPECT_EQ(messages[2].payload, "");
    }
}

TEST(SwayIpc, BytesThatAreNotSwayIpcAreRefused) {
    Reader reader;
    reader.append("HTTP/1.1 200 OK\r\n\r\n");
    EXPECT_THROW(reader.next(), PlatformError);
}

TEST(SwayIpc, OnlyTheAgentsOwnBindingsMoveTheKey) {
    const Bindings bindings("Control_R");
    EXPECT_EQ(bindings.addCommands(), "bindsym --no-repeat Control_R nop orvendi dictation press; "
                                      "bindsym --release Control_R nop orvendi dictation release");
    auto event = [](const std::string& change, const std::string& command) {
        return R"({"change":")" + change + R"(","binding":{"command":")" + command +
               R"(","symbol":"Control_R","input_type":"keyboard"}})";
    };
    EXPECT_EQ(keyChangeOf(event("run", bindings.pressCommand), bindings), KeyChange::Press);
    EXPECT_EQ(keyChangeOf(event("run", bindings.releaseCommand), bindings), KeyChange::Release);
    EXPECT_EQ(keyChangeOf(event("run", "exec foot"), bindings), std::nullopt);
    EXPECT_EQ(keyChangeOf(event("other", bindings.pressCommand), bindings), std::nullopt);
    EXPECT_EQ(keyChangeOf("not json", bindings), std::nullopt);
    EXPECT_EQ(keyChangeOf(R"({"change":"run","binding":7})", bindings), std::nullopt);
}

TEST(SwayIpc, CommandErrorIsTheFirstFailure) {
    EXPECT_EQ(commandError(R"([{"success":true},{"success":true}])"), std::nullopt);
    EXPECT_EQ(commandError(R"([{"success":true},{"success":false,"error":"Invalid key"}])"),
              "Invalid key");
    EXPECT_TRUE(commandError("{}").has_value());
}

// The tree nests outputs, workspaces and containers; floating windows too.
TEST(SwayIpc, FocusedWindowIsFoundWhereverItSits) {
    const std::string native =
        R"({"id":1,"nodes":[{"nodes":[{"nodes":[{"focused":false,"pid":7,"app_id":"gedit"},
           {"focused":true,"pid":42,"app_id":"foot","shell":"xdg_shell"}]}]}]})";
    const auto window = focusedWindow(native);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->processId, 42);
    EXPECT_FALSE(window->xwayland);
    EXPECT_EQ(window->classNames, std::vector<std::string>{"foot"});

    const std::string floatingX11 =
        R"({"nodes":[{"floating_nodes":[{"focused":true,"pid":9,"app_id":null,"shell":"xwayland",
           "window_properties":{"class":"XTerm","instance":"xterm"}}]}]})";
    const auto x11 = focusedWindow(floatingX11);
    ASSERT_TRUE(x11);
    EXPECT_TRUE(x11->xwayland);
    EXPECT_EQ(x11->classNames, (std::vector<std::string>{"XTerm", "xterm"}));

    EXPECT_FALSE(focusedWindow(R"({"nodes":[{"type":"workspace","focused":true}]})"));
    EXPECT_FALSE(focusedWindow("not json"));
}

} // namespace
} // namespace orvendi::test
