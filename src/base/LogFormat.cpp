#include "base/LogFormat.h"

namespace orvendi {

std::string formatLogMessage(std::string_view format,
                             std::initializer_list<std::string> arguments) {
    std::string out;
    auto next = arguments.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        const bool placeholder = format[i] == '%' && i + 1 < format.size() &&
                                 (format[i + 1] == '@' || format[i + 1] == 'd');
        if (placeholder && next != arguments.end()) {
            out += *next++;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

} // namespace orvendi
