#include "platform/linux/system/XdgFiles.h"

#include <cstdlib>
#include <optional>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

#include "base/Error.h"

namespace orvendi {
namespace {

std::optional<std::string> nonEmptyEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

} // namespace

std::filesystem::path XdgFiles::homeDirectory() const {
    if (auto home = nonEmptyEnvironment("HOME")) {
        return *home;
    }
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/";
}

std::filesystem::path XdgFiles::applicationSupportDirectory() const {
    std::filesystem::path folder;
    if (auto dataHome = nonEmptyEnvironment("XDG_DATA_HOME");
        dataHome && dataHome->front() == '/') {
        folder = *dataHome;
    } else {
        folder = homeDirectory() / ".local" / "share";
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        throw PlatformError("Couldn't create " + folder.string() + ": " + error.message());
    }
    return folder;
}

} // namespace orvendi
