#pragma once

#include <optional>
#include <string>

namespace orvendi {

// What the backend returned for one dictation.
struct TranscriptionReceipt {
    std::string text;              // cleaned transcript, else the raw one
    std::optional<std::string> id; // the stored dictation's id, when sent
    std::string rawText;
    bool operator==(const TranscriptionReceipt&) const = default;
};

} // namespace orvendi
