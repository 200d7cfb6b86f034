#pragma once

#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>
#include <optional>
#include <string>

class QEventLoop;

#include "platform/linux/rules/EventClock.h"
#include "platform/linux/wayland/KeySource.h"

namespace orvendi {

class Log;
class Scheduler;

// The dictation key as the desktop's GlobalShortcuts portal reports it (KDE
// Plasma, GNOME 48 and later, Hyprland): one "dictation" shortcut with the
// configured key as its preferred trigger, in a session whose token never
// changes, so the desktop asks the user to confirm it once. Activated is the
// press, Deactivated the release; a repeated Activated while held is a repeat.
// Their millisecond timestamps time the key; a portal that sends none (zero)
// has its signals timed as they are read.
class PortalKeySource : public QObject, public KeySource {
    Q_OBJECT

public:
    // `trigger`: the preferred trigger in the shortcuts notation ("Control_R").
    PortalKeySource(std::string trigger, Scheduler& scheduler, Log& log);
    ~PortalKeySource() override;

    std::string name() const override { return "the desktop's shortcuts portal"; }
    bool start(HeldKey& key) override;

private slots:
    void onActivated(const QDBusObjectPath& session, const QString& shortcut, qulonglong timestamp,
                     const QVariantMap& options);
    void onDeactivated(const QDBusObjectPath& session, const QString& shortcut,
                       qulonglong timestamp, const QVariantMap& options);
    void onSessionCreated(uint response, const QVariantMap& results);
    void onBound(uint response, const QVariantMap& results);
    void onSessionClosed(const QVariantMap& details);

private:
    std::optional<QString> createSession();
    bool bindShortcut();
    void moveKey(bool down, qulonglong timestamp);

    std::string trigger_;
    EventClock portalClock_;
    Log& log_;
    HeldKey* key_ = nullptr;
    QString session_;
    bool sessionAnswered_ = false;
    std::optional<QString> createdSession_;
    QEventLoop* waiting_ = nullptr;
};

} // namespace orvendi
