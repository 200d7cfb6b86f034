#pragma once

#include <atspi/atspi.h>

#include <optional>
#include <string>

namespace orvendi {

// An AT-SPI role in the agent's vocabulary (see platform/Accessibility.h).
struct AgentRole {
    std::string role;
    std::optional<std::string> subrole;
};

// GTK reports single-line entries and multi-line text views with the same
// "text" role; only the multi-line state tells them apart.
AgentRole agentRoleOf(AtspiRole role, bool multiLine);

} // namespace orvendi
