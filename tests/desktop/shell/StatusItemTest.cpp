#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QImage>
#include <QProcess>
#include <QSystemTrayIcon>
#include <csignal>
#include <gtest/gtest.h>

#include "desktop/support/DBusMenuClient.h"
#include "desktop/support/QtTestLoop.h"
#include "platform/linux/qt/QtMenu.h"
#include "platform/linux/qt/QtStatusItem.h"

namespace orvendi::test {
namespace {

// The status menu as the agent builds it.
struct AgentMenu {
    std::shared_ptr<QtMenu> menu = std::make_shared<QtMenu>("");
    std::shared_ptr<MenuItem> toggle, retry, copy;
    std::vector<std::string> chosen;

    AgentMenu() {
        toggle = menu->addItem("Start recording", [this] { chosen.push_back("toggle"); });
        retry = menu->addItem("Retry saved recording", [this] { chosen.push_back("retry"); });
        copy = menu->addItem("Copy last dictation", [this] { chosen.push_back("copy"); });
        menu->addSeparator();
        menu->addItem("Open Orvendi", [this] { chosen.push_back("open"); });
        menu->addItem("Settings & permissions\u2026", [this] { chosen.push_back("settings"); });
        menu->addSeparator();
        menu->addItem(
            "Quit", [this] { chosen.push_back("quit"); }, KeyEquivalent{"q", kModifierCommand});
        retry->setEnabled(false);
        copy->setEnabled(false);
    }
};

const DBusMenuEntry& entryTitled(const DBusMenuEntry& root, const QString& label) {
    for (const auto& entry : root.children) {
        if (entry.label == label) {
            return entry;
        }
    }
    throw std::runtime_error("no menu entry " + label.toStdString());
}

// The tray as a panel sees it: its item registered, its menu readable.
class StatusItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QSystemTrayIcon::isSystemTrayAvailable()) << "no tray watcher in this session";
        item.setMenu(agent.menu);
        ASSERT_TRUE(item.setSymbol("waveform", "Dictation idle", true));
        ASSERT_TRUE(
            processEventsUntil([&] { return (service = panel.trayItemService()).has_value(); }));
    }

    // Waits until the exported menu satisfies `check` (menus update
    // asynchronously over the bus).
    std::optional<DBusMenuEntry>
    layoutWhere(const std::function<bool(const DBusMenuEntry&)>& check) {
        std::optional<DBusMenuEntry> layout;
        processEventsUntil(
            [&] {
                layout = panel.menuLayout(*service);
                return layout && check(*layout);
            },
            10);
        return layout;
    }

    AgentMenu agent;
    QtStatusItem item;
    DBusMenuClient panel;
    std::optional<QString> service;
};

// Reads an array of (width, height, ARGB32 bytes in network order) pixmaps
// and returns the largest.
QImage largestPixmap(const QDBusArgument& argument) {
    QImage largest;
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0, height = 0;
        QByteArray bytes;
        argument.beginStructure();
        argument >> width >> height >> bytes;
        argument.endStructure();
        if (width > largest.width() && bytes.size() == width * height * 4) {
            QImage image(width, height, QImage::Format_ARGB32);
            const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
            for (int i = 0; i < width * height; ++i, p += 4) {
                image.setPixel(i % width, i / width, qRgba(p[1], p[2], p[3], p[0]));
            }
            largest = image;
        }
    }
    argument.endArray();
    return largest;
}

QImage largestIconPixmap(const QVariant& value) {
    return largestPixmap(qvariant_cast<QDBusArgument>(value));
}

// The title of a tool tip: (icon name, pixmaps, title, description).
QString toolTipTitle(const QVariant& value) {
    const auto argument = qvariant_cast<QDBusArgument>(value);
    QString iconName, title, description;
    argument.beginStructure();
    argument >> iconName;
    largestPixmap(argument);
    argument >> title >> description;
    argument.endStructure();
    return title;
}

// One case, as each starts a desktop session of its own: menu changes and
// clicks, then the icon and its text.
TEST_F(StatusItemTest, ClicksRunEnabledItemsOnlyAndMenuAndIconChangesReachThePanel) {
    const auto layout =
        layoutWhere([](const DBusMenuEntry& root) { return root.children.size() == 8; });
    ASSERT_TRUE(layout);
    ASSERT_TRUE(panel.click(*service, entryTitled(*layout, "Copy last dictation").id));
    ASSERT_TRUE(panel.click(*service, entryTitled(*layout, "Open Orvendi").id));
    ASSERT_TRUE(processEventsUntil([&] { return !agent.chosen.empty(); }));
    processEventsFor(0.2);
    EXPECT_EQ(agent.chosen, std::vector<std::string>{"open"});

    // Inserted items, new titles and enabled flags.
    const QString warning = QString::fromUtf8("\u26A0 Grant Accessibility for the Fn key\u2026");
    agent.menu->insertItem(0, warning.toStdString(), [] {});
    agent.menu->insertSeparator(1);
    agent.toggle->setTitle("Stop & transcribe");
    agent.copy->setEnabled(true);
    const auto changed = layoutWhere([&](const DBusMenuEntry& root) {
        return root.children.size() == 10 && root.children[0].label == warning &&
               root.children[2].rawLabel == QStringLiteral("Stop & transcribe") &&
               root.children[4].enabled;
    });
    ASSERT_TRUE(changed);
    EXPECT_TRUE(changed->children[1].separator);

    ASSERT_TRUE(item.setSymbol("record.circle.fill", "Recording", false));
    item.setTint(Tint::SystemRed);
    QImage icon;
    ASSERT_TRUE(processEventsUntil([&] {
        icon = largestIconPixmap(panel.trayItemProperty(*service, "IconPixmap"));
        const QColor centre =
            icon.isNull() ? QColor() : icon.pixelColor(icon.width() / 2, icon.height() / 2);
        return centre.isValid() && centre.red() > 200 && centre.green() < 100 &&
               centre.alpha() > 200;
    })) << "the recording dot is not red";
    EXPECT_EQ(toolTipTitle(panel.trayItemProperty(*service, "ToolTip")),
              QStringLiteral("Recording"));

    // A symbol the agent has no drawing of leaves the item without an image.
    EXPECT_FALSE(item.setSymbol("no.such.symbol", "Dictation idle", true));
    ASSERT_TRUE(processEventsUntil([&] {
        icon = largestIconPixmap(panel.trayItemProperty(*service, "IconPixmap"));
        // Premultiplied, every fully transparent pixel is 0 whatever its colour.
        QImage transparent(icon.size(), QImage::Format_ARGB32_Premultiplied);
        transparent.fill(Qt::transparent);
        return !icon.isNull() &&
               icon.convertToFormat(QImage::Format_ARGB32_Premultiplied) == transparent;
    }));
    EXPECT_EQ(toolTipTitle(panel.trayItemProperty(*service, "ToolTip")),
              QStringLiteral("Dictation idle"));
}

// Ends the session's tray watcher, as when the desktop's panel restarts or has
// not started yet; true once it is gone from the bus.
bool stopTrayWatcher() {
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    const QString name = QStringLiteral("org.kde.StatusNotifierWatcher");
    const uint watcherPid = bus->servicePid(name).value();
    if (watcherPid == 0) {
        return false;
    }
    ::kill(static_cast<pid_t>(watcherPid), SIGTERM);
    return processEventsUntil([&] { return !bus->isServiceRegistered(name).value(); });
}

// The agent may start before the desktop's panel does, and the panel may
// restart while the agent runs: the item registers with each new tray watcher.
TEST(StatusItemWithoutTray, ItemAppearsWhenATrayWatcherStartsLaterAndAgainAfterARestart) {
    ASSERT_TRUE(stopTrayWatcher());
    AgentMenu agent;
    QtStatusItem item;
    item.setMenu(agent.menu);
    item.setSymbol("waveform", "Dictation idle", true);
    processEventsFor(0.3);
    DBusMenuClient panel;
    for (const char* watcherStart : {"first", "restarted"}) {
        SCOPED_TRACE(watcherStart);
        QProcess watcher;
        watcher.start(helperProgram("orvendi-status-notifier-watcher"), {});
        ASSERT_TRUE(watcher.waitForStarted());
        EXPECT_TRUE(processEventsUntil([&] {
            const auto service = panel.trayItemService();
            const auto layout = service ? panel.menuLayout(*service) : std::nullopt;
            return layout && layout->children.size() == 8;
        }));
        ASSERT_TRUE(stopTrayWatcher());
    }
}

} // namespace
} // namespace orvendi::test
