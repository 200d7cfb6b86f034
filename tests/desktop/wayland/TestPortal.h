#pragma once

#include <QString>
#include <memory>

#include "desktop/x11/DesktopApps.h"

namespace orvendi::test {

// The real xdg-desktop-portal on the session's bus, in front of the test
// backend (tests/support/harness/wayland/portal_backend.py), for one test.
class TestPortal {
public:
    // `parameters`: the backend's, as JSON. Call within ASSERT_NO_FATAL_FAILURE.
    void start(const QString& parameters = QStringLiteral("{}"));

private:
    std::unique_ptr<DesktopApp> backend_;
    std::unique_ptr<DesktopApp> portal_;
};

} // namespace orvendi::test
