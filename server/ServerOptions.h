#pragma once

#include <filesystem>
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
    // TLS, accepted host names and the per-client connection cap.
    HttpSettings http;
    bool help = false;

    static constexpr int kDefaultPort = 3000;

    // Throws orvendi::Error with a sentence for the user on a bad command line.
    static ServerOptions parse(const std::vector<std::string>& arguments);
    // $XDG_DATA_HOME/orvendi-server, or ~/.local/share/orvendi-server.
    static std::filesystem::path defaultDataDir();
    static std::string usage();
};

} // namespace orvendi::server
