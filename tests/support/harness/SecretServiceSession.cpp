#include "support/harness/SecretServiceSession.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <thread>
#include <unistd.h>

#include "support/harness/SpawnedProcess.h"

namespace orvendi::test {
namespace {

constexpr auto kPoll = std::chrono::milliseconds(50);
constexpr int kStartPolls = 200; // ten seconds

// A bus listening in `folder` only, on which anything may own any name. It has
// no activatable services: nothing starts behind the test's back.
std::string busConfiguration(const std::filesystem::path& folder) {
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>session</type><listen>unix:dir=" +
           folder.string() +
           "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
           "<allow own=\"*\"/></policy></busconfig>\n";
}

bool waitFor(const std::function<bool()>& condition) {
    for (int poll = 0; poll < kStartPolls; ++poll) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return false;
}

} // namespace

SecretServiceSession::SecretServiceSession(Keyring keyring) {
    const auto& dir = dir_.path();
    writeFile(dir / "bus.conf", busConfiguration(dir / "run"));
    std::filesystem::create_directories(dir / "run");
    std::filesystem::permissions(dir / "run", std::filesystem::perms::owner_all);
    pids_.push_back(spawnProcess(
        {.arguments = {"/usr/bin/dbus-daemon", "--config-file=" + (dir / "bus.conf").string(),
                       "--nofork", "--print-address=1"},
         .logFile = dir / "address",
         .errorFile = dir / "dbus.log"}));
    if (!waitFor([&] { return readFile(dir / "address").find('\n') != std::string::npos; })) {
        throw std::runtime_error("the private session bus did not start");
    }
    const std::string address = readFile(dir / "address");
    busAddress_ = address.substr(0, address.find('\n'));
    setenv("DBUS_SESSION_BUS_ADDRESS", busAddress_.c_str(), 1);
    if (keyring != Keyring::None) {
        startKeyring(keyring == Keyring::Unlocked);
    }
    // Nothing outlives the test process, even when it crashes.
    std::vector<std::string> watcher = {"/bin/sh", "-c",
                                        "while kill -0 $0 2>/dev/null; do sleep 0.5; done; kill $@",
                                        std::to_string(getpid())};
    for (const pid_t pid : pids_) {
        watcher.push_back(std::to_string(pid));
    }
    pids_.push_back(spawnProcess({.arguments = watcher, .logFile = "/dev/null"}));
    if (keyring != Keyring::None && !waitFor([] {
            return std::system("dbus-send --session --print-reply --dest=org.freedesktop.DBus / "
                               "org.freedesktop.DBus.GetNameOwner string:org.freedesktop.secrets "
                               ">/dev/null 2>&1") == 0;
        })) {
        throw std::runtime_error("gnome-keyring did not start:\n" +
                                 readFile(dir_.path() / "keyring.log"));
    }
}

// `unlocked`: --unlock reads the login keyring's password from standard input
// and creates that keyring unlocked, so no store call ever prompts.
void SecretServiceSession::startKeyring(bool unlocked) {
    const auto& dir = dir_.path();
    std::filesystem::create_directories(dir / "home");
    writeFile(dir / "password", "test-password");
    std::vector<std::string> arguments = {"/usr/bin/gnome-keyring-daemon", "--foreground",
                                          "--components=secrets"};
    if (unlocked) {
        arguments.push_back("--unlock");
    }
    keyringPid_ = spawnProcess(
        {.arguments = arguments,
         .environment =
             std::vector<std::string>{"PATH=/usr/bin:/bin", "HOME=" + (dir / "home").string(),
                                      "XDG_RUNTIME_DIR=" + (dir / "run").string(),
                                      "XDG_DATA_HOME=" + (dir / "home/.local/share").string(),
                                      "DBUS_SESSION_BUS_ADDRESS=" + busAddress_},
         .logFile = dir / "keyring.log",
         .inputFile = dir / "password"});
    pids_.push_back(keyringPid_);
}

SecretServiceSession::~SecretServiceSession() {
    for (auto pid = pids_.rbegin(); pid != pids_.rend(); ++pid) {
        ::kill(*pid, SIGCONT); // a test may have stopped the keyring
        endProcess(*pid, SIGTERM);
    }
}

} // namespace orvendi::test
