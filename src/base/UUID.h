#pragma once

#include <string>

namespace orvendi {

// A new random UUID in its canonical 36-character lower-case form.
std::string makeLowercaseUUID();
// True when `text` is a UUID in the canonical hyphenated form, any letter case.
bool isUUID(const std::string& text);

} // namespace orvendi
