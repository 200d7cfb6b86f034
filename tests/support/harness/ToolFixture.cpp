#include "support/harness/ToolFixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/harness/SoundFiles.h"
#include "support/harness/SpokenAudio.h"

namespace orvendi::test {

void ToolFixture::SetUp() {
    for (const char* folder : {"home", "config", "data-home", "runtime", "server"}) {
        std::filesystem::create_directories(temp_.path() / folder);
    }
    std::filesystem::permissions(temp_.path() / "runtime", std::filesystem::perms::owner_all);
    startServer(serverArguments());
    writeConfig(true);
}

void ToolFixture::TearDown() {
    stopServer();
}

void ToolFixture::startServer(const std::vector<std::string>& extraArguments) {
    std::vector<std::string> arguments{"--anon-key", kAnonKey, "--user",
                                       std::string(kEmail) + ":" + kPassword};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    server_ = std::make_unique<ServerProcess>(
        ServerProcess::Options{ORVENDI_BIN_DIR "/orvendi-server", temp_.path() / "server",
                               temp_.path() / "server.log", arguments});
}

void ToolFixture::stopServer() {
    if (server_) {
        server_->stop();
    }
}

void ToolFixture::writeConfig(bool passwordGrant, const nlohmann::json& overrides) {
    nlohmann::json config = {{"api_url", server_->baseUrl()}};
    if (passwordGrant) {
        config["supabase_url"] = server_->baseUrl();
        config["anon_key"] = kAnonKey;
        config["email"] = kEmail;
        config["password"] = kPassword;
    }
    config.update(overrides);
    writeFile(home() / ".orvendi" / "config.json", config.dump());
}

std::vector<std::string> ToolFixture::environment() const {
    const auto& root = temp_.path();
    std::vector<std::string> environment = {
        "PATH=" + std::string(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin"),
        "LANG=C.UTF-8",
        "HOME=" + home().string(),
        "XDG_CONFIG_HOME=" + (root / "config").string(),
        "XDG_DATA_HOME=" + (root / "data-home").string(),
        "XDG_RUNTIME_DIR=" + (root / "runtime").string(),
    };
    // A private keyring's bus when the test started one; otherwise a bus
    // address where nothing answers, so no session bus is found or launched.
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    environment.push_back("DBUS_SESSION_BUS_ADDRESS=" +
                          (bus ? std::string(bus) : "unix:path=" + (root / "no-bus").string()));
    // The private sound server of a test that started one, or none at all.
    const char* pulse = std::getenv("PULSE_SERVER");
    environment.push_back("PULSE_SERVER=" +
                          (pulse ? std::string(pulse) : "unix:" + (root / "no-pulse").string()));
    return environment;
}

CapturedRun ToolFixture::tool(const std::vector<std::string>& arguments, const std::string& input) {
    std::vector<std::string> command = {ORVENDI_BIN_DIR "/orvendictl"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return CapturedRun::of(command, environment(), input);
}

CapturedRun ToolFixture::toolWithEnterAfter(double seconds,
                                            const std::vector<std::string>& arguments) {
    std::vector<std::string> command = {"/bin/sh", "-c",
                                        "(sleep " + std::to_string(seconds) + "; echo) | \"$@\"",
                                        "sh", ORVENDI_BIN_DIR "/orvendictl"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return CapturedRun::of(command, environment());
}

std::filesystem::path ToolFixture::spokenFile(const std::string& name,
                                              const std::string& sentence) {
    const auto work = temp_.path() / ("speech-" + name);
    std::filesystem::create_directories(work);
    const auto file = temp_.path() / name;
    writeBytes(file, spokenWav(sentence, work));
    return file;
}

std::filesystem::path ToolFixture::silentFile(const std::string& name, double seconds) {
    const auto file = temp_.path() / name;
    runTool("sox -n -r 16000 -c 1 -b 16 " + shellQuoted(file) + " trim 0 " +
            std::to_string(seconds));
    return file;
}

std::string ToolFixture::outboxCode(const std::string& email) const {
    const auto code = server_->signInCode(email);
    if (!code) {
        throw std::runtime_error("no sign-in code was mailed to " + email);
    }
    return *code;
}

std::filesystem::path ToolFixture::pendingFolder() const {
    return temp_.path() / "data-home" / "Orvendi" / "Pending Recordings";
}

std::vector<nlohmann::ordered_json> jsonLines(const std::string& text) {
    std::vector<nlohmann::ordered_json> objects;
    for (const auto& line : linesOf(text)) {
        objects.push_back(nlohmann::ordered_json::parse(line));
    }
    return objects;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace orvendi::test
