#pragma once

#include "base/Error.h"

namespace orvendi::server {

// The database could not be opened or refused a statement.
class StorageError : public Error {
public:
    using Error::Error;
};

} // namespace orvendi::server
