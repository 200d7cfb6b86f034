#include "InstallationId.h"

#include "base/UUID.h"
#include "platform/Defaults.h"

namespace orvendi {
namespace {

constexpr const char* kInstallationIdKey = "installationId";

} // namespace

std::string InstallationId::value() {
    if (auto stored = defaults_.string(kInstallationIdKey); stored && isUUID(*stored)) {
        return *stored;
    }
    const std::string fresh = makeLowercaseUUID();
    defaults_.setString(kInstallationIdKey, fresh);
    return fresh;
}

} // namespace orvendi
