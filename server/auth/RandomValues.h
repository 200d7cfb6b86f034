#pragma once

#include <string>

#include "base/Bytes.h"

namespace orvendi::server {

// Unpredictable values from the operating system's generator (libsodium).
namespace RandomValues {
// 256 random bits as unpadded base64url text (43 characters).
std::string token();
// Six decimal digits, leading zeros kept.
std::string sixDigitCode();
// A version 4 UUID in lower-case text form.
std::string uuid();
Bytes bytes(size_t count);
} // namespace RandomValues

} // namespace orvendi::server
