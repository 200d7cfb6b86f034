#include "ui/HUDMessage.h"

#include <cstdio>

namespace orvendi {

std::string transcribedMark(double seconds) {
    const long whole = seconds > 0 ? static_cast<long>(seconds) : 0;
    char text[48];
    std::snprintf(text, sizeof text, " \u00b7 %ld:%02ld transcribed", whole / 60, whole % 60);
    return text;
}

} // namespace orvendi
