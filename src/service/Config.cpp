#include "service/Config.h"

#include <array>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "platform/Files.h"
#include "platform/Log.h"

namespace orvendi {
namespace {

using nlohmann::json;

// Thrown inside decoding when a value has the wrong type; decode() turns it into absent.
struct WrongType {};

std::optional<std::string> optionalString(const json& object, const char* key) {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) {
        return std::nullopt;
    }
    if (!it->is_string()) {
        throw WrongType{};
    }
    return it->get<std::string>();
}

std::optional<std::vector<std::string>> optionalStringList(const json& object, const char* key) {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) {
        return std::nullopt;
    }
    if (!it->is_array()) {
        throw WrongType{};
    }
    std::vector<std::string> list;
    for (const auto& element : *it) {
        if (!element.is_string()) {
            throw WrongType{};
        }
        list.push_back(element.get<std::string>());
    }
    return list;
}

// Keys this platform adds to the file are not part of the format other
// installations share: a bad value of one must not cost the user every other
// setting, so it counts as absent.
std::optional<std::string> extensionString(const json& object, const char* key, Log* log) {
    try {
        return optionalString(object, key);
    } catch (const WrongType&) {
        if (log != nullptr) {
            log->write(std::string("Ignoring \"") + key + "\" in the configuration file: " +
                       "it must be a string, not " + object.at(key).type_name());
        }
        return std::nullopt;
    }
}

// A wrong "ca_file" costs only itself: the rest of the file still counts.
void readCAFile(const json& object, Config& config) {
    const auto it = object.find("ca_file");
    if (it == object.end() || it->is_null()) {
        return;
    }
    if (it->is_string() && !it->get<std::string>().empty()) {
        config.ca_file = it->get<std::string>();
    } else {
        config.ca_file_ignored = true;
    }
}

template <typename T>
void putIfPresent(json& object, const char* key, const std::optional<T>& value) {
    if (value) {
        object[key] = *value;
    }
}

} // namespace

Config Config::defaultRecord() {
    Config config;
    config.api_url = kDefaultAPIURL;
    return config;
}

std::optional<Config> Config::decode(std::string_view text, Log* log) {
    const json object = json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!object.is_object()) {
        return std::nullopt;
    }
    try {
        auto apiURL = optionalString(object, "api_url");
        if (!apiURL) {
            return std::nullopt;
        }
        Config config;
        config.supabase_url = optionalString(object, "supabase_url");
        config.anon_key = optionalString(object, "anon_key");
        config.api_url = std::move(*apiURL);
        config.email = optionalString(object, "email");
        config.password = optionalString(object, "password");
        config.vault_dir = optionalString(object, "vault_dir");
        config.context_excluded_apps = optionalStringList(object, "context_excluded_apps");
        config.context_text_only_apps = optionalStringList(object, "context_text_only_apps");
        config.dictation_key = extensionString(object, "dictation_key", log);
        readCAFile(object, config);
        return config;
    } catch (const WrongType&) {
        return std::nullopt;
    }
}

std::filesystem::path Config::location(const Files& files) {
    return files.homeDirectory() / ".orvendi" / "config.json";
}

namespace {

std::optional<std::string> readWholeFile(const std::filesystem::path& path) {
    try {
        std::ifstream stream(path, std::ios::binary);
        if (!stream) {
            return std::nullopt;
        }
        // Read in blocks: GCC 12 takes a stream-buffer iterator's inlined
        // internals for a possible null dereference.
        std::string text;
        std::array<char, 16384> block;
        while (stream.read(block.data(), block.size()) || stream.gcount() > 0) {
            text.append(block.data(), size_t(stream.gcount()));
        }
        if (stream.bad()) {
            return std::nullopt;
        }
        return text;
    } catch (const std::exception&) {
        // The standard library reports some read errors (a folder, an I/O
        // error) by throwing; an unreadable file counts as missing.
        return std::nullopt;
    }
}

} // namespace

Config Config::load(const Files& files, Log* log) {
    const auto text = readWholeFile(location(files));
    if (!text) {
        return defaultRecord();
    }
    return decode(*text, log).value_or(defaultRecord());
}

std::string Config::encode() const {
    json object = json::object();
    putIfPresent(object, "supabase_url", supabase_url);
    putIfPresent(object, "anon_key", anon_key);
    object["api_url"] = api_url;
    putIfPresent(object, "email", email);
    putIfPresent(object, "password", password);
    putIfPresent(object, "vault_dir", vault_dir);
    putIfPresent(object, "context_excluded_apps", context_excluded_apps);
    putIfPresent(object, "context_text_only_apps", context_text_only_apps);
    putIfPresent(object, "dictation_key", dictation_key);
    putIfPresent(object, "ca_file", ca_file);
    return object.dump();
}

} // namespace orvendi
