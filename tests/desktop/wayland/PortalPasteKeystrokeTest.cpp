#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "desktop/wayland/TestPortal.h"
#include "platform/linux/wayland/PortalKeyboard.h"
#include "platform/linux/wayland/PortalPasteKeystroke.h"
#include "support/fakes/CapturingLog.h"
#include "support/fakes/FakeKeyEvents.h"
#include "support/fakes/FakePasteboard.h"
#include "support/harness/TempDir.h"

namespace orvendi::test {
namespace {

using Focus = PortalPasteKeystroke::Focus;

// The paste keystroke into a native window through the real xdg-desktop-portal,
// in front of a backend that writes down each session and key it is sent.
class PortalPasteKeystrokeTest : public ::testing::Test {
protected:
    // `startResponse`: the backend's answer to Start, 0 as a user who allows it.
    void openWith(int startResponse) {
        ASSERT_NO_FATAL_FAILURE(
            portal_.start(QStringLiteral(R"({"keys_file": "%1", "remote_desktop_response": %2})")
                              .arg(QString::fromStdString(backendLog_.string()))
                              .arg(startResponse)));
        auto keyboard = std::make_unique<PortalKeyboard>(1, "", log_);
        keyboard->open();
        ASSERT_TRUE(processEventsUntil(
            [&] { return keyboard->state() != PortalKeyboard::State::Opening; }));
        keystroke_.emplace(std::move(keyboard), pasteboard_, xwayland_,
                           [] { return Focus::Native; });
    }
    std::vector<std::string> backendLines(size_t count) {
        std::vector<std::string> lines;
        processEventsUntil([&] {
            lines.clear();
            std::ifstream file(backendLog_);
            for (std::string line; std::getline(file, line);) {
                lines.push_back(line);
            }
            return lines.size() >= count;
        });
        return lines;
    }

    TempDir folder_;
    std::filesystem::path backendLog_ = folder_.path() / "portal-backend.log";
    TestPortal portal_;
    CapturingLog log_;
    FakePasteboard pasteboard_;
    FakeKeyEvents xwayland_;
    std::optional<PortalPasteKeystroke> keystroke_;
};

TEST_F(PortalPasteKeystrokeTest, EveryPastePressesControlVInTheOneSession) {
    ASSERT_NO_FATAL_FAILURE(openWith(0));
    EXPECT_TRUE(keystroke_->post());
    EXPECT_TRUE(keystroke_->post());
    const std::vector<std::string> controlV{"65507 1", "118 1", "118 0", "65507 0"};
    std::vector<std::string> expected{"CreateSession"};
    expected.insert(expected.end(), controlV.begin(), controlV.end());
    expected.insert(expected.end(), controlV.begin(), controlV.end());
    EXPECT_EQ(backendLines(expected.size()), expected);
}

// The chain then leaves the text on the clipboard and asks the user to paste.
TEST_F(PortalPasteKeystrokeTest, ARefusedSessionReportsNoKeystroke) {
    ASSERT_NO_FATAL_FAILURE(openWith(1));
    EXPECT_FALSE(keystroke_->post());
    EXPECT_EQ(xwayland_.pasteKeystrokes, 0);
}

} // namespace
} // namespace orvendi::test
