#include "desktop/support/AgentFixture.h"

#include <QDir>
#include <httplib.h>
#include <iostream>
#include <regex>

#include "desktop/support/QtTestLoop.h"

namespace orvendi::test {
namespace {

constexpr double kTrayTimeoutSeconds = 60;
constexpr double kPollSeconds = 0.1;
// Room around a window so that its frame and shadow show in a screenshot.
constexpr int kScreenshotMargin = 24;
// The window manager's title bar sits above the client area.
constexpr int kTitleBarAllowance = 32;

} // namespace

void AgentFixture::SetUp() {
    std::vector<std::string> arguments = {"--anon-key", kAnonKey, "--user",
                                          std::string(kAccountEmail) + ":" + kAccountPassword};
    if (!recognisesSpeech()) {
        arguments.insert(arguments.end(), {"--asr", ServerProcess::kNoSpeechService});
    }
    server_ = std::make_unique<ServerProcess>(
        ServerProcess::Options{helperProgram(QStringLiteral("orvendi-server")).toStdString(),
                               temp_.path() / "data", temp_.path() / "server.log", arguments});
}

void AgentFixture::TearDown() {
    agent_.reset();
    // Kept with the screenshots: what the agent said is the first thing to
    // read when a desktop test fails on another machine.
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::error_code ignored;
    std::filesystem::copy_file(temp_.path() / "agent.log",
                               testOutputDirectory() / (std::string(test->test_suite_name()) + "." +
                                                        test->name() + ".log"),
                               std::filesystem::copy_options::overwrite_existing, ignored);
    if (HasFailure()) {
        std::cerr << "--- agent log\n"
                  << readFile(temp_.path() / "agent.log") << "--- server log\n"
                  << server_->log();
    }
    server_.reset();
}

AgentProcess& AgentFixture::startAgent(Launch launch) {
    agent_.reset();
    std::optional<AgentProcess::PasswordAccount> account;
    if (launch == Launch::SignedIn) {
        account = AgentProcess::PasswordAccount{kAccountEmail, kAccountPassword, kAnonKey};
    }
    AgentProcess::writeConfig(home(), server_->baseUrl(), account);
    agent_ =
        std::make_unique<AgentProcess>(AgentProcess::Options{home(), temp_.path() / "agent.log"});
    return *agent_;
}

void AgentFixture::stopAgent() {
    if (agent_) {
        agent_->stop();
    }
}

std::string AgentFixture::settingsText() const {
    const auto file = home() / ".config" / "Orvendi" / "Orvendi.ini";
    return std::filesystem::exists(file) ? readFile(file) : std::string();
}

bool AgentFixture::eventually(const std::function<bool()>& condition, double timeoutSeconds) {
    return processEventsUntil(
        [&] {
            if (condition()) {
                return true;
            }
            processEventsFor(kPollSeconds);
            return false;
        },
        timeoutSeconds);
}

std::optional<DBusMenuEntry> AgentFixture::waitForTrayMenu() {
    std::optional<DBusMenuEntry> menu;
    const bool up = eventually(
        [&] {
            menu.reset();
            if (auto service = tray_.trayItemService()) {
                menu = tray_.menuLayout(*service);
            }
            return menu && !menu->children.empty();
        },
        kTrayTimeoutSeconds);
    EXPECT_TRUE(up) << "the agent's tray menu did not appear";
    return up ? menu : std::nullopt;
}

std::optional<DBusMenuEntry> AgentFixture::trayItem(const QString& label) {
    const auto menu = waitForTrayMenu();
    if (menu) {
        for (const auto& entry : menu->children) {
            if (entry.label == label) {
                return entry;
            }
        }
    }
    return std::nullopt;
}

bool AgentFixture::clickTrayItem(const QString& label) {
    const auto item = trayItem(label);
    const auto service = tray_.trayItemService();
    return item && service && tray_.click(*service, item->id);
}

int AgentFixture::requestCount(const std::string& request, int status) const {
    return server_->requestCount(request, status);
}

bool AgentFixture::waitForRequest(const std::string& request, int status, int count,
                                  double timeoutSeconds) {
    return eventually([&] { return requestCount(request, status) >= count; }, timeoutSeconds);
}

std::string AgentFixture::signInThroughApi(const std::string& email) {
    httplib::Client client("127.0.0.1", server_->port());
    const auto requested = client.Post("/api/native-auth/request",
                                       nlohmann::json{{"email", email}}.dump(), "application/json");
    const auto code = server_->signInCode(email);
    if (!requested || requested->status != 200 || !code) {
        ADD_FAILURE() << "no sign-in code for " << email;
        return {};
    }
    const auto verified =
        client.Post("/api/native-auth/verify",
                    nlohmann::json{{"email", email}, {"code", *code}}.dump(), "application/json");
    if (!verified || verified->status != 200) {
        ADD_FAILURE() << "the sign-in code of " << email << " was refused";
        return {};
    }
    return nlohmann::json::parse(verified->body).value("accessToken", "");
}

nlohmann::json AgentFixture::apiGet(const std::string& path, const std::string& token) {
    httplib::Client client("127.0.0.1", server_->port());
    const auto answer = client.Get(path.c_str(), {{"Authorization", "Bearer " + token}});
    if (!answer || answer->status != 200) {
        ADD_FAILURE() << "GET " << path << " failed";
        return nullptr;
    }
    return nlohmann::json::parse(answer->body, nullptr, false);
}

void AgentFixture::activateWindow(const AgentWindow& window) {
    runProcess(QStringLiteral("xdotool"), {"windowactivate", "--sync", window.id});
}

void AgentFixture::typeText(const std::string& text) {
    runProcess(QStringLiteral("xdotool"), {"type", "--delay", "20", QString::fromStdString(text)});
}

void AgentFixture::pressKeys(const std::string& keys) {
    runProcess(QStringLiteral("xdotool"),
               {"key", "--clearmodifiers", QString::fromStdString(keys)});
}

void AgentFixture::screenshot(const std::string& name, const QRect& area) {
    saveScreenshot(name, area.adjusted(-kScreenshotMargin, -kScreenshotMargin - kTitleBarAllowance,
                                       kScreenshotMargin, kScreenshotMargin));
}

} // namespace orvendi::test
