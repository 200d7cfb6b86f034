#pragma once

#include <string>

namespace orvendi {

class Workspace;

// The system settings pages the agent opens for a permission ("microphone",
// "accessibility", "input-monitoring", "screen-recording"); the platform maps
// each address to what helps on its desktop.
namespace SettingsPages {

// Opens the page of `permission`; an unknown permission, or a page the
// platform cannot open, is ignored.
void open(Workspace& workspace, const std::string& permission);

} // namespace SettingsPages
} // namespace orvendi
