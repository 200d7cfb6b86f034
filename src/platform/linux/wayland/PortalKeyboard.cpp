#include "platform/linux/wayland/PortalKeyboard.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <fstream>
#include <system_error>

#include "platform/Log.h"
#include "platform/linux/wayland/PortalCalls.h"

namespace orvendi {
namespace {

const QString kRemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
// Its own tokens, apart from the shortcuts session's.
const QString kSessionToken = QStringLiteral("orvendi_paste");
const QString kCreateToken = QStringLiteral("orvendi_paste_session");
const QString kSelectToken = QStringLiteral("orvendi_paste_devices");
const QString kStartToken = QStringLiteral("orvendi_paste_start");
constexpr uint kKeyboard = 1; // the portal's device type bit
// Keep the permission until the user revokes it.
constexpr uint kPersistUntilRevoked = 2;
constexpr unsigned kFirstVersionThatRemembers = 2;
constexpr uint kReleased = 0;
constexpr uint kPressed = 1;
// The portal answers a key at once; one that does not is broken.
constexpr int kKeyTimeoutMs = 1000;

QVariantMap withToken(const QString& token, QVariantMap options = {}) {
    options.insert(QStringLiteral("handle_token"), token);
    return options;
}

} // namespace

PortalKeyboard::PortalKeyboard(unsigned portalVersion, std::filesystem::path tokenFile, Log& log)
    : portalVersion_(portalVersion), tokenFile_(std::move(tokenFile)), log_(log) {}

PortalKeyboard::~PortalKeyboard() {
    if (!session_.isEmpty()) {
        portal::closeSession(session_);
    }
}

void PortalKeyboard::open() {
    state_ = State::Opening;
    request(QStringLiteral("CreateSession"),
            {withToken(kCreateToken, {{QStringLiteral("session_handle_token"), kSessionToken}})},
            kCreateToken, SLOT(onSessionCreated(uint, QVariantMap)));
}

void PortalKeyboard::request(const QString& method, const QList<QVariant>& arguments,
                             const QString& token, const char* onResponse) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(portal::kService, portal::requestPath(token), portal::kRequest,
                QStringLiteral("Response"), this, onResponse);
    QDBusMessage call =
        QDBusMessage::createMethodCall(portal::kService, portal::kPath, kRemoteDesktop, method);
    call.setArguments(arguments);
    auto* reply = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(reply, &QDBusPendingCallWatcher::finished, this,
            [this, method](QDBusPendingCallWatcher* done) {
                if (done->isError()) {
                    refuse(method.toStdString() +
                           " failed: " + done->error().message().toStdString());
                }
                done->deleteLater();
            });
}

void PortalKeyboard::onSessionCreated(uint response, const QVariantMap& results) {
    session_ = portal::sessionHandle(results);
    if (response != 0 || session_.isEmpty()) {
        refuse("no session");
        return;
    }
    QDBusConnection::sessionBus().connect(portal::kService, session_, portal::kSession,
                                          QStringLiteral("Closed"), this,
                                          SLOT(onSessionClosed(QVariantMap)));
    request(QStringLiteral("SelectDevices"),
            {QVariant::fromValue(QDBusObjectPath(session_)), deviceOptions()}, kSelectToken,
            SLOT(onDevicesSelected(uint, QVariantMap)));
}

bool PortalKeyboard::remembers() const {
    return portalVersion_ >= kFirstVersionThatRemembers && !tokenFile_.empty();
}

QVariantMap PortalKeyboard::deviceOptions() const {
    QVariantMap options = withToken(kSelectToken, {{QStringLiteral("types"), kKeyboard}});
    if (!remembers()) {
        return options;
    }
    options.insert(QStringLiteral("persist_mode"), kPersistUntilRevoked);
    std::string token;
    if (std::ifstream file(tokenFile_); file >> token) {
        options.insert(QStringLiteral("restore_token"), QString::fromStdString(token));
    }
    return options;
}

void PortalKeyboard::onDevicesSelected(uint response, const QVariantMap&) {
    if (response != 0) {
        refuse("the keyboard was not granted");
        return;
    }
    request(QStringLiteral("Start"),
            {QVariant::fromValue(QDBusObjectPath(session_)), QString(), withToken(kStartToken)},
            kStartToken, SLOT(onStarted(uint, QVariantMap)));
}

void PortalKeyboard::onStarted(uint response, const QVariantMap& results) {
    if (response != 0) {
        refuse("the user did not allow it");
        return;
    }
    if ((results.value(QStringLiteral("devices")).toUInt() & kKeyboard) == 0) {
        refuse("the desktop lent no keyboard");
        return;
    }
    if (remembers()) {
        keepRestoreToken(results.value(QStringLiteral("restore_token")).toString());
    }
    state_ = State::Ready;
    log_.write("Orvendi: the paste keystroke goes through the desktop's remote desktop portal");
}

// A token restores the session without asking: the file is made the user's
// own before the token goes in.
void PortalKeyboard::keepRestoreToken(const QString& token) const {
    if (token.isEmpty()) {
        return;
    }
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(tokenFile_.parent_path(), error);
    std::ofstream(tokenFile_).close();
    fs::permissions(tokenFile_, fs::perms::owner_read | fs::perms::owner_write, error);
    if (!error) {
        if (std::ofstream file(tokenFile_); file << token.toStdString()) {
            return;
        }
    }
    log_.write("Orvendi: could not keep the remote desktop permission in " + tokenFile_.string());
}

void PortalKeyboard::onSessionClosed(const QVariantMap&) {
    session_.clear();
    state_ = State::Closed;
    log_.write("Orvendi: the desktop ended the remote desktop session; native windows get the "
               "text on the clipboard only");
}

void PortalKeyboard::refuse(const std::string& reason) {
    if (state_ != State::Opening) {
        return; // one answer is enough
    }
    state_ = State::Refused;
    log_.write("Orvendi: no keyboard from the desktop's remote desktop portal (" + reason +
               "); native windows get the text on the clipboard only");
}

bool PortalKeyboard::chord(const std::vector<uint32_t>& keysyms) {
    if (state_ != State::Ready) {
        return false;
    }
    // Every key goes up again, also after one the portal did not take.
    bool sent = true;
    for (const uint32_t keysym : keysyms) {
        sent = sendKey(keysym, true) && sent;
    }
    for (auto keysym = keysyms.rbegin(); keysym != keysyms.rend(); ++keysym) {
        sent = sendKey(*keysym, false) && sent;
    }
    return sent;
}

bool PortalKeyboard::sendKey(uint32_t keysym, bool down) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        portal::kService, portal::kPath, kRemoteDesktop, QStringLiteral("NotifyKeyboardKeysym"));
    call << QVariant::fromValue(QDBusObjectPath(session_)) << QVariantMap()
         << static_cast<int>(keysym) << (down ? kPressed : kReleased);
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, kKeyTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        log_.write("Orvendi: the remote desktop portal refused a key: " +
                   reply.errorMessage().toStdString());
        return false;
    }
    return true;
}

} // namespace orvendi
