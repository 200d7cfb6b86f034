#pragma once

#include <string>

namespace orvendi {

class Defaults;

// The stable identifier of this installation, shared with the agent through the
// user default "installationId": read as it is when it holds a UUID (any letter
// case), otherwise made now as a new lower-case UUID and stored.
class InstallationId {
public:
    explicit InstallationId(Defaults& defaults) : defaults_(defaults) {}
    std::string value();

private:
    Defaults& defaults_;
};

} // namespace orvendi
