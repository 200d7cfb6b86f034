#pragma once

#include "base/Error.h"

namespace orvendi {

// The command line asks for something the tool does not offer (exit status 2).
class UsageError : public Error {
public:
    using Error::Error;
};

} // namespace orvendi
