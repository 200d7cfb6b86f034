#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace orvendi::server {

// A small file readable by its owner only, holding a value the service makes
// once and keeps across restarts (the hashing key, the generated "apikey").
namespace SecretFile {
// The file's first line; when there is no file, `make()` is written to a new
// one (mode 0600) and returned.
std::string loadOrCreate(const std::filesystem::path& file,
                         const std::function<std::string()>& make);
} // namespace SecretFile

} // namespace orvendi::server
