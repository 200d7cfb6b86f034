
#include "DesktopApps.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <stdexcept>

namespace orvendi::test {

DesktopApp::DesktopApp(const QString& program, const QStringList& arguments)
    : process_(std::make_unique<QProcess>()) {
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    process_->start(program, arguments);
    if (!process_->waitForStarted(10000)) {
        throw std::runtime_error("cannot start " + program.toStdString());
    }
}

DesktopApp::~DesktopApp() {
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(5000);
    }
}

int32_t DesktopApp::processId() const {
    return static_cast<int32_t>(process_->processId());
}

struct TestKeyboard::Connection {
    Display* display = nullptr;
};

TestKeyboard::TestKeyboard() : connection_(std::make_unique<Connection>()) {
    connection_->display = XOpenDisplay(nullptr);
    if (!connection_->display) {
        throw std::runtime_error("no X display");
    }
}

TestKeyboard::~TestKeyboard() {
    XCloseDisplay(connection_->display);
}

void TestKeyboard::send(const char* keysymName, bool down) {
    // By keycode: tools that type by keysym add modifiers of their own.
    const KeyCode keycode = XKeysymToKeycode(connection_->display, XStringToKeysym(keysymName));
    if (keycode == 0) {
        throw std::runtime_error(std::string("no key for ") + keysymName);
    }
    XTestFakeKeyEvent(connection_->display, keycode, down ? True : False, CurrentTime);
    XSync(connection_->display, False);
}

void TestKeyboard::press(const char* keysymName) {
    send(keysymName, true);
}
void TestKeyboard::release(const char* keysymName) {
    send(keysymName, false);
}
void TestKeyboard::tap(const char* keysymName) {
    press(keysymName);
    release(keysymName);
}

} // namespace orvendi::test
