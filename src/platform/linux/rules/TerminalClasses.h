#pragma once

#include <string>

namespace orvendi {

// Matches a WM_CLASS name (instance or class) of a known terminal emulator,
// which pastes with another keystroke than other applications.
bool isTerminalClass(const std::string& name);

} // namespace orvendi
