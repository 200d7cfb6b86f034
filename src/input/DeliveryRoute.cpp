#include "input/DeliveryRoute.h"

namespace orvendi {

std::string describe(const DeliveryOutcome& outcome) {
    if (const auto* route = std::get_if<DeliveryRoute>(&outcome)) {
        return *route == DeliveryRoute::TextInsertion ? "text insertion" : "paste keystroke";
    }
    switch (std::get<DeliveryFailure>(outcome)) {
    case DeliveryFailure::NoTextField:
        return "clipboard only (no text field)";
    case DeliveryFailure::TargetNotBack:
        return "clipboard only (target not back)";
    case DeliveryFailure::NoKeystroke:
        return "clipboard only (no keystroke)";
    }
    return "clipboard only";
}

} // namespace orvendi
