#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace orvendi {

// Fills a printf-style format whose "%@" and "%d" take the arguments in order,
// each as given ("Orvendi error: %@"). A placeholder without an argument stays.
std::string formatLogMessage(std::string_view format, std::initializer_list<std::string> arguments);

} // namespace orvendi
