#pragma once

#include <string>

#include "base/Error.h"

namespace orvendi::server {

// A request the service refuses: the HTTP status that says why and a sentence
// the user may read. Any layer may throw it; the HTTP layer answers it as
// {"error": message} with that status.
class ServiceError : public Error {
public:
    ServiceError(int status, const std::string& message) : Error(message), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

} // namespace orvendi::server
