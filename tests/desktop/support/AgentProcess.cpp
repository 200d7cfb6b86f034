#include "desktop/support/AgentProcess.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <csignal>
#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "support/harness/SpawnedProcess.h"
#include "support/harness/TempDir.h"

extern char** environ;

namespace orvendi::test {
namespace {

constexpr double kWindowPollSeconds = 0.1;

// The caller's environment with the agent's own folders and `extra` applied.
std::vector<std::string> agentEnvironment(const std::filesystem::path& home,
                                          const std::vector<std::string>& extra) {
    std::map<std::string, std::string> entries;
    auto apply = [&entries](const std::string& entry) {
        const auto equals = entry.find('=');
        if (equals != std::string::npos) {
            entries[entry.substr(0, equals)] = entry.substr(equals + 1);
        }
    };
    for (char** entry = environ; *entry != nullptr; ++entry) {
        apply(*entry);
    }
    entries["HOME"] = home.string();
    entries["XDG_CONFIG_HOME"] = (home / ".config").string();
    entries["XDG_DATA_HOME"] = (home / ".local" / "share").string();
    entries["XDG_CACHE_HOME"] = (home / ".cache").string();
    for (const auto& entry : extra) {
        apply(entry);
    }
    std::vector<std::string> environment;
    for (const auto& [name, value] : entries) {
        environment.push_back(name + "=" + value);
    }
    return environment;
}

QString xdotoolOutput(const QStringList& arguments) {
    return runProcess(QStringLiteral("xdotool"), arguments, 10).output.trimmed();
}

std::optional<QRect> windowGeometry(const QString& id) {
    const QString shell = xdotoolOutput({"getwindowgeometry", "--shell", id});
    std::map<QString, int> values;
    for (const QString& line : shell.split('\n')) {
        const auto parts = line.split('=');
        if (parts.size() == 2) {
            values[parts[0]] = parts[1].toInt();
        }
    }
    if (!values.count("WIDTH") || !values.count("HEIGHT")) {
        return std::nullopt;
    }
    return QRect(values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]);
}

} // namespace

AgentProcess::AgentProcess(Options options)
    : options_(std::move(options)),
      environment_(agentEnvironment(options_.home, options_.environment)) {
    std::filesystem::create_directories(options_.home / ".config");
    std::filesystem::create_directories(options_.home / ".local" / "share");
    std::vector<std::string> arguments = {binary().string()};
    arguments.insert(arguments.end(), options_.arguments.begin(), options_.arguments.end());
    // A process group of its own, so that stopping it also ends the web
    // engine's helper processes.
    pid_ = spawnProcess({.arguments = std::move(arguments),
                         .environment = environment_,
                         .logFile = options_.logFile,
                         .appendToLog = true,
                         .ownProcessGroup = true});
}

AgentProcess::~AgentProcess() {
    stop();
}

void AgentProcess::writeConfig(const std::filesystem::path& home, const std::string& apiUrl,
                               const std::optional<PasswordAccount>& account) {
    nlohmann::json config{{"api_url", apiUrl}};
    if (account) {
        config["supabase_url"] = apiUrl;
        config["anon_key"] = account->anonKey;
        config["email"] = account->email;
        config["password"] = account->password;
    }
    writeFile(home / ".orvendi" / "config.json", config.dump());
}

std::filesystem::path AgentProcess::binary() {
    return helperProgram(QStringLiteral("orvendi")).toStdString();
}

std::string AgentProcess::log() const {
    return readFile(options_.logFile);
}

bool AgentProcess::running() {
    if (pid_ <= 0) {
        return false;
    }
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        exitStatus_ = exitStatusOf(status);
        ::kill(-pid_, SIGKILL); // helpers left behind
        pid_ = -1;
        return false;
    }
    return true;
}

ProcessResult AgentProcess::launchAgain(const QStringList& arguments, double timeoutSeconds) {
    QProcessEnvironment environment;
    for (const auto& entry : environment_) {
        const auto equals = entry.find('=');
        environment.insert(QString::fromStdString(entry.substr(0, equals)),
                           QString::fromStdString(entry.substr(equals + 1)));
    }
    return runProcess(QString::fromStdString(binary().string()), arguments, timeoutSeconds,
                      environment);
}

std::vector<AgentWindow> AgentProcess::visibleWindows() const {
    std::vector<AgentWindow> windows;
    if (pid_ <= 0) {
        return windows;
    }
    const QString ids = xdotoolOutput(
        {"search", "--all", "--onlyvisible", "--pid", QString::number(pid_), "--name", ""});
    for (const QString& id : ids.split('\n', Qt::SkipEmptyParts)) {
        if (auto geometry = windowGeometry(id)) {
            windows.push_back({id, xdotoolOutput({"getwindowname", id}), *geometry});
        }
    }
    return windows;
}

std::optional<AgentWindow> AgentProcess::waitForWindow(const QString& title,
                                                       std::optional<QSize> size,
                                                       double timeoutSeconds) const {
    std::optional<AgentWindow> found;
    processEventsUntil(
        [&] {
            for (const auto& window : visibleWindows()) {
                if (window.title == title && (!size || window.geometry.size() == *size)) {
                    found = window;
                    return true;
                }
            }
            processEventsFor(kWindowPollSeconds);
            return false;
        },
        timeoutSeconds);
    return found;
}

int AgentProcess::stop() {
    return end(SIGTERM);
}

int AgentProcess::kill() {
    return end(SIGKILL);
}

int AgentProcess::end(int signal) {
    if (pid_ <= 0) {
        return exitStatus_;
    }
    exitStatus_ = endProcess(pid_, signal);
    ::kill(-pid_, SIGKILL); // the web engine's helpers, if any outlived it
    pid_ = -1;
    return exitStatus_;
}

} // namespace orvendi::test
