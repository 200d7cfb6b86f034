#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

#include "desktop/support/QtTestLoop.h"
#include "platform/linux/qt/QtHUDPanel.h"
#include "platform/linux/qt/QtScreens.h"

namespace orvendi::test {
namespace {

QString windowId(const QWidget& widget) {
    return QString::number(widget.winId());
}

// What the X server says: the window's absolute top-left corner.
QPoint serverPosition(const QWidget& widget) {
    const ProcessResult info = runProcess("xwininfo", {"-id", windowId(widget)});
    auto number = [&](const QString& label) {
        const int at = info.output.indexOf(label);
        return at < 0 ? -1
                      : info.output.mid(at + label.size()).section('\n', 0, 0).trimmed().toInt();
    };
    return QPoint(number("Absolute upper-left X:"), number("Absolute upper-left Y:"));
}

QString rootProperty(const QString& name) {
    return runProcess("xprop", {"-root", name}).output;
}

QString windowProperty(const QWidget& widget, const QString& name) {
    return runProcess("xprop", {"-id", windowId(widget), name}).output;
}

// The top-right default place of the agent: 16 in from the right, 12 down.
Point topRight(const Rect& visible, const Size& size) {
    return Point{visible.right() - size.width - 16, visible.top() - size.height - 12};
}

class HUDPanelTest : public ::testing::Test {
protected:
    QtHUDPanel panel;
    QtScreens screens;
    int moves = 0;
    void SetUp() override {
        panel.setMoveHandler([this] { ++moves; });
        panel.setSymbolTint(Tint::SystemTeal);
    }
    // Shows the panel at `origin` and waits until the server has drawn it.
    void showAt(const Point& origin) {
        panel.setOrigin(origin);
        panel.orderFront();
        ASSERT_TRUE(processEventsUntil(
            [&] { return panel.windowHandle() && panel.windowHandle()->isExposed(); }));
        processEventsFor(0.3);
    }
};

// Each case starts a desktop session of its own, so one panel answers for its
// place, its stacking, the focus it leaves alone and the texts it shows.
TEST_F(HUDPanelTest, ShowsWhereTheAgentPlacedItAboveOtherWindowsAndEveryMessageFits) {
    QLineEdit editor;
    editor.setWindowTitle("Somebody else's editor");
    editor.resize(400, 40);
    editor.show();
    editor.activateWindow();
    // The window manager names the active window by its frame's client: the
    // editor's window id in hexadecimal.
    const QString editorId = "0x" + QString::number(editor.winId(), 16);
    auto editorHasFocus = [&] {
        return editor.isActiveWindow() && editor.hasFocus() &&
               rootProperty("_NET_ACTIVE_WINDOW").contains(editorId);
    };
    ASSERT_TRUE(processEventsUntil(editorHasFocus));

    EXPECT_EQ(panel.size(), (Size{210, 48}));
    const auto frames = screens.visibleFrames();
    ASSERT_FALSE(frames.empty());
    const Point origin = topRight(frames.front(), panel.size());
    panel.setText("Listening");
    panel.setSymbol("waveform", "Listening");
    showAt(origin);
    EXPECT_EQ(moves, 1) << "a move while hidden is reported at once";

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPoint expected(static_cast<int>(origin.x),
                          screen.height() - static_cast<int>(origin.y) - 48);
    EXPECT_EQ(serverPosition(panel), expected);
    EXPECT_EQ(panel.origin(), origin);
    EXPECT_TRUE(panel.isVisible());
    saveScreenshot("hud-listening", QRect(expected - QPoint(20, 12), QSize(250, 72)));

    EXPECT_TRUE(editorHasFocus());
    EXPECT_TRUE(windowProperty(panel, "_NET_WM_STATE").contains("_NET_WM_STATE_ABOVE"));
    EXPECT_TRUE(windowProperty(panel, "_NET_WM_DESKTOP").contains("4294967295"));
    EXPECT_TRUE(
        windowProperty(panel, "WM_HINTS").contains("Client accepts input or input focus: False"));

    panel.orderOut();
    EXPECT_FALSE(panel.isVisible());

    // Every message of the agent fits; longer text ends in an ellipsis.
    for (const char* message : {"Listening", "Recording hands-free", "Microphone permission needed",
                                "Turning speech into text", "Microphone audio is unusable",
                                "Pasted and remembered", "Recording saved for retry"}) {
        panel.setText(message);
        bool found = false;
        for (const QLabel* candidate : panel.findChildren<QLabel*>()) {
            if (candidate->text() == QString::fromUtf8(message)) {
                found = true;
                EXPECT_GE(candidate->font().pixelSize(), 11) << message;
            }
        }
        EXPECT_TRUE(found) << message << " was cut";
    }

    panel.setText("Microphone permission needed for dictation in every application");
    panel.setSymbol("mic.slash", "Microphone permission needed");
    showAt(Point{300, 300});
    EXPECT_EQ(panel.size(), (Size{210, 48}));
    bool cut = false;
    for (const QLabel* label : panel.findChildren<QLabel*>()) {
        cut = cut || label->text().endsWith(QChar(0x2026));
    }
    EXPECT_TRUE(cut);
    saveScreenshot("hud-long-text", QRect(serverPosition(panel) - QPoint(20, 12), QSize(250, 72)));
}

} // namespace
} // namespace orvendi::test
