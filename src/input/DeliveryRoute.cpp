#include "input/DeliveryRoute.h"

namespace orvendi {

std::string describe(const DeliveryOutcome& outcome) {
    if (const auto* route = std::get_if<DeliveryRoute>(&outcome)) {
        return *route == DeliveryRoute::TextInsertion ? "text insertion" : "paste keystroke";
    }
    return std::get<DeliveryFailure>(outcome) == DeliveryFailure::NoTextField
               ? "clipboard only (no text field)"
               : "clipboard only (target not back)";
}

} // namespace orvendi
