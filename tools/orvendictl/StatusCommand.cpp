#include "StatusCommand.h"

#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "InstallationId.h"
#include "Terminal.h"
#include "ToolServices.h"
#include "base/Error.h"
#include "base/IsoTime.h"
#include "capture/RecoveryStore.h"
#include "platform/Keychain.h"
#include "service/Config.h"
#include "service/SessionStore.h"
#include "vault/VaultSync.h"

namespace orvendi {
namespace {

using json = nlohmann::ordered_json;

// Where the configuration came from.
struct ConfigSource {
    std::filesystem::path location;
    bool fileInForce = false;
    // Why the built-in record is in force instead.
    std::string defaultReason;
};

// Whether the keyring holds a session; absent when the keyring did not answer.
struct SessionState {
    bool keyringAnswered = false;
    std::optional<NativeSession> session;
};

struct Report {
    ConfigSource config;
    std::string apiURL;
    SessionState session;
    size_t pendingRecordings = 0;
    std::string pendingFolder;
    std::string vaultFolder;
    std::string installationId;
};

ConfigSource configSource(const Files& files) {
    ConfigSource source{Config::location(files), false, {}};
    std::ifstream stream(source.location, std::ios::binary);
    if (!stream) {
        source.defaultReason = "missing or unreadable";
        return source;
    }
    std::ostringstream text;
    text << stream.rdbuf();
    source.fileInForce = Config::decode(text.str()).has_value();
    if (!source.fileInForce) {
        source.defaultReason = "not valid";
    }
    return source;
}

// Reads the item once to tell "nothing stored" from "no keyring"; the session
// then decodes the same way the client reads it.
SessionState sessionState(Keychain& keychain) {
    SessionState state;
    const auto status = keychain.copy(SessionStore::kService, SessionStore::kAccount).status;
    state.keyringAnswered = status != KeychainStatus::Failure;
    if (status == KeychainStatus::Success) {
        state.session = SessionStore::load(keychain);
    }
    return state;
}

std::string configLine(const ConfigSource& source) {
    if (source.fileInForce) {
        return source.location.string();
    }
    return "none, built-in defaults in force (" + source.location.string() + " is " +
           source.defaultReason + ")";
}

std::string sessionLine(const SessionState& state, double now) {
    if (!state.keyringAnswered) {
        return "unknown (the system keyring did not answer)";
    }
    if (!state.session) {
        return "none stored";
    }
    const std::string until = IsoTime::formatSeconds(state.session->expiresAt);
    if (state.session->expiresAt > now) {
        return "stored, access token valid until " + until;
    }
    return "stored, access token expired at " + until + " (renewed on next use)";
}

json sessionJson(const SessionState& state) {
    json object;
    object["session_stored"] = state.keyringAnswered ? json(state.session.has_value()) : json();
    if (state.session) {
        object["access_token_expires_at"] = state.session->expiresAt;
        object["access_token_valid_until"] = IsoTime::formatSeconds(state.session->expiresAt);
    } else {
        object["access_token_expires_at"] = nullptr;
        object["access_token_valid_until"] = nullptr;
    }
    return object;
}

void printPlain(std::ostream& out, const Report& report, double now) {
    out << "Configuration file: " << configLine(report.config) << '\n'
        << "API URL: " << report.apiURL << '\n'
        << "Session: " << sessionLine(report.session, now) << '\n'
        << "Pending recordings: " << report.pendingRecordings << " in " << report.pendingFolder
        << '\n'
        << "Vault: " << report.vaultFolder << '\n'
        << "Installation id: " << report.installationId << '\n';
}

void printJson(std::ostream& out, const Report& report) {
    json object = {
        {"config_file", report.config.fileInForce ? json(report.config.location.string()) : json()},
        {"config_location", report.config.location.string()},
        {"api_url", report.apiURL},
    };
    object.update(sessionJson(report.session));
    object["pending_recordings"] = report.pendingRecordings;
    object["pending_recordings_dir"] = report.pendingFolder;
    object["vault_dir"] = report.vaultFolder;
    object["installation_id"] = report.installationId;
    out << object.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
}

} // namespace

CommandSyntax StatusCommand::syntax() {
    return {"status",
            {"--json"},
            {},
            0,
            0,
            "status [--json]",
            "Shows the configuration file in use, the backend address, whether a session is\n"
            "stored and until when its access token is valid, the pending recordings and\n"
            "their folder, the vault folder and the installation id. Sends nothing."};
}

ExitStatus StatusCommand::run(const ParsedCommand& command) {
    Report report;
    report.config = configSource(services_.files());
    report.apiURL = services_.config().api_url;
    report.session = sessionState(services_.keychain());
    RecoveryStore& store = services_.recoveryStore();
    report.pendingRecordings = store.pendingRecordings().size();
    try {
        report.pendingFolder = store.recoveryDirectory().string();
    } catch (const Error& error) {
        report.pendingFolder = error.what();
    }
    report.vaultFolder = services_.vault().vaultDir().string();
    report.installationId = InstallationId(services_.defaults()).value();

    if (command.has("--json")) {
        printJson(terminal_.out(), report);
    } else {
        printPlain(terminal_.out(), report, services_.scheduler().now());
    }
    terminal_.out() << std::flush;
    return ExitStatus::Success;
}

} // namespace orvendi
