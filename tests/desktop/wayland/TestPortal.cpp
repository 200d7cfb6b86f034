#include "desktop/wayland/TestPortal.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <gtest/gtest.h>

namespace orvendi::test {
namespace {

const QString kSupport = QStringLiteral(ORVENDI_TEST_HARNESS_DIR "/wayland");

bool busHas(const QString& name) {
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(name);
}

} // namespace

void TestPortal::start(const QString& parameters) {
    backend_ = std::make_unique<DesktopApp>(
        QStringLiteral("/usr/bin/python3"),
        QStringList{QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--session"),
                    QStringLiteral("--template"), kSupport + QStringLiteral("/portal_backend.py"),
                    QStringLiteral("--parameters"), parameters});
    ASSERT_TRUE(processEventsUntil(
        [] { return busHas(QStringLiteral("org.freedesktop.impl.portal.desktop.orvendi")); },
        kAppStartSeconds));
    portal_ = std::make_unique<DesktopApp>(
        QStringLiteral("env"),
        QStringList{QStringLiteral("XDG_DESKTOP_PORTAL_DIR=") + kSupport,
                    QStringLiteral("/usr/libexec/xdg-desktop-portal"), QStringLiteral("-r")});
    ASSERT_TRUE(processEventsUntil(
        [] { return busHas(QStringLiteral("org.freedesktop.portal.Desktop")); }, kAppStartSeconds));
}

} // namespace orvendi::test
