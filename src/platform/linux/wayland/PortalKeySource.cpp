#include "platform/linux/wayland/PortalKeySource.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QEventLoop>
#include <QTimer>

#include "platform/Log.h"
#include "platform/linux/keys/HeldKey.h"
#include "platform/linux/wayland/PortalCalls.h"

namespace orvendi {
namespace {

using portal::kPath;
using portal::kRequest;
using portal::kService;
using portal::kSession;
using portal::requestPath;

const QString kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kShortcutId = QStringLiteral("dictation");
// The same token on every launch: the desktop recognises the session and its
// confirmed shortcut.
const QString kSessionToken = QStringLiteral("orvendi_dictation");
const QString kSessionRequestToken = QStringLiteral("orvendi_session");
const QString kBindRequestToken = QStringLiteral("orvendi_bind");
// Creating a session involves no user; a portal that takes longer is broken.
constexpr int kSessionTimeoutMs = 5000;

using Shortcut = QPair<QString, QVariantMap>;

} // namespace

PortalKeySource::PortalKeySource(std::string trigger, Scheduler& scheduler, Log& log)
    : trigger_(std::move(trigger)), portalClock_(scheduler, EventClock::Counter::Bits64),
      log_(log) {
    qDBusRegisterMetaType<Shortcut>();
    qDBusRegisterMetaType<QList<Shortcut>>();
}

PortalKeySource::~PortalKeySource() {
    if (!session_.isEmpty()) {
        portal::closeSession(session_);
    }
}

bool PortalKeySource::start(HeldKey& key) {
    key_ = &key;
    const auto session = createSession();
    if (!session) {
        return false;
    }
    session_ = *session;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(kService, kPath, kShortcuts, QStringLiteral("Activated"), this,
                SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    bus.connect(kService, kPath, kShortcuts, QStringLiteral("Deactivated"), this,
                SLOT(onDeactivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    bus.connect(kService, session_, kSession, QStringLiteral("Closed"), this,
                SLOT(onSessionClosed(QVariantMap)));
    return bindShortcut();
}

std::optional<QString> PortalKeySource::createSession() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString answer = requestPath(kSessionRequestToken);
    bus.connect(kService, answer, kRequest, QStringLiteral("Response"), this,
                SLOT(onSessionCreated(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kShortcuts,
                                                       QStringLiteral("CreateSession"));
    call << QVariantMap{{QStringLiteral("handle_token"), kSessionRequestToken},
                        {QStringLiteral("session_handle_token"), kSessionToken}};
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, kSessionTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !sessionAnswered_) {
        // The session comes with the request's answer, a signal.
        QEventLoop loop;
        waiting_ = &loop;
        QTimer::singleShot(kSessionTimeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
        waiting_ = nullptr;
    }
    bus.disconnect(kService, answer, kRequest, QStringLiteral("Response"), this,
                   SLOT(onSessionCreated(uint, QVariantMap)));
    if (reply.type() != QDBusMessage::ReplyMessage || !createdSession_) {
        log_.write("Orvendi: the shortcuts portal gave no session " +
                   reply.errorMessage().toStdString());
    }
    return createdSession_;
}

void PortalKeySource::onSessionCreated(uint response, const QVariantMap& results) {
    sessionAnswered_ = true;
    if (const QString handle = portal::sessionHandle(results); response == 0 && !handle.isEmpty()) {
        createdSession_ = handle;
    }
    if (waiting_) {
        waiting_->quit();
    }
}

// The desktop may ask the user to confirm the shortcut first: the answer comes
// whenever they do, and the key works from then on.
bool PortalKeySource::bindShortcut() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(kService, requestPath(kBindRequestToken), kRequest, QStringLiteral("Response"),
                this, SLOT(onBound(uint, QVariantMap)));
    const QList<Shortcut> shortcuts{
        {kShortcutId,
         {{QStringLiteral("description"), QStringLiteral("Dictation: hold to talk")},
          {QStringLiteral("preferred_trigger"), QString::fromStdString(trigger_)}}}};
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kShortcuts,
                                                       QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(session_)) << QVariant::fromValue(shortcuts)
         << QString() << QVariantMap{{QStringLiteral("handle_token"), kBindRequestToken}};
    return bus.send(call);
}

void PortalKeySource::onActivated(const QDBusObjectPath& session, const QString& shortcut,
                                  qulonglong timestamp, const QVariantMap&) {
    if (session.path() == session_ && shortcut == kShortcutId) {
        moveKey(true, timestamp); // a repeat while held changes nothing
    }
}

void PortalKeySource::onDeactivated(const QDBusObjectPath& session, const QString& shortcut,
                                    qulonglong timestamp, const QVariantMap&) {
    if (session.path() == session_ && shortcut == kShortcutId) {
        moveKey(false, timestamp);
    }
}

void PortalKeySource::moveKey(bool down, qulonglong timestamp) {
    if (timestamp == 0) {
        down ? key_->press() : key_->release();
        return;
    }
    const double at = portalClock_.at(timestamp);
    down ? key_->press(at) : key_->release(at);
}

void PortalKeySource::onBound(uint response, const QVariantMap&) {
    if (response != 0) {
        log_.write("Orvendi: the dictation shortcut was not confirmed; the desktop asks again "
                   "at the next launch");
    }
}

void PortalKeySource::onSessionClosed(const QVariantMap&) {
    log_.write("Orvendi: the desktop closed the shortcuts session");
    session_.clear();
    key_->lose();
}

} // namespace orvendi
