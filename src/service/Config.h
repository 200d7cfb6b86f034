#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvendi {

class Files;
class Log;

// The per-user settings file ~/.orvendi/config.json. Field names are the file's
// JSON keys. The agent reads it and never writes it.
struct Config {
    std::optional<std::string> supabase_url;
    std::optional<std::string> anon_key;
    std::string api_url;
    std::optional<std::string> email;
    std::optional<std::string> password;
    std::optional<std::string> vault_dir;
    std::optional<std::vector<std::string>> context_excluded_apps;
    std::optional<std::vector<std::string>> context_text_only_apps;
    // Linux only: the X keysym name of the dictation key ("Control_R" when absent).
    std::optional<std::string> dictation_key;
    // A private certificate authority (PEM file) that an https api_url's
    // certificate is checked against, besides the system's.
    std::optional<std::string> ca_file;
    // The file had a "ca_file" that is not a path; it was left out.
    bool ca_file_ignored = false;

    bool operator==(const Config&) const = default;

    // The record used when the file is missing or does not decode: the local
    // backend, every optional field absent.
    static Config defaultRecord();
    // Decodes a whole file. Absent when a key of the original format has the
    // wrong type: no partial results. A wrongly typed key of this platform's own
    // ("dictation_key") is ignored instead, with a line in `log` when given.
    static std::optional<Config> decode(std::string_view json, Log* log = nullptr);
    // Reads and decodes the file; never fails (falls back to defaultRecord()).
    static Config load(const Files& files, Log* log = nullptr);
    static std::filesystem::path location(const Files& files);

    // The record as compact JSON, absent fields omitted.
    std::string encode() const;
};

inline constexpr const char* kDefaultAPIURL = "http://localhost:3000";

} // namespace orvendi
