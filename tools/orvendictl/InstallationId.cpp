#include "InstallationId.h"

#include <uuid/uuid.h>

#include "platform/Defaults.h"

namespace orvendi {
namespace {

constexpr const char* kInstallationIdKey = "installationId";
constexpr size_t kUUIDLength = 36;

bool isUUID(const std::string& text) {
    uuid_t ignored;
    return text.size() == kUUIDLength && uuid_parse(text.c_str(), ignored) == 0;
}

std::string newLowercaseUUID() {
    uuid_t uuid;
    uuid_generate_random(uuid);
    char text[kUUIDLength + 1];
    uuid_unparse_lower(uuid, text);
    return text;
}

} // namespace

std::string InstallationId::value() {
    if (auto stored = defaults_.string(kInstallationIdKey); stored && isUUID(*stored)) {
        return *stored;
    }
    const std::string fresh = newLowercaseUUID();
    defaults_.setString(kInstallationIdKey, fresh);
    return fresh;
}

} // namespace orvendi
