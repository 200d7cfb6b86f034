#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvendi {

// One thing the HUD tells the user: a text, the symbol beside it, and how long
// it stays (absent: until the next message replaces it).
struct HUDMessage {
    std::string_view text;
    std::string_view symbol;
    std::optional<double> hideAfter;
};

// What the dictation flow shows, and for how long.
namespace HUDMessages {
inline constexpr HUDMessage listening{"Listening", "waveform", std::nullopt};
inline constexpr HUDMessage recordingHandsFree{"Recording hands-free", "record.circle",
                                               std::nullopt};
inline constexpr HUDMessage microphonePermissionNeeded{"Microphone permission needed", "mic.slash",
                                                       2.4};
inline constexpr HUDMessage turningSpeechIntoText{"Turning speech into text", "ellipsis",
                                                  std::nullopt};
inline constexpr HUDMessage microphoneAudioUnusable{"Microphone audio is unusable", "mic.slash",
                                                    2.8};
inline constexpr HUDMessage pastedAndRemembered{"Pasted and remembered", "checkmark.circle.fill",
                                                1.3};
inline constexpr HUDMessage recordingSavedForRetry{"Recording saved for retry",
                                                   "exclamationmark.arrow.circlepath", 2.2};
// The transcript stayed on the clipboard only.
inline constexpr HUDMessage copiedNoTextField{"Copied: no text field had focus", "doc.on.clipboard",
                                              2.5};
inline constexpr HUDMessage copiedPressPaste{"Copied: press Ctrl+V to paste", "doc.on.clipboard",
                                             2.5};
} // namespace HUDMessages

// The mark a recording state carries once part of a long recording already
// has its text: " · 0:42 transcribed" (minutes and seconds of audio).
std::string transcribedMark(double seconds);

} // namespace orvendi
