#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "desktop/support/QtTestLoop.h"

namespace orvendi::test {

struct AgentWindow {
    QString id; // X window id, as xdotool takes it
    QString title;
    QRect geometry; // the client area in screen coordinates (y down)
};

// The real desktop agent (build/bin/orvendi) started by a test inside the
// desktop session. It runs in a home folder of its own: HOME is `home`, and
// XDG_CONFIG_HOME (its settings), XDG_DATA_HOME (saved recordings, web
// storage) and XDG_CACHE_HOME lie below it, so an agent started again with
// the same home finds what the previous one left. The display, the session
// bus, the keyring, the runtime folder (single-instance socket) and the sound
// server are the session's. Standard output and error go to `logFile`.
class AgentProcess {
public:
    struct Options {
        std::filesystem::path home;
        std::filesystem::path logFile;
        // After the program name, e.g. an "orvendi:" link.
        std::vector<std::string> arguments = {};
        // Extra or replaced "NAME=value" entries of the agent's environment.
        std::vector<std::string> environment = {};
    };

    explicit AgentProcess(Options options);
    ~AgentProcess();
    AgentProcess(const AgentProcess&) = delete;
    AgentProcess& operator=(const AgentProcess&) = delete;

    // An account for the password grant, which signs the agent in at launch
    // without the sign-in window (the server's --anon-key and --user).
    struct PasswordAccount {
        std::string email;
        std::string password;
        std::string anonKey;
    };
    // Writes `home`/.orvendi/config.json naming the backend at `apiUrl`
    // (also the sign-in provider when an account is given).
    static void writeConfig(const std::filesystem::path& home, const std::string& apiUrl,
                            const std::optional<PasswordAccount>& account = std::nullopt);
    static std::filesystem::path binary();

    pid_t pid() const { return pid_; }
    const std::filesystem::path& home() const { return options_.home; }
    const std::vector<std::string>& environment() const { return environment_; }
    std::string log() const;
    // False once the process has ended (it is then reaped).
    bool running();

    // Another `orvendi` launch with the agent's environment (so it finds this
    // agent's single-instance socket), run to its end while the caller's
    // event loop keeps running.
    ProcessResult launchAgain(const QStringList& arguments, double timeoutSeconds = 30);

    std::vector<AgentWindow> visibleWindows() const;
    // Waits (running the event loop) until a visible window has exactly
    // `title`, and, when `size` is given, that client size.
    std::optional<AgentWindow> waitForWindow(const QString& title,
                                             std::optional<QSize> size = std::nullopt,
                                             double timeoutSeconds = 60) const;

    // SIGTERM, then SIGKILL if it has not ended after a few seconds. Returns
    // the exit status (or 128 + the signal that ended it). Idempotent.
    int stop();
    // SIGKILL at once, as a crash or power loss would end it.
    int kill();

private:
    int end(int signal);

    Options options_;
    std::vector<std::string> environment_;
    pid_t pid_ = -1;
    int exitStatus_ = -1;
};

} // namespace orvendi::test
