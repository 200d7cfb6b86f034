#include <gtest/gtest.h>

#include "desktop/support/QtTestLoop.h"
#include "platform/linux/wayland/WaylandPasteboard.h"
#include "support/fakes/CapturingLog.h"

namespace orvendi::test {
namespace {

std::string wlPaste(const QStringList& options = {}) {
    return runProcess(QStringLiteral("wl-paste"), QStringList{QStringLiteral("-n")} + options, 5)
        .output.toStdString();
}

// The agent's selections in the sway session, as any other client sees them:
// wl-paste reads the agent's text byte for byte (longer than a pipe holds,
// served from the event loop), and the agent reads what wl-copy put there.
TEST(WaylandPasteboardTest, OtherClientsReadExactlyTheAgentsTextAndTheAgentReadsTheirs) {
    CapturingLog log;
    auto pasteboard = WaylandPasteboard::connect(log);
    ASSERT_TRUE(pasteboard) << (log.lines().empty() ? "" : log.lines().front());
    std::string text;
    for (int line = 0; line < 8000; ++line) {
        text += "Grüße aus 東京, line " + std::to_string(line) + "\n";
    }
    pasteboard->setString(text);
    pasteboard->setPrimarySelection("the primary words");
    EXPECT_EQ(wlPaste(), text);
    EXPECT_EQ(wlPaste({QStringLiteral("--primary")}), "the primary words");

    runProcess(QStringLiteral("wl-copy"), {QStringLiteral("from another client")});
    EXPECT_TRUE(processEventsUntil(
        [&] { return pasteboard->string() == std::optional<std::string>("from another client"); },
        5));
}

} // namespace
} // namespace orvendi::test
