#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "http/HttpSettings.h"
#include "http/ListenAddress.h"

namespace orvendi::server {

// The command line of orvendi-server.
struct ServerOptions {
    // Absent: 127.0.0.1:3000 and, where the system has it, [::1]:3000.
    std::optional<ListenAddress> listen;
    std::filesystem::path dataDir;
    // The "apikey" of the password grant; absent: generated once and kept in the data folder.
    std::optional<std::string> anonKey;
    // Password accounts to create or update at start: (address, password).
    std::vector<std::pair<std::string, std::string>> users;
    // "pocketsphinx" or the URL of an OpenAI-compatible transcription service.
    std::string asr = "pocketsphinx";
    std::string asrModel = "whisper-1";
    std::optional<std::string> smtpUrl;
    std::string smtpFrom = "orvendi@localhost";
    // Absent: anyone may make an account by signing in. Otherwise only
    // addresses of these domains (none: existing accounts only).
    std::optional<std::vector<std::string>> signupDomains;
    // Longer uploads are refused before they are decoded.
    double maxAudioSeconds = 30 * 60;
    // What the note listings last answered may keep in memory for reuse.
    size_t listingCacheBytes = size_t{64} << 20;
    // Sentences to log at start (secrets given where other users can read them).
    std::vector<std::string> notices;
    // TLS, accepted host names and the per-client connection cap.
    HttpSettings http;
    bool help = false;

    static constexpr int kDefaultPort = 3000;

    // The value of an environment variable, absent when unset.
    using Environment = std::function<std::optional<std::string>(const std::string& name)>;
    static std::optional<std::string> processEnvironment(const std::string& name);

    // Secrets may also come from the environment (ORVENDI_ANON_KEY,
    // ORVENDI_SMTP_URL) or from files it names (ORVENDI_ANON_KEY_FILE,
    // ORVENDI_SMTP_URL_FILE), where other users cannot read them; the command
    // line wins. Throws orvendi::Error with a sentence for the user on a bad
    // command line or an unreadable file.
    static ServerOptions parse(const std::vector<std::string>& arguments,
                               const Environment& environment = processEnvironment);
    // $XDG_DATA_HOME/orvendi-server, or ~/.local/share/orvendi-server.
    static std::filesystem::path defaultDataDir();
    static std::string usage();
};

} // namespace orvendi::server
