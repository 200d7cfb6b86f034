#pragma once

#include <optional>

namespace orvendi {

// `orvendi --dictation press|release|toggle`: hands the gesture to the running
// agent over its single-instance socket, so that a desktop's own keyboard
// shortcut can drive dictation where the agent cannot see the key. The
// gesture goes with the time the command ran ("press 1733500000.250"). Needs
// no display.
class DictationCommand {
public:
    // The exit status when the arguments ask for a gesture (the command then
    // ran), none otherwise. 0: the agent took it; 1: no agent answered;
    // 2: not a gesture.
    static std::optional<int> run(int argc, char** argv);
};

} // namespace orvendi
