#pragma once

#include <string>

namespace orvendi {

class KeyEvents;
class Pasteboard;
class Scheduler;

// Inserts text into whatever application is frontmost: the text goes on the
// clipboard, and a moment later the platform posts the paste keystroke the
// focused window understands.
namespace Paster {

// Time the clipboard owner gets before the target asks it for the text.
inline constexpr double kKeystrokeDelay = 0.12;

// The previous clipboard contents are not kept; the text stays there afterwards.
void paste(const std::string& text, Pasteboard& pasteboard, KeyEvents& keyEvents,
           Scheduler& scheduler);

} // namespace Paster
} // namespace orvendi
