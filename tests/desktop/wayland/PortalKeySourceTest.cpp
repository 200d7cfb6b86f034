#include <gtest/gtest.h>

#include "desktop/wayland/TestPortal.h"
#include "platform/linux/keys/HeldKey.h"
#include "platform/linux/wayland/PortalKeySource.h"
#include "support/fakes/CapturingLog.h"
#include "support/fakes/VirtualScheduler.h"

namespace orvendi::test {
namespace {

using Change = HeldKey::Change;

const QString kBackend = QStringLiteral("org.freedesktop.impl.portal.desktop.orvendi");

// The real xdg-desktop-portal of the session's bus, in front of a test
// backend that accepts every shortcut, as a user who confirms it would.
class PortalKeySourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(portal_.start());
        ASSERT_TRUE(source_.start(key_)) << "no session from the portal";
    }

    // What a user's key does, through the backend as a desktop would send it.
    static void backendSends(const char* gesture) {
        const auto sent =
            runProcess(QStringLiteral("gdbus"),
                       {QStringLiteral("call"), QStringLiteral("--session"),
                        QStringLiteral("--dest"), kBackend, QStringLiteral("--object-path"),
                        QStringLiteral("/org/freedesktop/portal/desktop"),
                        QStringLiteral("--method"), QStringLiteral("org.orvendi.Test.") + gesture});
        ASSERT_EQ(sent.exitCode, 0) << sent.errors.toStdString();
    }
    bool waitForChanges(size_t count) {
        return processEventsUntil([&] { return changes_.size() >= count; }, 10);
    }

    TestPortal portal_;
    VirtualScheduler scheduler_;
    CapturingLog log_;
    std::vector<Change> changes_;
    HeldKey key_{scheduler_, [this](Change change, double) { changes_.push_back(change); }};
    PortalKeySource source_{"Control_R", scheduler_, log_};
};

// Activated is the press and Deactivated the release; the Activated some
// desktops repeat while the key is held is no new press.
TEST_F(PortalKeySourceTest, ActivatedPressesAndDeactivatedReleases) {
    backendSends("Press");
    backendSends("Press");
    backendSends("Release");
    ASSERT_TRUE(waitForChanges(2));
    processEventsFor(0.2);
    EXPECT_EQ(changes_, (std::vector<Change>{Change::Down, Change::Up}));
}

// A Deactivated that never comes does not hold the key for ever.
TEST_F(PortalKeySourceTest, AMissingDeactivatedLosesTheKey) {
    backendSends("Press");
    ASSERT_TRUE(waitForChanges(1));
    scheduler_.advance(HeldKey::kLongestHoldSeconds);
    EXPECT_EQ(changes_, (std::vector<Change>{Change::Down, Change::UpLost}));
}

} // namespace
} // namespace orvendi::test
