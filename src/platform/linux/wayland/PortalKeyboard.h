#pragma once

#include <QObject>
#include <QVariantMap>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/wayland/SessionKeyboard.h"

namespace orvendi {

class Log;

// A keyboard the desktop lends the agent through its RemoteDesktop portal
// (GNOME, KDE): one session with a keyboard and nothing else, asked for once
// and kept for the agent's lifetime. The desktop may ask the user to allow it
// first. A portal that can remember the answer (RemoteDesktop version 2 and
// later) hands back a token for the next run; it is kept in a file of the
// user's own, so the user is asked once and not at every launch. Main thread
// only.
class PortalKeyboard : public QObject, public SessionKeyboard {
    Q_OBJECT

public:
    enum class State { Closed, Opening, Ready, Refused };

    // `portalVersion`: the portal's RemoteDesktop version. `tokenFile`: where
    // the token that restores the session is kept; empty for nowhere.
    PortalKeyboard(unsigned portalVersion, std::filesystem::path tokenFile, Log& log);
    ~PortalKeyboard() override;

    // Asks the portal for the session and returns at once; the state follows
    // the desktop's answers.
    void open();
    State state() const { return state_; }
    bool ready() const override { return state_ == State::Ready; }

    // Presses the keys (XKB keysyms) in order and releases them in reverse.
    // False unless the session is ready and the portal took every key.
    bool chord(const std::vector<uint32_t>& keysyms) override;

private slots:
    void onSessionCreated(uint response, const QVariantMap& results);
    void onDevicesSelected(uint response, const QVariantMap& results);
    void onStarted(uint response, const QVariantMap& results);
    void onSessionClosed(const QVariantMap& details);

private:
    void request(const QString& method, const QList<QVariant>& arguments, const QString& token,
                 const char* onResponse);
    QVariantMap deviceOptions() const;
    bool remembers() const;
    void keepRestoreToken(const QString& token) const;
    void refuse(const std::string& reason);
    bool sendKey(uint32_t keysym, bool down);

    unsigned portalVersion_;
    std::filesystem::path tokenFile_;
    Log& log_;
    State state_ = State::Closed;
    QString session_;
};

} // namespace orvendi
