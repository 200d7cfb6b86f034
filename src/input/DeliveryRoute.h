#pragma once

#include <string>
#include <variant>

namespace orvendi {

// How a transcript went into its target.
enum class DeliveryRoute {
    // Written into the editable element over the accessibility interface and
    // read back there; no keystroke.
    TextInsertion,
    // The target application brought back to the front, the clipboard filled
    // and the paste keystroke posted.
    PasteKeystroke,
};

// Why a transcript stayed on the clipboard only.
enum class DeliveryFailure {
    // Nothing had the focus when the dictation began.
    NoTextField,
    // The application of the target could not be brought back to the front;
    // a keystroke would have gone to another one.
    TargetNotBack,
    // The target was back in front but the session could not send it the
    // paste keystroke (a compositor without virtual keyboards).
    NoKeystroke,
};

using DeliveryOutcome = std::variant<DeliveryRoute, DeliveryFailure>;

// A short name for logs and measurements: "text insertion", "paste keystroke",
// "clipboard only (no text field)", "clipboard only (target not back)",
// "clipboard only (no keystroke)".
std::string describe(const DeliveryOutcome& outcome);

} // namespace orvendi
